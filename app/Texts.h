#pragma once

// Every text the main window shows: captions, status lines and message boxes. These are
// the English source texts; the window shows them through its translator, which gives the
// Japanese words (and bytes) the program has always used on a Japanese desktop.

#include <QCoreApplication>
#include <QString>

struct ShownEntry;

// The translation context of the window's texts.
inline constexpr const char* kWindowContext = "MainWindow";

inline constexpr const char* kWindowTitle =
    QT_TRANSLATE_NOOP("MainWindow", "Vorlat  Darts Score Video Maker");

inline constexpr const char* kCaptionLoad = QT_TRANSLATE_NOOP("MainWindow", "Load score file");
inline constexpr const char* kCaptionRecord = QT_TRANSLATE_NOOP("MainWindow", "Record timing");
inline constexpr const char* kCaptionRecordStop = QT_TRANSLATE_NOOP("MainWindow", "Stop recording");
inline constexpr const char* kCaptionExport = QT_TRANSLATE_NOOP("MainWindow", "Create video file");
inline constexpr const char* kCaptionExportStop = QT_TRANSLATE_NOOP("MainWindow", "Stop output");

inline constexpr const char* kScoreFilter = QT_TRANSLATE_NOOP("MainWindow", "Text files (*.txt)");
inline constexpr const char* kVideoFilter = QT_TRANSLATE_NOOP("MainWindow", "AVI files (*.avi)");

inline constexpr const char* kStatusRecordingStart = QT_TRANSLATE_NOOP(
    "MainWindow", "Recording timing...  (press Enter the moment each dart lands)");
inline constexpr const char* kStatusRecordingPrefix =
    QT_TRANSLATE_NOOP("MainWindow", "Recording timing --> ");
inline constexpr const char* kStatusExportCancelled =
    QT_TRANSLATE_NOOP("MainWindow", "(  Output stopped  )");
inline constexpr const char* kStatusExportFinished =
    QT_TRANSLATE_NOOP("MainWindow", "(  Video file written  )");

inline constexpr const char* kNoDataText =
    QT_TRANSLATE_NOOP("MainWindow", "There is no score data.\n\nLoad a score file first.");
inline constexpr const char* kNoDataCaption = QT_TRANSLATE_NOOP("MainWindow", "No data");
inline constexpr const char* kRecordConfirmText = QT_TRANSLATE_NOOP(
    "MainWindow",
    "The moments the darts land will be recorded.\n\n\nRecording starts the moment you "
    "click [OK].\n\nPress the Enter key each time a dart lands.\n\n(When the recording "
    "reaches the last dart, the timing is saved into the current file)");
inline constexpr const char* kRecordConfirmCaption =
    QT_TRANSLATE_NOOP("MainWindow", "Start recording timing");
inline constexpr const char* kSavedText = QT_TRANSLATE_NOOP(
    "MainWindow",
    "The recording reached the last dart.\n\nThe timing was saved into the current file.");
inline constexpr const char* kSavedCaption = QT_TRANSLATE_NOOP("MainWindow", "File saved");
inline constexpr const char* kSaveErrorText =
    QT_TRANSLATE_NOOP("MainWindow", "Could not save the timing into the file.");
inline constexpr const char* kSaveErrorCaption = QT_TRANSLATE_NOOP("MainWindow", "Save error");
inline constexpr const char* kExportDoneText =
    QT_TRANSLATE_NOOP("MainWindow", "The video file is complete.");
inline constexpr const char* kExportDoneCaption = QT_TRANSLATE_NOOP("MainWindow", "Output done");
inline constexpr const char* kExportErrorText = QT_TRANSLATE_NOOP(
    "MainWindow", "Creating the video file was stopped or an output error occurred.");
inline constexpr const char* kExportErrorCaption = QT_TRANSLATE_NOOP("MainWindow", "Output error");
// The loader keeps the Japanese words for the callers that have no translator; the window
// says them through its own.
inline constexpr const char* kLoadFailedText =
    QT_TRANSLATE_NOOP("MainWindow", "Could not read the score file.");
inline constexpr const char* kLoadFailedCaption = QT_TRANSLATE_NOOP("MainWindow", "Read error");

// One of the texts above in the application's language.
inline QString WindowText(const char* source) {
    return QCoreApplication::translate(kWindowContext, source);
}

// "Round1, Player2, dart 3 (4/5)", after the recording prefix when the entry's time was
// just recorded.
QString EntryStatus(const ShownEntry& entry);
// "(  Writing video file...  42%  )"
QString ExportProgressStatus(int percent);
