#include "app/ScoringPad.h"

#include "score/MatchSheet.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The numbers clockwise from the top, each in an 18 degree wedge centred on its angle.
constexpr int kOrder[20] = {20, 1, 18, 4, 13, 6, 10, 15, 2, 17, 3, 19, 7, 16, 8, 11, 14, 9, 12, 5};
constexpr double kBull = 6.35;
constexpr double kOuterBull = 15.9;
constexpr double kTrebleIn = 99;
constexpr double kTrebleOut = 107;
constexpr double kDoubleIn = 162;
constexpr double kDoubleOut = 170;
constexpr double kNumbers = 200; // radius the numbers are drawn at
constexpr double kEdge = 225;    // the board's drawn edge
constexpr double kPi = 3.14159265358979323846;

// The wedge of an angle in degrees clockwise from the top.
int WedgeAt(double degrees) {
    const double d = std::fmod(degrees + 9 + 360, 360);
    return static_cast<int>(d / 18) % 20;
}

int WedgeOf(int number) {
    for (int i = 0; i < 20; ++i) {
        if (kOrder[i] == number) {
            return i;
        }
    }
    return 0;
}

// The ring a token lies in: inner and outer radius (mm) and the wedge (-1: all around).
bool AreaOf(const QString& token, double& inner, double& outer, int& wedge) {
    wedge = -1;
    if (token == "DB") {
        inner = 0;
        outer = kBull;
        return true;
    }
    if (token == "SB") {
        inner = kBull;
        outer = kOuterBull;
        return true;
    }
    if (token == "0") {
        inner = kDoubleOut;
        outer = kEdge;
        return true;
    }
    const QChar ring = token.isEmpty() ? QChar() : token[0];
    bool ok = false;
    const int number = (ring.isDigit() ? token : token.mid(1)).toInt(&ok);
    if (!ok || number < 1 || number > 20) {
        return false;
    }
    wedge = WedgeOf(number);
    if (ring == 'T') {
        inner = kTrebleIn;
        outer = kTrebleOut;
    } else if (ring == 'D') {
        inner = kDoubleIn;
        outer = kDoubleOut;
    } else {
        inner = kTrebleOut; // the larger, outer single bed
        outer = kDoubleIn;
    }
    return true;
}

QPainterPath Ring(double inner, double outer, int wedge) {
    QPainterPath path;
    if (wedge < 0) {
        path.addEllipse(QPointF(), outer, outer);
        if (inner > 0) {
            QPainterPath hole;
            hole.addEllipse(QPointF(), inner, inner);
            path = path.subtracted(hole);
        }
        return path;
    }
    // Qt's angles run counter-clockwise from three o'clock.
    const double start = 90 - (wedge * 18 - 9);
    path.arcMoveTo(QRectF(-outer, -outer, 2 * outer, 2 * outer), start);
    path.arcTo(QRectF(-outer, -outer, 2 * outer, 2 * outer), start, -18);
    path.arcTo(QRectF(-inner, -inner, 2 * inner, 2 * inner), start - 18, 18);
    path.closeSubpath();
    return path;
}

} // namespace

DartBoardWidget::DartBoardWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(160, 160);
    setCursor(Qt::CrossCursor);
}

QString DartBoardWidget::tokenAt(double x, double y) {
    const double r = std::hypot(x, y);
    if (r <= kBull) {
        return "DB";
    }
    if (r <= kOuterBull) {
        return "SB";
    }
    if (r > kDoubleOut) {
        return "0";
    }
    const double degrees = std::atan2(x, -y) * 180 / kPi;
    const QString number = QString::number(kOrder[WedgeAt(degrees)]);
    if (r >= kTrebleIn && r <= kTrebleOut) {
        return "T" + number;
    }
    if (r >= kDoubleIn) {
        return "D" + number;
    }
    return number;
}

double DartBoardWidget::mmPerPixel() const {
    return 2 * kEdge / std::max(1, std::min(width(), height()));
}

QString DartBoardWidget::tokenAtPixel(QPointF pixel) const {
    const double scale = mmPerPixel();
    return tokenAt((pixel.x() - width() / 2.0) * scale, (pixel.y() - height() / 2.0) * scale);
}

QPoint DartBoardWidget::pointOf(const QString& token) const {
    double inner = 0;
    double outer = 0;
    int wedge = -1;
    if (!AreaOf(token, inner, outer, wedge)) {
        return {};
    }
    const double r = wedge < 0 && inner == 0 ? 0 : (inner + outer) / 2;
    const double a = (wedge < 0 ? 0 : wedge * 18) * kPi / 180;
    const double scale = mmPerPixel();
    return QPointF(width() / 2.0 + r * std::sin(a) / scale,
                   height() / 2.0 - r * std::cos(a) / scale)
        .toPoint();
}

void DartBoardWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());
    p.translate(width() / 2.0, height() / 2.0);
    const double scale = 1 / mmPerPixel();
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QPointF(), kEdge, kEdge);

    const QColor dark(20, 20, 20), light(235, 222, 190), red(200, 40, 40), green(30, 140, 70);
    const QColor hot(255, 200, 0);
    for (int w = 0; w < 20; ++w) {
        const bool even = w % 2 == 0;
        const QString n = QString::number(kOrder[w]);
        const struct {
            double inner, outer;
            QColor colour;
            QString token;
        } rings[] = {{kOuterBull, kTrebleIn, even ? dark : light, n},
                     {kTrebleIn, kTrebleOut, even ? red : green, "T" + n},
                     {kTrebleOut, kDoubleIn, even ? dark : light, n},
                     {kDoubleIn, kDoubleOut, even ? red : green, "D" + n}};
        for (const auto& ring : rings) {
            p.setBrush(ring.token == m_hovered ? hot : ring.colour);
            p.drawPath(Ring(ring.inner, ring.outer, w));
        }
    }
    p.setBrush(m_hovered == "SB" ? hot : green);
    p.drawPath(Ring(kBull, kOuterBull, -1));
    p.setBrush(m_hovered == "DB" ? hot : red);
    p.drawEllipse(QPointF(), kBull, kBull);
    if (m_hovered == "0") {
        p.setBrush(QColor(255, 200, 0, 70));
        p.drawPath(Ring(kDoubleOut, kEdge, -1));
    }

    QFont font = p.font();
    font.setPixelSize(24);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    for (int w = 0; w < 20; ++w) {
        const double a = w * 18 * kPi / 180;
        const QPointF c(kNumbers * std::sin(a), -kNumbers * std::cos(a));
        p.drawText(QRectF(c.x() - 20, c.y() - 15, 40, 30), Qt::AlignCenter,
                   QString::number(kOrder[w]));
    }
}

void DartBoardWidget::mouseMoveEvent(QMouseEvent* event) {
    const QString token = tokenAtPixel(event->position());
    if (token != m_hovered) {
        m_hovered = token;
        update();
    }
}

void DartBoardWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked(tokenAtPixel(event->position()));
    }
}

void DartBoardWidget::leaveEvent(QEvent*) {
    m_hovered.clear();
    update();
}

const QList<ScoringPad::QuickKey>& ScoringPad::quickKeys() {
    // Letters that begin no token (S, D and T do), in rows by the beds a scorer sees most:
    // the 20 and its neighbours, the 19 and its neighbours, the 18, and a miss.
    static const QList<QuickKey> keys = {
        {Qt::Key_Q, "T20"}, {Qt::Key_W, "20"},  {Qt::Key_E, "5"},     {Qt::Key_R, "1"},
        {Qt::Key_A, "T19"}, {Qt::Key_F, "19"},  {Qt::Key_G, "7"},     {Qt::Key_H, "3"},
        {Qt::Key_Z, "T18"}, {Qt::Key_C, "18"},  {Qt::Key_V, "4"},     {Qt::Key_B, "SB"},
        {Qt::Key_N, "DB"},  {Qt::Key_M, "D16"}, {Qt::Key_Space, "0"},
    };
    return keys;
}

ScoringPad::ScoringPad(QWidget* parent) : QWidget(parent) {
    m_board = new DartBoardWidget(this);
    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(tr("T20, D16, 19, SB, DB, 0 then Enter"));
    m_field->installEventFilter(this);
    m_prompt = new QLabel(this);
    m_hint = new QLabel(this);
    QString hint = tr("Single keys (in the empty field):") + "\n";
    int column = 0;
    for (const QuickKey& k : quickKeys()) {
        const QString name = k.key == Qt::Key_Space ? tr("Space") : QString(QChar(k.key));
        hint += QStringLiteral("%1 %2").arg(name, -5).arg(QString::fromLatin1(k.token), -6);
        hint += ++column % 4 == 0 ? "\n" : "  ";
    }
    m_hint->setText(hint.trimmed());
    QFont mono = m_hint->font();
    mono.setFamily("monospace");
    mono.setStyleHint(QFont::Monospace);
    m_hint->setFont(mono);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_board, 1);
    layout->addWidget(m_field);
    layout->addWidget(m_hint);

    connect(m_board, &DartBoardWidget::clicked, this, &ScoringPad::dartEntered);
    connect(m_field, &QLineEdit::returnPressed, this, &ScoringPad::submitField);
}

void ScoringPad::setPrompt(const QString& text) {
    m_prompt->setText(text);
}

void ScoringPad::submitField() {
    const QString token =
        QString::fromStdString(MatchSheet::dartToken(m_field->text().toStdString()));
    if (token.isEmpty()) {
        // Left in the field, marked, for the scorer to correct.
        m_field->selectAll();
        return;
    }
    m_field->clear();
    emit dartEntered(token);
}

bool ScoringPad::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress && m_field->text().isEmpty()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
            return false;
        }
        for (const QuickKey& k : quickKeys()) {
            if (k.key == key->key()) {
                emit dartEntered(QString::fromLatin1(k.token));
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
