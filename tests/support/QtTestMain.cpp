#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Painting text needs a GUI application and the windows under test a widget one. Without a
// display (test discovery included) everything runs off screen.
int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
