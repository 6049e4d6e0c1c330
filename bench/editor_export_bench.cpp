// The export for editors against the ffmpeg program on the very same frames.
//
// Builds the 40-round 501 match of export_bench (about 20 minutes at 15 fps) and, for 1080p
// ProRes 4444 with alpha, 1080p H.264, 4K ProRes 4444 with alpha, 1080p VP9 with alpha and
// 4K FFV1 with alpha:
//   ours    the real export (render, place, convert, encode, write), run as a child process
//           so that its peak memory is its own;
//   ffmpeg  the ffmpeg program encoding the same frames, fed as raw BGRA through a pipe, with
//           the codec settings our output uses (prores_ks at quantiser 2; libx264 ultrafast
//           at CRF 18, yuv420p, BT.709);
//   disk    dd writing as many bytes as our output has, from memory.
// It prints seconds, frames per second, bytes, peak memory and the ratios.
//
// usage: editor_export_bench [--rounds N] [--only NAME] [--dir DIR]
//   --rounds N   a shorter match for a quick look (the figures then cover fewer frames)
//   --only NAME  one of prores1080, h264-1080, prores4k, vp9-1080, ffv1-4k
//   --dir DIR    where the videos go (kept); otherwise a temporary folder, removed
//   --no-ffmpeg 1  only our export and the disk bound (the ffmpeg program needs hours at 4K)

#include "render/Renderer.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"
#include "video/Export.h"
#include "video/ExportPlan.h"
#include "video/FrameClock.h"
#include "video/FrameSource.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The match of export_bench, dart for dart (same seed, same steps).
void BuildMatch(Match& match, int rounds) {
    match.game = "501";
    match.gameKind = GameKind::X01;
    std::mt19937 random(20260101);
    auto between = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    int32_t now = 0;
    for (int round = 1; round <= rounds; ++round) {
        for (int player = 1; player <= 2; ++player) {
            Entry& start = match.append();
            start.player = player;
            start.round = round;
            start.dart = 0;
            start.time = now;
            now += between(800, 1500);
            for (int dart = 1; dart <= 3; ++dart) {
                Entry& mark = match.append();
                mark.player = player;
                mark.round = round;
                mark.dart = dart;
                mark.kind = between(0, 9) == 0 ? Hit::None : Hit::Single;
                mark.number = mark.kind == Hit::Single ? between(1, 5) : 0;
                mark.time = now;
                now += dart < 3 ? between(1200, 2600) : between(7000, 12000);
            }
        }
    }
    std::vector<int32_t> times;
    for (const Entry& mark : match.entries) {
        times.push_back(mark.time);
    }
    match.at(0)->score[0] = 501;
    match.at(0)->score[1] = 501;
    Evaluate01(match);
    for (size_t i = 0; i < times.size(); ++i) {
        match.entries[i].time = times[i];
    }
}

struct Config {
    const char* name;
    const char* file;
    VideoCodec codec;
    QSize size;
    const char* background;
    const char* ffmpegArgs; // output options of the ffmpeg program
};

const Config kConfigs[] = {
    {"prores1080",
     "prores1080.mov",
     VideoCodec::ProRes,
     {1920, 1080},
     "transparent",
     "-c:v prores_ks -profile:v 4444 -pix_fmt yuva444p10le -q:v 2 -alpha_bits 16"},
    {"h264-1080",
     "h264-1080.mp4",
     VideoCodec::H264,
     {1920, 1080},
     "#00B140",
     "-c:v libx264 -preset ultrafast -crf 18 -pix_fmt yuv420p -colorspace bt709 "
     "-color_primaries bt709 -color_trc bt709 -movflags +faststart"},
    {"prores4k",
     "prores4k.mov",
     VideoCodec::ProRes,
     {3840, 2160},
     "transparent",
     "-c:v prores_ks -profile:v 4444 -pix_fmt yuva444p10le -q:v 2 -alpha_bits 16"},
    {"vp9-1080",
     "vp9-1080.webm",
     VideoCodec::VP9,
     {1920, 1080},
     "transparent",
     "-c:v libvpx-vp9 -pix_fmt yuva420p -crf 24 -b:v 0 -deadline realtime -cpu-used 8 "
     "-lag-in-frames 0 -row-mt 1"},
    {"ffv1-4k",
     "ffv1-4k.mkv",
     VideoCodec::FFV1,
     {3840, 2160},
     "transparent",
     "-c:v ffv1 -level 3 -slices 16 -slicecrc 1 -coder range_def -g 1 -pix_fmt bgra"},
};

ExportRequest RequestFor(const Config& config, const std::string& path) {
    ExportRequest request;
    request.path = path;
    request.codec = config.codec;
    request.frameSize = config.size;
    request.render.scale = DefaultBoardScale(config.size);
    request.render.background = *Background::parse(config.background);
    return request;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs argv as a child; its wall time and peak resident memory (KiB).
bool RunChild(const std::vector<std::string>& args, double& seconds, long& peakKiB) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    seconds = Seconds(start);
    peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The child: the real export of one configuration.
int ExportOne(const Config& config, const std::string& path, int rounds) {
    Match match;
    BuildMatch(match, rounds);
    const ExportResult result = ExportVideo(match, RequestFor(config, path), nullptr, nullptr);
    if (result.outcome != ExportOutcome::Finished) {
        std::fprintf(stderr, "%s: %s\n", config.name, result.error.text().c_str());
        return 1;
    }
    return 0;
}

// Feeds the very frames of the export, as straight BGRA, to the ffmpeg program. Each
// distinct picture is made once; repeats write the same bytes again.
bool FeedFfmpeg(const Config& config, const std::string& path, int rounds, double& seconds,
                int64_t& frames) {
    Match match;
    BuildMatch(match, rounds);
    const ExportRequest request = RequestFor(config, path);
    FrameSource source(match, request.render);
    const FrameClock clock(request.rate, TimelineLength(source.match()));
    const QRect board = PlaceBoard(config.size, BoardSize(request.render.scale), request.place);
    QImage frame = MakeVideoFrame(config.size, request.render.background);
    QImage straight;
    const std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgra -s " +
                                std::to_string(config.size.width()) + "x" +
                                std::to_string(config.size.height()) + " -r 15 -i - " +
                                config.ffmpegArgs + " '" + path + "'";
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = ::popen(command.c_str(), "w");
    if (pipe == nullptr) {
        return false;
    }
    const size_t bytes = size_t(config.size.width()) * config.size.height() * 4;
    for (frames = 0; frames < clock.frameCount(); ++frames) {
        if (source.advanceTo(clock.momentOf(frames)) || straight.isNull()) {
            QPainter painter(&frame);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(board.topLeft(), source.picture());
            painter.end();
            straight = frame.convertToFormat(QImage::Format_ARGB32);
        }
        if (std::fwrite(straight.constBits(), 1, bytes, pipe) != bytes) {
            ::pclose(pipe);
            return false;
        }
    }
    const bool ok = ::pclose(pipe) == 0;
    seconds = Seconds(start);
    return ok;
}

double DiskSeconds(const std::string& folder, uint64_t bytes) {
    const std::string file = folder + "/dd.bin";
    const std::string command =
        "dd if=/dev/zero of='" + file +
        "' bs=4M count=" + std::to_string((bytes + (4u << 20) - 1) / (4u << 20)) + " status=none";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(start);
    std::filesystem::remove(file);
    return status == 0 ? seconds : -1;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 40;
    std::string only;
    std::string dir;
    std::string child;
    std::string childPath;
    bool withFfmpeg = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rounds") {
            rounds = std::atoi(argv[i + 1]);
        } else if (arg == "--only") {
            only = argv[i + 1];
        } else if (arg == "--no-ffmpeg") {
            withFfmpeg = std::atoi(argv[i + 1]) == 0;
        } else if (arg == "--dir") {
            dir = argv[i + 1];
        } else if (arg == "--child" && i + 2 < argc) {
            child = argv[i + 1];
            childPath = argv[i + 2];
            ++i;
        }
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
    });
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    if (!child.empty()) {
        for (const Config& config : kConfigs) {
            if (child == config.name) {
                return ExportOne(config, childPath, rounds);
            }
        }
        return 2;
    }

    std::string cleanup;
    if (dir.empty()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorlat-bench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        cleanup = dir;
    }
    std::filesystem::create_directories(dir);
    std::printf("%d rounds; %u cores\n", rounds, std::max(1u, std::thread::hardware_concurrency()));
    std::printf("%-11s %-6s %9s %8s %12s %9s\n", "format", "who", "seconds", "fps", "bytes",
                "peak MB");
    for (const Config& config : kConfigs) {
        if (!only.empty() && only != config.name) {
            continue;
        }
        const std::string ours = dir + "/" + config.file;
        double oursSeconds = 0;
        long oursPeak = 0;
        if (!RunChild({"/proc/self/exe", "--rounds", std::to_string(rounds), "--child", config.name,
                       ours},
                      oursSeconds, oursPeak)) {
            std::printf("%-11s our export failed\n", config.name);
            continue;
        }
        const uint64_t oursBytes = std::filesystem::file_size(ours);
        const std::string theirs = dir + "/ffmpeg-" + config.file;
        double ffmpegSeconds = 0;
        int64_t frames = 0;
        bool fed = false;
        if (withFfmpeg) {
            fed = FeedFfmpeg(config, theirs, rounds, ffmpegSeconds, frames);
        } else {
            Match match;
            BuildMatch(match, rounds);
            const Match cleaned = WithCleanTimes(match);
            frames = FrameClock(FrameRate{}, TimelineLength(cleaned)).frameCount();
        }
        const double disk = DiskSeconds(dir, oursBytes);
        std::printf("%-11s %-6s %9.2f %8.1f %12llu %9.1f\n", config.name, "ours", oursSeconds,
                    frames / oursSeconds, static_cast<unsigned long long>(oursBytes),
                    oursPeak / 1024.0);
        if (fed) {
            std::printf("%-11s %-6s %9.2f %8.1f %12llu\n", config.name, "ffmpeg", ffmpegSeconds,
                        frames / ffmpegSeconds,
                        static_cast<unsigned long long>(std::filesystem::file_size(theirs)));
        } else if (withFfmpeg) {
            std::printf("%-11s ffmpeg failed\n", config.name);
        }
        std::printf("%-11s %-6s %9.2f %8.1f\n", config.name, "dd", disk, frames / disk);
        std::printf("%-11s ratios: ffmpeg/ours %.1fx, ours/disk %.2fx, size ours/ffmpeg %.2f\n\n",
                    config.name, fed ? ffmpegSeconds / oursSeconds : 0.0, oursSeconds / disk,
                    fed ? double(oursBytes) / double(std::filesystem::file_size(theirs)) : 0.0);
        std::fflush(stdout);
        if (!cleanup.empty()) {
            std::filesystem::remove(ours);
            std::filesystem::remove(theirs); // absent without the ffmpeg run
        }
    }
    if (!cleanup.empty()) {
        std::filesystem::remove_all(cleanup);
    }
    return 0;
}
