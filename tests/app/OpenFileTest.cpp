// Opening a score file the ways a desktop offers: named on the command line, dropped on
// the window, or handed over by a later start to the instance already running.

#include "EngineLog.h"
#include "ShortMatch.h"
#include "TestSupport.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/NewMatchDialog.h"
#include "app/ScoringPanel.h"
#include "app/SingleInstance.h"
#include "app/StartupArguments.h"
#include "app/Texts.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Points the user's runtime folder, where the instance lock and its socket live, elsewhere
// for as long as it exists.
class RuntimeFolder {
public:
    explicit RuntimeFolder(const std::string& path)
        : m_had(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")), m_old(qgetenv("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(path));
    }
    ~RuntimeFolder() {
        if (m_had) {
            qputenv("XDG_RUNTIME_DIR", m_old);
        } else {
            qunsetenv("XDG_RUNTIME_DIR");
        }
    }

private:
    bool m_had;
    QByteArray m_old;
};

class OpenFileTest : public testing::Test {
protected:
    void SetUp() override {
        m_score = QString::fromStdString(m_dir.File("short.txt"));
        WriteBytes(m_score.toStdString(), kShortMatch);
        m_window = std::make_unique<MainWindow>();
        m_window->showNotice = [this](const Notice& notice) {
            m_notices.push_back(notice.text);
            return true; // also says OK to the recording's confirmation
        };
        m_window->chooseScoreFile = [](const QString&) {
            ADD_FAILURE() << "no file dialog is expected";
            return QString();
        };
        m_window->show();
    }

    void TearDown() override {
        m_window->close();
        m_window.reset();
    }

    MainWindow& Window() { return *m_window; }

    bool Loaded(const QString& path) {
        return WaitUntil([&] {
            return Window().match().path == path.toStdString() && Window().match().count() == 5 &&
                   Window().statusText().endsWith(QStringLiteral("(1/5)"));
        });
    }

    // Sends a drag over the window and a drop of urls, as a file manager would; returns
    // whether the window took the drag and the drop.
    std::pair<bool, bool> Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = Window().rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Window(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Window(), &drop);
        return {enter.isAccepted(), drop.isAccepted()};
    }

    TempDir m_dir;
    QString m_score;
    std::unique_ptr<MainWindow> m_window;
    std::vector<QString> m_notices;
};

TEST_F(OpenFileTest, DroppedFileLoadsWhileIdleOnly) {
    EXPECT_TRUE(Window().acceptDrops());
    // Not a local file: nothing to load, and the drag is refused up front.
    EXPECT_EQ(Drop({QUrl(QStringLiteral("https://vorlat.example.org/short.txt"))}),
              std::make_pair(false, false));
    EXPECT_EQ(Drop({}), std::make_pair(false, false));
    EXPECT_TRUE(Window().match().path.empty());

    // The first local file of several.
    EXPECT_EQ(Drop({QUrl(QStringLiteral("https://vorlat.example.org/a.txt")),
                    QUrl::fromLocalFile(m_score), QUrl::fromLocalFile(QStringLiteral("/b.txt"))}),
              std::make_pair(true, true));
    ASSERT_TRUE(Loaded(m_score));
    EXPECT_TRUE(m_notices.empty());

    // While recording the window takes no file, and the recording goes on.
    const QString other = QString::fromStdString(m_dir.File("other.txt"));
    ASSERT_TRUE(QFile::copy(m_score, other));
    Window().recordButton().click();
    ASSERT_EQ(Window().run(), EngineMode::Recording);
    EXPECT_EQ(Drop({QUrl::fromLocalFile(other)}), std::make_pair(false, false));
    EXPECT_FALSE(Window().openScore(other)); // the hand-over's way in refuses as well
    EXPECT_EQ(Window().run(), EngineMode::Recording);
    EXPECT_EQ(Window().match().path, m_score.toStdString());
}

TEST_F(OpenFileTest, DroppedFileThatIsNoScoreShowsTheLoadError) {
    const QString missing = QString::fromStdString(m_dir.File("missing.txt"));
    EXPECT_EQ(Drop({QUrl::fromLocalFile(missing)}), std::make_pair(true, true));
    ASSERT_EQ(m_notices.size(), 1u);
    EXPECT_EQ(m_notices[0], WindowText(kLoadFailedText) + QLatin1Char('\n') + missing +
                                QStringLiteral(": no such file"));
    EXPECT_TRUE(Window().match().path.empty());
}

TEST_F(OpenFileTest, FileFromTheCommandLineLoadsOnceTheWindowRuns) {
    SingleInstance instance;
    Application::startWindow(instance, Window(), m_score);
    // Not before the window's event loop turns.
    EXPECT_TRUE(Window().match().path.empty());
    EXPECT_TRUE(Loaded(m_score));
    EXPECT_TRUE(m_notices.empty());
}

TEST_F(OpenFileTest, FileThatDoesNotExistYetOpensTheNewMatchFormWithItsPath) {
    const QString fresh = QString::fromStdString(m_dir.File("fresh.txt"));
    ScoringPanel& panel = ScoringOf(Window());
    std::vector<QString> filledIn;
    panel.runNewMatch = [&filledIn](NewMatchDialog& dialog) {
        filledIn.push_back(dialog.path());
        return dialog.create();
    };
    SingleInstance instance;
    Application::startWindow(instance, Window(), fresh);
    // Not before the window's event loop turns, like a file that exists.
    EXPECT_TRUE(filledIn.empty());
    ASSERT_TRUE(WaitUntil([&] { return !filledIn.empty(); }));
    EXPECT_EQ(filledIn, std::vector<QString>{fresh});
    EXPECT_TRUE(QFileInfo::exists(fresh)); // the form made the file
    EXPECT_TRUE(m_notices.empty());        // and no load error was shown for it
}

// The test is the running instance; a second process of the real program is the later
// start.
TEST_F(OpenFileTest, LaterStartHandsItsFileToTheRunningWindow) {
    TempDir runtime;
    const RuntimeFolder runtimeFolder(runtime.Path().string());
    // A socket file left by an instance that crashed must not keep this one from listening.
    const QString stale = QDir(QString::fromStdString(runtime.Path().string()))
                              .filePath(QStringLiteral("vorlat-%1.socket").arg(::getuid()));
    WriteBytes(stale.toStdString(), "left over");

    SingleInstance instance;
    ASSERT_TRUE(instance.claim());
    EXPECT_EQ(instance.serverName(), stale);
    Application::startWindow(instance, Window(), QString());

    auto start = [&](const QStringList& args) {
        auto later = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                   QString::fromStdString(runtime.Path().string()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        later->setProcessEnvironment(env);
        // A name relative to the later start's own folder.
        later->setWorkingDirectory(QString::fromStdString(m_dir.Path().string()));
        later->start(QStringLiteral(VORLAT_GUI_PATH), args);
        return later;
    };
    auto finishedWithZero = [](QProcess& process) {
        return WaitUntil([&] { return process.state() == QProcess::NotRunning; }) &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    };

    // Without a file the later start only brings the window up.
    std::unique_ptr<QProcess> later = start({});
    EXPECT_TRUE(finishedWithZero(*later)) << later->readAllStandardError().toStdString();
    EXPECT_TRUE(Window().match().path.empty());

    later = start({QStringLiteral("short.txt")});
    EXPECT_TRUE(Loaded(m_score));
    EXPECT_TRUE(finishedWithZero(*later)) << later->readAllStandardError().toStdString();
    EXPECT_TRUE(m_notices.empty());
}

} // namespace
