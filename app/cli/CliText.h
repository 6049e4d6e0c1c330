#pragma once

#include "score/Chapters.h"

#include <string>
#include <string_view>

struct LoadOutcome;
struct ScoreError;

// The companion's messages in the user's language: English, or Japanese under a Japanese
// locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), chosen as the window program chooses. The
// Japanese ones are the window's own words, byte for byte.

// The load-error text.
std::string CliLoadErrorText();
// A score library's error: "PATH: reason" (the reason alone when it names no file), the
// reason in the user's language.
std::string CliErrorText(const ScoreError& error);
// "vorlat-cli: " and the error's text on standard error.
void CliPrintError(const ScoreError& error);
// The export's status texts, as the window's status line shows them.
std::string CliExportProgressText(int percent);
std::string CliExportFinishedText();

// What --help says before and after the usage lines.
std::string CliHelpIntro();
std::string CliHelpDetails();

// What `vorlat-cli check PATH` prints: "PATH:LINE: warning: TEXT" a diagnostic ("PATH:
// warning: TEXT" without a line), or "PATH: error: TEXT" when the file did not load, each
// line ending in '\n'. TEXT is in the user's language; "warning" and "error" stay as
// compilers print them, so that editors find the lines in either language. Whatever the file
// and its name hold, the report is UTF-8 with no control character: see CliPrintable.
std::string CliCheckReport(const std::string& path, const LoadOutcome& outcome);

// "vorlat-cli check: could not write the output"
std::string CliCheckWriteErrorText();

// bytes made safe for a terminal and a UTF-8 reader: a byte that is not part of valid UTF-8
// and a control character (C0, DEL, C1) become \xNN, one escape a byte, and a backslash
// becomes \\ so that an escape always means a byte that was there.
std::string CliPrintable(std::string_view bytes);

// The labels of a match's events (chapters, markers, clips) in the user's language.
EventLabeler CliEventLabels();
