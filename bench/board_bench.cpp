// The broadcast board's cost in an export, against the classic board and the ffmpeg program.
//
// Builds a 40-round 501 match (about 20 minutes at 15 fps, legs that end and start again,
// with 180s, tons, busts and checkouts, so that the event graphics come up throughout) and
// exports it at 1080p as ProRes 4444 with alpha:
//   classic    the classic board placed in the frame, as the presets for editors draw it;
//   broadcast  the broadcast board (theme broadcast, corner, every event graphic on);
//   ffmpeg     the ffmpeg program encoding the broadcast frames, fed as raw BGRA through a
//              pipe with the codec settings our output uses.
// It prints the seconds and frames per second of each, broadcast / classic (the board may
// cost at most twice the classic export) and broadcast / ffmpeg.
//
// usage: board_bench [--rounds N] [--no-ffmpeg]

#include "render/Renderer.h"
#include "render/Theme.h"
#include "score/ScoreData.h"
#include "score/Timeline.h"
#include "video/Export.h"
#include "video/ExportPlan.h"
#include "video/FrameClock.h"
#include "video/FrameSource.h"

#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

namespace {

// Visits drawn from a few shapes a real match has: scoring visits, tons, the odd 180, and a
// checkout attempt once a player is in reach. Entries are filled as the 01 evaluation fills
// them, with legs.
void BuildMatch(Match& match, int rounds) {
    match.game = "501";
    match.gameKind = GameKind::X01;
    match.isMatch = true;
    match.legsToWin = 99;
    match.out = OutRule::Double;
    match.names[0] = "Anna Weber";
    match.names[1] = "Taro Yamada";
    std::mt19937 random(20260101);
    auto between = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    int left[2] = {501, 501};
    int legsWon[2] = {0, 0};
    int32_t now = 0;
    auto newLeg = [&](int first) {
        Leg& leg = match.legs.emplace_back();
        leg.number = static_cast<int32_t>(match.legs.size());
        leg.game = "501";
        leg.gameKind = GameKind::X01;
        leg.firstThrower = first;
        leg.legInSet = leg.number;
        leg.firstEntry = match.count();
        left[0] = left[1] = 501;
    };
    newLeg(1);
    for (int round = 1; round <= rounds; ++round) {
        for (int player = 1; player <= 2; ++player) {
            const int p = player - 1;
            auto add = [&](int dart, int kind, int number, int value, int total) {
                Entry& entry = match.append();
                entry.time = now;
                entry.player = player;
                entry.round = round;
                entry.dart = dart;
                entry.kind = kind;
                entry.number = number;
                entry.value = value;
                entry.turnTotal = total;
                entry.score[0] = left[0];
                entry.score[1] = left[1];
                entry.leg = static_cast<int32_t>(match.legs.size()) - 1;
                entry.legsWon[0] = legsWon[0];
                entry.legsWon[1] = legsWon[1];
                ++match.legs.back().entryCount;
            };
            add(0, Hit::None, 0, 0, 0);
            now += between(800, 1500);
            const int start = left[p];
            int total = 0;
            bool over = false;
            for (int dart = 1; dart <= 3 && !over; ++dart) {
                int kind = Hit::Triple;
                int number = between(0, 5) == 0 ? 19 : 20;
                if (left[p] <= 40 && left[p] % 2 == 0) {
                    kind = between(0, 2) == 0 ? Hit::Double : Hit::Single;
                    number = kind == Hit::Double ? left[p] / 2 : 1;
                } else if (left[p] <= 60) {
                    kind = Hit::Single;
                    number = left[p] % 2 == 0 ? 20 : 19;
                } else if (between(0, 3) == 0) {
                    kind = Hit::Single;
                    number = between(1, 20);
                }
                const int points = kind == Hit::Triple   ? 3 * number
                                   : kind == Hit::Double ? 2 * number
                                                         : number;
                total += points;
                const int rest = left[p] - points;
                const bool bust = rest < 0 || rest == 1 || (rest == 0 && kind != Hit::Double);
                left[p] = bust ? start : rest;
                const bool won = !bust && rest == 0;
                if (won) {
                    ++legsWon[p];
                    match.legs.back().winner = player;
                }
                add(dart, kind, number, bust ? -1 : points, total);
                now += dart < 3 ? between(1200, 2600) : between(7000, 12000);
                over = bust || won;
                if (won) {
                    now += 8000;
                    newLeg(match.legs.size() % 2 == 0 ? 2 : 1);
                }
            }
        }
    }
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

ExportRequest Request(const std::string& path, bool broadcast) {
    ExportRequest request;
    request.path = path;
    request.codec = VideoCodec::ProRes;
    request.frameSize = QSize(1920, 1080);
    request.render.background = *Background::parse("transparent");
    request.render.scale = DefaultBoardScale(request.frameSize);
    if (broadcast) {
        ApplyTheme(request.render, *BuiltInTheme("broadcast"));
        request.render.broadcast.theme.events = kAllBoardEvents;
        request.render.frameSize = request.frameSize;
    }
    return request;
}

// Our export of the request; its seconds, or a negative number on failure.
double TimeExport(const Match& match, const ExportRequest& request) {
    const auto start = std::chrono::steady_clock::now();
    const ExportResult result = ExportVideo(match, request, nullptr, nullptr);
    if (result.outcome != ExportOutcome::Finished) {
        std::fprintf(stderr, "export failed: %s\n", result.error.text().c_str());
        return -1;
    }
    return Seconds(start);
}

// The ffmpeg program encoding the same frames our broadcast export draws.
double TimeFfmpeg(const Match& match, const ExportRequest& request, const std::string& path) {
    FrameSource source(match, request.render);
    const FrameClock clock(request.rate, TimelineLength(source.match()));
    const std::string command =
        "ffmpeg -v error -y -f rawvideo -pix_fmt bgra -s 1920x1080 -r " + request.rate.toString() +
        " -i - -c:v prores_ks -profile:v 4444 -pix_fmt yuva444p10le -q:v 2 -alpha_bits 16 '" +
        path + "'";
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = popen(command.c_str(), "w");
    if (pipe == nullptr) {
        return -1;
    }
    for (int64_t n = 0; n < clock.frameCount(); ++n) {
        source.advanceTo(clock.momentOf(n));
        const QImage& picture = source.picture();
        const size_t bytes = static_cast<size_t>(picture.sizeInBytes());
        if (std::fwrite(picture.constBits(), 1, bytes, pipe) != bytes) {
            pclose(pipe);
            return -1;
        }
    }
    return pclose(pipe) == 0 ? Seconds(start) : -1;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int rounds = 40;
    bool ffmpeg = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--no-ffmpeg") == 0) {
            ffmpeg = false;
        } else {
            std::fprintf(stderr, "usage: board_bench [--rounds N] [--no-ffmpeg]\n");
            return 2;
        }
    }
    Match match;
    BuildMatch(match, rounds);
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("board_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    const ExportRequest classic = Request((dir / "classic.mov").string(), false);
    const ExportRequest broadcast = Request((dir / "broadcast.mov").string(), true);
    const int64_t frames = PlanExport(match, broadcast).frames;
    std::printf("%d rounds, %zu legs, %lld frames at 1080p, ProRes 4444 with alpha\n", rounds,
                match.legs.size(), static_cast<long long>(frames));
    const double classicSeconds = TimeExport(match, classic);
    const double broadcastSeconds = TimeExport(match, broadcast);
    if (classicSeconds < 0 || broadcastSeconds < 0) {
        std::filesystem::remove_all(dir);
        return 1;
    }
    std::printf("classic board    %8.2f s  %7.1f fps\n", classicSeconds, frames / classicSeconds);
    std::printf("broadcast board  %8.2f s  %7.1f fps\n", broadcastSeconds,
                frames / broadcastSeconds);
    std::printf("broadcast / classic  %.2f (at most 2)\n", broadcastSeconds / classicSeconds);
    if (ffmpeg) {
        const double ffmpegSeconds = TimeFfmpeg(match, broadcast, (dir / "ffmpeg.mov").string());
        if (ffmpegSeconds < 0) {
            std::fprintf(stderr, "the ffmpeg program failed\n");
        } else {
            std::printf("ffmpeg program   %8.2f s  %7.1f fps\n", ffmpegSeconds,
                        frames / ffmpegSeconds);
            std::printf("broadcast / ffmpeg   %.2f\n", broadcastSeconds / ffmpegSeconds);
        }
    }
    std::filesystem::remove_all(dir);
    return 0;
}
