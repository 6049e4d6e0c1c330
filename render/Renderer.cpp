#include "render/Renderer.h"

#include "render/BackgroundPicture.h"
#include "render/Boards.h"
#include "render/Canvas.h"
#include "render/SummaryCard.h"

#include <QPainter>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cmath>

std::optional<Background> Background::parse(std::string_view text) {
    if (text == "picture") {
        return Background{};
    }
    if (text == "transparent" || text == "none") {
        return Background{Kind::Transparent, QColor()};
    }
    if (text.size() == 7 && text[0] == '#') {
        for (char c : text.substr(1)) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                return std::nullopt;
            }
        }
        const QColor colour(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
        if (colour.isValid()) {
            return Background{Kind::Colour, colour};
        }
    }
    return std::nullopt;
}

bool IsValidScale(double scale) {
    return std::isfinite(scale) && scale >= kMinScale && scale <= kMaxScale;
}

QSize BoardSize(double scale) {
    return QSize(static_cast<int>(std::lround(kBoardWidth * scale)),
                 static_cast<int>(std::lround(kBoardHeight * scale)));
}

namespace {

QImage::Format FormatFor(const Background& background) {
    return background.kind == Background::Kind::Transparent ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32;
}

void Prepare(QImage& into, const RenderOptions& options) {
    if (into.size() != PictureSize(options) || into.format() != FormatFor(options.background)) {
        into = MakeBoardImage(options);
    }
}

// Lays what lies behind the picture: black under the background picture (which covers it all
// unless the resources lack it), nothing at all, or one colour.
void LayBackground(QImage& into, const Background& background) {
    switch (background.kind) {
    case Background::Kind::Transparent:
        into.fill(Qt::transparent);
        return;
    case Background::Kind::Colour:
        into.fill(background.colour.rgb());
        return;
    case Background::Kind::Picture:
        break;
    }
    into.fill(Qt::black);
    const QImage picture = BackgroundPicture(into.size());
    if (!picture.isNull()) {
        QPainter painter(&into);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), picture);
    }
}

bool Broadcast(const RenderOptions& options) {
    return options.design == BoardDesign::Broadcast;
}

// The broadcast board after the entry at index (-1: the match's start) at moment t.
void DrawBroadcast(const Match& match, int index, std::optional<int64_t> t, QImage& into,
                   const RenderOptions& options) {
    Prepare(into, options);
    LayBackground(into, options.background);
    const BoardState state = BroadcastStateAt(match, index, t, options.broadcast);
    PaintBroadcast(into, LayoutBroadcast(state, into.size(), options.broadcast));
}

bool HasGame(const Match& match) {
    return match.gameKind == GameKind::X01 || match.gameKind == GameKind::Cricket;
}

} // namespace

void ApplyTheme(RenderOptions& options, const Theme& theme) {
    options.design =
        theme.design == Theme::Design::Classic ? BoardDesign::Classic : BoardDesign::Broadcast;
    options.broadcast.theme = theme;
}

QSize PictureSize(const RenderOptions& options) {
    if (Broadcast(options)) {
        return options.frameSize.isEmpty() ? QSize(1920, 1080) : options.frameSize;
    }
    return BoardSize(options.scale);
}

QImage MakeBoardImage(const RenderOptions& options) {
    QImage image(PictureSize(options), FormatFor(options.background));
    image.fill(options.background.kind == Background::Kind::Transparent ? Qt::transparent
                                                                        : Qt::black);
    return image;
}

void RenderTitle(QImage& into, const RenderOptions& options) {
    if (Broadcast(options)) {
        // Over footage a title screen would hide the match: the board shows the names and the
        // starting scores instead, once there is a match to show.
        Prepare(into, options);
        LayBackground(into, options.background);
        return;
    }
    Prepare(into, options);
    LayBackground(into, options.background);
    Canvas canvas(into, options.scale);
    PaintTitle(canvas);
}

bool HasEntryBoard(const Match& match, int index) {
    const Entry* shown = DrawableEntry(match, index);
    const int32_t kind = shown != nullptr ? GameKindOf(match, *shown) : GameKind::None;
    return kind == GameKind::X01 || kind == GameKind::Cricket;
}

bool RenderEntry(const Match& match, int index, QImage& into, const RenderOptions& options) {
    if (!HasEntryBoard(match, index)) {
        return false;
    }
    const Entry* shown = DrawableEntry(match, index);
    const int32_t kind = GameKindOf(match, *shown);
    if (Broadcast(options)) {
        DrawBroadcast(match, index, std::nullopt, into, options);
        return true;
    }
    Prepare(into, options);
    LayBackground(into, options.background);
    Canvas canvas(into, options.scale);
    if (kind == GameKind::X01) {
        Paint01Board(canvas, match, *shown);
    } else {
        PaintCricketBoard(canvas, match, *shown);
    }
    return true;
}

bool RenderMoment(const Match& match, int64_t t, QImage& into, const RenderOptions& options) {
    const int index = EntryAtMoment(match, t);
    if (Broadcast(options)) {
        if (!HasGame(match) || (index >= 0 && DrawableEntry(match, index) == nullptr)) {
            return false;
        }
        DrawBroadcast(match, index, t, into, options);
        return true;
    }
    if (index < 0) {
        RenderTitle(into, options);
        return true;
    }
    return RenderEntry(match, index, into, options);
}

int64_t MomentVariant(const Match& match, int64_t t, const RenderOptions& options) {
    if (!Broadcast(options) || !HasGame(match)) {
        return 0;
    }
    // Only the timed parts matter here: the route and the statistics follow the entry.
    BroadcastOptions timed = options.broadcast;
    timed.theme.showCheckout = false;
    timed.theme.showStats = false;
    const BoardState state = BroadcastStateAt(match, EntryAtMoment(match, t), t, timed);
    int64_t variant = state.popPlayer != 0 ? 1 : 0;
    if (state.event) {
        const int64_t step = std::lround(state.event->presence * 1000);
        variant += 2 * ((state.event->mark.entry + 1) * int64_t{1001} + step);
    }
    return variant;
}

bool RenderEndCard(const Match& match, QImage& into, const RenderOptions& options) {
    if (match.count() == 0 ||
        (match.gameKind != GameKind::X01 && match.gameKind != GameKind::Cricket)) {
        return false;
    }
    if (Broadcast(options)) {
        // The card at the classic layout, as large as a third of the frame's height allows
        // within the title-safe area, centred over the footage.
        Prepare(into, options);
        LayBackground(into, options.background);
        RenderOptions card = options;
        card.design = BoardDesign::Classic;
        card.background = Background{Background::Kind::Colour, QColor(Qt::black)};
        card.scale = std::clamp(
            std::min(into.height() * 0.6 / kBoardHeight, into.width() * 0.9 / kBoardWidth),
            kMinScale, kMaxScale);
        QImage picture = MakeBoardImage(card);
        Canvas canvas(picture, card.scale);
        PaintSummaryCard(canvas, match);
        // The result heads the card in the theme's accent: the board's own words for it.
        const std::string result =
            BroadcastStateAt(match, match.count() - 1, std::nullopt, options.broadcast).status;
        const int banner = result.empty() ? 0 : picture.height() / 7;
        const QPoint corner((into.width() - picture.width()) / 2,
                            (into.height() - picture.height() + banner) / 2);
        QPainter painter(&into);
        painter.setOpacity(options.broadcast.theme.opacity);
        painter.drawImage(corner, picture);
        if (banner > 0) {
            const Theme& theme = options.broadcast.theme;
            const QRect box(corner.x(), corner.y() - banner, picture.width(), banner);
            painter.fillRect(box, QColor::fromRgb(theme.accent));
            painter.setOpacity(1.0);
            QFont font(theme.font);
            font.setBold(true);
            font.setPixelSize(std::max(1, banner * 11 / 20));
            painter.setFont(font);
            painter.setPen(QColor::fromRgb(theme.accentText));
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.drawText(box, Qt::AlignCenter, QString::fromStdString(result));
        }
        return true;
    }
    Prepare(into, options);
    LayBackground(into, options.background);
    Canvas canvas(into, options.scale);
    PaintSummaryCard(canvas, match);
    return true;
}

int EntryAtMoment(const Match& match, int64_t t) {
    int reached = 0;
    for (const Entry& entry : match.entries) {
        if (entry.time > t) {
            break;
        }
        ++reached;
    }
    return reached - 1;
}
