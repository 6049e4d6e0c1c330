#pragma once

// The end card: an opt-in summary board that closes a video with both players' figures
// (score/Statistics.h) once the match is over. For a match file the figures are the whole
// match's, headed by the legs (and sets) won and the players' names.

#include "render/Canvas.h"
#include "render/Renderer.h"
#include "score/ScoreData.h"

#include <QImage>

#include <cstdint>

// The card takes the last this many ms of the timeline, which is the second half of the
// board's ten-second tail: the final board stays up long enough to be read first.
inline constexpr int64_t kEndCardMs = 5000;

// The first moment the card shows in the video of match (its times as the video uses them).
int64_t EndCardStart(const Match& match);

// Draws the card into `into` (made anew first when its size or format is not the one
// MakeBoardImage(options) gives). False, with nothing drawn, for a match without entries or
// without a game the boards draw.
bool RenderEndCard(const Match& match, QImage& into, const RenderOptions& options);

// Moment t of the video: RenderMoment, or the card from EndCardStart on when endCard is set.
bool RenderVideoMoment(const Match& match, int64_t t, QImage& into, const RenderOptions& options,
                       bool endCard);

// Whether the video of match shows the card at t, when it is asked for.
bool ShowsEndCard(const Match& match, int64_t t);

// The painter behind RenderEndCard: paints over the background the canvas holds.
void PaintSummaryCard(Canvas& canvas, const Match& match);
