#pragma once

#include "video/MomentBoard.h"

#include <QString>

// What the player remembers of a score file: the footage that goes with it and where the
// board sits over that footage. Kept in the user's settings under the score file's absolute
// path; the score file itself is never touched.
struct FootageSettings {
    QString footagePath;
    OverlaySettings overlay;

    static FootageSettings load(const QString& scorePath);
    void save(const QString& scorePath) const;
};
