#pragma once

// The events of a match written as the chapters and markers other programs read: the video
// site's description list, a spreadsheet, an edit list, Final Cut Pro XML and FFmpeg's
// metadata file. Pure text functions; the caller writes the file.

#include "score/Events.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ChapterFormat { YouTube, Csv, Edl, Fcpxml, FfMetadata };

// "youtube", "csv", "edl", "fcpxml", "ffmetadata".
std::optional<ChapterFormat> ParseChapterFormat(std::string_view name);
// The usual file extension of a format, with its dot (".txt" for the video site's list).
const char* ChapterExtension(ChapterFormat format);

// Turns a label into the text written; the default gives the English one.
using EventLabeler = std::function<std::string(const EventText&)>;

struct ChapterSettings {
    // Footage time = match time + offsetMs (the burn-in's convention: the board at footage
    // time t shows moment t - offsetMs). Times that would fall before the footage's start
    // are written as its start.
    int64_t offsetMs = 0;
    // The frame rate the edit list and the XML count in, as a fraction.
    int rateNum = 30;
    int rateDen = 1;
    // The footage's picture, for the XML's format; its length, when known (0: unknown),
    // for the end of the last chapter and of the XML's timeline.
    int width = 1920;
    int height = 1080;
    int64_t durationMs = 0;
    std::string title = "Vorlat";
    EventLabeler labeler;
};

// A chapter on the footage's clock: [startMs, endMs).
struct Chapter {
    int64_t startMs = 0;
    int64_t endMs = 0;
    std::string title;
};

// The match's chapters, one per leg start among events (the labels say the set where the
// match has sets): the first starts at 0, each ends where the next starts, the last at the
// footage's end (or at the latest event when the length is unknown). Empty without a leg
// start.
std::vector<Chapter> MatchChapters(const std::vector<MatchEvent>& events,
                                   const ChapterSettings& settings);

// The same chapters as the video site takes them from a description: "M:SS title" lines
// (H:MM:SS from an hour on), the first at 0:00, ascending, each at least 10 s after the one
// before; a chapter closer than that to the one before joins its title to it.
std::vector<Chapter> YouTubeChapters(const std::vector<MatchEvent>& events,
                                     const ChapterSettings& settings);

// "M:SS" below an hour, else "H:MM:SS", of whole seconds (rounded down).
std::string YouTubeTime(int64_t ms);

// The frame that shows footage time ms at the settings' rate (the nearest frame start).
int64_t FrameAt(int64_t ms, const ChapterSettings& settings);
// A frame number as a non-drop time code at the rate rounded up to whole frames a second
// ("HH:MM:SS:FF"), as edit lists count.
std::string TimeCode(int64_t frame, const ChapterSettings& settings);

// The whole text of a format:
// - YouTube: the YouTubeChapters lines.
// - Csv: a header and one row per event: time_ms,timecode (HH:MM:SS.mmm),kind,player,label,
//   quoted where needed (RFC 4180).
// - Edl: a CMX 3600 list, one one-frame event per marker with the marker's label, colour
//   and duration in the comment line that editors read markers from.
// - Fcpxml: a sequence of one gap as long as the footage with one marker per event (a
//   chapter marker for each leg start), times in frames of the settings' rate.
// - FfMetadata: ";FFMETADATA1" with the MatchChapters in ms.
// Empty when the format has nothing to write (no leg start for the chapter formats).
std::string FormatChapters(ChapterFormat format, const std::vector<MatchEvent>& events,
                           const ChapterSettings& settings);
