#include "render/Boards.h"

#include <string>

namespace {

constexpr QRgb kLabelGrey = 0xFFE1E1E1;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kPlayer1Marks = 0xFFFF7F7F; // light red
constexpr QRgb kPlayer2Marks = 0xFF7F7FFF; // light blue
constexpr QRgb kClosedBar = 0xFF7F7F7F;
constexpr QRgb kPlayer1Red = 0xFFE10000;
constexpr QRgb kPlayer2Blue = 0xFF0000E1;
constexpr QRgb kBlack = 0xFF000000;

// The size of the target labels, and so of the mark symbols beside them.
constexpr int32_t kRowSize = 220;

struct TargetRow {
    const char* label;
    int target; // index into marks
    int y;
};

// Top to bottom: 20 down to 15, then the bull.
constexpr TargetRow kRows[] = {
    {"20", 6, 24},  {"19", 5, 56},  {"18", 4, 88}, {"17", 3, 120},
    {"16", 2, 152}, {"15", 1, 184}, {"B", 0, 216},
};

TextStyle Bold(int32_t size, Anchor horizontal, Anchor vertical, QRgb colour) {
    return {size, 700, colour, horizontal, vertical};
}

// Four-digit points need the smaller size to stay inside their box.
int32_t PointsSize(int32_t points) {
    return points >= 1000 ? 280 : 380;
}

} // namespace

void PaintCricketMark(Canvas& canvas, int x, int y, int count, int32_t size, QRgb colour) {
    const Pen pen{colour, 3};
    const int extent = size / 9;
    const int half = extent / 2;
    const int third = extent / 3;
    const int left = x - half;
    const int top = y - half;
    const int right = left + extent;
    const int bottom = top + extent;

    if (count < 0) {
        canvas.drawLine(left + third, y, right - third, y, pen);
        return;
    }
    if (count >= 3) {
        canvas.drawEllipse({left, top, right, bottom}, pen, kBlack);
    }
    if (count >= 1) {
        canvas.drawLine(right, top, left, bottom, pen);
    }
    if (count >= 2) {
        canvas.drawLine(left, top, right, bottom, pen);
    }
}

void PaintCricketBoard(Canvas& canvas, const Match& match, const Entry& shown) {
    canvas.drawText(15, 11, "Round", Bold(120, Anchor::Start, Anchor::Start, kLabelGrey));
    canvas.drawText(71, 24, std::to_string(shown.round),
                    Bold(200, Anchor::Start, Anchor::Centre, kLabelGrey));
    canvas.drawText(305, 11, "Cricket", Bold(120, Anchor::End, Anchor::Start, kLabelGrey));

    const TextStyle rowStyle = Bold(kRowSize, Anchor::Centre, Anchor::Centre, kWhite);
    for (const TargetRow& row : kRows) {
        canvas.drawText(160, row.y, row.label, rowStyle);
    }
    for (const TargetRow& row : kRows) {
        PaintCricketMark(canvas, 123, row.y, shown.marks[0][row.target], kRowSize, kPlayer1Marks);
    }
    for (const TargetRow& row : kRows) {
        PaintCricketMark(canvas, 197, row.y, shown.marks[1][row.target], kRowSize, kPlayer2Marks);
    }

    // A target both players have closed is struck through, over both players' symbols.
    for (const TargetRow& row : kRows) {
        if (shown.marks[0][row.target] == 3 && shown.marks[1][row.target] == 3) {
            canvas.drawLine(109, row.y, 211, row.y, Pen{kClosedBar, 5});
        }
    }

    for (int d = 1; d <= shown.dart; ++d) {
        const Entry* dart = FindDartOfTurn(match, shown, d);
        if (dart == nullptr) {
            break; // a gap in the turn hides this dart and every later one
        }
        const int y = 130 + 40 * (d - 1);
        const int x = dart->player == 1 ? 31 : 236;
        PaintCricketMark(canvas, x, y, dart->value >= 1 ? dart->value : -1, kRowSize, kWhite);
        canvas.drawText(x + 43, y, DartText(*dart, "-"), rowStyle);
    }

    const Pen outline{kWhite, 1};
    canvas.drawRoundRect({15, 45, 100, 100}, outline, shown.player == 1 ? kPlayer1Red : kBlack);
    canvas.drawText(58, 73, std::to_string(shown.score[0]),
                    Bold(PointsSize(shown.score[0]), Anchor::Centre, Anchor::Centre, kWhite));
    canvas.drawRoundRect({220, 45, 305, 100}, outline, shown.player == 2 ? kPlayer2Blue : kBlack);
    canvas.drawText(263, 73, std::to_string(shown.score[1]),
                    Bold(PointsSize(shown.score[1]), Anchor::Centre, Anchor::Centre, kWhite));
}
