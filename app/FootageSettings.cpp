#include "app/FootageSettings.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace {

// Slashes would split the key into nested groups, one per folder.
QString GroupOf(const QString& scorePath) {
    return QStringLiteral("footage/") +
           QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(scorePath).absoluteFilePath()));
}

} // namespace

FootageSettings FootageSettings::load(const QString& scorePath) {
    FootageSettings settings;
    if (scorePath.isEmpty()) {
        return settings;
    }
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vorlat"),
                    QStringLiteral("vorlat"));
    store.beginGroup(GroupOf(scorePath));
    settings.footagePath = store.value(QStringLiteral("path")).toString();
    const double scale = store.value(QStringLiteral("scale"), 0.0).toDouble();
    settings.overlay.scale = IsValidScale(scale) ? scale : 0.0;
    const QByteArray place = store.value(QStringLiteral("place")).toString().toLatin1();
    settings.overlay.place =
        ParseBoardPlace(std::string_view(place.constData(), size_t(place.size())))
            .value_or(BoardPlace::BottomLeft);
    return settings;
}

void FootageSettings::save(const QString& scorePath) const {
    if (scorePath.isEmpty()) {
        return;
    }
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vorlat"),
                    QStringLiteral("vorlat"));
    store.beginGroup(GroupOf(scorePath));
    store.setValue(QStringLiteral("path"), footagePath);
    store.setValue(QStringLiteral("scale"), overlay.scale);
    const std::string_view place = BoardPlaceName(overlay.place);
    store.setValue(QStringLiteral("place"),
                   QString::fromLatin1(place.data(), qsizetype(place.size())));
}
