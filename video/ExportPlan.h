#pragma once

// What an export will make, known before it starts: the codec a file name asks for, where
// the board goes in a larger frame, how many frames the video has and how long it runs.

#include "video/Export.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Longer timelines are refused: a time typed wrongly (or a hostile file) must not start an
// export of days that fills the disk.
inline constexpr int64_t kMaxExportMs = int64_t(24) * 60 * 60 * 1000;

// The frame rates an export takes, in frames per second (fractions such as 30000/1001
// included): slower ones would stretch each picture over seconds, faster ones no player
// shows.
inline constexpr int64_t kMinExportFps = 1;
inline constexpr int64_t kMaxExportFps = 240;
bool IsExportRate(FrameRate rate);

// Fails with what keeps codec from being written to path: a container that cannot hold it
// ("VP9 cannot be stored in a .mov file (use .webm, .mkv, .mp4)"), or a picture name that is
// no usable sequence (checkFramePattern). An AVI codec takes any name but those of the other
// formats, as the classic export always did.
Status CheckExportPath(const std::string& path, VideoCodec codec);

// The codec a file name asks for: .avi Video 1 or raw (as compress says), .mp4 H.264, .mov
// ProRes, .webm VP9, .mkv FFV1, a name with a printf-style frame number PNG.
std::optional<VideoCodec> VideoCodecForPath(const std::string& path, bool compress);

// top-left, top-right, bottom-left, bottom-right, center.
std::optional<BoardPlace> ParseBoardPlace(std::string_view text);
const char* BoardPlaceName(BoardPlace place);
// The corner of the broadcast board a place names; nullopt for the centre, which only the
// classic board takes.
std::optional<BoardCorner> BroadcastCorner(BoardPlace place);
// "1920x1080"; nullopt unless both sides are whole numbers from 16 to 8192.
std::optional<QSize> ParseFrameSize(std::string_view text);

// The scale for a frame of this size when none is given: the largest whose board is at most
// a third of the frame's height and fits its width inside the margins, within the renderer's
// scales.
double DefaultBoardScale(QSize frame);
// Where a board of boardSize goes in frame at place, a margin of frame height / 30 from the
// edges it is placed against.
QRect PlaceBoard(QSize frame, QSize boardSize, BoardPlace place);

// An empty frame of a video larger than its board: transparent, the key colour, or black
// around a board with its background picture.
QImage MakeVideoFrame(QSize size, const Background& background);

struct ExportPlan {
    int64_t lengthMs = 0; // of the timeline, times cleaned as the export cleans them
    int64_t videoMs = 0;  // of the video: its last frame may run past the timeline's end
    int64_t frames = 0;
    FrameRate rate;
    QSize frameSize;
    QRect board; // where the board is drawn in the frame
};
ExportPlan PlanExport(const Match& match, const ExportRequest& request);
// "length 2:05.4 (1882 frames at 15 fps)"
std::string DescribeLength(const ExportPlan& plan);
// An upper bound of the bytes of an uncompressed AVI of the plan; 0 for other codecs.
uint64_t UncompressedBytes(const ExportPlan& plan, VideoCodec codec);
