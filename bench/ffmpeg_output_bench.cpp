// The outputs for editors against the ffmpeg program and against the disk.
//
// A synthetic match of the usual shape: most frames repeat the previous picture and a new
// one appears every 20 to 40 frames (30 on average, about a dart or a turn at 30 fps). Each
// case writes the sequence through FfmpegOutput, then feeds the very same frames as raw
// RGBA through a pipe to the ffmpeg program with the same codec settings, then writes the
// output's size with dd from /dev/zero into the same folder (the disk-write bound). It
// prints the times, the ratios, the sizes and the peak resident memory of this process, with
// the load average and our processor time: a speed-up from more threads shows only when the
// machine has the cores to spare, and processor time against wall time says whether it had.
//
// Each step starts after a sync, so that none pays for the write-back of the one before.
// The times are until the last byte is handed to the kernel, as an export's are; "then on
// disk" adds the sync that follows. Painting the pictures is timed apart: it is the same
// work for ours and for ffmpeg's input, and not part of the output.
//
// usage: ffmpeg_output_bench [--frames N] [--frames-4k N] [--dir DIR] [--only NAME]
//                            [--no-ffmpeg] [--one-thread]
//   --frames N      frames of the 1080p cases (default 6000, 200 s at 30 fps)
//   --frames-4k N   frames of the 4K case (default 900; the ffmpeg program needs minutes)
//   --dir DIR       write there and keep the files (default: a temporary folder, removed)
//   --only NAME     run one case: prores-1080p, h264-1080p, prores-4k (the default three),
//                   or vp9-1080p, ffv1-1080p (transparent; only when asked for)
//   --no-ffmpeg     skip the ffmpeg program (ours and dd only)
//   --one-thread    what the cores bring to H.264 and VP9: runs h264-1080p and vp9-1080p (or
//                   the --only case) also with the encoder on one thread, as the outputs
//                   had it before they gave the encoders every core, and prints the speed-up

#include "video/FfmpegOutput.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point begin) {
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

// User and system time of this process so far: against the wall time it shows how many
// cores a run kept busy, also when other work on the machine takes some of them.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// For each frame, the number of the picture it shows.
std::vector<int> pictureOfFrames(int frames) {
    std::mt19937 random(20260102);
    std::vector<int> pictures(static_cast<size_t>(frames));
    int picture = 0;
    int next = 0;
    for (int n = 0; n < frames; ++n) {
        if (n == next) {
            picture = n == 0 ? 0 : picture + 1;
            next = n + std::uniform_int_distribution<int>(20, 40)(random);
        }
        pictures[static_cast<size_t>(n)] = picture;
    }
    return pictures;
}

// A board of a third of the height in the bottom-left corner: boxes, a translucent band,
// anti-aliased names and scores that change from picture to picture; the rest is the
// background (transparent or a keying green).
void paintPicture(QImage& image, int picture, bool transparent) {
    image.fill(transparent ? QColor(0, 0, 0, 0) : QColor(0x00, 0xB1, 0x40));
    const int h = image.height();
    const int margin = h / 30;
    const QRect board(margin, h - margin - h / 3, h * 2 / 3, h / 3);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 20, 60, 230));
    p.drawRoundedRect(board, h / 90.0, h / 90.0);
    p.setBrush(QColor(255, 200, 0, 140));
    p.drawRect(board.left(), board.top() + board.height() / 2 - h / 60, board.width(), h / 30);
    QFont font("DejaVu Sans");
    font.setPixelSize(h / 18);
    p.setFont(font);
    p.setPen(Qt::white);
    const int left = 501 - (picture * 7) % 480;
    const int right = 501 - (picture * 11) % 470;
    p.drawText(board.adjusted(h / 60, h / 60, 0, 0), Qt::AlignLeft | Qt::AlignTop, "Player One");
    p.drawText(board.adjusted(h / 60, 0, 0, -h / 60), Qt::AlignLeft | Qt::AlignBottom,
               "Player Two");
    font.setPixelSize(h / 10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(255, 230, 120));
    p.drawText(board.adjusted(0, 0, -h / 60, -board.height() / 2),
               Qt::AlignRight | Qt::AlignVCenter, QString::number(left));
    p.drawText(board.adjusted(0, board.height() / 2, -h / 60, 0), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(right));
    p.setPen(QPen(QColor(255, 80, 80), h / 200.0));
    p.setBrush(Qt::NoBrush);
    for (int dart = 0; dart < picture % 4; ++dart) {
        p.drawEllipse(QPointF(board.left() + h / 20.0 * (dart + 1) + h / 4.0,
                              board.top() + board.height() / 2.0),
                      h / 60.0, h / 60.0);
    }
}

struct Case {
    const char* name;
    bool byDefault; // otherwise only with --only
    VideoCodec codec;
    int width;
    int height;
    bool transparent;
    const char* extension;
    // The same codec settings for the ffmpeg program, after its input.
    const char* ffmpegCodec;
};

const Case kCases[] = {
    {"prores-1080p", true, VideoCodec::ProRes, 1920, 1080, true, ".mov",
     "-c:v prores_ks -profile:v 4444 -pix_fmt yuva444p10le -q:v 2"},
    {"h264-1080p", true, VideoCodec::H264, 1920, 1080, false, ".mp4",
     "-c:v libx264 -pix_fmt yuv420p -crf 18 -preset ultrafast -movflags +faststart"},
    {"prores-4k", true, VideoCodec::ProRes, 3840, 2160, true, ".mov",
     "-c:v prores_ks -profile:v 4444 -pix_fmt yuva444p10le -q:v 2"},
    {"vp9-1080p", false, VideoCodec::VP9, 1920, 1080, true, ".webm",
     "-c:v libvpx-vp9 -pix_fmt yuva420p -b:v 0 -crf 24 -deadline realtime -cpu-used 8 "
     "-lag-in-frames 0 -row-mt 1"},
    {"ffv1-1080p", false, VideoCodec::FFV1, 1920, 1080, true, ".mkv",
     "-c:v ffv1 -pix_fmt bgra -level 3 -g 1 -slices 16 -slicecrc 1 -coder range_def"},
};

struct Measured {
    double seconds = 0;
    double cpu = 0; // ours only: processor seconds, painting included
    double painting = 0;
    double synced = 0;      // seconds until the data was on disk
    double newPictures = 0; // in writeFrame with a new picture
    double repeats = 0;     // in writeFrame with a repeated one
    uint64_t bytes = 0;
};

// Waits for the data written so far to reach the disk; the seconds it took.
double syncDisk() {
    const auto begin = Clock::now();
    ::sync();
    return secondsSince(begin);
}

// threads > 0: the encoder on that many threads instead of the format's own setting.
bool runOurs(const Case& c, const std::vector<int>& pictures, const std::string& path,
             Measured& result, int threads = 0) {
    OutputSettings settings;
    settings.encoderThreadsForBench = threads;
    settings.path = path;
    settings.codec = c.codec;
    settings.width = c.width;
    settings.height = c.height;
    settings.rateNum = 30;
    settings.rateDen = 1;
    settings.alpha = c.transparent;
    const auto begin = Clock::now();
    const double cpuBegin = cpuSeconds();
    auto opened = FfmpegOutput::open(settings);
    if (!opened) {
        std::fprintf(stderr, "%s: %s\n", c.name, opened.error().text().c_str());
        return false;
    }
    FfmpegOutput* output = opened.value().get();
    QImage image(c.width, c.height,
                 c.transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    for (size_t n = 0; n < pictures.size(); ++n) {
        const bool changed = n == 0 || pictures[n] != pictures[n - 1];
        if (changed) {
            const auto paintBegin = Clock::now();
            paintPicture(image, pictures[n], c.transparent);
            result.painting += secondsSince(paintBegin);
        }
        const auto writeBegin = Clock::now();
        if (const Status stored = output->writeFrame(image, changed); !stored) {
            std::fprintf(stderr, "%s: %s\n", c.name, stored.error().text().c_str());
            return false;
        }
        (changed ? result.newPictures : result.repeats) += secondsSince(writeBegin);
    }
    if (const Status finished = output->finish(); !finished) {
        std::fprintf(stderr, "%s: %s\n", c.name, finished.error().text().c_str());
        return false;
    }
    result.seconds = secondsSince(begin);
    result.cpu = cpuSeconds() - cpuBegin;
    result.synced = result.seconds + syncDisk();
    result.bytes = std::filesystem::file_size(path);
    const double writing = result.seconds - result.painting;
    const std::string label =
        threads > 0 ? "ours, " + std::to_string(threads) + " thread:" : "ours:";
    std::printf("  %-15s %8.2f s  %7.1f frames/s  %12llu bytes  (painting %.2f s, output %.2f s "
                "of which new pictures %.2f s, repeats %.2f s; then on disk %.2f s; %lld encodes, "
                "%lld packets reused; CPU %.2f s)  peak RSS %ld KiB\n",
                label.c_str(), result.seconds, pictures.size() / result.seconds,
                static_cast<unsigned long long>(result.bytes), result.painting, writing,
                result.newPictures, result.repeats, result.synced,
                static_cast<long long>(output->counts().encodes),
                static_cast<long long>(output->counts().reused), result.cpu, peakKiB());
    return true;
}

bool runFfmpeg(const Case& c, const std::vector<int>& pictures, const std::string& path,
               Measured& result) {
    const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
    const std::string command =
        "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt rgba -s " + size +
        " -r 30 -i - -sws_flags bicubic+accurate_rnd "
        "-vf scale=out_color_matrix=bt709:out_range=tv " +
        c.ffmpegCodec +
        " -color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range tv '" + path + "'";
    const auto begin = Clock::now();
    FILE* pipe = ::popen(command.c_str(), "w");
    if (pipe == nullptr) {
        return false;
    }
    QImage image(c.width, c.height,
                 c.transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    QImage rgba;
    bool ok = true;
    for (size_t n = 0; n < pictures.size() && ok; ++n) {
        if (n == 0 || pictures[n] != pictures[n - 1]) {
            const auto paintBegin = Clock::now();
            paintPicture(image, pictures[n], c.transparent);
            rgba = image.convertToFormat(QImage::Format_RGBA8888);
            result.painting += secondsSince(paintBegin);
        }
        ok = std::fwrite(rgba.constBits(), 1, static_cast<size_t>(rgba.sizeInBytes()), pipe) ==
             static_cast<size_t>(rgba.sizeInBytes());
    }
    ok = ::pclose(pipe) == 0 && ok;
    result.seconds = secondsSince(begin);
    if (!ok) {
        std::fprintf(stderr, "%s: the ffmpeg program failed\n", c.name);
        return false;
    }
    result.bytes = std::filesystem::file_size(path);
    std::printf("  %-15s %8.2f s  %7.1f frames/s  %12llu bytes  (painting %.2f s)\n",
                "ffmpeg:", result.seconds, pictures.size() / result.seconds,
                static_cast<unsigned long long>(result.bytes), result.painting);
    return true;
}

// Writes bytes of zeros into the folder as dd does it, 1 MiB at a time: the seconds until
// dd is done, and in synced until the bytes are on disk.
double runDd(uint64_t bytes, const std::string& path, double& synced) {
    const uint64_t blocks = (bytes + (1 << 20) - 1) >> 20;
    const std::string command =
        "dd if=/dev/zero of='" + path + "' bs=1M count=" + std::to_string(blocks) + " 2>/dev/null";
    const auto begin = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = secondsSince(begin);
    synced = seconds + syncDisk();
    std::filesystem::remove(path);
    if (status != 0) {
        return -1;
    }
    std::printf("  %-15s %8.2f s  %12llu bytes  (then on disk %.2f s)\n", "dd:", seconds,
                static_cast<unsigned long long>(blocks << 20), synced);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    int frames = 6000;
    int frames4k = 900;
    std::string keep;
    std::string only;
    bool withFfmpeg = true;
    bool oneThread = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--frames" && i + 1 < argc) {
            frames = std::atoi(argv[++i]);
        } else if (arg == "--frames-4k" && i + 1 < argc) {
            frames4k = std::atoi(argv[++i]);
        } else if (arg == "--dir" && i + 1 < argc) {
            keep = argv[++i];
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (arg == "--no-ffmpeg") {
            withFfmpeg = false;
        } else if (arg == "--one-thread") {
            oneThread = true;
        } else {
            std::fputs("usage: ffmpeg_output_bench [--frames N] [--frames-4k N] [--dir DIR] "
                       "[--only NAME] [--no-ffmpeg] [--one-thread]\n",
                       stderr);
            return 2;
        }
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    std::string dir = keep;
    if (dir.empty()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorlat-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        dir = pattern;
    } else {
        std::filesystem::create_directories(dir);
    }

    int status = 0;
    for (const Case& c : kCases) {
        const bool threaded = c.codec == VideoCodec::H264 || c.codec == VideoCodec::VP9;
        const bool chosen = !only.empty() ? only == c.name
                            : oneThread   ? threaded && c.height <= 1080
                                          : c.byDefault;
        if (!chosen) {
            continue;
        }
        const int count = c.height > 1080 ? frames4k : frames;
        const std::vector<int> pictures = pictureOfFrames(count);
        double load[1] = {0};
        getloadavg(load, 1);
        std::printf("%s: %d x %d, %d frames at 30 fps, %d distinct pictures, %s (load %.1f)\n",
                    c.name, c.width, c.height, count, pictures.back() + 1,
                    c.transparent ? "transparent" : "green background", load[0]);
        std::fflush(stdout);
        Measured single;
        const std::string singlePath = dir + "/ours-1-thread-" + c.name + c.extension;
        if (oneThread && threaded) {
            syncDisk();
            if (!runOurs(c, pictures, singlePath, single, 1)) {
                status = 1;
                continue;
            }
            std::fflush(stdout);
        }
        Measured ours;
        const std::string oursPath = dir + "/ours-" + c.name + c.extension;
        syncDisk();
        if (!runOurs(c, pictures, oursPath, ours)) {
            status = 1;
            continue;
        }
        if (single.seconds > 0) {
            std::printf("  all cores / 1 thread: %.2f x faster on %u cores (CPU / wall %.2f and "
                        "%.2f); size %.3f\n",
                        single.seconds / ours.seconds,
                        std::max(1u, std::thread::hardware_concurrency()),
                        single.cpu / single.seconds, ours.cpu / ours.seconds,
                        double(ours.bytes) / double(single.bytes));
        }
        std::fflush(stdout);
        double ddSynced = 0;
        syncDisk();
        // A few megabytes of H.264 say nothing about the disk.
        const double dd =
            c.codec == VideoCodec::ProRes ? runDd(ours.bytes, dir + "/dd.bin", ddSynced) : -1;
        if (dd > 0) {
            std::printf("  output / dd: %.2f x the time (%.2f x with painting; on disk %.2f x)\n",
                        (ours.seconds - ours.painting) / dd, ours.seconds / dd,
                        ours.synced / ddSynced);
        }
        if (withFfmpeg) {
            Measured theirs;
            const std::string theirPath = dir + "/ffmpeg-" + c.name + c.extension;
            syncDisk();
            if (runFfmpeg(c, pictures, theirPath, theirs)) {
                std::printf("  ffmpeg / ours: %.2f x faster; size ours / ffmpeg: %.3f\n",
                            theirs.seconds / ours.seconds,
                            double(ours.bytes) / double(theirs.bytes));
                if (single.seconds > 0) {
                    std::printf("  ffmpeg / ours on 1 thread: %.2f x\n",
                                theirs.seconds / single.seconds);
                }
            } else {
                status = 1;
            }
        }
        if (keep.empty()) {
            std::filesystem::remove(oursPath);
            std::filesystem::remove(singlePath);
            std::filesystem::remove(dir + "/ffmpeg-" + c.name + c.extension);
        }
        std::fflush(stdout);
    }
    if (keep.empty()) {
        std::filesystem::remove_all(dir);
    }
    return status;
}
