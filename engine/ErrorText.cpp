#include "engine/ErrorText.h"

#include <QCoreApplication>

QString ReasonText(const Message& reason) {
    const QString pattern = QCoreApplication::translate("Diagnostics", EnglishTemplate(reason.id));
    return QString::fromStdString(FillTemplate(pattern.toStdString(), reason.args));
}

QString ErrorText(const ScoreError& error) {
    QString text = ReasonText(error.reason);
    if (!error.path.empty()) {
        text = QString::fromStdString(error.path) + QStringLiteral(": ") + text;
    }
    for (const Message& note : error.notes) {
        text += QStringLiteral("; ") + ReasonText(note);
    }
    return text;
}
