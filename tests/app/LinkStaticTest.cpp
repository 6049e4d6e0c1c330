#include "app/LinkStatic.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(LinkStatic, AddressOfTheCaption) {
    const struct {
        const char* text;
        const char* address;
    } cases[] = {
        {"https://vorlat.example.org/", "https://vorlat.example.org/"},
        {"player@example.org", "mailto:player@example.org"},
        {"", "mailto:"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CLinkStatic::AddressFor(QString::fromUtf8(c.text)).toStdString(), c.address)
            << c.text;
    }
}

class LinkStaticTest : public testing::Test {
protected:
    void SetUp() override {
        m_link.setText(QStringLiteral("https://vorlat.example.org/"));
        m_link.setGeometry(10, 10, 200, 16);
        m_link.m_fnOpenAddress = [this](const QString& address) {
            m_opened.push_back(address.toStdString());
        };
        m_link.show();
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), m_link.mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&m_link, &event);
    }

    QColor TextColor() const { return m_link.palette().color(QPalette::WindowText); }

    CLinkStatic m_link;
    std::vector<std::string> m_opened;
};

TEST_F(LinkStaticTest, HoverTurnsOrangeAndAClickOpensTheAddress) {
    EXPECT_EQ(TextColor(), CLinkStatic::kLinkColor);
    Mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton);
    EXPECT_EQ(TextColor(), CLinkStatic::kHoverColor);
    Mouse(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_EQ(m_opened, std::vector<std::string>{"https://vorlat.example.org/"});
    EXPECT_FALSE(m_link.m_bPressed);
    EXPECT_EQ(m_link.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(LinkStaticTest, ReleasingOutsideOpensNothingAndTurnsBlue) {
    Mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(QEvent::MouseMove, {300, 5}, Qt::LeftButton);
    EXPECT_EQ(TextColor(), CLinkStatic::kHoverColor); // held: still following the mouse
    Mouse(QEvent::MouseButtonRelease, {300, 5}, Qt::NoButton);
    EXPECT_TRUE(m_opened.empty());
    EXPECT_EQ(TextColor(), CLinkStatic::kLinkColor);
}

TEST_F(LinkStaticTest, LeavingWithoutAPressTurnsBlue) {
    Mouse(QEvent::MouseMove, {5, 5}, Qt::NoButton);
    Mouse(QEvent::MouseMove, {300, 5}, Qt::NoButton);
    EXPECT_EQ(TextColor(), CLinkStatic::kLinkColor);
    EXPECT_TRUE(m_opened.empty());
}

TEST(LinkStaticFont, UnderlinedInTheParentsFace) {
    QWidget parent;
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(17);
    parent.setFont(font);
    CLinkStatic link(&parent);
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.font().family(), font.family());
    EXPECT_EQ(link.font().pixelSize(), 17);
}

} // namespace
