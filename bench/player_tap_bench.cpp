// Taps at 1x while the machine is busy: how far each tap's stored frame is from the frame
// that was on screen when its key was pressed, and how much memory the player took.
//
// Generates 1080p30 footage with ffmpeg, keeps every core busy with a synthetic load, plays
// the footage at normal speed in the player while recording, and posts Enter presses from
// another thread at known moments (each event stamped with its moment, as the platform
// stamps a real key). The frame on screen at each moment is read from the view's own record
// of what it put on screen; the stored time is turned back into its frame under the frame
// rule. Also printed: the error of stamping the frame on screen when the key is handled (the
// old way), as a yardstick.
//
//   player_tap_bench [seconds of footage, default 20] [taps, default 15]

#include "app/PlayerView.h"
#include "app/PlayerWindow.h"
#include "engine/Engine.h"
#include "score/Loader.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

struct Shown {
    int64_t index;
    int64_t atMs;
};

int64_t OnScreenAt(const std::vector<Shown>& shown, int64_t atMs) {
    int64_t index = -1;
    for (const Shown& s : shown) {
        if (s.atMs > atMs) {
            break;
        }
        index = s.index;
    }
    return index;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(atoi(argv[1]), 5) : 20;
    const int taps = argc > 2 ? std::max(atoi(argv[2]), 1) : 15;

    QTemporaryDir dir;
    const QString footage = dir.filePath(QStringLiteral("footage.mp4"));
    std::printf("generating %d s of 1080p30 footage...\n", seconds);
    std::fflush(stdout);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  QStringLiteral("testsrc2=size=1920x1080:rate=30:duration=%1").arg(seconds),
                  "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", footage});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", ffmpeg.readAllStandardError().constData());
        return 1;
    }
    // Enough darts that the recording outlasts the taps: turns of three single ones.
    const std::string scorePath = dir.filePath(QStringLiteral("match.txt")).toStdString();
    {
        std::ofstream score(scorePath);
        score << "[SETTING]\nGAME=501\n\n[DATA]\n";
        for (int round = 1; round <= 20; ++round) {
            for (int player = 1; player <= 2; ++player) {
                score << "R" << (round < 10 ? "0" : "") << round << "-" << player << "=1,1,1\n";
            }
        }
    }
    Match match;
    if (!LoadScoreFile(match, scorePath).loaded) {
        std::fprintf(stderr, "the score file did not load\n");
        return 1;
    }

    Engine engine;
    RunState run(engine);
    PlayerWindow player(engine, run);
    player.setMatch(match);
    engine.load(match);
    engine.rewind();
    if (!player.openFootage(footage)) {
        std::fprintf(stderr, "%s\n", player.statusLine().text().toLocal8Bit().constData());
        return 1;
    }
    player.show();
    std::vector<Shown> shown;
    QObject::connect(&player.view(), &PlayerView::frameOnScreen, [&](int64_t index, int64_t atMs) {
        shown.push_back({index, atMs});
    });
    if (!QTest::qWaitFor([&] { return player.frameIndex() >= 0; }, 20000)) {
        std::fprintf(stderr, "no frame\n");
        return 1;
    }
    // The window learns how event stamps relate to its clock from prompt events.
    for (int i = 0; i < 3; ++i) {
        auto* key = new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
        key->setTimestamp(ulong(TapClock::now()));
        QCoreApplication::postEvent(&player.view(), key);
        QTest::qWait(50);
    }

    Match recorded;
    QObject::connect(&engine, &Engine::timesRecorded, [&](const Match& m) { recorded = m; });
    std::vector<int64_t> handledFrames;
    struct KeyWatch : QObject {
        PlayerWindow* player;
        std::vector<int64_t>* frames;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (watched == &player->view() && event->type() == QEvent::KeyPress &&
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return) {
                frames->push_back(player->frameIndex());
            }
            return false;
        }
    } watch;
    watch.player = &player;
    watch.frames = &handledFrames;
    // Installed after the player's own filter, so it sees each key first.
    QCoreApplication::instance()->installEventFilter(&watch);

    // Every core busy.
    std::atomic<bool> stop{false};
    std::vector<std::thread> load;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < cores; ++i) {
        load.emplace_back([&stop] {
            volatile uint64_t x = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                x = x * 6364136223846793005u + 1;
            }
        });
    }

    player.startRecording();
    player.setSpeed(1.0);
    player.togglePlay();
    std::vector<int64_t> pressedAt;
    std::mutex pressedMutex;
    const int spacingMs = std::max(200, (seconds - 3) * 1000 / (taps + 1));
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        for (int i = 0; i < taps; ++i) {
            // Uneven spacing, as darts land.
            std::this_thread::sleep_for(std::chrono::milliseconds(spacingMs - 80 + (i * 37) % 160));
            auto* key = new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            const int64_t now = TapClock::now();
            key->setTimestamp(ulong(now));
            {
                const std::lock_guard<std::mutex> lock(pressedMutex);
                pressedAt.push_back(now);
            }
            QCoreApplication::postEvent(&player.view(), key);
        }
    });
    const bool handled = QTest::qWaitFor(
        [&] {
            const std::lock_guard<std::mutex> lock(pressedMutex);
            return int(handledFrames.size()) >= taps && int(pressedAt.size()) >= taps;
        },
        (seconds + 30) * 1000);
    poster.join();
    if (!handled) {
        std::fprintf(stderr, "not every key was handled in time\n");
    }
    QTest::qWait(300);
    player.togglePlay();
    stop = true;
    for (std::thread& t : load) {
        t.join();
    }

    // The darts' times in order, one a tap.
    std::vector<int64_t> stamped;
    for (const Entry& e : recorded.entries) {
        if (e.dart > 0 && int(stamped.size()) < int(pressedAt.size()) && e.time > 0) {
            stamped.push_back(player.clock().frameAt(e.time));
        }
    }
    int worst = 0;
    int worstHandled = 0;
    int within = 0;
    std::printf("tap  pressed(ms)  on screen  stored  error  at handling  error\n");
    for (size_t i = 0; i < pressedAt.size() && i < stamped.size(); ++i) {
        const int64_t truth = OnScreenAt(shown, pressedAt[i]);
        const int error = int(stamped[i] - truth);
        const int handledError = i < handledFrames.size() ? int(handledFrames[i] - truth) : 0;
        worst = std::max(worst, std::abs(error));
        worstHandled = std::max(worstHandled, std::abs(handledError));
        within += std::abs(error) <= 1 ? 1 : 0;
        std::printf("%3zu  %11lld  %9lld  %6lld  %+5d  %11lld  %+5d\n", i + 1,
                    static_cast<long long>(pressedAt[i] - pressedAt[0]),
                    static_cast<long long>(truth), static_cast<long long>(stamped[i]), error,
                    static_cast<long long>(i < handledFrames.size() ? handledFrames[i] : -1),
                    handledError);
    }
    const int64_t played = shown.empty() ? 0 : shown.back().index - shown.front().index + 1;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("taps stamped: %zu of %d; within 1 frame: %d; worst error %d frames (stamped "
                "at handling: %d frames)\n",
                stamped.size(), taps, within, worst, worstHandled);
    std::printf("frames put on screen: %zu of %lld played (%d load threads)\n", shown.size(),
                static_cast<long long>(played), int(cores));
    std::printf("peak memory: %.0f MB\n", double(usage.ru_maxrss) / 1024.0);
    return stamped.size() == size_t(taps) ? 0 : 1;
}
