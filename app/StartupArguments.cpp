#include "app/StartupArguments.h"

#include "app/MainWindow.h"
#include "app/PlayerWindow.h"

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

void OpenStartupFiles(MainWindow& window, const StartupFiles& files) {
    if (!files.score.isEmpty()) {
        window.openScore(files.score);
    }
    if (!files.footage.isEmpty()) {
        window.player().show();
        window.player().openFootage(files.footage);
    }
}
