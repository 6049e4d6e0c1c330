#include "engine/ErrorText.h"

#include <QCoreApplication>

QString ReasonText(const Message& reason) {
    const QString pattern = QCoreApplication::translate("Diagnostics", EnglishTemplate(reason.id));
    return QString::fromStdString(FillTemplate(pattern.toStdString(), reason.args));
}

QString ErrorText(const ScoreError& error) {
    const QString reason = ReasonText(error.reason);
    if (error.path.empty()) {
        return reason;
    }
    return QString::fromStdString(error.path) + QStringLiteral(": ") + reason;
}
