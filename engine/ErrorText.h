#pragma once

#include "score/Message.h"

#include <QString>

// The score library's reasons in the user's language, for the window and the engine's
// signals. The English templates live in the score library, out of lupdate's reach: their
// translations sit in the "Diagnostics" context of the .ts files, kept by hand. The values are
// filled in as bytes, since they come from a file and need not be text.
//
// Any thread: the installed translators are only read.

// The reason alone ("the file is read-only: Permission denied").
QString ReasonText(const Message& reason);

// "PATH: reason", or the reason alone when the error names no file.
QString ErrorText(const ScoreError& error);
