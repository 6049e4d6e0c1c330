#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class Match;

// What the main window asks of the engine (m_nCommand). 0 means nothing to do.
enum : int {
    CMD_NONE = 0,
    CMD_REWIND = 1,
    CMD_STEP = 3,
    CMD_START_RECORDING = 4,
    CMD_STOP = 6,
    CMD_EXPORT = 7,
};

// What the engine is doing (m_nMode).
enum : int {
    MODE_IDLE = 0,
    MODE_RECORDING = 1,
    MODE_EXPORTING = 3,
};

// Control ids of the main window's buttons, by which the engine addresses them.
enum : int {
    IDC_BTN_LOAD = 1001,
    IDC_BTN_RECORD = 1002,
    IDC_BTN_EXPORT = 1003,
};

// Message box styles and answers, with the values the program has always used.
enum : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_ICONERROR = 0x10,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
};

// The window the engine works for. The shared fields are read and written by both the
// window's thread and the engine's thread, hence atomic; everything the engine does to the
// window goes through the operations below, each of which returns only once the window's
// thread has carried it out (except PostClose).
class CEngineHost {
public:
    virtual ~CEngineHost() = default;

    std::atomic<bool> m_bAbortRecording{false}; // the recording's times are to be dropped
    std::atomic<int> m_nCommand{CMD_NONE};
    std::atomic<int> m_nMode{MODE_IDLE};
    std::atomic<int> m_nIndex{0};   // entry shown in the preview; -1 or past the end: none
    std::atomic<int> m_bRunning{0}; // the engine loop runs while this is nonzero

    // The match the engine records and exports. The window changes it only while the
    // engine is idle.
    virtual Match& EngineScore() = 0;
    // The output path of the next export (a copy, taken when the export starts).
    virtual std::string EngineAviPath() = 0;

    virtual void SetStatusText(const std::string& text) = 0;
    virtual void EnableButton(int id, bool enable) = 0;
    virtual void SetButtonCaption(int id, const std::string& caption) = 0;
    // A modal box owned by the window; returns IDOK or IDCANCEL once it is closed.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                               unsigned type) = 0;
    // Asks the window to close; does not wait.
    virtual void PostClose() = 0;
};

// Milliseconds of a monotonic clock, wrapping like a 32-bit counter.
uint32_t EngineClockMs();

// The engine loop: paints the title, then polls m_nCommand every millisecond until
// m_bRunning is cleared; finally asks the window to close.
void RunEngine(CEngineHost* host);
// Thread entry: param is the CEngineHost.
unsigned WorkerThreadProc(void* param);

// The texts the engine shows.
inline constexpr const char* kStatusRecordingStart =
    "タイミング記録中...　（※矢が刺さるタイミングでEnterを押す）";
inline constexpr const char* kStatusRecordingPrefix = "タイミング記録中 --> ";
inline constexpr const char* kCaptionRecord = "タイミング記録";
inline constexpr const char* kCaptionExport = "動画ファイル作成";
inline constexpr const char* kSavedText =
    "タイミング記録が最終投まで達しました。\n\nタイミングデータを現在のファイルに保存しました。";
inline constexpr const char* kSavedCaption = "ファイル保存完了";
inline constexpr const char* kSaveErrorText = "タイミングデータのファイル保存に失敗しました。";
inline constexpr const char* kSaveErrorCaption = "ファイル保存エラー";
inline constexpr const char* kExportDoneText = "動画ファイルの作成が完了しました。";
inline constexpr const char* kExportDoneCaption = "ファイル出力完了";
inline constexpr const char* kExportErrorText =
    "動画ファイルの作成中断または出力エラーが発生しました。";
inline constexpr const char* kExportErrorCaption = "ファイル出力エラー";

// The status line of an entry: "Round%d, Player%d, %d投目 (%d/%d)".
std::string FormatEntryStatus(int round, int player, int dart, int position, int count);
