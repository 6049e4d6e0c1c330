#include "app/MainWindow.h"

#include "app/Language.h"
#include "app/LinkLabel.h"
#include "app/PlayerWindow.h"
#include "app/PreviewWidget.h"
#include "app/ScoreDrop.h"
#include "app/ScoreWatcher.h"
#include "app/Texts.h"
#include "app/WarningsPanel.h"
#include "engine/ErrorText.h"
#include "render/Version.h"
#include "score/Chapters.h"
#include "score/Loader.h"
#include "video/Clips.h"
#include "video/ExportTarget.h"
#include "video/Footage.h"

#include "video/MomentBoard.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <utility>

// The icon is compiled into the program's library; an unreferenced resource would be left
// out when the program is linked.
static void InitIconResource() {
    Q_INIT_RESOURCE(icon);
}

static QAction* ChaptersAction(MainWindow* window);

namespace {

// The window as it has always looked with its 12-pixel dialog font, in pixels.
constexpr QSize kWindowSize(398, 340);
constexpr QSize kPreviewSize(320, 240);
constexpr QSize kButtonSize(114, 29);
constexpr QSize kBlogSize(28, 13);
constexpr int kTextHeight = 13;
constexpr int kMarginLeft = 14;
constexpr int kMarginTop = 5;
constexpr int kMarginRight = 14;
constexpr int kMarginBottom = 12;
constexpr int kBlogIndent = 2; // the "Blog" label sits a little right of the margin
constexpr int kLinkGap = 4;    // between "Blog" and the link
constexpr int kPreviewGap = 2; // between the link's line and the preview
constexpr int kStatusGap = 24; // between the preview and the status line
constexpr int kButtonsGap = 2; // between the status line and the buttons
constexpr int kButtonSpacing = 14;

// The warnings line sits inside the gap above the status line, 5 pixels below the preview.
constexpr int kWarningsGap = 5;

// A text of the window in the language the application speaks.
QString Q(const char* text) {
    return WindowText(text);
}

// A 9-point Japanese gothic face at 96 dpi, in pixels so that the layout does not depend on
// the screen's resolution.
QFont WindowFont() {
    QFont font(QStringLiteral("IPAGothic"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

QPushButton* MakeButton(const char* caption, QWidget* parent) {
    auto* button = new QPushButton(Q(caption), parent);
    button->setFixedSize(kButtonSize);
    return button;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QDialog(parent) {
    showNotice = [this](const Notice& notice) { return defaultNotice(notice); };
    chooseScoreFile = [this](const QString& initial) { return defaultFileDialog(false, initial); };
    chooseVideoFile = [this](const QString& initial) { return defaultFileDialog(true, initial); };
    chooseExportSettings = [this](const ExportSettings& last,
                                  const std::optional<FootageFormat>& footage) {
        return ChooseExportSettings(last, footage, this);
    };
    {
        QSettings store(QStringLiteral("Vorlat"), QStringLiteral("Vorlat"));
        m_exportSettings = ExportSettings::load(store);
    }

    InitIconResource();
    setWindowIcon(QIcon(QStringLiteral(":/vorlat/icon.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Q(kWindowTitle));
    setFont(WindowFont());
    buildLayout();

    connect(m_loadButton, &QPushButton::clicked, this, &MainWindow::loadScore);
    connect(m_recordButton, &QPushButton::clicked, this, &MainWindow::toggleRecording);
    connect(m_exportButton, &QPushButton::clicked, this, &MainWindow::toggleExport);
    m_watcher = new ScoreWatcher(this);
    connect(m_watcher, &ScoreWatcher::changed, this, &MainWindow::reloadScore);
    auto* drop = new ScoreDrop(this, [this] { return run() == EngineMode::Idle && !m_closing; });
    connect(drop, &ScoreDrop::dropped, this, &MainWindow::openScore);

    // Enter and Escape are taken before any control sees them: Enter is the recording's
    // key wherever the focus is, and Escape must not close the window.
    QCoreApplication::instance()->installEventFilter(this);

    m_engine = std::make_unique<Engine>();
    connectEngine();
    m_run = std::make_unique<RunState>(*m_engine);
    connect(m_run.get(), &RunState::changed, this, &MainWindow::showRun);
    // The player is a window of its own, reached from the button beside the link and from
    // this window's context menu.
    m_player = new PlayerWindow(*m_engine, *m_run, this);
    connect(m_player, &PlayerWindow::previewPicture, m_preview, &PreviewWidget::setPicture);
    const QList<QAction*> playerActions = m_player->windowActions();
    // The action's own words, "..." included: the button opens a window, as the menu does.
    QAction* showPlayer = playerActions.constFirst();
    m_playerButton->setText(showPlayer->text());
    connect(m_playerButton, &QToolButton::clicked, showPlayer, &QAction::trigger);
    addActions(playerActions);
    // The entry line follows the board the player shows while the footage plays.
    connect(m_player, &PlayerWindow::boardEntryShown, this, [this](int index) {
        if (run() == EngineMode::Idle && !m_closing) {
            m_engine->showEntry(std::max(index, 0));
        }
    });
    addAction(ChaptersAction(this));
    setContextMenuPolicy(Qt::ActionsContextMenu);
    m_engine->showTitle();
}

MainWindow::~MainWindow() {
    QCoreApplication::instance()->removeEventFilter(this);
    stopEngine();
}

void MainWindow::buildLayout() {
    setFixedSize(kWindowSize);

    m_blog = new QLabel(tr("Blog"), this);
    // The classic size, widened only for a word that would not fit in it.
    m_blog->setFixedSize(
        std::max(kBlogSize.width(), QFontMetrics(font()).horizontalAdvance(m_blog->text()) + 1),
        kBlogSize.height());
    m_blog->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_link = new LinkLabel(this);
    const QString address = QString::fromUtf8(kVorlatHomepage);
    m_link->setAddress(address);
    // An address cut off in the middle is no use: the label is as wide as its text.
    m_link->setFixedSize(QFontMetrics(font()).horizontalAdvance(address) + 2, kTextHeight);
    m_link->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_preview = new PreviewWidget(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setFixedSize(kPreviewSize);

    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_status->setFixedHeight(kTextHeight);
    // A long status text is cut off; it never widens the window.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    m_warnings = new WarningsPanel(this);
    m_warnings->setFixedHeight(kTextHeight);

    m_loadButton = MakeButton(kCaptionLoad, this);
    m_recordButton = MakeButton(kCaptionRecord, this);
    m_exportButton = MakeButton(kCaptionExport, this);
    m_loadButton->setDefault(true);

    // As high as the link's line, so that nothing below it moves; it never takes the focus,
    // which stays with the buttons that Enter and Space have always pressed.
    m_playerButton = new QToolButton(this);
    m_playerButton->setObjectName(QStringLiteral("playerButton"));
    m_playerButton->setAutoRaise(true);
    m_playerButton->setFocusPolicy(Qt::NoFocus);
    // A play mark beside the words says that this text is a control, not a label.
    m_playerButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_playerButton->setIconSize(QSize(kTextHeight - 2, kTextHeight - 2));
    m_playerButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_playerButton->setFixedHeight(kTextHeight);

    auto* linkRow = new QHBoxLayout;
    linkRow->setSpacing(0);
    linkRow->addSpacing(kBlogIndent);
    linkRow->addWidget(m_blog);
    linkRow->addSpacing(kLinkGap);
    linkRow->addWidget(m_link);
    linkRow->addStretch();
    linkRow->addWidget(m_playerButton);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(kButtonSpacing);
    buttonRow->addWidget(m_loadButton);
    buttonRow->addWidget(m_recordButton);
    buttonRow->addWidget(m_exportButton);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMarginLeft, kMarginTop, kMarginRight, kMarginBottom);
    column->setSpacing(0);
    column->addLayout(linkRow);
    column->addSpacing(kPreviewGap);
    column->addWidget(m_preview, 0, Qt::AlignHCenter);
    column->addSpacing(kWarningsGap);
    column->addWidget(m_warnings);
    column->addSpacing(kStatusGap - kWarningsGap - kTextHeight);
    column->addWidget(m_status);
    column->addSpacing(kButtonsGap);
    column->addLayout(buttonRow);
}

void MainWindow::connectEngine() {
    // The engine emits on this thread, and nothing once it is gone: none of these can come
    // while the window closes.
    Engine* engine = m_engine.get();
    // With footage open the preview is the player's: the footage with the board over it.
    connect(engine, &Engine::pictureReady, m_preview, [this](const QImage& picture) {
        if (!m_player->hasFootage()) {
            m_preview->setPicture(picture);
        }
    });
    connect(engine, &Engine::entryShown, this, [this](const ShownEntry& entry) {
        m_shownIndex = entry.position - 1;
        if (!m_runEndStatus.isEmpty()) {
            setStatus(std::exchange(m_runEndStatus, QString()));
            return;
        }
        setStatus(EntryStatus(entry));
    });
    connect(engine, &Engine::matchChanged, this, [this](const Match& match) { m_match = match; });
    connect(engine, &Engine::recordingEnded, this, &MainWindow::finishRecording);
    // The player's burn-in runs on the same engine and reports itself.
    connect(engine, &Engine::jobProgress, this, [this](EngineJob job, int percent) {
        if (job == EngineJob::Export) {
            setStatus(ExportProgressStatus(percent));
        }
    });
    connect(engine, &Engine::jobFinished, this, [this](EngineJob job, const ExportResult& result) {
        if (job == EngineJob::Export) {
            m_exportError = ErrorText(result.error);
            finishExport(result.outcome);
        }
    });
}

void MainWindow::loadScore() {
    if (m_closing) {
        return;
    }
    const QString path = chooseScoreFile(QString::fromStdString(m_match.path));
    if (path.isEmpty() || m_closing) {
        return;
    }
    openScore(path);
}

bool MainWindow::openScore(const QString& path) {
    // A file dropped or handed over mid-run waits for no one: the run goes on undisturbed.
    if (m_closing || run() != EngineMode::Idle) {
        return false;
    }
    Match loaded;
    const LoadOutcome outcome = LoadScoreFile(loaded, path.toStdString());
    if (!outcome.loaded) {
        notify(Q(kLoadFailedText) + QLatin1Char('\n') + ErrorText(outcome.error),
               Q(kLoadFailedCaption), Notice::Icon::Warning);
        return false;
    }
    m_watcher->watch(path);
    m_warnings->showDiagnostics(outcome.diagnostics);
    m_match = loaded;
    m_player->setMatch(m_match);
    m_engine->load(std::move(loaded));
    m_engine->rewind();
    return true;
}

void MainWindow::reloadScore() {
    // A change during a run waits for its end (the watcher holds it back until then).
    if (m_closing || run() != EngineMode::Idle || m_match.path.empty()) {
        return;
    }
    Match loaded;
    const LoadOutcome outcome = LoadScoreFile(loaded, m_match.path);
    if (!outcome.loaded) {
        m_warnings->showReloadFailure(ErrorText(outcome.error));
        return;
    }
    m_warnings->showDiagnostics(outcome.diagnostics);
    // Our own timing save reads back as the match we hold: nothing to show again.
    if (SameMatch(loaded, m_match)) {
        return;
    }
    m_match = loaded;
    m_player->setMatch(m_match);
    m_engine->load(std::move(loaded));
    m_engine->showEntry(m_shownIndex);
}

void MainWindow::toggleRecording() {
    if (m_closing) {
        return;
    }
    switch (run()) {
    case EngineMode::Idle: {
        if (m_match.count() == 0) {
            notify(Q(kNoDataText), Q(kNoDataCaption), Notice::Icon::Warning);
            return;
        }
        if (m_player->hasFootage()) {
            // Taps are stamped with the footage's clock: the recording starts at its frame.
            if (notify(tr("The recording follows the footage in the player: press Enter when "
                          "a dart lands, Backspace to take the last tap back. Pausing, "
                          "seeking and slow playback are allowed.\n\nThe times are saved to "
                          "the score file when the last dart is reached."),
                       Q(kRecordConfirmCaption), Notice::Icon::Information, true) &&
                !m_closing) {
                // From the first dart, wherever the board of the playback was.
                m_engine->rewind();
                if (m_player->startRecording()) {
                    setStatus(Q(kStatusRecordingStart));
                }
            }
            return;
        }
        if (!notify(Q(kRecordConfirmText), Q(kRecordConfirmCaption), Notice::Icon::Information,
                    true) ||
            m_closing) {
            return;
        }
        // The recording starts the moment the user says OK.
        const int64_t start = TapClock::now();
        if (m_run->startRecording(start)) {
            setStatus(Q(kStatusRecordingStart));
        }
        break;
    }
    case EngineMode::Recording:
        m_engine->abortRecording();
        setStatus(QString());
        break;
    case EngineMode::Exporting:
        break;
    }
}

void MainWindow::toggleExport() {
    if (m_closing) {
        return;
    }
    switch (run()) {
    case EngineMode::Idle: {
        if (m_match.count() == 0) {
            notify(Q(kNoDataText), Q(kNoDataCaption), Notice::Icon::Warning);
            return;
        }
        const std::optional<ExportSettings> settings =
            chooseExportSettings(m_exportSettings, footageFormat());
        if (!settings || m_closing) {
            return;
        }
        m_exportSettings = *settings;
        const QString before = statusText();
        setStatus(ExportLengthStatus(m_match, m_exportSettings.request({})));
        const QString path = m_exportSettings.completePath(chooseVideoFile(suggestedVideoPath()));
        if (path.isEmpty() || m_closing) {
            setStatus(before);
            return;
        }
        m_videoPath = path;
        m_videoScorePath = m_match.path;
        m_exportError.clear();
        m_run->exportVideo(m_exportSettings.request(path));
        break;
    }
    case EngineMode::Exporting:
        m_engine->cancelJob(EngineJob::Export);
        break;
    case EngineMode::Recording:
        break;
    }
}

std::optional<FootageFormat> MainWindow::footageFormat() const {
    if (!m_player->hasFootage()) {
        return std::nullopt;
    }
    const auto opened = Footage::open(m_player->footagePath().toStdString());
    if (!opened) {
        return std::nullopt;
    }
    const std::unique_ptr<Footage>& footage = opened.value();
    const FootageInfo& info = footage->info();
    std::optional<FootageFormat> format =
        FootageFormat::from(info.width, info.height, info.rateNum, info.rateDen);
    if (format && footage->next()) {
        format->still = footage->frameImage();
    }
    return format;
}

QString MainWindow::suggestedVideoPath() const {
    if (!m_videoPath.isEmpty() && m_videoScorePath == m_match.path) {
        return ExportPathWithSuffix(m_videoPath, m_exportSettings);
    }
    return ExportPathBesideScore(QString::fromStdString(m_match.path), m_exportSettings);
}

void MainWindow::finishRecording(RecordingEnd how, const QString& reason) {
    switch (how) {
    case RecordingEnd::Saved:
        // Over the player, where the user goes on working, a box would only be in the way.
        if (m_player->isVisible()) {
            m_player->setStatus(Q(kSavedText));
        } else {
            notify(Q(kSavedText), Q(kSavedCaption), Notice::Icon::Information);
        }
        break;
    case RecordingEnd::SaveFailed:
        notify(Q(kSaveErrorText) + QLatin1Char('\n') + reason, Q(kSaveErrorCaption),
               Notice::Icon::Error);
        break;
    case RecordingEnd::Aborted:
    case RecordingEnd::NotStarted:
        break;
    }
    endRun();
}

void MainWindow::finishExport(ExportOutcome outcome) {
    switch (outcome) {
    case ExportOutcome::Finished:
        setStatus(Q(kStatusExportFinished));
        if (m_player->isVisible()) {
            m_player->setStatus(Q(kExportDoneText));
        } else {
            notify(Q(kExportDoneText), Q(kExportDoneCaption), Notice::Icon::Information);
        }
        break;
    case ExportOutcome::Cancelled:
        // The user asked for it: a word on the status line, no error box. It stays there
        // while the first entry comes back.
        setStatus(Q(kStatusExportCancelled));
        m_runEndStatus = Q(kStatusExportCancelled);
        break;
    case ExportOutcome::Failed:
        // The box keeps its own words; the reason follows on a line of its own.
        notify(m_exportError.isEmpty() ? Q(kExportErrorText)
                                       : Q(kExportErrorText) + QLatin1Char('\n') + m_exportError,
               Q(kExportErrorCaption), Notice::Icon::Warning);
        break;
    }
    endRun();
}

void MainWindow::endRun() {
    // The window may have been closed while a box was open.
    if (m_closing) {
        return;
    }
    m_engine->rewind();
}

void MainWindow::showRun() {
    const EngineMode run = m_run->mode();
    m_watcher->setHeld(run != EngineMode::Idle);
    m_loadButton->setEnabled(run == EngineMode::Idle);
    m_recordButton->setEnabled(run != EngineMode::Exporting);
    m_exportButton->setEnabled(run != EngineMode::Recording);
    m_recordButton->setText(Q(run == EngineMode::Recording ? kCaptionRecordStop : kCaptionRecord));
    m_exportButton->setText(Q(run == EngineMode::Exporting ? kCaptionExportStop : kCaptionExport));
}

QString MainWindow::statusText() const {
    return m_status->text();
}

void MainWindow::setStatus(const QString& text) {
    if (text == m_status->text()) {
        return;
    }
    m_status->setText(text);
    emit statusChanged(text);
}

bool MainWindow::notify(const QString& text, const QString& caption, Notice::Icon icon,
                        bool withCancel) {
    // A box waits in an event loop of its own, where later starts may hand over more files:
    // what they bring goes to the status line rather than a pile of boxes, and a question
    // that cannot be asked now is answered no.
    if (m_noticeOpen) {
        setStatus(caption + QStringLiteral(": ") +
                  QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified());
        return false;
    }
    m_noticeOpen = true;
    const bool ok = showNotice(Notice{text, caption, icon, withCancel});
    m_noticeOpen = false;
    return ok;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!event->isInputEvent() || widget == nullptr || (widget != this && !isAncestorOf(widget))) {
        return QDialog::eventFilter(watched, event);
    }
    // Every input event handled while the window is idle teaches the tap clock how the
    // platform's timestamps relate to ours; read first, since the moment a key arrived is
    // what the recording is about.
    const auto* input = static_cast<QInputEvent*>(event);
    const int64_t arrived = m_tapClock.arrival(input->timestamp(), TapClock::now());
    if (event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    switch (static_cast<const QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (run() == EngineMode::Recording && !m_closing && !m_player->tap(arrived)) {
            m_engine->tap(arrived);
        }
        return true;
    case Qt::Key_Backspace:
        if (run() == EngineMode::Recording && !m_closing && m_player->undoTap()) {
            return true;
        }
        return QDialog::eventFilter(watched, event);
    case Qt::Key_Escape:
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    stopEngine();
    QDialog::closeEvent(event);
}

void MainWindow::stopEngine() {
    m_closing = true;
    // Joins the engine's thread: a running export stops before its next frame, a running
    // recording is dropped unsaved, as it always was when the window closed.
    m_engine.reset();
}

bool MainWindow::defaultNotice(const Notice& notice) {
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (notice.icon) {
    case Notice::Icon::Information:
        icon = QMessageBox::Information;
        break;
    case Notice::Icon::Warning:
        icon = QMessageBox::Warning;
        break;
    case Notice::Icon::Error:
        icon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(icon, notice.caption, notice.text,
                    notice.withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    this);
    box.setFont(font());
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

QString MainWindow::defaultFileDialog(bool save, const QString& initial) {
    const bool classic = !save || IsAviCodec(m_exportSettings.codec);
    const QString suffix = !save ? QStringLiteral("txt") : m_exportSettings.suffix();
    QFileDialog dialog(this, QString(), QString(),
                       classic ? Q(save ? kVideoFilter : kScoreFilter) : m_exportSettings.filter());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(suffix);
    if (!initial.isEmpty()) {
        dialog.selectFile(initial);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    QString path = dialog.selectedFiles().constFirst();
    // The toolkit appends the suffix to a typed name already; a desktop's own dialog may not.
    if (save && QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + suffix;
    }
    return path;
}

// "Export chapters and markers...": the command line's chapters formats for the loaded
// match, timed on the player's footage when one is open, labels in the window's language.
static QAction* ChaptersAction(MainWindow* window) {
    auto* action = new QAction(
        QCoreApplication::translate("MainWindow", "Export chapters and markers..."), window);
    QObject::connect(action, &QAction::triggered, window, [window, action] {
        const Match& match = window->match();
        if (match.count() == 0) {
            return;
        }
        struct Choice {
            const char* name;
            ChapterFormat format;
        };
        const Choice choices[] = {
            {QT_TRANSLATE_NOOP("MainWindow", "Video site chapters (YouTube description)"),
             ChapterFormat::YouTube},
            {QT_TRANSLATE_NOOP("MainWindow", "Spreadsheet (CSV)"), ChapterFormat::Csv},
            {QT_TRANSLATE_NOOP("MainWindow", "Edit decision list markers (EDL)"),
             ChapterFormat::Edl},
            {QT_TRANSLATE_NOOP("MainWindow", "Final Cut Pro / DaVinci Resolve markers (FCPXML)"),
             ChapterFormat::Fcpxml},
            {QT_TRANSLATE_NOOP("MainWindow", "FFmpeg chapters (ffmetadata)"),
             ChapterFormat::FfMetadata},
        };
        QStringList names;
        for (const Choice& c : choices) {
            names << QCoreApplication::translate("MainWindow", c.name);
        }
        bool chosen = false;
        const QString name = QInputDialog::getItem(
            window, action->text(), QCoreApplication::translate("MainWindow", "Format:"), names, 0,
            false, &chosen);
        if (!chosen) {
            return;
        }
        const ChapterFormat format = choices[names.indexOf(name)].format;
        const QFileInfo score(QString::fromStdString(match.path));
        ChapterSettings settings;
        settings.title = score.completeBaseName().toStdString();
        settings.labeler = TranslatedEventLabels();
        const QString footagePath = window->player().footagePath();
        if (!footagePath.isEmpty()) {
            if (const auto footage = Footage::open(footagePath.toStdString())) {
                TakeFootageTiming(settings, footage.value()->info());
            }
        }
        const QString path = QFileDialog::getSaveFileName(
            window, action->text(),
            score.dir().filePath(score.completeBaseName() +
                                 QString::fromLatin1(ChapterExtension(format))));
        if (path.isEmpty()) {
            return;
        }
        const std::string text = FormatChapters(format, MatchEvents(match), settings);
        QString why;
        if (SameFile(path.toStdString(), score.filePath().toStdString()) ||
            SameFile(path.toStdString(), footagePath.toStdString())) {
            why = QCoreApplication::translate("MainWindow", "It is the score file or the footage.");
        } else if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
            why = QCoreApplication::translate("MainWindow", "It is not a regular file.");
        } else {
            // Written beside the target and renamed over it: a failure leaves the old file.
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(text.data(), qint64(text.size())) != qint64(text.size()) ||
                !file.commit()) {
                why = file.errorString();
            }
        }
        if (!why.isEmpty()) {
            QMessageBox::warning(window, action->text(), path + QLatin1Char('\n') + why);
        }
    });
    return action;
}
