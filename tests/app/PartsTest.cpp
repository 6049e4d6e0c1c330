// The main window's parts on their own: its texts, the tap clock, the preview and the link.

#include "app/Language.h"
#include "app/LinkLabel.h"
#include "app/PreviewWidget.h"
#include "app/TapClock.h"
#include "app/Texts.h"
#include "engine/Engine.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The status lines in both languages: the Japanese ones byte for byte as the program has
// always shown them, but for the entry's round and player, now in Japanese too.
TEST(Texts, StatusLinesInEachLanguage) {
    struct Language {
        const char* name;
        const char* recordingPrefix;
        const char* entryFormat; // round, player, dart, position, count
        const char* progressFormat;
    };
    const Language languages[] = {
        {"ja", "タイミング記録中 --> ", "ラウンド%d, プレーヤー%d, %d投目 (%d/%d)",
         "（　動画ファイル出力中...　%d%%　）"},
        {"en", "Recording timing --> ", "Round%d, Player%d, dart %d (%d/%d)",
         "(  Writing video file...  %d%%  )"},
    };
    const ShownEntry entries[] = {
        {1, 5, 1, 1, 0, false},
        {27, 27, 4, 1, 2, false},
        {5, 5, 1, 2, 1, true},
        {120, 999, 20, 2, 3, true},
    };
    for (const Language& language : languages) {
        ASSERT_EQ(SetApplicationLanguage(QString::fromLatin1(language.name)).toStdString(),
                  language.name);
        for (const ShownEntry& e : entries) {
            char expected[128];
            const int n = std::snprintf(expected, sizeof expected, "%s",
                                        e.recording ? language.recordingPrefix : "");
            std::snprintf(expected + n, sizeof expected - n, language.entryFormat, e.round,
                          e.player, e.dart, e.position, e.count);
            EXPECT_EQ(EntryStatus(e).toStdString(), expected) << language.name;
        }
        for (int percent : {0, 7, 42, 99}) {
            char expected[128];
            std::snprintf(expected, sizeof expected, language.progressFormat, percent);
            EXPECT_EQ(ExportProgressStatus(percent).toStdString(), expected) << language.name;
        }
    }
}

TEST(TapClock, StampsEventsWithTheirArrival) {
    struct Step {
        uint64_t timestamp;
        int64_t handledAt;
        int64_t arrival;
        const char* why;
    };
    const Step steps[] = {
        {0, 500, 500, "no timestamp: the moment it is handled"},
        {1000, 50, 50, "the first stamped event ties the clocks"},
        {1100, 400, 150, "handled 250 ms late: stamped back"},
        {1300, 401, 350, "queued behind it: its own moment, not merged"},
        {1400, 440, 440, "handled sooner than any before: the clocks tie anew"},
        {1500, 600, 540, "stamped back against the new tie"},
        {2000, 2100, 2100, "a lag beyond a second is a clock that jumped"},
        {0xFFFFFF00u, 10'000, 10'000, "ties again"},
        {0x10, 10'302, 10'272, "a 32-bit timestamp that wrapped"},
    };
    TapClock clock;
    for (const Step& s : steps) {
        EXPECT_EQ(clock.arrival(s.timestamp, s.handledAt), s.arrival) << s.why;
    }
}

TEST(TapClock, NowIsMonotonicMilliseconds) {
    const int64_t a = TapClock::now();
    const int64_t b = TapClock::now();
    EXPECT_GE(b, a);
    EXPECT_LT(b - a, 1000);
}

QImage Filled(QSize size, const std::vector<QColor>& quarters) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    painter.fillRect(0, 0, w, h, quarters[0]);
    painter.fillRect(w, 0, w, h, quarters[1]);
    painter.fillRect(0, h, w, h, quarters[2]);
    painter.fillRect(w, h, w, h, quarters[3]);
    return image;
}

TEST(PreviewWidget, ShowsThePictureItWasGivenAtItsOwnSize) {
    PreviewWidget preview;
    preview.setFixedSize(320, 240);
    EXPECT_EQ(preview.grab().toImage().pixelColor(160, 120), QColor(Qt::black));

    const std::vector<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    const QImage same = Filled({320, 240}, colours);
    preview.setPicture(same);
    EXPECT_EQ(preview.grab().toImage().convertToFormat(QImage::Format_RGB32), same);

    // A picture of another size is scaled to the widget.
    preview.setPicture(Filled({1280, 960}, colours));
    const QImage shown = preview.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(320, 240));
    EXPECT_EQ(shown.pixelColor(40, 30), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(280, 30), QColor(Qt::green));
    EXPECT_EQ(shown.pixelColor(40, 210), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(280, 210), QColor(Qt::yellow));
}

TEST(LinkLabel, AddressOfTheText) {
    const struct {
        const char* text;
        const char* address;
    } cases[] = {
        {"https://vorlat.example.org/", "https://vorlat.example.org/"},
        {"player@example.org", "mailto:player@example.org"},
        {"", "mailto:"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LinkLabel::addressFor(QString::fromUtf8(c.text)).toStdString(), c.address)
            << c.text;
    }
}

// Receives the addresses the desktop would have been asked to open.
class Opened : public QObject {
    Q_OBJECT
public:
    Opened() {
        for (const char* scheme : {"https", "mailto"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }
    ~Opened() override {
        for (const char* scheme : {"https", "mailto"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    std::vector<std::string> urls;

public slots:
    void open(const QUrl& url) { urls.push_back(url.toString().toStdString()); }
};

class LinkLabelTest : public testing::Test {
protected:
    void SetUp() override {
        m_link.setAddress(QStringLiteral("https://vorlat.example.org/"));
        m_link.setGeometry(10, 10, 200, 16);
        m_link.show();
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), m_link.mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&m_link, &event);
    }

    QColor LinkColour() const { return m_link.linkColor(); }

    // Whether the label shows a pixel of this colour.
    bool Shows(const QColor& colour) {
        const QImage image = m_link.grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == colour) {
                    return true;
                }
            }
        }
        return false;
    }

    Opened m_opened;
    LinkLabel m_link;
};

TEST_F(LinkLabelTest, HoverTurnsOrangeAndAClickOpensTheAddress) {
    EXPECT_EQ(LinkColour(), LinkLabel::kLinkColor);
    EXPECT_TRUE(Shows(LinkLabel::kLinkColor));
    Mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton);
    EXPECT_EQ(LinkColour(), LinkLabel::kHoverColor);
    EXPECT_TRUE(Shows(LinkLabel::kHoverColor));
    EXPECT_EQ(m_link.cursor().shape(), Qt::PointingHandCursor);
    Mouse(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_EQ(m_opened.urls, std::vector<std::string>{"https://vorlat.example.org/"});
}

TEST_F(LinkLabelTest, ReleasingOutsideOpensNothingAndTurnsBlue) {
    Mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(QEvent::MouseMove, {300, 5}, Qt::LeftButton);
    EXPECT_EQ(LinkColour(), LinkLabel::kHoverColor); // held: still lit
    Mouse(QEvent::MouseButtonRelease, {300, 5}, Qt::NoButton);
    EXPECT_TRUE(m_opened.urls.empty());
    EXPECT_EQ(LinkColour(), LinkLabel::kLinkColor);
}

TEST_F(LinkLabelTest, LeavingWithoutAPressTurnsBlue) {
    Mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton);
    Mouse(QEvent::MouseMove, {300, 5}, Qt::NoButton);
    EXPECT_EQ(LinkColour(), LinkLabel::kLinkColor);
    EXPECT_TRUE(m_opened.urls.empty());
}

TEST_F(LinkLabelTest, AnEmailAddressOpensAsMail) {
    m_link.setAddress(QStringLiteral("player@example.org"));
    Mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_EQ(m_opened.urls, std::vector<std::string>{"mailto:player@example.org"});
}

TEST(LinkLabelFont, UnderlinedInTheParentsFace) {
    QWidget parent;
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(17);
    parent.setFont(font);
    LinkLabel link(&parent);
    link.setAddress(QStringLiteral("https://vorlat.example.org/"));
    EXPECT_EQ(link.font().family(), font.family());
    EXPECT_EQ(link.font().pixelSize(), 17);
    // The link's text is drawn underlined: some row of the label is blue from end to end
    // of the text.
    link.resize(link.sizeHint());
    const QImage image = link.grab().toImage();
    int longestBlueRun = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = image.pixelColor(x, y) == LinkLabel::kLinkColor ? run + 1 : 0;
            longestBlueRun = std::max(longestBlueRun, run);
        }
    }
    EXPECT_GT(longestBlueRun, image.width() * 3 / 4);
}

} // namespace

#include "PartsTest.moc"
