#include "render/BroadcastBoard.h"

#include "render/Boards.h"
#include "score/Checkout.h"
#include "score/Evaluate.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <cstdio>

std::optional<BoardLayout> ParseBoardLayout(std::string_view text) {
    if (text == "corner") {
        return BoardLayout::Corner;
    }
    if (text == "lower-third") {
        return BoardLayout::LowerThird;
    }
    if (text == "vertical") {
        return BoardLayout::Vertical;
    }
    return std::nullopt;
}

const char* BoardLayoutName(BoardLayout layout) {
    switch (layout) {
    case BoardLayout::Corner:
        return "corner";
    case BoardLayout::LowerThird:
        return "lower-third";
    case BoardLayout::Vertical:
        return "vertical";
    }
    return "corner";
}

const SceneText* BoardScene::text(std::string_view role) const {
    for (const SceneText& item : texts) {
        if (item.role == role) {
            return &item;
        }
    }
    return nullptr;
}

namespace {

// The middle dot between the parts of the header.
const char kSep[] = " \xC2\xB7 ";

std::string PlayerName(const Match& match, int player) {
    const std::string& name = match.names[player - 1];
    return name.empty() ? "Player " + std::to_string(player) : name;
}

std::string Plural(int count, const char* one) {
    return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

std::string Header(const Match& match, const Entry* entry) {
    const Leg* leg = nullptr;
    if (entry != nullptr && entry->leg >= 0 && entry->leg < static_cast<int>(match.legs.size())) {
        leg = &match.legs[static_cast<size_t>(entry->leg)];
    }
    const bool cricket = (leg != nullptr ? leg->gameKind : match.gameKind) == GameKind::Cricket;
    std::string game =
        cricket ? "Cricket" : (leg != nullptr && !leg->game.empty() ? leg->game : match.game);
    if (!match.isMatch) {
        return game;
    }
    std::string header =
        game + kSep + "First to " +
        (match.setsToWin > 0 ? Plural(match.setsToWin, "set") : Plural(match.legsToWin, "leg"));
    if (leg != nullptr) {
        header += kSep;
        if (match.setsToWin > 0) {
            header +=
                "Set " + std::to_string(leg->set) + kSep + "Leg " + std::to_string(leg->legInSet);
        } else {
            header += "Leg " + std::to_string(leg->number);
        }
    }
    return header;
}

// The index of the last placed entry at or before index; -1 when none is.
int PlacedAtOrBefore(const Match& match, int index) {
    for (int i = std::min(index, match.count() - 1); i >= 0; --i) {
        const Entry& entry = match.entries[static_cast<size_t>(i)];
        if (entry.dart >= 0 && (entry.player == 1 || entry.player == 2)) {
            return i;
        }
    }
    return -1;
}

// The next placed entry after index, or null.
const Entry* NextPlaced(const Match& match, int index) {
    for (int i = index + 1; i < match.count(); ++i) {
        const Entry& entry = match.entries[static_cast<size_t>(i)];
        if (entry.dart >= 0) {
            return &entry;
        }
    }
    return nullptr;
}

std::string Average(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The 3-dart average (01) or marks per round (Cricket) of each player up to index.
void FillStats(const Match& match, int index, bool cricket, BoardState& state) {
    int darts[2] = {0, 0};
    int64_t points[2] = {0, 0};
    for (int i = 0; i <= index && i < match.count(); ++i) {
        const Entry& entry = match.entries[static_cast<size_t>(i)];
        if (entry.dart <= 0 || (entry.player != 1 && entry.player != 2)) {
            continue;
        }
        ++darts[entry.player - 1];
        if (cricket) {
            int32_t value = 0;
            points[entry.player - 1] += CricketHits(entry.kind, entry.number, value);
        } else {
            points[entry.player - 1] += std::max(entry.value, 0);
        }
    }
    for (int p = 0; p < 2; ++p) {
        const double average = darts[p] > 0 ? 3.0 * static_cast<double>(points[p]) / darts[p] : 0;
        state.stats[p] = (cricket ? "MPR " : "Avg ") + Average(average);
    }
}

} // namespace

BoardState BroadcastStateAt(const Match& match, int index, std::optional<int64_t> t,
                            const BroadcastOptions& options) {
    BoardState state;
    state.cricket = LegGameKind(match, std::max(index, 0)) == GameKind::Cricket;
    for (int p = 1; p <= 2; ++p) {
        state.names[p - 1] = QString::fromStdString(PlayerName(match, p));
    }
    state.showSets = match.setsToWin > 0;
    const int at = PlacedAtOrBefore(match, std::max(index, 0));
    const Entry* entry = at >= 0 ? &match.entries[static_cast<size_t>(at)] : nullptr;
    state.header = Header(match, entry);
    if (entry == nullptr) {
        return state;
    }
    for (int p = 0; p < 2; ++p) {
        state.score[p] = entry->score[p];
        state.legs[p] = entry->legsWon[p];
        state.sets[p] = entry->setsWon[p];
        for (int target = 0; target < kCricketTargets; ++target) {
            state.marks[p][target] = entry->marks[p][target];
        }
    }
    if (options.theme.showStats) {
        FillStats(match, index, state.cricket, state);
    }

    int dartsLeft = 0;
    if (index < 0) {
        // Before the first dart: the first thrower steps up.
        const int first =
            !match.legs.empty() ? match.legs.front().firstThrower : match.firstThrower;
        state.thrower = first == 2 ? 2 : 1;
        dartsLeft = 3;
    } else {
        state.visitPlayer = entry->player;
        // The darts of this visit, back to its turn start.
        std::vector<const Entry*> darts;
        for (int i = at; i >= 0 && entry->dart > 0; --i) {
            const Entry& dart = match.entries[static_cast<size_t>(i)];
            if (dart.dart < 0) {
                continue;
            }
            if (dart.dart == 0 || dart.leg != entry->leg || dart.player != entry->player ||
                dart.round != entry->round) {
                break;
            }
            darts.insert(darts.begin(), &dart);
        }
        for (const Entry* dart : darts) {
            state.visit.push_back(DartText(*dart, "-"));
            state.bust = state.bust || (!state.cricket && dart->value < 0);
        }
        state.visitTotal = entry->turnTotal;
        const int legWinner = LegWonAt(match, at);
        const Entry* next = NextPlaced(match, at);
        const bool visitOver =
            entry->dart > 0 && (state.bust || entry->dart >= 3 || legWinner != 0 ||
                                (next != nullptr && next->dart == 0));
        if (legWinner != 0) {
            const std::string name = PlayerName(match, legWinner);
            const bool setWon =
                match.setsToWin > 0 && at > 0 &&
                entry->setsWon[legWinner - 1] >
                    match.entries[static_cast<size_t>(at - 1)].setsWon[legWinner - 1];
            if (!match.isMatch) {
                state.status = name + " wins the game";
            } else if (match.winner != 0 && entry->leg + 1 >= static_cast<int>(match.legs.size())) {
                state.status = PlayerName(match, match.winner) + " wins the match";
            } else if (setWon) {
                state.status = name + " wins the set" + kSep + "Sets " +
                               std::to_string(entry->setsWon[0]) + "-" +
                               std::to_string(entry->setsWon[1]);
            } else if (match.isMatch) {
                state.status = name + " wins the leg" + kSep + "Legs " +
                               std::to_string(entry->legsWon[0]) + "-" +
                               std::to_string(entry->legsWon[1]);
            } else {
                state.status = name + " wins the leg";
            }
        } else {
            state.thrower = entry->player;
            dartsLeft = entry->dart == 0 ? 3 : (visitOver ? 0 : 3 - entry->dart);
        }
        if (t && visitOver && !state.cricket && *t >= entry->time && *t - entry->time < kPopOutMs) {
            state.popPlayer = entry->player;
            state.popTotal = state.bust ? 0 : state.visitTotal;
        }
    }
    // The route for the player at the oche, with the darts the visit has left.
    if (!state.cricket && state.thrower != 0 && dartsLeft > 0 && options.theme.showCheckout) {
        const CheckoutRules rules{match.out, match.separateBull == 0};
        state.route = CheckoutRoute(state.score[state.thrower - 1], dartsLeft, rules);
    }
    if (t) {
        state.event = EventAt(BoardEventMarks(match), *t, options.theme.events);
    }
    return state;
}

namespace {

QFont MakeFont(const Theme& theme, double pixels, int weight) {
    QFont font(theme.font.isEmpty() ? QStringLiteral("Noto Sans CJK JP") : theme.font);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

double Advance(const QFont& font, const QString& text) {
    return QFontMetricsF(font).horizontalAdvance(text);
}

// Builds the scene piece by piece; one place for the fonts and colours of each part.
struct Builder {
    const BoardState& state;
    const Theme& theme;
    double R;         // a player row's height: every size is a part of it
    double safeWidth; // of the title-safe area
    BoardScene scene;

    QFont nameFont() const { return MakeFont(theme, 0.46 * R, 600); }
    QFont scoreFont() const { return MakeFont(theme, 0.64 * R, 800); }
    QFont numberFont() const { return MakeFont(theme, 0.46 * R, 700); }
    QFont smallFont() const { return MakeFont(theme, 0.34 * R, 600); }
    QFont visitFont() const { return MakeFont(theme, 0.42 * R, 700); }

    void fill(const QRectF& box, QRgb colour, double radius, bool backdrop = true,
              double alpha = 1.0) {
        scene.fills.push_back(
            {box, colour, backdrop ? alpha * theme.opacity : alpha, radius, backdrop, false});
    }
    void text(std::string role, const QString& text, const QRectF& box, const QFont& font,
              QRgb colour, QRgb over, int align, double alpha = 1.0) {
        scene.texts.push_back({std::move(role), text, box, font, colour, over, align, alpha});
    }
    static QString Q(const std::string& text) { return QString::fromStdString(text); }

    // Widths of the columns of a player row.
    double stripe() const { return 0.12 * R; }
    double marker() const { return 0.5 * R; }
    double number() const { return 0.95 * R; }
    double markColumn() const { return 0.85 * R; }
    double scoreWidth() const { return state.cricket ? 1.7 * R : 1.95 * R; }
    double fixedRowWidth() const {
        return stripe() + marker() + (state.showSets ? number() : 0) + number() +
               (state.cricket ? kCricketTargets * markColumn() : 0) + scoreWidth();
    }
    double nameWanted() const {
        const QFont font = nameFont();
        const double widest =
            std::max(Advance(font, state.names[0]), Advance(font, state.names[1]));
        // The header shares the name column's width above the rows.
        const double header = theme.showHeader ? Advance(smallFont(), Q(state.header)) : 0;
        return std::clamp(std::max(widest + 0.4 * R, header + 0.3 * R), 3.2 * R, 9.0 * R);
    }
    double visitWanted() const {
        // Three dart slots, the total, and a three-dart route.
        return 3 * 1.2 * R + 1.5 * R + Advance(visitFont(), QStringLiteral("T20 T20 D20")) +
               0.8 * R;
    }

    // The labels over the columns of the player rows: sets, legs and the Cricket targets (a
    // target both players closed is dimmed). Returns where the columns start.
    double columnLabels(double rowLeft, double nameWidth, double top, double height) {
        double x = rowLeft + stripe() + marker() + nameWidth;
        const double start = x;
        const QFont font = smallFont();
        if (state.showSets) {
            text("label-sets", QStringLiteral("Sets"), QRectF(x, top, number(), height), font,
                 theme.muted, theme.panel, Qt::AlignCenter);
            x += number();
        }
        text("label-legs", QStringLiteral("Legs"), QRectF(x, top, number(), height), font,
             theme.muted, theme.panel, Qt::AlignCenter);
        x += number();
        if (state.cricket) {
            static const char* labels[kCricketTargets] = {"20", "19", "18", "17", "16", "15", "B"};
            for (int column = 0; column < kCricketTargets; ++column) {
                const int target = column == 6 ? 0 : 6 - column;
                const bool closed = state.marks[0][target] >= 3 && state.marks[1][target] >= 3;
                text(std::string("target") + labels[column], Q(labels[column]),
                     QRectF(x + column * markColumn(), top, markColumn(), height), font,
                     closed ? theme.muted : theme.text, theme.panel, Qt::AlignCenter);
            }
        }
        return start;
    }

    // One player's row: stripe, throw marker, name, sets, legs, Cricket marks, score.
    void playerRow(int player, double left, double top, double nameWidth) {
        const int p = player - 1;
        const std::string n = std::to_string(player);
        double x = left;
        fill(QRectF(x, top + 0.12 * R, stripe(), 0.76 * R), theme.player[p], 0, false);
        x += stripe();
        if (state.thrower == player) {
            scene.fills.push_back({QRectF(x + 0.16 * R, top + 0.34 * R, 0.22 * R, 0.32 * R),
                                   theme.marker, 1.0, 0, false, true});
        }
        x += marker();
        const QFont font = nameFont();
        const QString name =
            QFontMetricsF(font).elidedText(state.names[p], Qt::ElideRight, nameWidth - 0.2 * R);
        text("name" + n, name, QRectF(x, top, nameWidth, R), font, theme.text, theme.panel,
             Qt::AlignLeft | Qt::AlignVCenter);
        x += nameWidth;
        if (state.showSets) {
            text("sets" + n, QString::number(state.sets[p]), QRectF(x, top, number(), R),
                 numberFont(), theme.text, theme.panel, Qt::AlignCenter);
            x += number();
        }
        text("legs" + n, QString::number(state.legs[p]), QRectF(x, top, number(), R), numberFont(),
             theme.text, theme.panel, Qt::AlignCenter);
        x += number();
        if (state.cricket) {
            for (int column = 0; column < kCricketTargets; ++column) {
                const int target = column == 6 ? 0 : 6 - column;
                const int count = state.marks[p][target];
                const bool closed = state.marks[0][target] >= 3 && state.marks[1][target] >= 3;
                if (count > 0) {
                    scene.marks.push_back(
                        {QPointF(x + (column + 0.5) * markColumn(), top + 0.5 * R), 0.5 * R, count,
                         closed ? theme.muted : theme.text,
                         "marks" + n + "-" + std::to_string(column == 6 ? 25 : 20 - column)});
                }
            }
            x += kCricketTargets * markColumn();
        }
        const QRectF cell(x, top + 0.08 * R, scoreWidth() - 0.14 * R, 0.84 * R);
        fill(cell, theme.panelAlt, 0.12 * R);
        text("score" + n, QString::number(state.score[p]), cell, scoreFont(), theme.text,
             theme.panelAlt, Qt::AlignCenter);
    }

    // The visit in progress (darts and total) or, between legs, who won; then the route.
    void visitRow(double left, double top, double width, double height, bool routeBelow) {
        const double pad = 0.3 * R;
        if (!state.status.empty()) {
            text("status", Q(state.status), QRectF(left + pad, top, width - 2 * pad, height),
                 visitFont(), theme.accent, theme.panel, Qt::AlignLeft | Qt::AlignVCenter);
            return;
        }
        const double rowHeight = routeBelow ? height / 2 : height;
        double x = left + pad;
        if (theme.showVisit) {
            for (size_t i = 0; i < 3; ++i) {
                const QString dart = i < state.visit.size() ? Q(state.visit[i]) : QString();
                if (!dart.isEmpty()) {
                    text("dart" + std::to_string(i + 1), dart, QRectF(x, top, 1.2 * R, rowHeight),
                         visitFont(), theme.text, theme.panel, Qt::AlignLeft | Qt::AlignVCenter);
                }
                x += 1.2 * R;
            }
            if (!state.visit.empty() && !state.cricket) {
                text("visit",
                     state.bust ? QStringLiteral("BUST") : QString::number(state.visitTotal),
                     QRectF(x, top, 1.5 * R, rowHeight), visitFont(), theme.muted, theme.panel,
                     Qt::AlignLeft | Qt::AlignVCenter);
            }
            x += 1.5 * R;
        }
        if (!state.route.empty()) {
            QStringList darts;
            for (const std::string& dart : state.route) {
                darts << Q(dart);
            }
            const QRectF box = routeBelow
                                   ? QRectF(left + pad, top + rowHeight, width - 2 * pad, rowHeight)
                                   : QRectF(x, top, left + width - pad - x, rowHeight);
            text("route", darts.join(QLatin1Char(' ')), box, visitFont(), theme.accent, theme.panel,
                 (routeBelow ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        }
    }

    void statsRow(double left, double top, double width, double height) {
        const double pad = 0.3 * R;
        const double half = (width - 2 * pad) / 2;
        for (int p = 0; p < 2; ++p) {
            text("stats" + std::to_string(p + 1), Q(state.stats[p]),
                 QRectF(left + pad + p * half, top, half, height), smallFont(), theme.muted,
                 theme.panel, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

    // The visit's total beside the thrower's score, right of the block.
    void popOut(double panelRight, double rowTop) {
        const QRectF box(panelRight + 0.15 * R, rowTop + 0.1 * R, 1.5 * R, 0.8 * R);
        fill(box, theme.accent, 0.15 * R);
        text("pop", state.popTotal > 0 ? QString::number(state.popTotal) : QStringLiteral("BUST"),
             box, numberFont(), theme.accentText, theme.accent, Qt::AlignCenter);
    }

    // The event graphic, sliding out of the block's edge on the side away from the frame's.
    void event(const QRectF& panel, bool above) {
        if (!state.event) {
            return;
        }
        const ActiveEvent& active = *state.event;
        const double height = 0.95 * R;
        const double gap = 0.15 * R;
        const double slide = (1.0 - active.presence) * 0.6 * R;
        const double top =
            above ? panel.top() - gap - height + slide : panel.bottom() + gap - slide;
        const QString words = eventWords(active.mark);
        const QFont font = MakeFont(theme, 0.5 * R, 800);
        const double pad = 0.3 * R;
        const double width = std::max(panel.width(), Advance(font, words) + 2 * pad);
        const QRectF box(panel.left(), top, std::min(width, safeWidth), height);
        fill(box, theme.accent, theme.radius * R, true, active.presence);
        text("event", words, box.adjusted(pad, 0, -pad, 0), font, theme.accentText, theme.accent,
             Qt::AlignCenter, active.presence);
    }

    QString eventWords(const EventMark& mark) const {
        const std::string name = state.names[mark.player - 1].toStdString();
        std::string words;
        switch (mark.kind) {
        case BoardEvent::OneEighty:
            words = "180";
            break;
        case BoardEvent::Ton:
            words = "Ton+ " + std::to_string(mark.value);
            break;
        case BoardEvent::Bust:
            words = "Bust";
            break;
        case BoardEvent::Leg:
            // A Cricket leg has no checkout to show.
            words = mark.value > 0
                        ? "Leg" + std::string(kSep) + "Checkout " + std::to_string(mark.value)
                        : std::string("Leg");
            break;
        case BoardEvent::Set:
            words = "Set";
            break;
        case BoardEvent::Match:
            words = "Game shot and the match";
            break;
        }
        return Q(name + kSep + words);
    }
};

} // namespace

BoardScene LayoutBroadcast(const BoardState& state, QSize size, const BroadcastOptions& options) {
    const Theme& theme = options.theme;
    const double W = size.width();
    const double H = size.height();
    double R = options.layout == BoardLayout::Vertical     ? W * 0.062
               : options.layout == BoardLayout::LowerThird ? H * 0.05
                                                           : H * 0.05;
    Builder b{state, theme, R, 0.9 * W, {}};
    b.scene.size = size;
    const double marginX = 0.05 * W;
    const double marginY = 0.05 * H;
    const bool top =
        options.corner == BoardCorner::TopLeft || options.corner == BoardCorner::TopRight;
    const bool right =
        options.corner == BoardCorner::TopRight || options.corner == BoardCorner::BottomRight;
    const double popRoom = 1.65 * R;
    const double headerH = 0.62 * R; // the column labels, and the header when shown
    const bool visitShown = theme.showVisit || !state.route.empty() || !state.status.empty();
    const double statsH = theme.showStats ? 0.6 * R : 0;

    if (options.layout == BoardLayout::LowerThird) {
        // The players on the left, the visit and the route on the right, the header as a tab
        // above the bar.
        const double width = W - 2 * marginX;
        double nameWidth = b.nameWanted();
        const double rowsWidth = b.fixedRowWidth() + nameWidth;
        const double barH = 2 * R;
        const QRectF bar(marginX, H - marginY - barH, width, barH);
        const QRectF tab(marginX, bar.top() - headerH, rowsWidth, headerH + theme.radius * R);
        b.fill(tab, theme.panel, theme.radius * R);
        b.fill(bar, theme.panel, theme.radius * R);
        b.scene.panel = bar.united(tab);
        b.columnLabels(bar.left(), nameWidth, tab.top(), headerH);
        if (theme.showHeader) {
            const QFont font = b.smallFont();
            b.text("header",
                   QFontMetricsF(font).elidedText(Builder::Q(state.header), Qt::ElideRight,
                                                  nameWidth - 0.2 * R),
                   QRectF(tab.left() + b.stripe() + b.marker(), tab.top(), nameWidth, headerH),
                   font, theme.muted, theme.panel, Qt::AlignLeft | Qt::AlignVCenter);
        }
        for (int p = 1; p <= 2; ++p) {
            b.playerRow(p, bar.left(), bar.top() + (p - 1) * R, nameWidth);
        }
        const double visitLeft = bar.left() + rowsWidth + 0.2 * R;
        if (visitShown) {
            b.visitRow(visitLeft, bar.top(),
                       bar.right() - visitLeft - (theme.showStats ? 2.4 * R : 0), barH, true);
        }
        if (theme.showStats) {
            for (int p = 0; p < 2; ++p) {
                b.text("stats" + std::to_string(p + 1), Builder::Q(state.stats[p]),
                       QRectF(bar.right() - 2.4 * R, bar.top() + p * R, 2.1 * R, R), b.smallFont(),
                       theme.muted, theme.panel, Qt::AlignRight | Qt::AlignVCenter);
            }
        }
        if (state.popPlayer != 0) {
            // Inside the bar, over the visit area's right end: the bar spans the safe area.
            const QRectF box(bar.right() - 1.8 * R, bar.top() + (state.popPlayer - 1) * R + 0.1 * R,
                             1.5 * R, 0.8 * R);
            b.fill(box, theme.accent, 0.15 * R);
            b.text("pop",
                   state.popTotal > 0 ? QString::number(state.popTotal) : QStringLiteral("BUST"),
                   box, b.numberFont(), theme.accentText, theme.accent, Qt::AlignCenter);
        }
        b.event(QRectF(bar.left(), b.scene.panel.top(), rowsWidth, barH), true);
        return std::move(b.scene);
    }

    // Corner and vertical: a block of header, rows, visit and statistics.
    const double visitH = visitShown ? 0.8 * R : 0;
    double nameWidth = b.nameWanted();
    double width = std::max(b.fixedRowWidth() + nameWidth, visitShown ? b.visitWanted() : 0);
    if (options.layout == BoardLayout::Vertical) {
        width = W - 2 * marginX;
    }
    nameWidth = width - b.fixedRowWidth();
    const double height = headerH + 2 * R + visitH + statsH + 0.1 * R;
    double left = right ? W - marginX - width - popRoom : marginX;
    if (options.layout == BoardLayout::Vertical) {
        left = marginX;
    }
    const double topY = top ? marginY : H - marginY - height;
    const QRectF panel(left, topY, width, height);
    b.fill(panel, theme.panel, theme.radius * R);
    b.scene.panel = panel;
    double y = topY + 0.05 * R;
    if (headerH > 0) {
        const double columns = b.columnLabels(left, nameWidth, y, headerH);
        if (theme.showHeader) {
            const double headerLeft = left + b.stripe() + b.marker();
            const double headerWidth = columns - headerLeft - 0.1 * R;
            b.text("header",
                   QFontMetricsF(b.smallFont())
                       .elidedText(Builder::Q(state.header), Qt::ElideRight, headerWidth),
                   QRectF(headerLeft, y, headerWidth, headerH), b.smallFont(), theme.muted,
                   theme.panel, Qt::AlignLeft | Qt::AlignVCenter);
        }
        y += headerH;
    }
    for (int p = 1; p <= 2; ++p) {
        b.playerRow(p, left, y + (p - 1) * R, nameWidth);
    }
    if (state.popPlayer != 0 && options.layout != BoardLayout::Vertical) {
        b.popOut(panel.right(), y + (state.popPlayer - 1) * R);
    }
    y += 2 * R;
    if (visitShown) {
        b.visitRow(left, y, width, visitH, false);
        y += visitH;
    }
    if (theme.showStats) {
        b.statsRow(left, y, width, statsH);
    }
    if (state.popPlayer != 0 && options.layout == BoardLayout::Vertical) {
        // No room beside the block on a phone frame: the total sits in the visit row's end.
        const QRectF box(panel.right() - 1.8 * R, y - visitH + 0.05 * R, 1.5 * R, visitH - 0.1 * R);
        b.fill(box, theme.accent, 0.15 * R);
        b.text("pop", state.popTotal > 0 ? QString::number(state.popTotal) : QStringLiteral("BUST"),
               box, b.numberFont(), theme.accentText, theme.accent, Qt::AlignCenter);
    }
    b.event(panel, !top);
    return std::move(b.scene);
}

namespace {

void PaintMark(QPainter& painter, const SceneMark& mark) {
    const double h = mark.size / 2;
    QPen pen(QColor::fromRgb(mark.colour));
    pen.setWidthF(std::max(1.0, mark.size * 0.13));
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPointF c = mark.centre;
    const double d = h * 0.72;
    painter.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
    if (mark.count >= 2) {
        painter.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
    }
    if (mark.count >= 3) {
        painter.drawEllipse(c, h * 1.05, h * 1.05);
    }
}

} // namespace

void PaintBroadcast(QImage& into, const BoardScene& scene) {
    QPainter painter(&into);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const bool alpha = into.hasAlphaChannel();
    for (const SceneFill& fill : scene.fills) {
        QColor colour = QColor::fromRgb(fill.colour);
        colour.setAlphaF(static_cast<float>(fill.alpha));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        // A backdrop replaces what a transparent picture holds, so that its alpha is the
        // theme's opacity however the parts of the panel overlap.
        painter.setCompositionMode(alpha && fill.backdrop ? QPainter::CompositionMode_Source
                                                          : QPainter::CompositionMode_SourceOver);
        if (fill.triangle) {
            const QRectF& b = fill.box;
            painter.drawPolygon(
                QPolygonF({b.topLeft(), QPointF(b.right(), b.center().y()), b.bottomLeft()}));
        } else if (fill.radius > 0) {
            painter.drawRoundedRect(fill.box, fill.radius, fill.radius);
        } else {
            painter.drawRect(fill.box);
        }
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const SceneMark& mark : scene.marks) {
        PaintMark(painter, mark);
    }
    for (const SceneText& text : scene.texts) {
        QColor colour = QColor::fromRgb(text.colour);
        colour.setAlphaF(static_cast<float>(text.alpha));
        painter.setPen(colour);
        painter.setFont(text.font);
        painter.drawText(text.box, text.align, text.text);
    }
}
