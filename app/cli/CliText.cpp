#include "app/cli/CliText.h"

#include "app/Language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

constexpr const char* kContext = "Cli";

// Without an application object (dump runs without one) nothing can be installed; the
// companion asks its translator itself.
QString Tr(const char* source) {
    static QTranslator* const translator = [] {
        auto* loaded = new QTranslator;
        if (!LoadProgramTexts(*loaded, ChooseLanguage(QLocale::system().uiLanguages()))) {
            delete loaded;
            return static_cast<QTranslator*>(nullptr);
        }
        return loaded;
    }();
    const QString text =
        translator != nullptr ? translator->translate(kContext, source) : QString();
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

} // namespace

std::string CliLoadErrorText() {
    return Utf8(Tr(QT_TRANSLATE_NOOP("Cli", "Could not read the score file.")));
}

std::string CliExportProgressText(int percent) {
    return Utf8(Tr(QT_TRANSLATE_NOOP("Cli", "(  Writing video file...  %1%  )")).arg(percent));
}

std::string CliExportFinishedText() {
    return Utf8(Tr(QT_TRANSLATE_NOOP("Cli", "(  Video file written  )")));
}

std::string CliHelpIntro() {
    return Utf8(Tr(QT_TRANSLATE_NOOP("Cli", "Makes the pictures and the video of the Vorlat "
                                            "window from a darts match's score file, without "
                                            "a window.")));
}

std::string CliHelpDetails() {
    const char* const lines[] = {
        QT_TRANSLATE_NOOP("Cli", "  dump    prints the match as the program reads it"),
        QT_TRANSLATE_NOOP("Cli", "  frame   paints the board at T milliseconds into a PNG file"),
        QT_TRANSLATE_NOOP("Cli", "  title   paints the title picture into a PNG file"),
        QT_TRANSLATE_NOOP("Cli", "  export  writes the video file"),
        QT_TRANSLATE_NOOP("Cli", "  S is the size against 320x240; B is picture, transparent "
                                 "or a colour #RRGGBB"),
    };
    std::string text;
    for (const char* line : lines) {
        text += Utf8(Tr(line)) + '\n';
    }
    return text;
}
