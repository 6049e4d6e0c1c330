#include "video/FrameSource.h"

#include "score/Evaluate.h"

#include <utility>

FrameSource::FrameSource(Match match, const RenderOptions& options)
    : m_match(std::move(match)), m_options(options), m_picture(MakeBoardImage(options)) {
    ValidateTimes(m_match);
}

bool FrameSource::advanceTo(int64_t t) {
    const int entry = EntryAtMoment(m_match, t);
    if (!m_first && entry == m_shownEntry) {
        return false;
    }
    const bool first = std::exchange(m_first, false);
    m_shownEntry = entry;
    if (m_next.isNull()) {
        m_next = MakeBoardImage(m_options);
    }
    // A moment without a board leaves the picture as it was. (A caller that kept a copy of
    // an earlier picture keeps it: drawing detaches the shared pixels first.)
    if (!RenderMoment(m_match, t, m_next, m_options) || (!first && m_next == m_picture)) {
        return first;
    }
    std::swap(m_picture, m_next);
    return true;
}
