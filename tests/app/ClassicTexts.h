#pragma once

// The window's texts on a Japanese desktop, byte for byte as the program has always shown
// them. Kept apart from the translation on purpose: a translation that drifts fails here.

namespace classic {

inline constexpr const char* kWindowTitle = "Vorlat  ダーツスコア動画作成ツール";

inline constexpr const char* kCaptionLoad = "スコアファイル読込";
inline constexpr const char* kCaptionRecord = "タイミング記録";
inline constexpr const char* kCaptionRecordStop = "記録中止";
inline constexpr const char* kCaptionExport = "動画ファイル作成";
inline constexpr const char* kCaptionExportStop = "ファイル出力中断";

inline constexpr const char* kScoreFilter = "txtﾌｧｲﾙ (*.txt)";
inline constexpr const char* kVideoFilter = "aviﾌｧｲﾙ (*.avi)";

inline constexpr const char* kStatusRecordingStart =
    "タイミング記録中...　（※矢が刺さるタイミングでEnterを押す）";
inline constexpr const char* kStatusRecordingPrefix = "タイミング記録中 --> ";
inline constexpr const char* kStatusExportCancelled = "（　ファイル出力中断　）";
inline constexpr const char* kStatusExportFinished = "（　動画ファイル出力完了　）";

inline constexpr const char* kNoDataText =
    "スコアデータが存在しません。\n\n先にスコアファイルを読み込んでください。";
inline constexpr const char* kNoDataCaption = "データがありません";
inline constexpr const char* kRecordConfirmText =
    "ダーツの刺さるタイミングを記録します。\n\n\n[OK]をクリックした瞬間から記録がスタートします。"
    "\n\nダーツが刺さるタイミングに合わせてEnterキーを押して下さい。\n\n"
    "（記録が最後まで到達すると、現在のファイルにタイミングが上書保存されます）";
inline constexpr const char* kRecordConfirmCaption = "タイミング記録の開始";
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

} // namespace classic
