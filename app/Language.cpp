#include "app/Language.h"

#include "score/Message.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

const QString kEnglish = QStringLiteral("en");

QString ProgramTextsPath(const QString& language) {
    return QStringLiteral(":/i18n/vorlat_%1.qm").arg(language);
}

// The translators the application holds now; removed before others take their place.
std::unique_ptr<QTranslator>& ProgramTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& QtTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void Remove(std::unique_ptr<QTranslator>& translator) {
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
}

} // namespace

QString ChooseLanguage(const QStringList& uiLanguages) {
    for (const QString& entry : uiLanguages) {
        // "ja-JP", "ja_JP.UTF-8" and "ja" all name Japanese.
        const QString language = entry.section(QLatin1Char('-'), 0, 0)
                                     .section(QLatin1Char('_'), 0, 0)
                                     .section(QLatin1Char('.'), 0, 0)
                                     .toLower();
        // The C locale is the plain English one.
        if (language == kEnglish || language == QLatin1String("c") ||
            language == QLatin1String("posix")) {
            return kEnglish;
        }
        if (!language.isEmpty() && QFileInfo::exists(ProgramTextsPath(language))) {
            return language;
        }
    }
    return kEnglish;
}

bool LoadProgramTexts(QTranslator& translator, const QString& language) {
    return language != kEnglish && translator.load(ProgramTextsPath(language));
}

QString SetApplicationLanguage(const QString& language) {
    Remove(ProgramTranslator());
    Remove(QtTranslator());
    auto program = std::make_unique<QTranslator>();
    if (!LoadProgramTexts(*program, language)) {
        return kEnglish;
    }
    QCoreApplication::installTranslator(program.get());
    ProgramTranslator() = std::move(program);
    // Qt's own texts in the same language, where the system has them; without them Qt's
    // dialogs stay English next to a translated window, which is still usable.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_") + language,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        QtTranslator() = std::move(qt);
    }
    return language;
}

EventLabeler TranslatedEventLabels() {
    return [](const EventText& text) {
        return FillTemplate(
            QCoreApplication::translate("EventText", EventTemplate(text.id)).toStdString(),
            text.args);
    };
}
