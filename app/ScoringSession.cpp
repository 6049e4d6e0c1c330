#include "app/ScoringSession.h"

#include "engine/ErrorText.h"
#include "score/Message.h"

#include <QAction>
#include <QKeySequence>
#include <QTimer>

ScoringSession::ScoringSession(QObject* parent) : QObject(parent) {
    m_undo = new QAction(tr("Undo"), this);
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = new QAction(tr("Redo"), this);
    m_redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    m_undo->setEnabled(false);
    m_redo->setEnabled(false);
    connect(m_undo, &QAction::triggered, this, &ScoringSession::undo);
    connect(m_redo, &QAction::triggered, this, &ScoringSession::redo);
}

bool ScoringSession::create(const QString& path, const MatchFormat& format) {
    MatchSheet sheet(format);
    const WriteOutcome outcome = CreateSheetFile(path.toStdString(), sheet);
    if (!outcome) {
        m_error = ReasonText(outcome.error().reason);
        return false;
    }
    m_sheet = std::move(sheet);
    m_path = path;
    m_error.clear();
    m_dirty = false;
    refresh();
    return true;
}

bool ScoringSession::open(const QString& path) {
    MatchSheet sheet;
    if (!OpenSheetFile(path.toStdString(), sheet)) {
        m_error = tr("%1 is no match file the pad can go on with.").arg(path);
        return false;
    }
    m_sheet = std::move(sheet);
    m_path = path;
    m_error.clear();
    m_dirty = false;
    refresh();
    return true;
}

bool ScoringSession::enter(const QString& token) {
    return applied(m_sheet.enterDart(token.toStdString(), static_cast<int32_t>(frameMs())));
}

bool ScoringSession::insertBefore(int dart, const QString& token) {
    return applied(
        m_sheet.insertBefore(dart, token.toStdString(), static_cast<int32_t>(frameMs())));
}

bool ScoringSession::removeDart(int dart) {
    return applied(m_sheet.removeDart(dart));
}

bool ScoringSession::editToken(int dart, const QString& token) {
    return applied(m_sheet.editToken(dart, token.toStdString()));
}

bool ScoringSession::retimeToFrame(int dart) {
    return applied(m_sheet.retime(dart, static_cast<int32_t>(frameMs())));
}

bool ScoringSession::undo() {
    return applied(m_sheet.undo());
}

bool ScoringSession::redo() {
    return applied(m_sheet.redo());
}

bool ScoringSession::applied(bool ok) {
    if (!ok) {
        return false;
    }
    m_dirty = true;
    save();
    refresh();
    return true;
}

void ScoringSession::refresh() {
    m_undo->setEnabled(m_sheet.canUndo());
    m_redo->setEnabled(m_sheet.canRedo());
    emit changed();
}

void ScoringSession::save() {
    if (!m_dirty || m_path.isEmpty()) {
        return;
    }
    const WriteOutcome outcome = SaveSheetFile(m_path.toStdString(), m_sheet);
    if (outcome) {
        m_dirty = false;
        m_error.clear();
        return;
    }
    m_error = ReasonText(outcome.error().reason);
    // Tried again until the disk takes it; the sheet in memory stays the one to write.
    QTimer::singleShot(500, this, [this] {
        save();
        if (!m_dirty) {
            emit changed();
        }
    });
}

QString ScoringSession::prompt() const {
    const MatchSheet::Next next = m_sheet.next();
    if (next.matchOver) {
        return tr("The match is decided.");
    }
    const std::string& name = m_sheet.format().names[next.player - 1];
    const QString who =
        name.empty() ? tr("Player %1").arg(next.player) : QString::fromStdString(name);
    return tr("%1, dart %2 (leg %3)").arg(who).arg(next.dart).arg(next.leg);
}
