#include "video/FrameSource.h"

#include "render/SummaryCard.h"
#include "score/Timeline.h"

#include <utility>

namespace {

// Below -1 (the title), so that no entry index stands for the card.
constexpr int kCardShown = -2;

} // namespace

FrameSource::FrameSource(Match match, const RenderOptions& options, bool endCard)
    : m_match(WithCleanTimes(std::move(match))), m_options(options),
      m_picture(MakeBoardImage(options)), m_endCard(endCard) {}

bool FrameSource::advanceTo(int64_t t) {
    const int entry =
        m_endCard && ShowsEndCard(m_match, t) ? kCardShown : EntryAtMoment(m_match, t);
    // The broadcast board's timed graphics change the picture between entries too.
    const int64_t variant = entry == kCardShown ? 0 : MomentVariant(m_match, t, m_options);
    const int64_t shownVariant = std::exchange(m_variant, variant);
    if (!m_first && entry == m_shownEntry && variant == shownVariant) {
        return false;
    }
    const bool first = std::exchange(m_first, false);
    m_shownEntry = entry;
    if (m_next.isNull()) {
        m_next = MakeBoardImage(m_options);
    }
    // A moment without a board leaves the picture as it was. (A caller that kept a copy of
    // an earlier picture keeps it: drawing detaches the shared pixels first.)
    if (!RenderVideoMoment(m_match, t, m_next, m_options, m_endCard) ||
        (!first && m_next == m_picture)) {
        return first;
    }
    std::swap(m_picture, m_next);
    return true;
}
