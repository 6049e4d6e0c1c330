#include "RenderTestUtil.h"

#include "render/GStaticWnd.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace rendertest;

namespace {

// The preview as the main window sets it up: a child placed once at its spot and size.
struct Preview {
    QWidget parent;
    CGStatic surface;
    CGStaticWnd wnd{surface, &parent};
    Preview() {
        surface.m_pfnLoadBitmap = &FlatBackground;
        parent.resize(400, 300);
        wnd.setGeometry(20, 30, 320, 240);
        parent.show();
        QCoreApplication::processEvents();
    }
    QImage OnScreen() { return wnd.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

void PaintSomething(CGStatic& surface) {
    surface.ClearCanvas();
    surface.DrawBackground();
    surface.m_crBrush = 0x0000E1;
    surface.DrawRoundRect(15, 175, 150, 230);
}

TEST(PreviewWindow, PlacingTheWindowBuildsABlackCanvasOfItsSize) {
    Preview p;
    EXPECT_EQ(p.surface.GetView(), &p.wnd);
    ASSERT_EQ(p.surface.GetCanvas().size(), QSize(320, 240));
    const QImage shown = p.OnScreen();
    EXPECT_EQ(InkBox(shown, shown.rect(), 0xFF000000), QRect());
}

TEST(PreviewWindow, ShowsOnlyCompletedPictures) {
    Preview p;
    PaintSomething(p.surface);
    p.surface.Refresh();
    const QImage finished = p.surface.GetCanvas().copy();
    EXPECT_EQ(p.OnScreen(), finished);

    // A painter halfway through its next picture: a repaint still shows the finished one.
    p.surface.ClearCanvas();
    p.surface.m_crBrush = 0xE10000;
    p.surface.DrawRoundRect(170, 175, 305, 230);
    p.wnd.repaint();
    EXPECT_EQ(p.OnScreen(), finished);

    // Publishing hands the picture over for the next repaint.
    p.surface.Publish();
    EXPECT_EQ(p.OnScreen(), p.surface.GetCanvas());
}

TEST(PreviewWindow, MovingTheWindowBlanksTheCanvasButResizingDoesNot) {
    Preview p;
    PaintSomething(p.surface);
    p.surface.Refresh();

    p.wnd.resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.surface.GetCanvas().size(), QSize(320, 240));
    EXPECT_FALSE(InkBox(p.surface.GetCanvas(), p.surface.GetCanvas().rect(), 0xFF000000).isEmpty());

    // Moving the parent does not move the window within it.
    p.parent.move(200, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.surface.GetCanvas().size(), QSize(320, 240));
    EXPECT_FALSE(InkBox(p.surface.GetCanvas(), p.surface.GetCanvas().rect(), 0xFF000000).isEmpty());

    p.wnd.move(25, 30);
    QCoreApplication::processEvents();
    EXPECT_EQ(p.surface.GetCanvas().size(), QSize(300, 200));
    EXPECT_EQ(InkBox(p.surface.GetCanvas(), p.surface.GetCanvas().rect(), 0xFF000000), QRect());
    const QImage shown = p.OnScreen();
    EXPECT_EQ(InkBox(shown, shown.rect(), 0xFF000000), QRect());
}

// Counts the paints a window receives.
class PaintCounter : public QObject {
public:
    std::atomic<int> paints{0};
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

TEST(PreviewWindow, RefreshFromAWorkerReturnsAfterTheRepaint) {
    Preview p;
    PaintCounter counter;
    p.wnd.installEventFilter(&counter);
    std::atomic<bool> done{false};
    int paintsWhenReturned = 0;
    QImage painted;
    std::thread worker([&] {
        PaintSomething(p.surface);
        painted = p.surface.GetCanvas().copy();
        p.surface.Refresh();
        paintsWhenReturned = counter.paints;
        done = true;
    });
    // The window's thread keeps serving events until the worker has been answered.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done) {
            loop.quit();
        }
    });
    poll.start(1);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_GE(paintsWhenReturned, 1);
    EXPECT_EQ(p.wnd.ShownPicture(), painted);
    EXPECT_EQ(p.OnScreen(), painted);
}

TEST(PreviewWindow, DetachesFromTheSurfaceWhenDestroyed) {
    CGStatic surface;
    {
        CGStaticWnd wnd(surface, nullptr);
        EXPECT_EQ(surface.GetView(), &wnd);
    }
    EXPECT_EQ(surface.GetView(), nullptr);
    surface.CreateCanvas(10, 10);
    surface.Refresh(); // no window any more: nothing to do, and no crash
}

TEST(PreviewWindow, OutlivesItsSurface) {
    // As in a dialog whose members are destroyed before its child windows.
    auto surface = std::make_unique<CGStatic>();
    QWidget parent;
    auto* wnd = new CGStaticWnd(*surface, &parent);
    wnd->setGeometry(0, 0, 32, 24);
    parent.show();
    QCoreApplication::processEvents();
    surface->m_crBrush = 0x00FF00;
    surface->DrawRoundRect(0, 0, 32, 24);
    surface->Refresh();
    const QImage last = surface->GetCanvas().copy();
    surface.reset();
    // The window keeps showing the last picture and has nothing left to rebuild on a move.
    wnd->move(5, 5);
    EXPECT_EQ(wnd->grab().toImage().convertToFormat(QImage::Format_RGB32), last);
    delete wnd;
}

} // namespace
