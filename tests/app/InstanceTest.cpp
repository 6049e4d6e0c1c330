#include "EngineLog.h"
#include "RunProgram.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/NewMatchDialog.h"
#include "app/ScoringPanel.h"
#include "app/SingleInstance.h"
#include "app/StartupArguments.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace {

// A running instance of this test process, with its lock and socket in a runtime folder of
// its own.
class HandOver : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_runtime.isValid());
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        ASSERT_TRUE(m_instance.claim());
        ASSERT_FALSE(m_instance.serverName().isEmpty());
        QObject::connect(&m_instance, &SingleInstance::openRequested,
                         [this](const QString& path) { m_requests.push_back(path.toStdString()); });
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_oldRuntime); }

    // A later start's connection, sending bytes without waiting for anything.
    QLocalSocket& Send(const QByteArray& bytes) {
        m_sockets.push_back(std::make_unique<QLocalSocket>());
        QLocalSocket& socket = *m_sockets.back();
        socket.connectToServer(m_instance.serverName());
        EXPECT_TRUE(socket.waitForConnected(5000));
        socket.write(bytes);
        socket.flush();
        return socket;
    }

    static QByteArray Request(const QString& path) {
        return QUrl::fromLocalFile(path).toEncoded() + '\n';
    }

    QTemporaryDir m_runtime;
    QByteArray m_oldRuntime;
    SingleInstance m_instance;
    std::vector<std::string> m_requests;
    std::vector<std::unique_ptr<QLocalSocket>> m_sockets;
};

// The longest path there can be is taken; more than that, with or without its newline, is
// dropped unanswered and the connection closed, and the instance goes on answering.
TEST_F(HandOver, RequestLongerThanAnyPathIsDroppedAndItsConnectionClosed) {
    // Every byte of this one is encoded threefold.
    const QString longest = QLatin1Char('/') + QString(PATH_MAX - 2, QLatin1Char('%'));
    const QByteArray tooLong(3 * PATH_MAX + 1024, 'a');
    const struct {
        QByteArray bytes;
        bool taken;
    } cases[] = {
        {Request(longest), true},
        {tooLong + '\n', false},
        {tooLong, false},
        {Request(QStringLiteral("/m/final.txt")), true},
    };
    for (const auto& c : cases) {
        m_requests.clear();
        QLocalSocket& socket = Send(c.bytes);
        if (c.taken) {
            ASSERT_TRUE(WaitUntil([&] { return socket.canReadLine(); }));
            EXPECT_EQ(socket.readLine().toStdString(), "ok\n");
            ASSERT_EQ(m_requests.size(), 1u);
            EXPECT_EQ(m_requests[0].size(),
                      static_cast<size_t>(
                          QUrl::fromEncoded(c.bytes.chopped(1)).toLocalFile().toUtf8().size()));
        } else {
            ASSERT_TRUE(WaitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; }))
                << c.bytes.size() << " bytes";
            EXPECT_EQ(socket.readAll().toStdString(), "");
            EXPECT_TRUE(m_requests.empty());
        }
    }
}

// Starts naming score files that do not exist yet, coming while the first one's new-match
// form is open, bring no further forms: the files they name go to the status line.
TEST_F(HandOver, NewFilesBringOneFormNotAPile) {
    MainWindow window;
    ScoringPanel& panel = ScoringOf(window);
    Application::startWindow(m_instance, window, QString());
    window.show();
    constexpr int kStarts = 5;
    int answered = 0;
    int open = 0;
    int most = 0;
    QStringList filledIn;
    panel.runNewMatch = [&](NewMatchDialog& dialog) {
        filledIn << dialog.path();
        most = std::max(most, ++open);
        // Open as a modal form would be, its event loop running, until every start is through.
        WaitUntil([&] { return answered == kStarts; });
        --open;
        return false;
    };
    std::vector<QLocalSocket*> sockets;
    for (int i = 0; i < kStarts; ++i) {
        QLocalSocket& socket =
            Send(Request(m_runtime.filePath(QStringLiteral("missing-%1.txt").arg(i))));
        QObject::connect(&socket, &QLocalSocket::readyRead, [&answered, &socket] {
            if (socket.canReadLine()) {
                socket.readAll();
                ++answered;
            }
        });
    }
    ASSERT_TRUE(WaitUntil([&] { return answered == kStarts && open == 0; }));
    EXPECT_EQ(most, 1);
    ASSERT_EQ(filledIn.size(), 1);
    EXPECT_TRUE(filledIn[0].endsWith(QStringLiteral("missing-0.txt"))) << filledIn[0].toStdString();
    EXPECT_EQ(m_requests.size(), static_cast<size_t>(kStarts));
    // The last one is named on the status line; none of them was created behind the form.
    const QString status = panel.statusLine().text();
    EXPECT_NE(status.indexOf(QStringLiteral("missing-%1.txt").arg(kStarts - 1)), -1)
        << status.toStdString();
    for (int i = 0; i < kStarts; ++i) {
        EXPECT_FALSE(
            QFileInfo::exists(m_runtime.filePath(QStringLiteral("missing-%1.txt").arg(i))));
    }
}

// The lock the first instance takes lives in the user's runtime folder. A second start
// hands over to it and ends by itself, printing nothing, while the first runs on: a second
// start that opened a window of its own, or waited on the first, would still be running
// when the limit kills it.
TEST(SingleInstance, SecondStartEndsAtOnceWithStatusZero) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const std::vector<std::string> env{"XDG_RUNTIME_DIR=" + runtime.path().toStdString(),
                                       "QT_QPA_PLATFORM=offscreen"};

    // The first start runs on beside the test, so it is the one program here not run through
    // RunProgram.
    QProcess first;
    QProcessEnvironment firstEnv = QProcessEnvironment::systemEnvironment();
    for (const std::string& assignment : env) {
        const size_t eq = assignment.find('=');
        firstEnv.insert(QString::fromStdString(assignment.substr(0, eq)),
                        QString::fromStdString(assignment.substr(eq + 1)));
    }
    first.setProcessEnvironment(firstEnv);
    first.start(QStringLiteral(VORLAT_GUI_PATH), {});
    ASSERT_TRUE(first.waitForStarted());
    const QString lock = runtime.filePath(QStringLiteral("CVorlatApp.lock"));
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(lock); }, 60000));

    RunOptions options;
    options.env = env;
    options.limitMs = 60000;
    const RunResult second = RunProgram(std::string(VORLAT_GUI_PATH), {}, options);
    EXPECT_FALSE(second.timedOut);
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "");
    // The first instance is untouched by the attempt.
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished();
}

} // namespace
