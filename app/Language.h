#pragma once

#include "score/Chapters.h"

#include <QString>
#include <QStringList>

class QTranslator;

// The program speaks English, or a language it has a translation for (Japanese) when the
// user's languages ask for it before English. Both programs, the window and the
// command-line companion, choose the same way.

// The first of the user's languages, in their order of preference, that the program
// speaks: "ja", or "en" when English comes first or none is spoken. Takes the entries of
// QLocale::uiLanguages() ("ja-JP", "ja", "en-US", "C", ...).
QString ChooseLanguage(const QStringList& uiLanguages);

// Loads the program's own texts in language into translator. False for English, whose
// texts are the program's source texts and need no translation.
bool LoadProgramTexts(QTranslator& translator, const QString& language);

// Makes the running application speak language: the program's texts and Qt's own (dialog
// buttons, file dialogs). Replaces the translators an earlier call installed. Returns the
// language now spoken.
QString SetApplicationLanguage(const QString& language);

// The labels of a match's events (chapters, markers, clip names) in the language the
// application speaks, for the window and the companion alike.
EventLabeler TranslatedEventLabels();
