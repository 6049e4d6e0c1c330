#pragma once

#include "app/LinkStatic.h"
#include "engine/Engine.h"
#include "render/GStatic.h"
#include "score/ScoreData.h"

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QSize>

#include <functional>
#include <mutex>
#include <string>

class QThread;

// Private notifications of the main window.
enum : int {
    UM_STATUS_CHANGED = 0x0500,
    UM_ENTER_KEY = 0x0501,
};

// Control ids of the main window (the buttons' ids come with the engine).
enum : int {
    IDC_PREVIEW = 1000,
    IDC_STATUS = 1004,
    IDC_LINK = 1006,
};

// The main window's texts.
inline constexpr const char* kDialogCaption = "Vorlat  ダーツスコア動画作成ツール";
inline constexpr const char* kCaptionLoad = "スコアファイル読込";
inline constexpr const char* kCaptionRecordStop = "記録中止";
inline constexpr const char* kCaptionExportStop = "ファイル出力中断";
inline constexpr const char* kNoDataText =
    "スコアデータが存在しません。\n\n先にスコアファイルを読み込んでください。";
inline constexpr const char* kNoDataCaption = "データがありません";
inline constexpr const char* kRecordConfirmText =
    "ダーツの刺さるタイミングを記録します。\n\n\n[OK]をクリックした瞬間から記録がスタートします。"
    "\n\nダーツが刺さるタイミングに合わせてEnterキーを押して下さい。\n\n"
    "（記録が最後まで到達すると、現在のファイルにタイミングが上書保存されます）";
inline constexpr const char* kRecordConfirmCaption = "タイミング記録の開始";
inline constexpr const char* kScoreFilter = "txtﾌｧｲﾙ (*.txt)";
inline constexpr const char* kAviFilter = "aviﾌｧｲﾙ (*.avi)";

// The window's layout in dialog units, as the window has always been drawn.
struct DialogTemplateItem {
    int id;
    int x, y, cx, cy;
};
inline constexpr int kDialogCx = 199;
inline constexpr int kDialogCy = 209;
inline constexpr int kPreviewWidth = 320;
inline constexpr int kPreviewHeight = 240;
inline constexpr int kPreviewTop = 20;

// Pixels per 4 horizontal and per 8 vertical dialog units, from the dialog font's metrics,
// raised where needed so that the preview fits above the status line and inside the window.
QSize DialogBaseUnits(const QFont& font);
// A dialog-unit rectangle in pixels for the given base units.
QRect DialogUnitsToPixels(const QSize& baseUnits, int x, int y, int cx, int cy);

// The main window: the preview, the status line, the hyperlink and the three buttons. It
// owns the match and hands all time-dependent work to the engine thread.
class CVorlatDlg : public QDialog, public CEngineHost {
    Q_OBJECT
public:
    explicit CVorlatDlg(QWidget* parent = nullptr);
    ~CVorlatDlg() override;

    // Engine host.
    Match& EngineScore() override { return m_score; }
    std::string EngineAviPath() override;
    void SetStatusText(const std::string& text) override;
    void EnableButton(int id, bool enable) override;
    void SetButtonCaption(int id, const std::string& caption) override;
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    void PostClose() override;

    std::string GetStatusText();

    // Handlers.
    bool OnInitDialog();
    void OnBnClickedLoad();
    void OnBnClickedRecord();
    void OnBnClickedExport();
    void OnStatusChanged();
    void OnEnterKey();
    void OnDestroy();

    // The modal parts of the window, replaceable so that tests answer them. A file dialog
    // returns the chosen path, or an empty one when cancelled.
    std::function<int(const std::string& text, const std::string& caption, unsigned type)>
        m_fnMessageBox;
    std::function<std::string(const std::string& initial)> m_fnOpenScoreFile;
    std::function<std::string(const std::string& initial)> m_fnSaveVideoFile;

    CGStatic m_wndPreview;
    QWidget* m_pPreviewWnd = nullptr; // the window showing m_wndPreview
    Match m_score;
    std::string m_strAviPath;
    QThread* m_pWorker = nullptr;
    QIcon m_hIcon;
    QLabel m_wndBlog;
    CLinkStatic m_wndLink;
    QLabel m_wndStatus;
    QPushButton m_btnLoad;
    QPushButton m_btnRecord;
    QPushButton m_btnExport;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* ButtonById(int id);
    // Waits until the engine is idle with no command pending; false if it is running a
    // recording or an export.
    bool WaitForEngineIdle();
    // Carries out the calls the engine is waiting for, leaving user input alone.
    void ServeEngineCalls();
    // Runs f on the window's thread and waits for it.
    void CallOnWindowThread(const std::function<void()>& f);
    int DefaultMessageBox(const std::string& text, const std::string& caption, unsigned type);
    std::string DefaultFileDialog(bool save, const std::string& initial);

    std::mutex m_statusMutex; // SetStatusText runs on both threads
    std::string m_strStatus;
    bool m_bInitialized = false;
    bool m_bClosing = false; // window thread only
};
