// Export speed, size, memory and picture quality on a long match.
//
// Builds a 40-round 501 match with realistic timing (about 20 minutes, about 18,000 frames)
// and exports it uncompressed and with Video 1. For
// each it prints frames per second for painting + encoding + writing, the file size, the
// peak resident memory so far, and the PSNR of the frames as ffmpeg decodes them against
// the rendered pictures. A 10-round match runs first so that the growth of memory with the
// length of the match shows.
//
// usage: export_bench [--keep DIR] [--rounds N] [--key-every N]
//   --keep DIR      write the videos into DIR and keep them (for bench/ffmpeg-compare.sh);
//                   otherwise a temporary folder is used and removed.
//   --key-every N   also export the long match with Video 1 and a key frame every N frames
//                   (video1-keyN.avi), to compare with encoders that place them further apart.

#include "render/Renderer.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"
#include "video/Export.h"
#include "video/FrameClock.h"

#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

// Turns of a turn start and three darts. Darts land 1.2 to 2.6 s apart; the next player
// steps up 7 to 12 s after the last dart, and the turn start lies a moment before his
// first dart. Low singles keep a 501 game going for all rounds.
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

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Decodes path with ffmpeg and compares every frame with the picture its moment renders.
// Returns false when ffmpeg is not there. Pictures are rendered once per entry reached.
bool MeasurePsnr(const std::string& path, const Match& match, int& frames, double& overall,
                 double& worst) {
    const std::string command =
        "ffmpeg -nostdin -v error -i '" + path + "' -f rawvideo -pix_fmt bgra - 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    const FrameClock clock(FrameRate{}, TimelineLength(match));
    std::vector<uint8_t> frame(size_t(kW) * kH * 4);
    QImage expected = MakeBoardImage({});
    int lastIndex = -2;
    double total = 0;
    worst = 99;
    frames = 0;
    while (std::fread(frame.data(), 1, frame.size(), pipe) == frame.size()) {
        const int64_t t = clock.momentOf(frames);
        const int index = EntryAtMoment(match, t);
        if (index != lastIndex) {
            RenderMoment(match, t, expected, {});
            lastIndex = index;
        }
        double sum = 0;
        const uint8_t* e = expected.constBits();
        for (size_t i = 0; i < frame.size(); ++i) {
            if (i % 4 != 3) {
                const double d = double(frame[i]) - double(e[i]);
                sum += d * d;
            }
        }
        const double mse = sum / (double(kW) * kH * 3);
        total += mse;
        worst = std::min(worst, mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse));
        ++frames;
    }
    ::pclose(pipe);
    const double mse = frames > 0 ? total / frames : 0;
    overall = mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
    return frames > 0;
}

void RunOne(const char* label, int rounds, bool compress, const std::string& dir, bool psnr,
            int keyEvery = 0) {
    Match match;
    BuildMatch(match, rounds);
    std::string name = compress ? "video1" : "uncompressed";
    if (keyEvery > 0) {
        name += "-key" + std::to_string(keyEvery);
    }
    const std::string path = dir + "/" + name + ".avi";
    ExportRequest request;
    request.path = path;
    request.codec = compress ? VideoCodec::Video1 : VideoCodec::Raw;
    request.keyFrameInterval = keyEvery;
    const auto begin = std::chrono::steady_clock::now();
    const ExportResult result = ExportVideo(match, request, nullptr, nullptr);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const bool ok = result.outcome == ExportOutcome::Finished;
    const int64_t framesWritten = result.framesWritten;
    const int64_t length = TimelineLength(match);
    const uint64_t size = std::filesystem::file_size(path);
    std::printf("%-8s %-14s rounds %2d  %6lld frames (%5.1f min)  %s  %8.3f s  %9.0f frames/s  "
                "%11llu bytes  peak RSS %6ld KiB",
                label, name.c_str(), rounds, static_cast<long long>(framesWritten),
                length / 60000.0, ok ? "ok  " : "FAIL", seconds, framesWritten / seconds,
                static_cast<unsigned long long>(size), PeakKiB());
    if (psnr) {
        int decoded = 0;
        double overall = 0, worst = 0;
        if (MeasurePsnr(path, match, decoded, overall, worst)) {
            std::printf("  decoded %d frames, PSNR %.2f dB (worst frame %.2f dB)", decoded, overall,
                        worst);
        } else {
            std::printf("  (no ffmpeg: PSNR not measured)");
        }
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    std::string keep;
    int rounds = 40;
    int keyEvery = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
            keep = argv[++i];
        } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--key-every") == 0 && i + 1 < argc) {
            keyEvery = std::atoi(argv[++i]);
        } else {
            std::fputs("usage: export_bench [--keep DIR] [--rounds N] [--key-every N]\n", stderr);
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

    // Short match first: the peak memory of the long one shows what the length adds.
    RunOne("short", 10, true, dir, false);
    RunOne("short", 10, false, dir, false);
    RunOne("long", rounds, true, dir, true);
    RunOne("long", rounds, false, dir, true);
    if (keyEvery > 0) {
        RunOne("long", rounds, true, dir, true, keyEvery);
    }

    if (keep.empty()) {
        std::filesystem::remove_all(dir);
    }
    return 0;
}
