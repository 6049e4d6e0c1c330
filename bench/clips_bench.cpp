// Clip cutting speed against the ffmpeg program re-encoding as much footage.
//
// Makes a long 1080p30 footage (ffmpeg's testsrc2 pattern with a 440 Hz tone in AAC, x264
// "ultrafast" with a key frame every 2 s, as cameras and phones write them), then, in the
// same run:
//   ffmpeg   ffmpeg -ss START -i footage.mp4 -t CLIPS*SECONDS -c:v libx264 -crf 18
//            -preset veryfast -c:a aac out.mp4: one re-encode as long as all clips together
//   ours     CutClip() for CLIPS clips of SECONDS each, spread evenly over the footage, with
//            the same rate factor and preset
// and prints both wall-clock and CPU times and the ratio ours/ffmpeg. Because each clip
// seeks to its key frame, ours should not grow with the footage's length: run it with
// --minutes 1 and --minutes 30 to see.
//
// usage: clips_bench [--minutes N] [--clips N] [--seconds S] [--keep DIR] [--footage FILE]
//   --minutes N     length of the generated footage (default 30)
//   --clips N       number of clips (default 20)
//   --seconds S     length of each clip (default 5)
//   --keep DIR      keep the footage and the outputs in DIR (else a temporary folder)
//   --footage FILE  cut this file instead of a generated one

#include "video/BurnIn.h"
#include "video/Clips.h"
#include "video/Footage.h"

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

double CpuSeconds(const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    int status = -1;
    double seconds = 0;
    double cpuSeconds = 0;
};

Timing RunChild(const std::vector<std::string>& args) {
    Timing run;
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
        run.cpuSeconds = CpuSeconds(usage);
    }
    run.seconds = Since(begin);
    return run;
}

double SelfCpu() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

} // namespace

int main(int argc, char** argv) {
    double minutes = 30;
    int clips = 20;
    double seconds = 5;
    std::string keep;
    std::string footagePath;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--minutes") == 0 && hasValue) {
            minutes = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--clips") == 0 && hasValue) {
            clips = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--seconds") == 0 && hasValue) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--keep") == 0 && hasValue) {
            keep = argv[++i];
        } else if (std::strcmp(argv[i], "--footage") == 0 && hasValue) {
            footagePath = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: clips_bench [--minutes N] [--clips N] [--seconds S] [--keep DIR] "
                         "[--footage FILE]\n");
            return 2;
        }
    }
    namespace fs = std::filesystem;
    const fs::path dir =
        !keep.empty() ? fs::path(keep)
                      : fs::temp_directory_path() / ("clips_bench." + std::to_string(::getpid()));
    fs::create_directories(dir);

    if (footagePath.empty()) {
        footagePath = (dir / "footage.mp4").string();
        if (!fs::exists(footagePath)) {
            const std::string length = std::to_string(minutes * 60);
            std::printf("making %.0f min of 1080p30 footage...\n", minutes);
            std::fflush(stdout);
            const Timing made =
                RunChild({"ffmpeg",   "-v",
                          "error",    "-y",
                          "-f",       "lavfi",
                          "-i",       "testsrc2=size=1920x1080:rate=30:duration=" + length,
                          "-f",       "lavfi",
                          "-i",       "sine=frequency=440:sample_rate=48000:duration=" + length,
                          "-c:v",     "libx264",
                          "-preset",  "ultrafast",
                          "-g",       "60",
                          "-pix_fmt", "yuv420p",
                          "-c:a",     "aac",
                          footagePath});
            if (made.status != 0) {
                std::fprintf(stderr, "could not make the footage\n");
                return 1;
            }
            std::printf("  made in %.0f s\n", made.seconds);
        }
    }
    int64_t durationMs = 0;
    {
        const auto footage = Footage::open(footagePath);
        if (!footage) {
            std::fprintf(stderr, "%s\n", footage.error().text().c_str());
            return 1;
        }
        durationMs = footage.value()->info().durationMs;
    }
    const int64_t clipMs = static_cast<int64_t>(seconds * 1000);
    const double total = clips * seconds;

    // The ffmpeg program: one re-encode as long as all the clips, from the footage's middle.
    const std::string start = std::to_string(durationMs / 2000.0);
    const Timing ffmpeg =
        RunChild({"ffmpeg", "-v", "error", "-y", "-ss", start, "-i", footagePath, "-t",
                  std::to_string(total), "-c:v", "libx264", "-crf", std::to_string(kDefaultBurnCrf),
                  "-preset", kDefaultBurnPreset, "-c:a", "aac", (dir / "ffmpeg.mp4").string()});
    if (ffmpeg.status != 0) {
        std::fprintf(stderr, "the ffmpeg program failed\n");
        return 1;
    }

    // Ours: the clips spread evenly, each starting mid-way between key frames.
    ClipSettings settings;
    settings.footagePath = footagePath;
    const double cpuBefore = SelfCpu();
    const auto begin = std::chrono::steady_clock::now();
    int64_t frames = 0;
    for (int i = 0; i < clips; ++i) {
        const int64_t at = durationMs * (2 * i + 1) / (2 * clips) + 1033;
        const ClipResult result = CutClip(settings, {at, at + clipMs},
                                          (dir / ("clip" + std::to_string(i) + ".mp4")).string());
        if (!result.ok) {
            std::fprintf(stderr, "clip %d: %s\n", i, result.error.text().c_str());
            return 1;
        }
        frames += result.frames;
    }
    const double ours = Since(begin);
    const double oursCpu = SelfCpu() - cpuBefore;

    std::printf("footage: %.1f min; %d clips of %.1f s (%lld frames), crf %d, preset %s\n",
                durationMs / 60000.0, clips, seconds, static_cast<long long>(frames),
                kDefaultBurnCrf, kDefaultBurnPreset);
    std::printf("ffmpeg re-encoding %.0f s: %.1f s wall, %.1f s CPU\n", total, ffmpeg.seconds,
                ffmpeg.cpuSeconds);
    std::printf("ours, all clips:        %.1f s wall, %.1f s CPU\n", ours, oursCpu);
    std::printf("ratio ours/ffmpeg: %.2fx wall, %.2fx CPU (target: at most 2x)\n",
                ours / ffmpeg.seconds, oursCpu / std::max(0.001, ffmpeg.cpuSeconds));
    if (keep.empty()) {
        fs::remove_all(dir);
    }
    return 0;
}
