#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// The lock the first instance takes lives in the user's runtime folder.
TEST(SingleInstance, SecondStartEndsAtOnceWithStatusZero) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(VORLAT_GUI_PATH), {});
    ASSERT_TRUE(first.waitForStarted());
    const QString lock = runtime.filePath(QStringLiteral("CVorlatApp.lock"));
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(lock) && timer.elapsed() < 20000) {
        QThread::msleep(10);
    }
    ASSERT_TRUE(QFileInfo::exists(lock));

    QProcess second;
    second.setProcessEnvironment(env);
    timer.restart();
    second.start(QStringLiteral(VORLAT_GUI_PATH), {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardOutput().size(), 0);
    // The first instance is untouched by the attempt.
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished();
}

} // namespace
