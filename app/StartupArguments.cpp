#include "app/StartupArguments.h"

#include "app/MainWindow.h"
#include "app/PlayerWindow.h"
#include "app/ScoringPanel.h"

#include <QFileInfo>

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
    auto* panel = new ScoringPanel(window, &window);
    panel->setWindowFlag(Qt::Window);
    panel->setWindowTitle(QObject::tr("Scoring"));
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
        panel.show();
        panel.newMatch(files.score);
    }
}
