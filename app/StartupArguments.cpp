#include "app/StartupArguments.h"

#include "app/MainWindow.h"
#include "app/PlayerWindow.h"
#include "app/ScoringPanel.h"

#include <QFileInfo>

#include <QCommandLineParser>
#include <QCoreApplication>

QString TakeFootageOption(QStringList& args) {
    static const QString kOption = QStringLiteral("--footage");
    QString footage;
    for (qsizetype i = 0; i < args.size();) {
        if (args[i] == kOption && i + 1 < args.size()) {
            footage = args[i + 1];
            args.remove(i, 2);
        } else if (args[i].startsWith(kOption + QLatin1Char('='))) {
            footage = args[i].mid(kOption.size() + 1);
            args.remove(i);
        } else {
            ++i;
        }
    }
    return footage;
}

StartupFiles ParseStartupArguments(QStringList args) {
    StartupFiles files;
    if (!args.isEmpty()) {
        args.removeFirst();
    }
    files.footage = TakeFootageOption(args);
    for (const QString& arg : args) {
        if (!arg.startsWith(QLatin1String("--"))) {
            files.score = arg;
            break;
        }
    }
    return files;
}

ScoringPanel& ScoringOf(MainWindow& window) {
    if (auto* panel = window.findChild<ScoringPanel*>()) {
        return *panel;
    }
    // One workspace: the pad, the sheet and the timeline live in the player, under the footage.
    auto* panel = new ScoringPanel(window, &window.player());
    window.player().addWorkspacePart(*panel, panel->panelActions());
    window.addAction(&panel->newMatchAction());
    return *panel;
}

void OpenStartupFiles(MainWindow& window, const StartupFiles& files) {
    // A score file that does not exist yet is a match to score: the new-match form opens
    // with its path filled in, beside the footage.
    const bool newMatch = !files.score.isEmpty() && !QFileInfo::exists(files.score);
    if (!files.score.isEmpty() && !newMatch) {
        window.openScore(files.score);
    }
    if (!files.footage.isEmpty()) {
        window.player().show();
        window.player().openFootage(files.footage);
    }
    if (newMatch) {
        ScoringPanel& panel = ScoringOf(window);
        window.player().show();
        panel.newMatch(files.score);
    }
}

QCommandLineOption AddStartupOptions(QCommandLineParser& parser) {
    // The texts keep the translation context they have always had.
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("Application", text);
    };
    parser.setApplicationDescription(
        tr("Turns the score file of a darts match into a scoreboard video."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("SCORE.txt"), tr("The score file to open."),
                                 QStringLiteral("[SCORE.txt]"));
    const QCommandLineOption footage(QStringLiteral("footage"),
                                     tr("The match footage to open in the player."),
                                     QStringLiteral("VIDEO"));
    parser.addOption(footage);
    return footage;
}

bool AsksForHelpOrVersion(const QStringList& args) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--")) {
            return false;
        }
        // The names QCommandLineParser gives its help and version options.
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help") ||
            arg == QLatin1String("-?") || arg == QLatin1String("--help-all") ||
            arg == QLatin1String("-v") || arg == QLatin1String("--version")) {
            return true;
        }
    }
    return false;
}
