#include "app/cli/CliText.h"

#include "app/Language.h"
#include "score/Diagnostics.h"
#include "score/Events.h"
#include "score/Loader.h"
#include "score/Message.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace {

constexpr const char* kContext = "Cli";

// Without an application object (dump runs without one) nothing can be installed; the
// companion asks its translator itself.
QString Tr(const char* context, const char* source) {
    static QTranslator* const translator = [] {
        auto* loaded = new QTranslator;
        if (!LoadProgramTexts(*loaded, ChooseLanguage(QLocale::system().uiLanguages()))) {
            delete loaded;
            return static_cast<QTranslator*>(nullptr);
        }
        return loaded;
    }();
    const QString text = translator != nullptr ? translator->translate(context, source) : QString();
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

QString Tr(const char* source) {
    return Tr(kContext, source);
}

// A message of the score layer in the user's language. The arguments are filled in as bytes:
// they come from the file and need not be text at all.
std::string Describe(const Message& message) {
    // The templates' translations sit in the window's "Diagnostics" context.
    const std::string pattern = Tr("Diagnostics", EnglishTemplate(message.id)).toStdString();
    return FillTemplate(pattern, message.args);
}

// The length of the valid UTF-8 sequence at the start of bytes, or 0 when it does not start
// with one (overlong forms, surrogates and code points past U+10FFFF are not valid).
size_t Utf8Length(std::string_view bytes) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    char32_t point = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        point = (point << 6) | (byte(i) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return 0;
    }
    return length;
}

void AppendEscape(std::string& out, unsigned char byte) {
    static const char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

} // namespace

std::string CliErrorText(const ScoreError& error) {
    std::string text = Describe(error.reason);
    if (!error.path.empty()) {
        text = error.path + ": " + text;
    }
    for (const Message& note : error.notes) {
        text += "; " + Describe(note);
    }
    return text;
}

void CliPrintError(const ScoreError& error) {
    std::fprintf(stderr, "vorlat-cli: %s\n", CliErrorText(error).c_str());
}

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
        QT_TRANSLATE_NOOP("Cli", "  check   lists what was read leniently in the score file"),
        QT_TRANSLATE_NOOP("Cli", "  stats   prints each player's figures"),
        QT_TRANSLATE_NOOP("Cli", "  burn    writes the footage with the board laid over it"),
        QT_TRANSLATE_NOOP("Cli", "  S is the size against 320x240; B is picture, transparent "
                                 "or a colour #RRGGBB"),
        QT_TRANSLATE_NOOP("Cli", "  --end-card: the last 5 s show the match's figures"),
    };
    std::string text;
    for (const char* line : lines) {
        text += Utf8(Tr(line)) + '\n';
    }
    return text;
}

std::string CliPrintable(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const size_t length = Utf8Length(bytes);
        const auto lead = static_cast<unsigned char>(bytes[0]);
        // C1 controls are two bytes in UTF-8 (C2 80 to C2 9F); a terminal may act on them.
        const bool c1 = length == 2 && lead == 0xC2 && static_cast<unsigned char>(bytes[1]) < 0xA0;
        if (length == 0 || lead < 0x20 || lead == 0x7F || c1) {
            const size_t escaped = c1 ? 2 : 1;
            for (size_t i = 0; i < escaped; ++i) {
                AppendEscape(out, static_cast<unsigned char>(bytes[i]));
            }
            bytes.remove_prefix(escaped);
            continue;
        }
        if (lead == '\\') {
            out += "\\\\";
        } else {
            out.append(bytes.substr(0, length));
        }
        bytes.remove_prefix(length);
    }
    return out;
}

std::string CliCheckWriteErrorText() {
    return Utf8(Tr(QT_TRANSLATE_NOOP("Cli", "vorlat-cli check: could not write the output")));
}

std::string CliCheckReport(const std::string& path, const LoadOutcome& outcome) {
    const std::string shownPath = CliPrintable(path);
    if (!outcome.loaded) {
        return shownPath + ": error: " + CliPrintable(Describe(outcome.error.reason)) + "\n";
    }
    std::string report;
    for (const Diagnostic& diagnostic : outcome.diagnostics) {
        report += shownPath;
        if (diagnostic.line > 0) {
            report += ":" + std::to_string(diagnostic.line);
        }
        report += ": warning: " + CliPrintable(Describe(diagnostic.message)) + "\n";
    }
    return report;
}

EventLabeler CliEventLabels() {
    return [](const EventText& text) {
        return FillTemplate(Tr("EventText", EventTemplate(text.id)).toStdString(), text.args);
    };
}
