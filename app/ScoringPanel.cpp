#include "app/ScoringPanel.h"

#include "app/DartTimeline.h"
#include "app/FootageSettings.h"
#include "app/MainWindow.h"
#include "app/NewMatchDialog.h"
#include "app/PlayerWindow.h"
#include "app/ScoreSheetView.h"
#include "app/ScoringPad.h"
#include "app/ScoringSession.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

ScoringPanel::ScoringPanel(MainWindow& window, QWidget* parent)
    : QWidget(parent), m_window(window) {
    m_session = new ScoringSession(this);
    m_session->frameMs = [this] {
        const int64_t ms = m_window.player().hasFootage() ? m_window.player().frameMs()
                                                          : m_window.player().scrubMs();
        return ms < 0 ? int64_t{0} : ms;
    };
    m_pad = new ScoringPad(this);
    m_sheet = new ScoreSheetView(*m_session, this);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_timeline = new DartTimeline(this);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_pad);
    split->addWidget(m_sheet);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split, 1);
    layout->addWidget(m_timeline);
    layout->addWidget(m_status);

    m_newMatch = new QAction(tr("New match..."), this);
    connect(m_newMatch, &QAction::triggered, this, [this] { newMatch(); });
    addAction(&m_session->undoAction());
    addAction(&m_session->redoAction());
    m_session->undoAction().setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_session->redoAction().setShortcutContext(Qt::WidgetWithChildrenShortcut);

    runNewMatch = [](NewMatchDialog& dialog) { return dialog.exec() == QDialog::Accepted; };

    connect(m_pad, &ScoringPad::dartEntered, m_session, &ScoringSession::enter);
    connect(m_sheet, &ScoreSheetView::seekRequested, this,
            [this](int64_t ms) { m_window.player().seek(ms); });
    connect(m_session, &ScoringSession::changed, this, &ScoringPanel::follow);
    connect(m_timeline, &DartTimeline::seekRequested, this,
            [this](int64_t ms) { m_window.player().seek(ms); });
    connect(&m_window.player(), &PlayerWindow::frameShown, m_timeline, &DartTimeline::setPosition);
    setEnabled(false);
}

QList<QAction*> ScoringPanel::panelActions() const {
    return {m_newMatch, &m_session->undoAction(), &m_session->redoAction()};
}

bool ScoringPanel::newMatch(const QString& path) {
    if (m_formOpen) {
        m_status->setText(tr("A new match is being set up already; not opened: %1")
                              .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    NewMatchDialog dialog(*m_session, path, this);
    m_formOpen = true;
    const bool accepted = runNewMatch(dialog);
    m_formOpen = false;
    if (!accepted) {
        return false;
    }
    m_loaded = false;
    setEnabled(true);
    follow();
    // The panel is seen wherever it lives: in the player, or a window of its own.
    window()->show();
    window()->raise();
    m_pad->tokenField().setFocus();
    return true;
}

bool ScoringPanel::continueMatch(const QString& path) {
    if (!m_session->open(path)) {
        m_status->setText(m_session->lastError());
        return false;
    }
    m_loaded = false;
    setEnabled(true);
    follow();
    return true;
}

void ScoringPanel::follow() {
    m_pad->setPrompt(m_session->prompt());
    const MatchSheet& sheet = m_session->sheet();
    std::vector<int32_t> darts;
    std::vector<int32_t> legStarts;
    int32_t last = 0;
    for (const SheetDart& dart : sheet.darts()) {
        darts.push_back(dart.time);
        last = std::max(last, dart.time);
    }
    for (size_t leg = 1; leg < sheet.legs().size(); ++leg) {
        const std::vector<MatchSheet::Visit>& visits = sheet.legs()[leg].visits;
        if (!visits.empty()) {
            legStarts.push_back(sheet.darts()[static_cast<size_t>(visits.front().first)].time);
        }
    }
    QMediaPlayer* media = m_window.player().mediaPlayer();
    m_timeline->setDuration(std::max<int64_t>(last, media != nullptr ? media->duration() : 0));
    m_timeline->setMarks(std::move(darts), std::move(legStarts));
    m_status->setText(m_session->saved() ? tr("Saved: %1").arg(m_session->path())
                                         : m_session->lastError());
    // A file without a dart is no score file the window can load yet; from the first dart
    // on, the window's watcher follows every save.
    if (!m_loaded && !m_session->sheet().darts().empty() && m_session->saved()) {
        // A newly loaded score file brings back the footage remembered for it, of which a
        // new file has none: the footage being scored is remembered for it first, so that it
        // stays open on the same frame.
        PlayerWindow& player = m_window.player();
        if (player.hasFootage()) {
            FootageSettings{player.footagePath(), player.overlay()}.save(m_session->path());
        }
        m_loaded = m_window.openScore(m_session->path());
    }
}
