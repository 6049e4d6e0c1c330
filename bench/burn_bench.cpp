// Burn-in speed and memory against the ffmpeg program's plain re-encode.
//
// Makes a 1080p30 footage (ffmpeg's testsrc2 pattern with a 440 Hz tone in AAC, encoded with
// x264 "veryfast" at CRF 20), then, one run each on the same machine:
//   ffmpeg   ffmpeg -i footage.mp4 -c:v libx264 -crf CRF -preset PRESET -c:a copy out.mp4
//            (no overlay)
//   ours     BurnIn() with the same CRF and preset and a 640 x 160 board that changes every
//            2.5 s, as a score does, at the bottom left
// and prints both wall-clock times, frames per second, the ratio ours/ffmpeg, each one's
// peak resident memory (getrusage), and the file sizes.
//
// usage: burn_bench [--seconds N] [--crf N] [--preset NAME] [--keep DIR] [--footage FILE]
//                   [--ours-only] [--no-board]
//   --seconds N     length of the generated footage (default 60)
//   --keep DIR      keep the footage and both outputs in DIR (else a temporary folder)
//   --footage FILE  burn this file instead of a generated one
//   --ours-only     skip the ffmpeg run (for comparing presets)
//   --no-board      burn nothing: our pipeline as a plain re-encode

#include "video/BurnIn.h"
#include "video/Footage.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double Since(std::chrono::steady_clock::time_point begin) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

// Runs a program and waits for it; its exit status, wall time and peak resident memory.
struct ChildRun {
    int status = -1;
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
};

double CpuSeconds(const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
ChildRun RunChild(const std::vector<std::string>& args) {
    ChildRun run;
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakKiB = usage.ru_maxrss;
        run.cpuSeconds = CpuSeconds(usage);
    }
    run.seconds = Since(begin);
    return run;
}

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

// A score board: two rows of names and scores on a dark translucent panel. The scores move
// every 2.5 s, so that the picture is painted and converted anew now and then, as a match
// does.
class ScoreBoard {
public:
    static constexpr int kW = 640;
    static constexpr int kH = 160;

    bool operator()(int64_t ms, QImage& board) {
        const int64_t step = ms < 0 ? -1 : ms / 2500;
        if (step == m_step) {
            return false;
        }
        m_step = step;
        board.fill(Qt::transparent);
        QPainter painter(&board);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(10, 20, 40, 200));
        painter.drawRoundedRect(QRectF(0, 0, kW, kH), 16, 16);
        QFont font;
        font.setPixelSize(56);
        font.setBold(true);
        painter.setFont(font);
        const int first = 501 - int((step + 1) * 7 % 501);
        const int second = 501 - int((step + 1) * 11 % 501);
        painter.setPen(QColor(250, 250, 250));
        painter.drawText(QRect(24, 8, 400, 70), Qt::AlignVCenter, "HOME");
        painter.drawText(QRect(24, 82, 400, 70), Qt::AlignVCenter, "AWAY");
        painter.setPen(QColor(255, 210, 40));
        painter.drawText(QRect(400, 8, 216, 70), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(first));
        painter.drawText(QRect(400, 82, 216, 70), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(second));
        ++drawn;
        return true;
    }

    int drawn = 0;

private:
    int64_t m_step = INT64_MIN;
};

} // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    int crf = kDefaultBurnCrf;
    std::string preset = kDefaultBurnPreset;
    std::string keep, footage;
    bool oursOnly = false, noBoard = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue) {
            seconds = std::atoi(argv[++i]);
        } else if (arg == "--crf" && hasValue) {
            crf = std::atoi(argv[++i]);
        } else if (arg == "--preset" && hasValue) {
            preset = argv[++i];
        } else if (arg == "--keep" && hasValue) {
            keep = argv[++i];
        } else if (arg == "--footage" && hasValue) {
            footage = argv[++i];
        } else if (arg == "--ours-only") {
            oursOnly = true;
        } else if (arg == "--no-board") {
            noBoard = true;
        } else {
            std::fprintf(stderr,
                         "usage: burn_bench [--seconds N] [--crf N] [--preset NAME] [--keep DIR] "
                         "[--footage FILE] [--ours-only] [--no-board]\n");
            return 2;
        }
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);

    std::filesystem::path dir;
    bool removeDir = false;
    if (!keep.empty()) {
        dir = keep;
        std::filesystem::create_directories(dir);
    } else {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "burn-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        dir = pattern;
        removeDir = true;
    }

    if (footage.empty()) {
        footage = (dir / "footage.mp4").string();
        const std::string length = std::to_string(seconds);
        std::printf("making %d s of 1080p30 footage ...\n", seconds);
        std::fflush(stdout);
        const ChildRun made = RunChild({"ffmpeg",
                                        "-nostdin",
                                        "-v",
                                        "error",
                                        "-y",
                                        "-f",
                                        "lavfi",
                                        "-i",
                                        "testsrc2=size=1920x1080:rate=30:duration=" + length,
                                        "-f",
                                        "lavfi",
                                        "-i",
                                        "sine=frequency=440:duration=" + length,
                                        "-c:v",
                                        "libx264",
                                        "-preset",
                                        "veryfast",
                                        "-crf",
                                        "20",
                                        "-pix_fmt",
                                        "yuv420p",
                                        "-c:a",
                                        "aac",
                                        "-b:a",
                                        "128k",
                                        footage});
        if (made.status != 0) {
            std::fprintf(stderr, "ffmpeg could not make the footage\n");
            return 1;
        }
        std::printf("made in %.1f s\n", made.seconds);
    }
    FootageInfo footageInfo;
    if (const auto opened = Footage::open(footage)) {
        footageInfo = opened.value()->info();
    } else {
        std::fprintf(stderr, "%s\n", opened.error().text().c_str());
        return 1;
    }
    std::printf("footage: %s, %d x %d, %d/%d fps, %.1f s, %s + %s, %lld bytes\n", footage.c_str(),
                footageInfo.width, footageInfo.height, footageInfo.rateNum, footageInfo.rateDen,
                footageInfo.durationMs / 1000.0, footageInfo.videoCodec.c_str(),
                footageInfo.hasAudio ? footageInfo.audioCodec.c_str() : "no audio",
                static_cast<long long>(std::filesystem::file_size(footage)));
    std::printf("settings: libx264 crf %d preset %s, %ld cores\n", crf, preset.c_str(),
                sysconf(_SC_NPROCESSORS_ONLN));
    std::fflush(stdout);

    const std::string theirs = (dir / "ffmpeg.mp4").string();
    ChildRun ffmpeg;
    if (!oursOnly) {
        ffmpeg =
            RunChild({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", footage, "-c:v", "libx264",
                      "-crf", std::to_string(crf), "-preset", preset, "-c:a", "copy", theirs});
        if (ffmpeg.status != 0) {
            std::fprintf(stderr, "ffmpeg's re-encode failed\n");
            return 1;
        }
        std::printf("ffmpeg re-encode:  %8.2f s (CPU %7.2f s)  %6.1f frames/s  peak RSS %7ld KiB  "
                    "%12lld bytes\n",
                    ffmpeg.seconds, ffmpeg.cpuSeconds,
                    footageInfo.frameCountEstimate / ffmpeg.seconds, ffmpeg.peakKiB,
                    static_cast<long long>(std::filesystem::file_size(theirs)));
        std::fflush(stdout);
    }

    const std::string ours = (dir / "burned.mp4").string();
    BurnSettings settings;
    settings.footagePath = footage;
    settings.outputPath = ours;
    settings.crf = crf;
    settings.preset = preset;
    settings.boardPos = QPoint(48, footageInfo.height - ScoreBoard::kH - 48);
    ScoreBoard board;
    const long peakBefore = PeakKiB();
    const double cpuBefore = OwnCpuSeconds();
    const auto begin = std::chrono::steady_clock::now();
    const ExportResult result =
        BurnIn(settings, noBoard ? QSize() : QSize(ScoreBoard::kW, ScoreBoard::kH), std::ref(board),
               nullptr, nullptr);
    const double oursSeconds = Since(begin);
    const double oursCpu = OwnCpuSeconds() - cpuBefore;
    if (result.outcome != ExportOutcome::Finished) {
        std::fprintf(stderr, "burn-in failed: %s\n", result.error.text().c_str());
        return 1;
    }
    std::printf("ours (burn-in%s): %8.2f s (CPU %7.2f s)  %6.1f frames/s  peak RSS %7ld KiB  "
                "%12lld bytes  (%lld frames, board painted %d times; RSS before the burn-in %ld "
                "KiB)\n",
                noBoard ? ", no board" : "", oursSeconds, oursCpu,
                result.framesWritten / oursSeconds, PeakKiB(),
                static_cast<long long>(std::filesystem::file_size(ours)),
                static_cast<long long>(result.framesWritten), board.drawn, peakBefore);
    if (!oursOnly) {
        std::printf("ratio ours/ffmpeg: wall %.3f, CPU %.3f (target at most 1.15); memory target "
                    "under 400 MB\n",
                    oursSeconds / ffmpeg.seconds, oursCpu / ffmpeg.cpuSeconds);
    }
    if (removeDir) {
        std::filesystem::remove_all(dir);
    }
    return 0;
}
