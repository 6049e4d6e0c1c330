#include "render/Boards.h"

#include <string>

namespace {

constexpr QRgb kLabelGrey = 0xFFE1E1E1;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kPlayer1Red = 0xFFE10000;
constexpr QRgb kPlayer2Blue = 0xFF0000E1;
constexpr QRgb kBlack = 0xFF000000;

TextStyle Bold(int32_t size, Anchor horizontal, Anchor vertical, QRgb colour) {
    return {size, 700, colour, horizontal, vertical};
}

} // namespace

void Paint01Board(Canvas& canvas, const Match& match, const Entry& shown) {
    const bool bust = shown.value < 0;
    const TextStyle label = Bold(200, Anchor::Start, Anchor::Start, kLabelGrey);

    canvas.drawText(15, 10, "Round " + std::to_string(shown.round), label);
    canvas.drawText(310, 10, GameOf(match, shown),
                    Bold(200, Anchor::End, Anchor::Start, kLabelGrey));

    const TextStyle dartStyle = Bold(250, Anchor::Centre, Anchor::Centre, kLabelGrey);
    for (int d = 1; d <= shown.dart; ++d) {
        const Entry* dart = FindDartOfTurn(match, shown, d);
        if (dart == nullptr) {
            break; // a gap in the turn hides this dart and every later one
        }
        canvas.drawText(83 + 77 * (d - 1), 154, DartText(*dart, "--"), dartStyle);
    }

    canvas.drawText(10, 100, "Score", Bold(120, Anchor::Start, Anchor::Centre, kLabelGrey));
    canvas.drawText(10, 125, bust ? std::string("--") : std::to_string(shown.turnTotal),
                    Bold(200, Anchor::Start, Anchor::Centre, kLabelGrey));

    const Pen outline{kWhite, 1};
    canvas.drawRoundRect({15, 175, 150, 230}, outline, shown.player == 1 ? kPlayer1Red : kBlack);
    canvas.drawRoundRect({170, 175, 305, 230}, outline, shown.player == 2 ? kPlayer2Blue : kBlack);

    const TextStyle scoreStyle = Bold(440, Anchor::Centre, Anchor::Centre, kWhite);
    canvas.drawText(83, 203, std::to_string(shown.score[0]), scoreStyle);
    canvas.drawText(238, 203, std::to_string(shown.score[1]), scoreStyle);

    if (bust) {
        canvas.drawText(160, 90, "Bust", Bold(550, Anchor::Centre, Anchor::Centre, kWhite));
    } else {
        canvas.drawText(160, 90, std::to_string(shown.score[shown.player - 1]),
                        Bold(800, Anchor::Centre, Anchor::Centre, kWhite));
    }
}
