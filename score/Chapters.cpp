#include "score/Chapters.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace {

std::string Label(const MatchEvent& event, const ChapterSettings& settings) {
    return settings.labeler ? settings.labeler(event.label) : event.label.english();
}

int64_t FootageMs(const MatchEvent& event, const ChapterSettings& settings) {
    return std::max<int64_t>(0, event.timeMs + settings.offsetMs);
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    return out + "\"";
}

std::string XmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '\n':
        case '\r':
        case '\t':
            out += ' ';
            break;
        default:
            // Other control characters are not allowed in XML 1.0 at all.
            if (static_cast<unsigned char>(c) >= 0x20) {
                out += c;
            }
        }
    }
    return out;
}

// FFmpeg's metadata file gives '=', ';', '#', '\' and line ends a meaning; a backslash
// before them takes it away.
std::string MetadataEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

// An edit list's comment is one line, and editors split the marker fields at '|'.
std::string EdlText(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '|' ? '/' : (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out;
}

std::string Format(const char* pattern, auto... values) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

// Seconds of a frame count as the XML writes times: a fraction of whole frames.
std::string XmlTime(int64_t frames, const ChapterSettings& settings) {
    if (frames == 0) {
        return "0s";
    }
    return Format("%" PRId64 "/%ds", frames * settings.rateDen, settings.rateNum);
}

int64_t LastEventMs(const std::vector<MatchEvent>& events, const ChapterSettings& settings) {
    int64_t last = 0;
    for (const MatchEvent& e : events) {
        last = std::max(last, FootageMs(e, settings));
    }
    return last;
}

std::string Youtube(const std::vector<MatchEvent>& events, const ChapterSettings& settings) {
    std::string out;
    for (const Chapter& c : YouTubeChapters(events, settings)) {
        out += YouTubeTime(c.startMs) + " " + c.title + "\n";
    }
    return out;
}

std::string Csv(const std::vector<MatchEvent>& events, const ChapterSettings& settings) {
    std::string out = "time_ms,timecode,kind,player,label\n";
    for (const MatchEvent& e : events) {
        const int64_t ms = FootageMs(e, settings);
        out += Format("%" PRId64 ",%02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%03" PRId64 ",", ms,
                      ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000);
        out += EventKindSlug(e.kind);
        out += ",";
        out += e.player > 0 ? std::to_string(e.player) : "";
        out += "," + CsvField(Label(e, settings)) + "\n";
    }
    return out;
}

const char* EdlColour(EventKind kind) {
    switch (kind) {
    case EventKind::LegStart:
        return "ResolveColorBlue";
    case EventKind::LegWon:
    case EventKind::SetWon:
    case EventKind::MatchWon:
        return "ResolveColorGreen";
    case EventKind::Bust:
        return "ResolveColorRed";
    default:
        return "ResolveColorYellow";
    }
}

std::string Edl(const std::vector<MatchEvent>& events, const ChapterSettings& settings) {
    std::string out = "TITLE: " + EdlText(settings.title) + "\nFCM: NON-DROP FRAME\n\n";
    int number = 0;
    for (const MatchEvent& e : events) {
        const int64_t frame = FrameAt(FootageMs(e, settings), settings);
        const std::string in = TimeCode(frame, settings);
        const std::string outCode = TimeCode(frame + 1, settings);
        // Event numbers have three digits; a longer list starts again at 001.
        number = number % 999 + 1;
        out += Format("%03d  AX       V     C        ", number) + in + " " + outCode + " " + in +
               " " + outCode + "\n";
        out += std::string(" |C:") + EdlColour(e.kind) + " |M:" + EdlText(Label(e, settings)) +
               " |D:1\n\n";
    }
    return out;
}

std::string Fcpxml(const std::vector<MatchEvent>& events, const ChapterSettings& settings) {
    const int64_t lastFrame = std::max(FrameAt(settings.durationMs, settings),
                                       FrameAt(LastEventMs(events, settings), settings) + 1);
    const std::string title = XmlEscaped(settings.title);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE fcpxml>\n"
                      "<fcpxml version=\"1.9\">\n  <resources>\n";
    out += "    <format id=\"r1\" frameDuration=\"" + XmlTime(1, settings) + "\" width=\"" +
           std::to_string(settings.width) + "\" height=\"" + std::to_string(settings.height) +
           "\"/>\n  </resources>\n";
    out +=
        "  <library>\n    <event name=\"" + title + "\">\n      <project name=\"" + title + "\">\n";
    out += "        <sequence format=\"r1\" duration=\"" + XmlTime(lastFrame, settings) +
           "\" tcStart=\"0s\" tcFormat=\"NDF\">\n          <spine>\n";
    out += "            <gap name=\"Gap\" offset=\"0s\" start=\"0s\" duration=\"" +
           XmlTime(lastFrame, settings) + "\">\n";
    for (const MatchEvent& e : events) {
        const int64_t frame = FrameAt(FootageMs(e, settings), settings);
        const bool chapter = e.kind == EventKind::LegStart;
        out += std::string("              <") + (chapter ? "chapter-marker" : "marker") +
               " start=\"" + XmlTime(frame, settings) + "\" duration=\"" + XmlTime(1, settings) +
               "\" value=\"" + XmlEscaped(Label(e, settings)) + "\"" +
               (chapter ? " posterOffset=\"0s\"" : "") + "/>\n";
    }
    out += "            </gap>\n          </spine>\n        </sequence>\n      </project>\n"
           "    </event>\n  </library>\n</fcpxml>\n";
    return out;
}

std::string FfMetadata(const std::vector<MatchEvent>& events, const ChapterSettings& settings) {
    const std::vector<Chapter> chapters = MatchChapters(events, settings);
    if (chapters.empty()) {
        return {};
    }
    std::string out = ";FFMETADATA1\ntitle=" + MetadataEscaped(settings.title) + "\n";
    for (const Chapter& c : chapters) {
        out += Format("\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=%" PRId64 "\nEND=%" PRId64 "\n",
                      c.startMs, c.endMs);
        out += "title=" + MetadataEscaped(c.title) + "\n";
    }
    return out;
}

} // namespace

std::optional<ChapterFormat> ParseChapterFormat(std::string_view name) {
    if (name == "youtube") {
        return ChapterFormat::YouTube;
    }
    if (name == "csv") {
        return ChapterFormat::Csv;
    }
    if (name == "edl") {
        return ChapterFormat::Edl;
    }
    if (name == "fcpxml") {
        return ChapterFormat::Fcpxml;
    }
    if (name == "ffmetadata") {
        return ChapterFormat::FfMetadata;
    }
    return std::nullopt;
}

const char* ChapterExtension(ChapterFormat format) {
    switch (format) {
    case ChapterFormat::YouTube:
        return ".txt";
    case ChapterFormat::Csv:
        return ".csv";
    case ChapterFormat::Edl:
        return ".edl";
    case ChapterFormat::Fcpxml:
        return ".fcpxml";
    case ChapterFormat::FfMetadata:
        return ".ffmeta";
    }
    return "";
}

std::vector<Chapter> MatchChapters(const std::vector<MatchEvent>& events,
                                   const ChapterSettings& settings) {
    std::vector<Chapter> chapters;
    for (const MatchEvent& e : events) {
        if (e.kind != EventKind::LegStart) {
            continue;
        }
        const int64_t start = chapters.empty() ? 0 : FootageMs(e, settings);
        if (!chapters.empty()) {
            chapters.back().endMs = start;
        }
        chapters.push_back({start, start, Label(e, settings)});
    }
    if (!chapters.empty()) {
        Chapter& last = chapters.back();
        last.endMs =
            std::max({settings.durationMs, LastEventMs(events, settings), last.startMs + 1});
    }
    // Legs timed at the same moment (untimed files) would give empty chapters.
    std::vector<Chapter> kept;
    for (Chapter& c : chapters) {
        if (!kept.empty() && c.startMs <= kept.back().startMs) {
            kept.back().title += " / " + c.title;
            kept.back().endMs = std::max(kept.back().endMs, c.endMs);
            continue;
        }
        kept.push_back(std::move(c));
    }
    return kept;
}

std::vector<Chapter> YouTubeChapters(const std::vector<MatchEvent>& events,
                                     const ChapterSettings& settings) {
    std::vector<Chapter> lines;
    for (Chapter& c : MatchChapters(events, settings)) {
        // Compared in the whole seconds the lines show, so that what the site reads is at
        // least 10 s apart.
        if (!lines.empty() && c.startMs / 1000 - lines.back().startMs / 1000 < 10) {
            lines.back().title += " / " + c.title;
            lines.back().endMs = c.endMs;
            continue;
        }
        lines.push_back(std::move(c));
    }
    return lines;
}

std::string YouTubeTime(int64_t ms) {
    const int64_t s = std::max<int64_t>(0, ms) / 1000;
    if (s < 3600) {
        return Format("%" PRId64 ":%02" PRId64, s / 60, s % 60);
    }
    return Format("%" PRId64 ":%02" PRId64 ":%02" PRId64, s / 3600, s / 60 % 60, s % 60);
}

int64_t FrameAt(int64_t ms, const ChapterSettings& settings) {
    const int64_t num = std::max(1, settings.rateNum);
    const int64_t den = std::max(1, settings.rateDen);
    // round(ms * num / (den * 1000)) in integers.
    return (2 * ms * num + den * 1000) / (2 * den * 1000);
}

std::string TimeCode(int64_t frame, const ChapterSettings& settings) {
    const int64_t num = std::max(1, settings.rateNum);
    const int64_t den = std::max(1, settings.rateDen);
    const int64_t base = (num + den - 1) / den;
    const int64_t seconds = frame / base;
    return Format("%02" PRId64 ":%02" PRId64 ":%02" PRId64 ":%02" PRId64, seconds / 3600,
                  seconds / 60 % 60, seconds % 60, frame % base);
}

std::string FormatChapters(ChapterFormat format, const std::vector<MatchEvent>& events,
                           const ChapterSettings& settings) {
    switch (format) {
    case ChapterFormat::YouTube:
        return Youtube(events, settings);
    case ChapterFormat::Csv:
        return Csv(events, settings);
    case ChapterFormat::Edl:
        return Edl(events, settings);
    case ChapterFormat::Fcpxml:
        return Fcpxml(events, settings);
    case ChapterFormat::FfMetadata:
        return FfMetadata(events, settings);
    }
    return {};
}
