#pragma once

#include "render/Renderer.h"
#include "score/ScoreData.h"

#include <QImage>

#include <cstdint>

// The pictures of a video, one moment after the other. It keeps its own copy of the match,
// whose times it cleans as the export always has (from the first time that steps back,
// every time becomes 0), so the caller's match stays as it is.
class FrameSource {
public:
    // With endCard, the final moments show the summary card (render/SummaryCard.h).
    FrameSource(Match match, const RenderOptions& options, bool endCard = false);

    // Makes picture() the picture of moment t. True when it differs from the previous
    // frame's picture (always for the first frame). A moment that shows the same entry as
    // the previous one is not drawn again, so a video costs a drawing per entry, not per
    // frame, plus the steps of the broadcast board's timed graphics (MomentVariant).
    bool advanceTo(int64_t t);
    const QImage& picture() const { return m_picture; }
    // The match as the frames show it, its times cleaned.
    const Match& match() const { return m_match; }

private:
    Match m_match;
    RenderOptions m_options;
    QImage m_picture; // black until something is drawn, as a fresh preview is
    QImage m_next;
    bool m_endCard = false;
    int m_shownEntry = 0; // kCardShown while the end card is up
    bool m_first = true;
    int64_t m_variant = 0; // MomentVariant of the picture shown
};
