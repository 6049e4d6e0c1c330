#include "BroadcastTestMatch.h"

#include "TestSupport.h"
#include "render/BroadcastBoard.h"
#include "render/EventGraphics.h"
#include "render/Renderer.h"
#include "render/Theme.h"
#include "score/Checkout.h"

#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

using namespace broadcasttest;

namespace {

Theme Built(const char* name) {
    const std::optional<Theme> theme = BuiltInTheme(name);
    EXPECT_TRUE(theme.has_value()) << name;
    return theme.value_or(Theme{});
}

RenderOptions Broadcast(const char* theme, QSize size, Background background,
                        BoardLayout layout = BoardLayout::Corner,
                        BoardCorner corner = BoardCorner::BottomLeft) {
    RenderOptions options;
    ApplyTheme(options, Built(theme));
    options.frameSize = size;
    options.background = background;
    options.broadcast.layout = layout;
    options.broadcast.corner = corner;
    return options;
}

Background Colour(QRgb rgb) {
    return Background{Background::Kind::Colour, QColor::fromRgb(rgb)};
}
const Background kTransparent{Background::Kind::Transparent, QColor()};

BoardScene SceneAt(const Match& match, int64_t t, const RenderOptions& options) {
    const BoardState state = BroadcastStateAt(match, EntryAtMoment(match, t), t, options.broadcast);
    return LayoutBroadcast(state, PictureSize(options), options.broadcast);
}

std::string Text(const BoardScene& scene, const std::string& role) {
    const SceneText* text = scene.text(role);
    return text != nullptr ? text->text.toStdString() : "<none>";
}

// WCAG relative luminance and contrast ratio.
double Luminance(QRgb rgb) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) +
           0.0722 * channel(qBlue(rgb));
}
double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The most common colour of the pixels in box: what the text stands on.
QRgb Dominant(const QImage& image, const QRect& box) {
    std::map<QRgb, int> counts;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            ++counts[image.pixel(x, y) | 0xFF000000];
        }
    }
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

// Footage that is neither flat nor calm: stripes of white, black and saturated colours.
QImage BusyFootage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    const QRgb colours[] = {0xFFFFFFFF, 0xFF000000, 0xFFFF2020, 0xFF20FF20, 0xFF2020FF, 0xFFFFFF00};
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            row[x] = colours[((x / 7) + (y / 5)) % 6];
        }
    }
    return image;
}

// The board drawn over footage: the transparent picture composited as an editor would.
QImage OverFootage(const QImage& board, const QImage& footage) {
    QImage out = footage.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&out);
    painter.drawImage(0, 0, board);
    return out;
}

// The moments of the test match that show the most parts at once: darts with a pop-out and
// an event, a route, a bust, a status line.
std::vector<int64_t> RichMoments(const Match& match) {
    return {match.entries[3].time + 100, match.entries[9].time + 100, match.entries[11].time + 300,
            match.entries[22].time + 100, match.entries[26].time + 2000};
}

} // namespace

TEST(Theme, BuiltInThemesLoadAndFilesOverrideOnlyWhatTheyName) {
    for (const std::string& name : BuiltInThemeNames()) {
        const std::optional<Theme> theme = BuiltInTheme(name);
        ASSERT_TRUE(theme.has_value()) << name;
        EXPECT_EQ(theme->name, name);
    }
    EXPECT_EQ(BuiltInTheme("classic")->design, Theme::Design::Classic);
    EXPECT_EQ(BuiltInTheme("light")->design, Theme::Design::Broadcast);
    EXPECT_NE(BuiltInTheme("light")->panel, BuiltInTheme("broadcast")->panel);
    EXPECT_FALSE(BuiltInTheme("neon").has_value());

    const Result<Theme> parsed = ParseTheme("; mine\n"
                                            "panel = #203040\n"
                                            "panel-opacity = 0.5\n"
                                            "font = IPAGothic\n"
                                            "show = header, stats\n"
                                            "events = 180, match\n");
    ASSERT_TRUE(parsed) << parsed.error().text();
    const Theme* mine = &parsed.value();
    const Theme broadcast = Built("broadcast");
    EXPECT_EQ(mine->panel, 0xFF203040u);
    EXPECT_DOUBLE_EQ(mine->opacity, 0.5);
    EXPECT_EQ(mine->font, QStringLiteral("IPAGothic"));
    EXPECT_EQ(mine->text, broadcast.text);
    EXPECT_EQ(mine->accent, broadcast.accent);
    EXPECT_TRUE(mine->showHeader && mine->showStats);
    EXPECT_FALSE(mine->showVisit || mine->showCheckout);
    EXPECT_TRUE(mine->shows(BoardEvent::OneEighty) && mine->shows(BoardEvent::Match));
    EXPECT_FALSE(mine->shows(BoardEvent::Ton) || mine->shows(BoardEvent::Bust));
}

TEST(Theme, BadLinesAreRefusedWithTheirLineNumber) {
    const struct {
        const char* text;
        const char* line;
        const char* quoted;
    } cases[] = {
        {"panel = red\n", "1", "panel = red"},
        {"text = #12345\n", "1", "text = #12345"},
        {"\npanel-opacity = 1.5\n", "2", "panel-opacity = 1.5"},
        {"radius = -0.1\n", "1", "radius = -0.1"},
        {"colour = #FFFFFF\n", "1", "colour = #FFFFFF"},
        {"events = 180, nine-darter\n", "1", "events = 180, nine-darter"},
        {"show = header, ticker\n", "1", "show = header, ticker"},
        {"design = neon\n", "1", "design = neon"},
        {"; fine\npanel #FFFFFF\n", "2", "panel #FFFFFF"},
    };
    for (const auto& c : cases) {
        const Result<Theme> theme = ParseTheme(c.text);
        ASSERT_FALSE(theme) << c.text;
        EXPECT_EQ(theme.error().reason.id, MessageId::ThemeBadLine) << c.text;
        EXPECT_EQ(theme.error().reason.args, (std::vector<std::string>{c.line, c.quoted}))
            << c.text;
    }
    // A file's bad line is the file's error; a name that is neither theme nor file says so.
    const std::string file = testing::TempDir() + "bad-line.theme";
    WriteBytes(file, "; mine\nshow = header, ticker\n");
    const Result<Theme> fromFile = LoadTheme(file);
    ASSERT_FALSE(fromFile);
    EXPECT_EQ(fromFile.error().path, file);
    EXPECT_EQ(fromFile.error().reason.id, MessageId::ThemeBadLine);
    EXPECT_EQ(fromFile.error().reason.args.front(), "2");
    const Result<Theme> missing = LoadTheme("no-such-theme-file.theme");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().path, "no-such-theme-file.theme");
    EXPECT_EQ(missing.error().reason.id, MessageId::ThemeUnknown);
}

// Each moment of the match as the board must show it, checked on the texts the renderer's
// layout places.
TEST(BroadcastBoard, ShowsTheMatchModelAtEveryMoment) {
    const Match match = TwoLegMatch();
    const RenderOptions options = Broadcast("broadcast", QSize(1920, 1080), kTransparent);
    const struct {
        int entry; // the moment: this entry's time plus offset (-1: before the first)
        int64_t offset;
        int thrower;
        const char* score1;
        const char* score2;
        const char* legs1;
        const char* legs2;
        std::vector<std::string> darts;
        const char* visit;
        const char* pop;
        const char* status;
        const char* header;
    } moments[] = {
        // clang-format off
        {-1, 0, 1, "301", "301", "0", "0", {}, "<none>", "<none>", "<none>",
         "301 \u00B7 First to 2 legs \u00B7 Leg 1"},
        {1, 10, 1, "241", "301", "0", "0", {"T20"}, "60", "<none>", "<none>", nullptr},
        {3, 10, 1, "121", "301", "0", "0", {"T20", "T20", "T20"}, "180", "180", "<none>", nullptr},
        {3, kPopOutMs + 10, 1, "121", "301", "0", "0", {"T20", "T20", "T20"}, "180", "<none>",
         "<none>", nullptr},
        {4, 10, 2, "121", "301", "0", "0", {}, "<none>", "<none>", "<none>", nullptr},
        {7, 10, 2, "121", "161", "0", "0", {"T20", "T20", "20"}, "140", "140", "<none>", nullptr},
        {10, 10, 1, "50", "161", "0", "0", {"T20", "11"}, "71", "<none>", "<none>", nullptr},
        {11, 10, 0, "0", "161", "1", "0", {}, "<none>", "121",
         "Anna Weber wins the leg \u00B7 Legs 1-0", nullptr},
        {12, 10, 2, "301", "301", "1", "0", {}, "<none>", "<none>", "<none>",
         "301 \u00B7 First to 2 legs \u00B7 Leg 2"},
        {22, 10, 2, "121", "121", "1", "0", {"T20", "T20"}, "BUST", "BUST", "<none>", nullptr},
        {26, 5000, 0, "0", "121", "2", "0", {}, "<none>", "<none>", "Anna Weber wins the match",
         nullptr},
        // clang-format on
    };
    for (const auto& m : moments) {
        const int64_t t = m.entry < 0 ? 0 : match.entries[m.entry].time + m.offset;
        SCOPED_TRACE("t=" + std::to_string(t));
        const BoardScene scene = SceneAt(match, t, options);
        EXPECT_EQ(Text(scene, "name1"), "Anna Weber");
        EXPECT_EQ(Text(scene, "name2"), match.names[1]);
        EXPECT_EQ(Text(scene, "score1"), m.score1);
        EXPECT_EQ(Text(scene, "score2"), m.score2);
        EXPECT_EQ(Text(scene, "legs1"), m.legs1);
        EXPECT_EQ(Text(scene, "legs2"), m.legs2);
        EXPECT_EQ(Text(scene, "sets1"), "<none>"); // the match has no sets
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(Text(scene, "dart" + std::to_string(i + 1)),
                      i < m.darts.size() ? m.darts[i] : "<none>")
                << "dart " << i + 1;
        }
        EXPECT_EQ(Text(scene, "visit"), m.visit);
        EXPECT_EQ(Text(scene, "pop"), m.pop);
        EXPECT_EQ(Text(scene, "status"), m.status);
        if (m.header != nullptr) {
            EXPECT_EQ(Text(scene, "header"), m.header);
        }
        // The throw marker sits on the thrower's row, and only there.
        int markers = 0;
        for (const SceneFill& fill : scene.fills) {
            if (!fill.triangle) {
                continue;
            }
            ++markers;
            const SceneText* name = scene.text("name" + std::to_string(m.thrower));
            ASSERT_NE(name, nullptr);
            EXPECT_GE(fill.box.top(), name->box.top());
            EXPECT_LE(fill.box.bottom(), name->box.bottom());
        }
        EXPECT_EQ(markers, m.thrower == 0 ? 0 : 1);
        // Every text lies inside the board's block or the graphics beside it, inside the
        // title-safe area.
        const QRectF safe(96, 54, 1728, 972);
        for (const SceneText& text : scene.texts) {
            EXPECT_TRUE(safe.contains(text.box)) << text.role;
        }
    }
}

// The checkout route for the player at the oche, after every dart, with the darts the visit
// has left under the match's out rule: a route whenever one exists, and a finishing one.
TEST(BroadcastBoard, CheckoutRouteFollowsEveryDart) {
    const Match match = TwoLegMatch();
    const RenderOptions options = Broadcast("broadcast", QSize(1920, 1080), kTransparent);
    const CheckoutRules rules{OutRule::Double, false};
    const struct {
        int entry;
        int left;          // the thrower's score
        int darts;         // left in the visit
        const char* route; // nullptr: any route that finishes; "<none>": no route
    } moments[] = {
        {0, 301, 3, "<none>"}, // 301 is out of reach
        {3, 121, 0, "<none>"}, // the visit is over
        {8, 121, 3, nullptr},  {9, 61, 2, nullptr},
        {10, 50, 1, "DB"},    // the bull is the only one-dart 50 under double out
        {11, 0, 0, "<none>"}, // the leg is won
        {21, 61, 2, nullptr},  {23, 121, 3, nullptr},
        {25, 4, 1, "D2"},
    };
    for (const auto& m : moments) {
        SCOPED_TRACE("entry " + std::to_string(m.entry));
        const BoardScene scene = SceneAt(match, match.entries[m.entry].time + 10, options);
        const std::string drawn = Text(scene, "route");
        if (m.route != nullptr) {
            EXPECT_EQ(drawn, m.route);
            continue;
        }
        ASSERT_NE(drawn, "<none>");
        // The drawn darts, read back: at most the darts left, summing to the score, the last
        // one a finishing dart.
        std::vector<std::string> darts;
        for (const QString& dart : QString::fromStdString(drawn).split(QLatin1Char(' '))) {
            darts.push_back(dart.toStdString());
        }
        ASSERT_LE(static_cast<int>(darts.size()), m.darts);
        int sum = 0;
        for (const std::string& dart : darts) {
            sum += CheckoutPoints(dart, rules);
        }
        EXPECT_EQ(sum, m.left) << drawn;
        EXPECT_TRUE(CheckoutMayFinish(darts.back(), rules)) << drawn;
    }
    // Switched off by the theme, no route is drawn.
    RenderOptions quiet = options;
    quiet.broadcast.theme.showCheckout = false;
    EXPECT_EQ(Text(SceneAt(match, match.entries[10].time + 10, quiet), "route"), "<none>");
}

// Sets, when the match has them, get their own column and the header says where the match is.
TEST(BroadcastBoard, SetsShowTheirColumnAndPlace) {
    Match match = TwoLegMatch();
    match.setsToWin = 3;
    match.legs[1].set = 2;
    match.legs[1].legInSet = 1;
    for (Entry& entry : match.entries) {
        if (entry.leg == 1) {
            entry.setsWon[0] = 1;
        }
    }
    const RenderOptions options = Broadcast("light", QSize(1280, 720), Colour(0xFF000000));
    const BoardScene scene = SceneAt(match, match.entries[13].time, options);
    EXPECT_EQ(Text(scene, "sets1"), "1");
    EXPECT_EQ(Text(scene, "sets2"), "0");
    EXPECT_EQ(Text(scene, "header"), "301 \u00B7 First to 3 sets \u00B7 Set 2 \u00B7 Leg 1");
}

TEST(EventGraphics, EventsComeFromTheEntriesAtTheirTimes) {
    const Match match = TwoLegMatch();
    const std::vector<EventMark> events = BoardEventMarks(match);
    const struct {
        int entry;
        BoardEvent kind;
        int player;
        int value;
    } expected[] = {
        {3, BoardEvent::OneEighty, 1, 180},  {7, BoardEvent::Ton, 2, 140},
        {11, BoardEvent::Leg, 1, 121},       {15, BoardEvent::OneEighty, 2, 180},
        {19, BoardEvent::OneEighty, 1, 180}, {22, BoardEvent::Bust, 2, 0},
        {26, BoardEvent::Match, 1, 121},
    };
    ASSERT_EQ(events.size(), std::size(expected));
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].entry, expected[i].entry);
        EXPECT_EQ(events[i].time, match.entries[expected[i].entry].time);
        EXPECT_EQ(events[i].kind, expected[i].kind);
        EXPECT_EQ(events[i].player, expected[i].player);
        EXPECT_EQ(events[i].value, expected[i].value);
    }
}

// Frame by frame at 25 fps the graphic slides in, stays, and goes: never a cut, and gone after
// its time. A kind the theme switches off never shows.
TEST(EventGraphics, FadeInAndOutFrameByFrame) {
    const Match match = TwoLegMatch();
    const std::vector<EventMark> events = BoardEventMarks(match);
    const int64_t start = events.front().time;
    std::vector<double> presence;
    for (int64_t t = start; t < start + kEventMs + 200; t += 40) {
        const auto active = EventAt(events, t, kAllBoardEvents);
        presence.push_back(active ? active->presence : 0.0);
    }
    EXPECT_GT(presence.front(), 0.0);
    EXPECT_LT(presence.front(), 0.5);
    EXPECT_LT(presence[1], presence[3]);
    EXPECT_DOUBLE_EQ(presence[kEventMs / 80], 1.0);
    const size_t last = (kEventMs - 1) / 40;
    EXPECT_LT(presence[last], presence[last - 3]);
    EXPECT_GT(presence[last], 0.0);
    EXPECT_EQ(presence[last + 1], 0.0);
    for (size_t i = 1; i < presence.size(); ++i) {
        EXPECT_LE(std::abs(presence[i] - presence[i - 1]), 0.2) << "a cut at frame " << i;
    }
    EXPECT_FALSE(EventAt(events, start + 100, kAllBoardEvents & ~EventBit(BoardEvent::OneEighty)));
    EXPECT_FALSE(EventAt(events, start - 1, kAllBoardEvents));

    // Drawn: two frames of the slide differ, and the graphic's text is on the frame.
    const RenderOptions options = Broadcast("broadcast", QSize(1280, 720), kTransparent);
    QImage a;
    QImage b;
    ASSERT_TRUE(RenderMoment(match, start + 40, a, options));
    ASSERT_TRUE(RenderMoment(match, start + 80, b, options));
    EXPECT_NE(a, b);
    // The variant tells a video which frames to draw anew: every step of the slide, not the
    // hold; and the pop-out's end, which is no entry of its own.
    EXPECT_NE(MomentVariant(match, start + 40, options), MomentVariant(match, start + 80, options));
    EXPECT_EQ(MomentVariant(match, start + 600, options),
              MomentVariant(match, start + 900, options));
    EXPECT_NE(MomentVariant(match, start + kPopOutMs - 10, options),
              MomentVariant(match, start + kPopOutMs + 10, options));
    EXPECT_EQ(MomentVariant(match, start + 40, RenderOptions{}), 0);
    EXPECT_EQ(Text(SceneAt(match, start + 500, options), "event"), "Anna Weber \u00B7 180");
}

// Every text of every built-in broadcast theme keeps 4.5:1 against what it stands on, measured
// on the rendered pixels over white, black and busy footage, in every layout.
TEST(BroadcastBoard, TextsKeepTheirContrastOverAnyFootage) {
    const Match match = TwoLegMatch();
    const struct {
        BoardLayout layout;
        QSize size;
    } layouts[] = {{BoardLayout::Corner, QSize(1920, 1080)},
                   {BoardLayout::LowerThird, QSize(1920, 1080)},
                   {BoardLayout::Vertical, QSize(1080, 1920)}};
    int measured = 0;
    for (const std::string& name : BuiltInThemeNames()) {
        if (Built(name.c_str()).design != Theme::Design::Broadcast) {
            continue;
        }
        for (const auto& layout : layouts) {
            const RenderOptions options =
                Broadcast(name.c_str(), layout.size, kTransparent, layout.layout);
            const QImage footages[] = {QImage(layout.size, QImage::Format_RGB32),
                                       QImage(layout.size, QImage::Format_RGB32),
                                       BusyFootage(layout.size)};
            const_cast<QImage&>(footages[0]).fill(Qt::white);
            const_cast<QImage&>(footages[1]).fill(Qt::black);
            for (int64_t t : RichMoments(match)) {
                QImage board;
                ASSERT_TRUE(RenderMoment(match, t, board, options));
                const BoardScene scene = SceneAt(match, t, options);
                for (const QImage& footage : footages) {
                    const QImage shown = OverFootage(board, footage);
                    for (const SceneText& text : scene.texts) {
                        if (text.alpha < 1.0 || text.text.isEmpty()) {
                            continue; // a graphic in the middle of its fade
                        }
                        const QRect box = text.box.toAlignedRect().intersected(shown.rect());
                        const QRgb behind = Dominant(shown, box);
                        double best = 1.0;
                        for (int y = box.top(); y <= box.bottom(); ++y) {
                            for (int x = box.left(); x <= box.right(); ++x) {
                                best = std::max(best, Contrast(shown.pixel(x, y), behind));
                            }
                        }
                        EXPECT_GE(best, 4.5)
                            << name << " " << BoardLayoutName(layout.layout) << " t=" << t << " "
                            << text.role << " \"" << text.text.toStdString() << "\"";
                        ++measured;
                    }
                }
            }
        }
    }
    EXPECT_GT(measured, 100);
}

// Over a transparent background: nothing outside the panel's parts, the theme's opacity on
// the panel wherever nothing is drawn on it; and the panel is where the layout says.
TEST(BroadcastBoard, TransparentOutsideThePanelAndTheThemesOpacityInside) {
    const Match match = TwoLegMatch();
    for (const std::string& name : {std::string("broadcast"), std::string("light")}) {
        for (const auto layout :
             {BoardLayout::Corner, BoardLayout::LowerThird, BoardLayout::Vertical}) {
            SCOPED_TRACE(name + " " + BoardLayoutName(layout));
            const QSize size =
                layout == BoardLayout::Vertical ? QSize(1080, 1920) : QSize(1920, 1080);
            const RenderOptions options =
                Broadcast(name.c_str(), size, kTransparent, layout, BoardCorner::TopRight);
            const int64_t t = match.entries[11].time + 300; // pop-out and event on screen
            QImage picture;
            ASSERT_TRUE(RenderMoment(match, t, picture, options));
            const BoardScene scene = SceneAt(match, t, options);
            const int opacity =
                static_cast<int>(std::lround(options.broadcast.theme.opacity * 255));
            int inside = 0;
            for (int y = 0; y < picture.height(); y += 2) {
                for (int x = 0; x < picture.width(); x += 2) {
                    const QPointF centre(x + 0.5, y + 0.5);
                    bool backdrop = false; // on the panel or its anti-aliased rim
                    bool core = false;     // well inside a part of the panel
                    bool plain = true;     // and with nothing drawn on it
                    for (const SceneFill& fill : scene.fills) {
                        const QRectF& box = fill.box;
                        if (!fill.backdrop) {
                            plain = plain && !box.adjusted(-2, -2, 2, 2).contains(centre);
                            continue;
                        }
                        backdrop = backdrop || box.adjusted(-1, -1, 1, 1).contains(centre);
                        const double r = fill.radius + 2;
                        const bool inside = box.adjusted(r, 2, -r, -2).contains(centre) ||
                                            box.adjusted(2, r, -2, -r).contains(centre);
                        core = core || inside;
                        if (fill.alpha * 255 < opacity - 1 &&
                            box.adjusted(-1, -1, 1, 1).contains(centre)) {
                            plain = false; // a graphic in its fade
                        }
                    }
                    for (const SceneText& text : scene.texts) {
                        plain = plain && !text.box.adjusted(-2, -2, 2, 2).contains(centre);
                    }
                    for (const SceneMark& mark : scene.marks) {
                        plain = plain && QLineF(mark.centre, centre).length() > mark.size;
                    }
                    const int alpha = qAlpha(picture.pixel(x, y));
                    if (!backdrop) {
                        ASSERT_EQ(alpha, 0) << x << "," << y;
                    } else if (core && plain) {
                        ASSERT_NEAR(alpha, opacity, 1) << x << "," << y;
                        ++inside;
                    }
                }
            }
            EXPECT_GT(inside, 1000);
            // The block is where the layout says: in the top-right corner's title-safe area
            // for the corner, across the bottom for the lower third.
            const QRectF safe(size.width() * 0.05, size.height() * 0.05, size.width() * 0.9,
                              size.height() * 0.9);
            EXPECT_TRUE(safe.contains(scene.panel));
            if (layout == BoardLayout::Corner) {
                EXPECT_GT(scene.panel.center().x(), size.width() / 2.0);
                EXPECT_LT(scene.panel.center().y(), size.height() / 2.0);
            } else if (layout == BoardLayout::LowerThird) {
                EXPECT_NEAR(scene.panel.width(), size.width() * 0.9, 1.0);
                EXPECT_GT(scene.panel.top(), size.height() * 0.75);
            } else {
                EXPECT_NEAR(scene.panel.width(), size.width() * 0.9, 1.0);
                EXPECT_LT(scene.panel.bottom(), size.height() / 3.0);
            }
        }
    }
}

// Sizes follow the frame's height from 720p to 4K: the same board, in proportion.
TEST(BroadcastBoard, ScalesWithTheFrame) {
    const Match match = TwoLegMatch();
    const int64_t t = match.entries[9].time + 10;
    const QSize sizes[] = {QSize(1280, 720), QSize(1920, 1080), QSize(3840, 2160)};
    const BoardScene base = SceneAt(match, t, Broadcast("broadcast", sizes[0], kTransparent));
    for (const QSize size : sizes) {
        const BoardScene scene = SceneAt(match, t, Broadcast("broadcast", size, kTransparent));
        const double k = size.height() / 720.0;
        EXPECT_NEAR(scene.panel.height(), base.panel.height() * k, 2.0 * k) << size.height();
        EXPECT_NEAR(scene.panel.width(), base.panel.width() * k, 0.03 * scene.panel.width());
        EXPECT_NEAR(scene.text("score1")->font.pixelSize(),
                    base.text("score1")->font.pixelSize() * k, 1.0);
    }
}

// Japanese names are drawn in a font that has their characters, not as boxes.
TEST(BroadcastBoard, JapaneseNamesHaveTheirGlyphs) {
    const Match match = TwoLegMatch();
    for (const std::string& name : {std::string("broadcast"), std::string("light")}) {
        const BoardScene scene =
            SceneAt(match, 0, Broadcast(name.c_str(), QSize(1920, 1080), kTransparent));
        const SceneText* text = scene.text("name2");
        ASSERT_NE(text, nullptr);
        ASSERT_EQ(text->text.toStdString(), match.names[1]);
        const QFontMetrics metrics(text->font);
        for (const char32_t c : text->text.toUcs4()) {
            EXPECT_TRUE(c == U' ' || metrics.inFontUcs4(c))
                << name << " U+" << std::hex << static_cast<unsigned>(c);
        }
    }
}

// The classic theme is the classic board, pixel for pixel.
TEST(BroadcastBoard, ClassicThemeIsTheClassicBoard) {
    const Match match = TwoLegMatch();
    RenderOptions classic;
    RenderOptions themed;
    ApplyTheme(themed, Built("classic"));
    EXPECT_EQ(themed.design, BoardDesign::Classic);
    QImage a;
    QImage b;
    ASSERT_TRUE(RenderMoment(match, match.entries[5].time, a, classic));
    ASSERT_TRUE(RenderMoment(match, match.entries[5].time, b, themed));
    EXPECT_EQ(a.size(), QSize(320, 240));
    EXPECT_EQ(a, b);
}
