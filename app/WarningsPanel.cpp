#include "app/WarningsPanel.h"

#include "engine/ErrorText.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QSizePolicy>

namespace {

// A tooltip of thousands of lines helps nobody; the first ones say what kind of file it is.
constexpr int kMostTooltipLines = 40;

} // namespace

WarningsPanel::WarningsPanel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("warnings"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0xB0, 0x50, 0x00));
    setPalette(colours);
    // Hidden, it keeps its place, so that the rest of the window does not move.
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
    hide();
}

QString WarningsPanel::describe(const Diagnostic& diagnostic) {
    const QString message = ReasonText(diagnostic.message);
    if (diagnostic.line <= 0) {
        return message;
    }
    return tr("Line %1: %2").arg(diagnostic.line).arg(message);
}

void WarningsPanel::showDiagnostics(const std::vector<Diagnostic>& diagnostics) {
    m_lines.clear();
    if (diagnostics.empty()) {
        m_summary.clear();
        setText(QString());
        setToolTip(QString());
        hide();
        return;
    }
    for (const Diagnostic& diagnostic : diagnostics) {
        m_lines.append(describe(diagnostic));
    }
    const int count = static_cast<int>(diagnostics.size());
    // Worded so that no plural form is needed in English.
    present(tr("Score file warnings: %n", nullptr, count) + QStringLiteral(" — ") +
            m_lines.constFirst());
}

void WarningsPanel::showReloadFailure(const QString& reason) {
    m_lines =
        QStringList{tr("The score file could not be loaded again; the match shown stays."), reason};
    present(m_lines.join(QLatin1Char(' ')));
}

void WarningsPanel::present(const QString& summary) {
    m_summary = summary;
    QStringList shown = m_lines.mid(0, kMostTooltipLines);
    if (m_lines.size() > kMostTooltipLines) {
        shown.append(
            tr("… and %n more", nullptr, static_cast<int>(m_lines.size() - kMostTooltipLines)));
    }
    setToolTip(shown.join(QLatin1Char('\n')));
    setText(QFontMetrics(font()).elidedText(m_summary, Qt::ElideRight, width()));
    show();
}

void WarningsPanel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (!m_summary.isEmpty()) {
        setText(QFontMetrics(font()).elidedText(m_summary, Qt::ElideRight, width()));
    }
}
