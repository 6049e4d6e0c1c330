#include "render/SummaryCard.h"

#include "score/Statistics.h"
#include "score/Timeline.h"

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr QRgb kLabelGrey = 0xFFE1E1E1;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kPlayer1Red = 0xFFE10000;
constexpr QRgb kPlayer2Blue = 0xFF0000E1;

// The label column and the two players' columns (centres), in board pixels.
constexpr int kLabelX = 15;
constexpr int kColumnX[2] = {190, 268};
constexpr int kHeaderTop = 36;
constexpr int kHeaderBottom = 60;
constexpr int kRowsTop = 64;
constexpr int kRowsBottom = 234;

TextStyle Bold(int32_t size, Anchor horizontal, Anchor vertical, QRgb colour) {
    return {size, 700, colour, horizontal, vertical};
}

using Row = std::pair<const char*, std::vector<std::string>>;

std::vector<Row> Rows01(const std::vector<PlayerStatistics>& stats) {
    std::vector<Row> rows = {{"Darts", {}},   {"Points", {}},  {"Average", {}},
                             {"First 9", {}}, {"Highest", {}}, {"100-139", {}},
                             {"140-179", {}}, {"180", {}},     {"Checkout", {}}};
    for (const PlayerStatistics& s : stats) {
        rows[0].second.push_back(std::to_string(s.darts));
        rows[1].second.push_back(std::to_string(s.points));
        rows[2].second.push_back(PerThreeDarts(s.points, s.darts));
        rows[3].second.push_back(PerThreeDarts(s.first9Points, s.first9Darts));
        rows[4].second.push_back(std::to_string(s.highest));
        rows[5].second.push_back(std::to_string(s.tons));
        rows[6].second.push_back(std::to_string(s.ton40s));
        rows[7].second.push_back(std::to_string(s.ton80s));
        rows[8].second.push_back(s.checkout > 0 ? std::to_string(s.checkout) : "--");
    }
    return rows;
}

std::vector<Row> RowsCricket(const std::vector<PlayerStatistics>& stats) {
    std::vector<Row> rows = {{"Darts", {}}, {"Marks", {}}, {"MPR", {}}, {"Points", {}}};
    for (const PlayerStatistics& s : stats) {
        rows[0].second.push_back(std::to_string(s.darts));
        rows[1].second.push_back(std::to_string(s.marks));
        rows[2].second.push_back(PerThreeDarts(s.marks, s.darts));
        rows[3].second.push_back(std::to_string(s.cricketPoints));
    }
    return rows;
}

// A match's card: the match score first, then the figures over every leg (average over the
// 01 darts, MPR over the Cricket darts).
std::vector<Row> RowsMatch(const Match& match, const std::vector<PlayerStatistics>& stats) {
    bool any01 = false;
    bool anyCricket = false;
    for (const Leg& leg : match.legs) {
        (leg.gameKind == GameKind::Cricket ? anyCricket : any01) = true;
    }
    std::vector<Row> rows;
    auto row = [&rows](const char* label, auto figure, const std::vector<PlayerStatistics>& all) {
        Row r{label, {}};
        for (const PlayerStatistics& s : all) {
            r.second.push_back(figure(s));
        }
        rows.push_back(std::move(r));
    };
    using S = const PlayerStatistics&;
    if (match.setsToWin > 0) {
        row(
            "Sets", [](S s) { return std::to_string(s.setsWon); }, stats);
    }
    row(
        "Legs", [](S s) { return std::to_string(s.legsWon); }, stats);
    row(
        "Darts", [](S s) { return std::to_string(s.darts); }, stats);
    if (any01) {
        row(
            "Average", [](S s) { return PerThreeDarts(s.points, s.x01Darts); }, stats);
        row(
            "First 9", [](S s) { return PerThreeDarts(s.first9Points, s.first9Darts); }, stats);
        row(
            "180", [](S s) { return std::to_string(s.ton80s); }, stats);
        row(
            "Checkout",
            [](S s) { return s.checkout > 0 ? std::to_string(s.checkout) : std::string("--"); },
            stats);
        row(
            "Best leg",
            [](S s) { return s.bestLeg > 0 ? std::to_string(s.bestLeg) : std::string("--"); },
            stats);
        row(
            "Checkout %", [](S s) { return Percent(s.checkouts, s.finishDarts); }, stats);
    }
    if (anyCricket) {
        row(
            "MPR", [](S s) { return PerThreeDarts(s.marks, s.cricketDarts); }, stats);
    }
    return rows;
}

// A player's name as the card's narrow header box shows it: its first few characters.
std::string HeaderName(const Match& match, int p) {
    constexpr size_t kCharacters = 8;
    const std::string& name = match.names[p];
    if (name.empty()) {
        return p == 0 ? "Player1" : "Player2";
    }
    size_t characters = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && characters++ == kCharacters) {
            return name.substr(0, i);
        }
    }
    return name;
}

bool HasBoard(const Match& match) {
    return match.count() > 0 &&
           (match.gameKind == GameKind::X01 || match.gameKind == GameKind::Cricket);
}

} // namespace

int64_t EndCardStart(const Match& match) {
    return TimelineLength(match) - kEndCardMs;
}

bool ShowsEndCard(const Match& match, int64_t t) {
    return HasBoard(match) && t >= EndCardStart(match);
}

bool RenderVideoMoment(const Match& match, int64_t t, QImage& into, const RenderOptions& options,
                       bool endCard) {
    if (endCard && ShowsEndCard(match, t)) {
        return RenderEndCard(match, into, options);
    }
    return RenderMoment(match, t, into, options);
}

void PaintSummaryCard(Canvas& canvas, const Match& match) {
    const bool cricket = match.gameKind == GameKind::Cricket;
    const std::vector<PlayerStatistics> stats = ComputeStatistics(match);

    canvas.drawText(15, 8, "Stats", Bold(200, Anchor::Start, Anchor::Start, kLabelGrey));
    canvas.drawText(310, 8, match.game, Bold(200, Anchor::End, Anchor::Start, kLabelGrey));

    const Pen outline{kWhite, 1};
    const QRgb fills[2] = {kPlayer1Red, kPlayer2Blue};
    const std::string names[2] = {HeaderName(match, 0), HeaderName(match, 1)};
    const TextStyle nameStyle = Bold(110, Anchor::Centre, Anchor::Centre, kWhite);
    for (int p = 0; p < 2; ++p) {
        canvas.drawRoundRect({kColumnX[p] - 37, kHeaderTop, kColumnX[p] + 37, kHeaderBottom},
                             outline, fills[p]);
        canvas.drawText(kColumnX[p], (kHeaderTop + kHeaderBottom) / 2, names[p], nameStyle);
    }

    const std::vector<Row> rows = match.isMatch ? RowsMatch(match, stats)
                                  : cricket     ? RowsCricket(stats)
                                                : Rows01(stats);
    // Fewer rows (Cricket) get more room and larger figures.
    const int pitch = (kRowsBottom - kRowsTop) / static_cast<int>(rows.size());
    const int32_t size = cricket && !match.isMatch ? 200 : 110;
    const TextStyle label = Bold(size, Anchor::Start, Anchor::Centre, kLabelGrey);
    const TextStyle figure = Bold(size, Anchor::Centre, Anchor::Centre, kWhite);
    for (size_t r = 0; r < rows.size(); ++r) {
        const int y = kRowsTop + pitch * static_cast<int>(r) + pitch / 2;
        canvas.drawText(kLabelX, y, rows[r].first, label);
        for (size_t p = 0; p < rows[r].second.size() && p < 2; ++p) {
            canvas.drawText(kColumnX[p], y, rows[r].second[p], figure);
        }
    }
}
