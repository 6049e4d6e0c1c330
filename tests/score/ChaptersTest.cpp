#include "MatchBuilder.h"
#include "ScoreTestUtil.h"

#include "score/Chapters.h"
#include "score/Loader.h"

#include <QRegularExpression>
#include <QString>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Three legs of a 501 match starting at 30 s, 48 s and past the hour; the names need
// quoting in every format.
Match CloseLegs() {
    MatchBuilder b(GameKind::X01, 3, 0, "Smith, \"The <Hammer>\"", "O'Neil & Co|x");
    b.startLeg(1, 1);
    b.visit01(1, {60, 60, 60}, 30000);
    b.visit01(2, {501}, 40000);
    b.startLeg(1, 2);
    b.visit01(1, {501}, 48000);
    b.startLeg(1, 3);
    b.visit01(2, {100, 100, 100}, 3'700'000);
    b.visit01(1, {501}, 3'720'000);
    return b.take();
}

// The seconds of a line of the video site's list: "M:SS" or "H:MM:SS".
int64_t YouTubeSeconds(const std::string& line) {
    static const QRegularExpression pattern(R"(^(?:(\d+):(\d\d)|(\d+)):(\d\d) (.+)$)");
    const QRegularExpressionMatch m = pattern.match(QString::fromStdString(line));
    EXPECT_TRUE(m.hasMatch()) << line;
    if (!m.captured(1).isEmpty()) {
        EXPECT_GE(m.captured(1).toLongLong(), 1) << "hours only from an hour on: " << line;
        return m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60 +
               m.captured(4).toLongLong();
    }
    EXPECT_LT(m.captured(3).toLongLong(), 60) << line;
    return m.captured(3).toLongLong() * 60 + m.captured(4).toLongLong();
}

void ExpectVideoSiteRules(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().substr(0, 5), "0:00 ");
    int64_t previous = -10;
    for (const std::string& line : lines) {
        const int64_t s = YouTubeSeconds(line);
        EXPECT_GE(s - previous, 10) << line;
        previous = s;
    }
}

TEST(Chapters, YouTubeListFollowsTheSiteRules) {
    const std::vector<MatchEvent> events = MatchEvents(CloseLegs());
    ChapterSettings settings;
    const std::string text = FormatChapters(ChapterFormat::YouTube, events, settings);
    ExpectVideoSiteRules(text);
    // Leg 1 moves to 0:00; leg 2 (at 48 s) is 10 s after it and stays; leg 3 passes the hour.
    EXPECT_EQ(text, "0:00 Leg 1\n0:48 Leg 2\n1:01:40 Leg 3\n");

    // Shifted 40 s earlier, leg 2 falls 8 s after 0:00 and joins leg 1's line.
    settings.offsetMs = -40000;
    const std::string merged = FormatChapters(ChapterFormat::YouTube, events, settings);
    ExpectVideoSiteRules(merged);
    EXPECT_EQ(merged, "0:00 Leg 1 / Leg 2\n1:01:00 Leg 3\n");
}

TEST(Chapters, YouTubeTimes) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0:00"},          {999, "0:00"},          {59'999, "0:59"},         {600'000, "10:00"},
        {3'599'999, "59:59"}, {3'600'000, "1:00:00"}, {36'061'000, "10:01:01"}, {-5, "0:00"},
    };
    for (const auto& [ms, text] : cases) {
        EXPECT_EQ(YouTubeTime(ms), text) << ms;
    }
}

// RFC 4180 rows.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    EXPECT_FALSE(quoted);
    EXPECT_TRUE(rows.back().empty() && field.empty()) << "the last row ends with a line end";
    rows.pop_back();
    return rows;
}

TEST(Chapters, CsvTimesAreTheEntriesTimes) {
    Match match;
    ASSERT_TRUE(OpenScoreFile(match, std::string(VORLAT_EXAMPLES_DIR) + "/501-timed.txt"));
    const std::vector<MatchEvent> events = MatchEvents(match);
    ChapterSettings settings;
    settings.offsetMs = 1500;
    const auto rows = ParseCsv(FormatChapters(ChapterFormat::Csv, events, settings));
    ASSERT_EQ(rows.size(), events.size() + 1);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"time_ms", "timecode", "kind", "player", "label"}));
    for (size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u);
        const int64_t ms = std::stoll(rows[i][0]) - settings.offsetMs;
        // Each time is a dart's time in the file.
        bool found = false;
        for (const Entry& e : match.entries) {
            found = found || (e.dart > 0 && e.time == ms);
        }
        EXPECT_TRUE(found) << rows[i][0];
        const int64_t t = std::stoll(rows[i][0]);
        char code[32];
        std::snprintf(code, sizeof code, "%02lld:%02lld:%02lld.%03lld",
                      static_cast<long long>(t / 3600000), static_cast<long long>(t / 60000 % 60),
                      static_cast<long long>(t / 1000 % 60), static_cast<long long>(t % 1000));
        EXPECT_EQ(rows[i][1], code);
        EXPECT_EQ(rows[i][4], events[i - 1].label.english());
    }
    EXPECT_EQ(rows[1][2], "leg-start");
    EXPECT_EQ(rows[1][3], "");
    EXPECT_EQ(rows.back()[2], "leg-won");
    EXPECT_EQ(rows.back()[0], "112140");

    // Names with commas and quotes survive a spreadsheet's reading.
    const auto named = ParseCsv(FormatChapters(ChapterFormat::Csv, MatchEvents(CloseLegs()), {}));
    EXPECT_EQ(named[2][4], "180 \u2014 Smith, \"The <Hammer>\"");
}

// Frames of a "HH:MM:SS:FF" time code at a non-drop base.
int64_t TimeCodeFrames(const std::string& code, int base) {
    static const QRegularExpression pattern(R"(^(\d\d):([0-5]\d):([0-5]\d):(\d\d)$)");
    const QRegularExpressionMatch m = pattern.match(QString::fromStdString(code));
    EXPECT_TRUE(m.hasMatch()) << code;
    EXPECT_LT(m.captured(4).toInt(), base) << code;
    return ((m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong()) * 60 +
            m.captured(3).toLongLong()) *
               base +
           m.captured(4).toLongLong();
}

// The frame's start is within half a frame of ms.
void ExpectFrameNear(int64_t frame, int num, int den, int64_t ms) {
    const double frameMs = 1000.0 * den / num;
    EXPECT_LE(std::abs(frame * frameMs - double(ms)), frameMs / 2 + 1e-6)
        << "frame " << frame << " for " << ms << " ms";
}

TEST(Chapters, EdlHasOneMarkerPerEventAtItsFrame) {
    const std::vector<MatchEvent> events = MatchEvents(CloseLegs());
    for (const auto& [num, den] : {std::pair{30000, 1001}, std::pair{25, 1}}) {
        SCOPED_TRACE(num);
        ChapterSettings settings;
        settings.rateNum = num;
        settings.rateDen = den;
        settings.offsetMs = 2000;
        settings.title = "League | night";
        const int base = (num + den - 1) / den;
        const std::vector<std::string> lines =
            Lines(FormatChapters(ChapterFormat::Edl, events, settings));
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], "TITLE: League / night");
        EXPECT_EQ(lines[1], "FCM: NON-DROP FRAME");
        EXPECT_EQ(lines[2], "");
        size_t event = 0;
        for (size_t i = 3; i < lines.size(); i += 3) {
            ASSERT_LT(event, events.size());
            const std::string& edit = lines[i];
            // The CMX 3600 columns: number, reel, track, transition, four time codes.
            ASSERT_EQ(edit.size(), 76u) << edit;
            EXPECT_EQ(std::stoi(edit.substr(0, 3)), int(event % 999) + 1);
            EXPECT_EQ(edit.substr(3, 2), "  ");
            EXPECT_EQ(edit.substr(5, 8), "AX      ");
            EXPECT_EQ(edit.substr(13, 16), " V     C        ");
            int64_t codes[4];
            for (int c = 0; c < 4; ++c) {
                codes[c] = TimeCodeFrames(edit.substr(29 + size_t(c) * 12, 11), base);
                if (c < 3) {
                    EXPECT_EQ(edit[29 + size_t(c) * 12 + 11], ' ');
                }
            }
            EXPECT_EQ(codes[0], codes[2]);
            EXPECT_EQ(codes[1], codes[3]);
            EXPECT_EQ(codes[1], codes[0] + 1);
            ExpectFrameNear(codes[0], num, den, events[event].timeMs + settings.offsetMs);
            // The marker line as editors read it.
            ASSERT_LT(i + 1, lines.size());
            const std::string& marker = lines[i + 1];
            const std::string label = events[event].label.english();
            std::string edlLabel = label;
            for (char& c : edlLabel) {
                c = c == '|' ? '/' : c;
            }
            EXPECT_EQ(marker.substr(0, 4), " |C:") << marker;
            EXPECT_NE(marker.find(" |M:" + edlLabel + " |D:1"), std::string::npos) << marker;
            if (i + 2 < lines.size()) {
                EXPECT_EQ(lines[i + 2], "");
            }
            ++event;
        }
        EXPECT_EQ(event, events.size());
    }
}

// "N/Ds" or "Ns" as seconds.
double XmlSeconds(const QString& time) {
    static const QRegularExpression pattern(R"(^(\d+)(?:/(\d+))?s$)");
    const QRegularExpressionMatch m = pattern.match(time);
    EXPECT_TRUE(m.hasMatch()) << time.toStdString();
    const double den = m.captured(2).isEmpty() ? 1.0 : m.captured(2).toDouble();
    return m.captured(1).toDouble() / den;
}

TEST(Chapters, FcpxmlParsesStrictlyWithMarkersAtTheEventFrames) {
    const std::vector<MatchEvent> events = MatchEvents(CloseLegs());
    ChapterSettings settings;
    settings.rateNum = 30000;
    settings.rateDen = 1001;
    settings.width = 1280;
    settings.height = 720;
    settings.durationMs = 4'000'000;
    settings.title = "A & B <final>";
    const std::string text = FormatChapters(ChapterFormat::Fcpxml, events, settings);

    QXmlStreamReader xml(QByteArray::fromStdString(text));
    std::vector<std::pair<QString, QXmlStreamAttributes>> markers;
    std::vector<QString> path;
    double frameSeconds = 0;
    double gapSeconds = 0;
    QString projectName;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString name = xml.name().toString();
            const QXmlStreamAttributes a = xml.attributes();
            if (path.empty()) {
                EXPECT_EQ(name, "fcpxml");
                EXPECT_EQ(a.value("version").toString(), "1.9");
            }
            if (name == "format") {
                frameSeconds = XmlSeconds(a.value("frameDuration").toString());
                EXPECT_EQ(a.value("width").toString(), "1280");
                EXPECT_EQ(a.value("height").toString(), "720");
            } else if (name == "project") {
                projectName = a.value("name").toString();
            } else if (name == "gap") {
                EXPECT_EQ(path.back(), "spine");
                gapSeconds = XmlSeconds(a.value("duration").toString());
            } else if (name == "marker" || name == "chapter-marker") {
                EXPECT_EQ(path.back(), "gap");
                markers.emplace_back(name, a);
            }
            path.push_back(name);
        } else if (token == QXmlStreamReader::EndElement) {
            path.pop_back();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " at line "
                                 << xml.lineNumber();
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(projectName.toStdString(), settings.title);
    EXPECT_DOUBLE_EQ(frameSeconds, 1001.0 / 30000.0);
    EXPECT_GE(gapSeconds, 4000.0 - frameSeconds / 2);

    ASSERT_EQ(markers.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        const auto& [name, a] = markers[i];
        EXPECT_EQ(name, events[i].kind == EventKind::LegStart ? "chapter-marker" : "marker");
        EXPECT_EQ(a.value("value").toString().toStdString(), events[i].label.english());
        const double start = XmlSeconds(a.value("start").toString());
        const double frames = start / frameSeconds;
        EXPECT_NEAR(frames, std::round(frames), 1e-6) << "on a frame boundary";
        ExpectFrameNear(std::llround(frames), 30000, 1001, events[i].timeMs);
        EXPECT_DOUBLE_EQ(XmlSeconds(a.value("duration").toString()), frameSeconds);
    }
}

TEST(Chapters, FfMetadataChaptersCoverTheFootage) {
    const std::vector<MatchEvent> events = MatchEvents(CloseLegs());
    ChapterSettings settings;
    settings.durationMs = 3'800'000;
    settings.title = "a=b;c#d\\e";
    const std::vector<std::string> lines =
        Lines(FormatChapters(ChapterFormat::FfMetadata, events, settings));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], ";FFMETADATA1");
    EXPECT_EQ(lines[1], "title=a\\=b\\;c\\#d\\\\e");
    std::vector<std::map<std::string, std::string>> chapters;
    for (size_t i = 2; i < lines.size(); ++i) {
        if (lines[i] == "[CHAPTER]") {
            chapters.emplace_back();
        } else if (!lines[i].empty()) {
            ASSERT_FALSE(chapters.empty()) << lines[i];
            const size_t eq = lines[i].find('=');
            ASSERT_NE(eq, std::string::npos) << lines[i];
            chapters.back()[lines[i].substr(0, eq)] = lines[i].substr(eq + 1);
        }
    }
    ASSERT_EQ(chapters.size(), 3u);
    const std::vector<Chapter> expected = MatchChapters(events, settings);
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(chapters[0]["START"], "0");
    EXPECT_EQ(chapters[1]["START"], "48000");
    EXPECT_EQ(chapters[2]["START"], "3700000");
    for (size_t i = 0; i < chapters.size(); ++i) {
        EXPECT_EQ(chapters[i]["TIMEBASE"], "1/1000");
        EXPECT_EQ(chapters[i]["title"], "Leg " + std::to_string(i + 1));
        const std::string end = i + 1 < chapters.size() ? chapters[i + 1]["START"] : "3800000";
        EXPECT_EQ(chapters[i]["END"], end);
    }
}

TEST(Chapters, FormatNamesAndEmptyLists) {
    for (const char* name : {"youtube", "csv", "edl", "fcpxml", "ffmetadata"}) {
        EXPECT_TRUE(ParseChapterFormat(name).has_value()) << name;
    }
    EXPECT_FALSE(ParseChapterFormat("YouTube").has_value());
    EXPECT_FALSE(ParseChapterFormat("srt").has_value());
    // Without a leg start there is no chapter to write.
    const std::vector<MatchEvent> none;
    EXPECT_EQ(FormatChapters(ChapterFormat::YouTube, none, {}), "");
    EXPECT_EQ(FormatChapters(ChapterFormat::FfMetadata, none, {}), "");
}

} // namespace
