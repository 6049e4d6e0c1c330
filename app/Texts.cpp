#include "app/Texts.h"

#include "engine/Engine.h"

QString EntryStatus(const ShownEntry& entry) {
    QString text = QCoreApplication::translate("MainWindow", "Round%1, Player%2, dart %3 (%4/%5)")
                       .arg(entry.round)
                       .arg(entry.player)
                       .arg(entry.dart)
                       .arg(entry.position)
                       .arg(entry.count);
    if (entry.recording) {
        text.prepend(WindowText(kStatusRecordingPrefix));
    }
    return text;
}

QString ExportProgressStatus(int percent) {
    return QCoreApplication::translate("MainWindow", "(  Writing video file...  %1%  )")
        .arg(percent);
}
