#pragma once

#include "score/ScoreData.h"

#include <QListWidget>

// The match's entries with their times, one row each, as the player lists them beside the
// footage. The row selected is the dart the player's nudges move; a row clicked is a request
// to put the footage on that entry (entryPicked). It shows what it is given and keeps no
// match of its own. The window's thread only.
class EntryTimesList : public QListWidget {
    Q_OBJECT
public:
    explicit EntryTimesList(QWidget* parent = nullptr);

    // A row for each of match's entries; the selected row stays selected.
    void showMatch(const Match& match);
    // While recording: the times so far, with the entry the recording shows selected. The
    // selection made here asks for nothing.
    void showRecorded(const Match& match, int shownIndex);

signals:
    // The user clicked the row of the entry at index (0-based).
    void entryPicked(int index);
};
