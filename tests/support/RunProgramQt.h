#pragma once

// RunProgram for tests that hold their arguments as Qt strings.

#include "RunProgram.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

inline RunResult RunProgram(const QString& program, const QStringList& args,
                            const RunOptions& options = {}) {
    std::vector<std::string> list;
    for (const QString& arg : args) {
        list.push_back(arg.toStdString());
    }
    return RunProgram(program.toStdString(), list, options);
}
