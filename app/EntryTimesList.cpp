#include "app/EntryTimesList.h"

#include <QSignalBlocker>

EntryTimesList::EntryTimesList(QWidget* parent) : QListWidget(parent) {
    setMaximumWidth(240);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit entryPicked(row(item)); });
}

void EntryTimesList::showMatch(const Match& match) {
    const int selected = currentRow();
    clear();
    for (const Entry& mark : match.entries) {
        const QString time = QString::number(mark.time / 1000.0, 'f', 3);
        QString text = mark.dart > 0
                           ? tr("R%1 P%2 dart %3   %4 s")
                                 .arg(mark.round)
                                 .arg(mark.player)
                                 .arg(mark.dart)
                                 .arg(time)
                           : tr("R%1 P%2 start    %3 s").arg(mark.round).arg(mark.player).arg(time);
        // Every leg counts its rounds from 1 again: without the leg the rows of a match repeat.
        if (match.legs.size() > 1) {
            text = tr("L%1 %2").arg(mark.leg + 1).arg(text);
        }
        addItem(text);
    }
    if (selected >= 0 && selected < count()) {
        const QSignalBlocker block(this);
        setCurrentRow(selected);
    }
}

void EntryTimesList::showRecorded(const Match& match, int shownIndex) {
    showMatch(match);
    if (shownIndex >= 0 && shownIndex < count()) {
        const QSignalBlocker block(this);
        setCurrentRow(shownIndex);
    }
}
