#include "app/VorlatDlg.h"

#include "render/GStaticWnd.h"
#include "render/Version.h"
#include "score/Loader.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>

#include <algorithm>
#include <array>

// The icon is compiled into the program's library; an unreferenced resource would be left
// out when the program is linked.
static void InitIconResource() {
    Q_INIT_RESOURCE(icon);
}

namespace {

// The window's controls in dialog units.
constexpr std::array<DialogTemplateItem, 6> kTemplate{{
    {IDC_BTN_LOAD, 7, 184, 57, 18},
    {IDC_BTN_RECORD, 71, 184, 57, 18},
    {IDC_BTN_EXPORT, 135, 184, 57, 18},
    {-1, 8, 3, 14, 8}, // "Blog"
    {IDC_LINK, 24, 3, 79, 8},
    {IDC_STATUS, 7, 175, 185, 8},
}};

const DialogTemplateItem& TemplateItem(int id) {
    return *std::find_if(kTemplate.begin(), kTemplate.end(),
                         [id](const DialogTemplateItem& item) { return item.id == id; });
}

// a * b / c rounded to the nearest integer, for the non-negative values of a layout.
// Room a push button needs around its caption for its frame.
constexpr int kButtonTextMargin = 6;

int MulDiv(int a, int b, int c) {
    return (a * b + c / 2) / c;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The window's font: a 9-point Japanese gothic face at 96 dpi, in pixels so that the layout
// does not depend on the screen's resolution.
QFont DialogFont() {
    QFont font(QStringLiteral("IPAGothic"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

} // namespace

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    int baseX = (alphabet / 26 + 1) / 2;
    int baseY = metrics.height();
    // A face narrower than the one the layout was drawn for would squeeze the window below
    // the preview's width or pull the status line up into it.
    while (MulDiv(kDialogCx, baseX, 4) < kPreviewWidth) {
        ++baseX;
    }
    while (MulDiv(TemplateItem(IDC_STATUS).y, baseY, 8) < kPreviewTop + kPreviewHeight) {
        ++baseY;
    }
    // Nor may a button caption be cut off at the button's edges.
    int caption = 0;
    for (const char* text :
         {kCaptionLoad, kCaptionRecord, kCaptionExport, kCaptionRecordStop, kCaptionExportStop}) {
        caption = std::max(caption, metrics.horizontalAdvance(QString::fromUtf8(text)));
    }
    const int buttonCx = TemplateItem(IDC_BTN_LOAD).cx;
    while (MulDiv(buttonCx, baseX, 4) < caption + kButtonTextMargin) {
        ++baseX;
    }
    return {baseX, baseY};
}

QRect DialogUnitsToPixels(const QSize& baseUnits, int x, int y, int cx, int cy) {
    const int left = MulDiv(x, baseUnits.width(), 4);
    const int top = MulDiv(y, baseUnits.height(), 8);
    const int right = MulDiv(x + cx, baseUnits.width(), 4);
    const int bottom = MulDiv(y + cy, baseUnits.height(), 8);
    return {left, top, right - left, bottom - top};
}

CVorlatDlg::CVorlatDlg(QWidget* parent) : QDialog(parent) {
    m_fnMessageBox = [this](const std::string& text, const std::string& caption, unsigned type) {
        return DefaultMessageBox(text, caption, type);
    };
    m_fnOpenScoreFile = [this](const std::string& initial) {
        return DefaultFileDialog(false, initial);
    };
    m_fnSaveVideoFile = [this](const std::string& initial) {
        return DefaultFileDialog(true, initial);
    };

    InitIconResource();
    m_hIcon = QIcon(QStringLiteral(":/vorlat/icon.png"));

    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8(kDialogCaption));
    setFont(DialogFont());
    const QSize base = DialogBaseUnits(font());
    setFixedSize(DialogUnitsToPixels(base, 0, 0, kDialogCx, kDialogCy).size());

    const auto place = [&](QWidget& widget, int id) {
        const DialogTemplateItem& item = TemplateItem(id);
        widget.setParent(this);
        widget.setGeometry(DialogUnitsToPixels(base, item.x, item.y, item.cx, item.cy));
    };
    place(m_btnLoad, IDC_BTN_LOAD);
    place(m_btnRecord, IDC_BTN_RECORD);
    place(m_btnExport, IDC_BTN_EXPORT);
    place(m_wndBlog, -1);
    place(m_wndLink, IDC_LINK);
    place(m_wndStatus, IDC_STATUS);

    m_btnLoad.setText(QString::fromUtf8(kCaptionLoad));
    m_btnRecord.setText(QString::fromUtf8(kCaptionRecord));
    m_btnExport.setText(QString::fromUtf8(kCaptionExport));
    m_btnLoad.setDefault(true);
    m_wndBlog.setText(QStringLiteral("Blog"));
    m_wndLink.setText(QString::fromUtf8(kVorlatHomepage));
    m_wndStatus.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_wndStatus.setTextFormat(Qt::PlainText);
    m_wndBlog.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_wndLink.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // An address cut off in the middle is no use: let the label grow to its text.
    const int linkWidth = QFontMetrics(font()).horizontalAdvance(m_wndLink.text()) + 2;
    if (m_wndLink.width() < linkWidth) {
        m_wndLink.resize(std::min(linkWidth, width() - m_wndLink.x()), m_wndLink.height());
    }

    connect(&m_btnLoad, &QPushButton::clicked, this, [this] { OnBnClickedLoad(); });
    connect(&m_btnRecord, &QPushButton::clicked, this, [this] { OnBnClickedRecord(); });
    connect(&m_btnExport, &QPushButton::clicked, this, [this] { OnBnClickedExport(); });

    // Enter and Escape are taken before any control sees them (Enter is the recording's
    // key, and Escape must not close the window).
    QCoreApplication::instance()->installEventFilter(this);
}

CVorlatDlg::~CVorlatDlg() {
    OnDestroy();
    // The preview window refers to m_wndPreview, which goes before the base class would
    // delete its children.
    delete m_pPreviewWnd;
    m_pPreviewWnd = nullptr;
    m_score.m_pSurface = nullptr;
}

void CVorlatDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialized) {
        m_bInitialized = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

bool CVorlatDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);

    m_bRunning = 0;
    m_pWorker = nullptr;
    m_bAbortRecording = false;
    m_nCommand = CMD_NONE;
    m_nMode = MODE_IDLE;
    m_nIndex = 0;

    auto* preview = new CGStaticWnd(m_wndPreview, this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setGeometry(0, 0, 1, 1);
    preview->show();
    // Centred horizontally, 20 pixels below the top.
    preview->setGeometry(width() / 2 - kPreviewWidth / 2, kPreviewTop, kPreviewWidth,
                         kPreviewHeight);
    m_pPreviewWnd = preview;

    m_score.m_pSurface = &m_wndPreview;

    m_bRunning = 1;
    m_pWorker = QThread::create([this] { WorkerThreadProc(static_cast<CEngineHost*>(this)); });
    m_pWorker->start();
    return true;
}

void CVorlatDlg::closeEvent(QCloseEvent* event) {
    OnDestroy();
    QDialog::closeEvent(event);
}

void CVorlatDlg::OnDestroy() {
    m_bClosing = true;
    m_bRunning = 0;
    if (m_pWorker == nullptr) {
        return;
    }
    // The engine may be waiting for this thread (a status text, a repaint of the preview):
    // keep serving those requests until it has seen the cleared flag and ended. Input is
    // left alone, so no button can start anything meanwhile.
    while (!m_pWorker->wait(QDeadlineTimer(1))) {
        ServeEngineCalls();
    }
    delete m_pWorker;
    m_pWorker = nullptr;
}

void CVorlatDlg::ServeEngineCalls() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // When this thread is itself handling a posted event, the event loop does not hand out
    // further posted events; the engine's calls must be delivered by hand then.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

bool CVorlatDlg::WaitForEngineIdle() {
    while (m_pWorker != nullptr && m_bRunning.load() != 0 && m_nCommand.load() != CMD_NONE) {
        if (m_nMode.load() != MODE_IDLE) {
            return false;
        }
        // The engine may need this thread to show its status text before it is done.
        ServeEngineCalls();
        QThread::msleep(1);
    }
    return m_nMode.load() == MODE_IDLE;
}

bool CVorlatDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && (widget == this || isAncestorOf(widget))) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                OnEnterKey();
                return true;
            }
            if (key == Qt::Key_Escape) {
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CVorlatDlg::OnEnterKey() {
    if (m_nMode.load() == MODE_RECORDING) {
        m_nCommand = CMD_STEP;
    }
}

void CVorlatDlg::OnBnClickedLoad() {
    const std::string path = m_fnOpenScoreFile(m_score.path);
    if (path.empty()) {
        return;
    }
    // The buttons come back a moment before the engine's closing rewind has finished with
    // the score; the score may only change once the engine has let go of it.
    if (!WaitForEngineIdle()) {
        return;
    }
    if (OpenScoreFile(m_score, path)) {
        m_nCommand = CMD_REWIND;
    } else {
        ShowMessageBox(kLoadErrorText, kLoadErrorCaption, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CVorlatDlg::OnBnClickedRecord() {
    switch (m_nMode.load()) {
    case MODE_IDLE:
        if (m_score.count() == 0) {
            ShowMessageBox(kNoDataText, kNoDataCaption, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        if (ShowMessageBox(kRecordConfirmText, kRecordConfirmCaption,
                           MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) {
            return;
        }
        m_nCommand = CMD_START_RECORDING;
        m_btnLoad.setEnabled(false);
        m_btnRecord.setEnabled(true);
        m_btnExport.setEnabled(false);
        m_btnRecord.setText(QString::fromUtf8(kCaptionRecordStop));
        break;
    case MODE_RECORDING:
        m_bAbortRecording = true;
        m_nCommand = CMD_STOP;
        SetStatusText("");
        break;
    default:
        break;
    }
}

void CVorlatDlg::OnBnClickedExport() {
    switch (m_nMode.load()) {
    case MODE_IDLE: {
        if (m_score.count() == 0) {
            ShowMessageBox(kNoDataText, kNoDataCaption, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        const std::string path = m_fnSaveVideoFile(m_strAviPath);
        if (path.empty()) {
            return;
        }
        m_strAviPath = path;
        m_nCommand = CMD_EXPORT;
        m_btnLoad.setEnabled(false);
        m_btnRecord.setEnabled(false);
        m_btnExport.setEnabled(true);
        m_btnExport.setText(QString::fromUtf8(kCaptionExportStop));
        break;
    }
    case MODE_EXPORTING:
        m_nCommand = CMD_STOP;
        break;
    default:
        break;
    }
}

std::string CVorlatDlg::EngineAviPath() {
    // Written by the export button before it issues the export, read by the engine after.
    return m_strAviPath;
}

void CVorlatDlg::SetStatusText(const std::string& text) {
    bool changed = false;
    {
        const std::lock_guard<std::mutex> lock(m_statusMutex);
        changed = text != m_strStatus;
        m_strStatus = text;
    }
    // Outside the lock: the window thread takes it again to show the text.
    if (changed) {
        CallOnWindowThread([this] { OnStatusChanged(); });
    }
}

std::string CVorlatDlg::GetStatusText() {
    const std::lock_guard<std::mutex> lock(m_statusMutex);
    return m_strStatus;
}

void CVorlatDlg::OnStatusChanged() {
    m_wndStatus.setText(Q(GetStatusText()));
}

QPushButton* CVorlatDlg::ButtonById(int id) {
    switch (id) {
    case IDC_BTN_LOAD:
        return &m_btnLoad;
    case IDC_BTN_RECORD:
        return &m_btnRecord;
    case IDC_BTN_EXPORT:
        return &m_btnExport;
    default:
        return nullptr;
    }
}

void CVorlatDlg::EnableButton(int id, bool enable) {
    CallOnWindowThread([this, id, enable] {
        if (QPushButton* button = ButtonById(id)) {
            button->setEnabled(enable);
        }
    });
}

void CVorlatDlg::SetButtonCaption(int id, const std::string& caption) {
    CallOnWindowThread([this, id, &caption] {
        if (QPushButton* button = ButtonById(id)) {
            button->setText(Q(caption));
        }
    });
}

int CVorlatDlg::ShowMessageBox(const std::string& text, const std::string& caption, unsigned type) {
    int result = IDCANCEL;
    CallOnWindowThread([&] {
        // A window on its way out shows nothing more.
        if (!m_bClosing) {
            result = m_fnMessageBox(text, caption, type);
        }
    });
    return result;
}

void CVorlatDlg::PostClose() {
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void CVorlatDlg::CallOnWindowThread(const std::function<void()>& f) {
    if (QThread::currentThread() == thread()) {
        f();
    } else {
        QMetaObject::invokeMethod(
            this, [&f] { f(); }, Qt::BlockingQueuedConnection);
    }
}

int CVorlatDlg::DefaultMessageBox(const std::string& text, const std::string& caption,
                                  unsigned type) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0u) {
    case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    const bool okCancel = (type & 0x0Fu) == MB_OKCANCEL;
    QMessageBox box(icon, Q(caption), Q(text),
                    okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, this);
    box.setFont(font());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
}

std::string CVorlatDlg::DefaultFileDialog(bool save, const std::string& initial) {
    const QString suffix = save ? QStringLiteral("avi") : QStringLiteral("txt");
    QFileDialog dialog(this, QString(), QString(),
                       QString::fromUtf8(save ? kAviFilter : kScoreFilter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    if (!initial.empty()) {
        dialog.selectFile(Q(initial));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    QString path = dialog.selectedFiles().constFirst();
    // The toolkit appends the suffix to a typed name already; a desktop's own dialog may not.
    if (save && QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + suffix;
    }
    return path.toStdString();
}
