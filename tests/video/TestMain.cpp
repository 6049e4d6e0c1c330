#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The export paints text, which needs a GUI application; without a display it runs off
// screen.
int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
