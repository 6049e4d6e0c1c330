#include "app/Texts.h"

#include "engine/Engine.h"

QString EntryStatus(const ShownEntry& entry) {
    QString text = QStringLiteral("Round%1, Player%2, %3投目 (%4/%5)")
                       .arg(entry.round)
                       .arg(entry.player)
                       .arg(entry.dart)
                       .arg(entry.position)
                       .arg(entry.count);
    if (entry.recording) {
        text.prepend(QString::fromUtf8(kStatusRecordingPrefix));
    }
    return text;
}

QString ExportProgressStatus(int percent) {
    return QStringLiteral("（　動画ファイル出力中...　%1%　）").arg(percent);
}
