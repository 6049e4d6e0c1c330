#include "app/ScoreSheetView.h"

#include "app/ScoringSession.h"

#include <QAction>
#include <QHeaderView>
#include <QInputDialog>

namespace {

constexpr int kDartRole = Qt::UserRole;

QString TimeText(int32_t ms) {
    return QStringLiteral("%1:%2.%3")
        .arg(ms / 60000)
        .arg(ms / 1000 % 60, 2, 10, QChar('0'))
        .arg(ms % 1000, 3, 10, QChar('0'));
}

} // namespace

ScoreSheetView::ScoreSheetView(ScoringSession& session, QWidget* parent)
    : QTreeWidget(parent), m_session(session) {
    setColumnCount(3);
    setHeaderLabels({tr("Leg / visit"), tr("Dart"), tr("Time")});
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    askToken = [this](const QString& current) {
        return QInputDialog::getText(this, tr("Dart"), tr("Token (T20, D16, 19, SB, DB, 0):"),
                                     QLineEdit::Normal, current);
    };

    auto action = [this](const QString& text, const QKeySequence& key,
                         bool (ScoreSheetView::*run)()) {
        auto* a = new QAction(text, this);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, [this, run] { (this->*run)(); });
        addAction(a);
        return a;
    };
    m_edit = action(tr("Edit dart..."), QKeySequence(Qt::Key_F2), &ScoreSheetView::editSelected);
    m_retime = action(tr("Re-time to the frame on screen"), QKeySequence(Qt::CTRL | Qt::Key_T),
                      &ScoreSheetView::retimeSelected);
    m_delete =
        action(tr("Delete dart"), QKeySequence(Qt::Key_Delete), &ScoreSheetView::deleteSelected);
    m_insert = action(tr("Insert dart before..."), QKeySequence(Qt::Key_Insert),
                      &ScoreSheetView::insertBeforeSelected);

    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int dart = item->data(0, kDartRole).toInt();
        if (dart >= 0) {
            emit seekRequested(m_session.sheet().darts()[static_cast<size_t>(dart)].time);
        }
    });
    connect(&m_session, &ScoringSession::changed, this, &ScoreSheetView::rebuild);
    rebuild();
}

QList<QAction*> ScoreSheetView::dartActions() const {
    return {m_edit, m_retime, m_delete, m_insert};
}

int ScoreSheetView::selectedDart() const {
    const QTreeWidgetItem* item = currentItem();
    return item != nullptr ? item->data(0, kDartRole).toInt() : -1;
}

void ScoreSheetView::selectDart(int dart) {
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->data(0, kDartRole).toInt() == dart) {
            setCurrentItem(*it);
            scrollToItem(*it);
            return;
        }
    }
}

bool ScoreSheetView::editSelected() {
    const int dart = selectedDart();
    if (dart < 0) {
        return false;
    }
    const QString token = askToken(
        QString::fromStdString(m_session.sheet().darts()[static_cast<size_t>(dart)].token));
    return !token.isEmpty() && m_session.editToken(dart, token);
}

bool ScoreSheetView::retimeSelected() {
    const int dart = selectedDart();
    return dart >= 0 && m_session.retimeToFrame(dart);
}

bool ScoreSheetView::deleteSelected() {
    const int dart = selectedDart();
    return dart >= 0 && m_session.removeDart(dart);
}

bool ScoreSheetView::insertBeforeSelected() {
    const int dart = selectedDart();
    if (dart < 0) {
        return false;
    }
    const QString token = askToken(QString());
    return !token.isEmpty() && m_session.insertBefore(dart, token);
}

void ScoreSheetView::rebuild() {
    const int selected = selectedDart();
    clear();
    const MatchSheet& sheet = m_session.sheet();
    const MatchFormat& format = sheet.format();
    auto name = [&format](int player) {
        const std::string& n = format.names[player - 1];
        return n.empty() ? tr("Player %1").arg(player) : QString::fromStdString(n);
    };
    QTreeWidgetItem* last = nullptr;
    for (const MatchSheet::Leg& leg : sheet.legs()) {
        auto* legItem = new QTreeWidgetItem(this);
        QString title = format.setsToWin > 0 ? tr("Set %1, leg %2").arg(leg.set).arg(leg.number)
                                             : tr("Leg %1").arg(leg.number);
        if (leg.winner != 0) {
            title += " - " + tr("won by %1").arg(name(leg.winner));
        }
        legItem->setText(0, title);
        legItem->setData(0, kDartRole, -1);
        for (const MatchSheet::Visit& visit : leg.visits) {
            auto* visitItem = new QTreeWidgetItem(legItem);
            QString text = tr("R%1 %2").arg(visit.round, 2, 10, QChar('0')).arg(name(visit.player));
            if (visit.bust) {
                text += " - " + tr("bust");
            }
            visitItem->setText(0, text);
            visitItem->setData(0, kDartRole, -1);
            for (int d = visit.first; d < visit.first + visit.count; ++d) {
                const SheetDart& dart = sheet.darts()[static_cast<size_t>(d)];
                auto* dartItem = new QTreeWidgetItem(visitItem);
                dartItem->setText(0, tr("dart %1").arg(d - visit.first + 1));
                dartItem->setText(1, QString::fromStdString(dart.token));
                dartItem->setText(2, TimeText(dart.time));
                dartItem->setData(0, kDartRole, d);
                last = dartItem;
            }
        }
    }
    expandAll();
    if (selected >= 0 && selected < static_cast<int>(sheet.darts().size())) {
        selectDart(selected);
    } else if (last != nullptr) {
        scrollToItem(last);
    }
}
