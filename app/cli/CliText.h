#pragma once

#include <string>

// The companion's messages in the user's language: English, or Japanese under a Japanese
// locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), chosen as the window program chooses. The
// Japanese ones are the window's own words, byte for byte.

// The load-error text.
std::string CliLoadErrorText();
// The export's status texts, as the window's status line shows them.
std::string CliExportProgressText(int percent);
std::string CliExportFinishedText();

// What --help says before and after the usage lines.
std::string CliHelpIntro();
std::string CliHelpDetails();
