#include "app/PlayerWindow.h"

#include "app/FramePipe.h"
#include "app/PlayerView.h"
#include "engine/ErrorText.h"
#include "render/BroadcastBoard.h"
#include "render/Renderer.h"
#include "render/Theme.h"
#include "video/ExportTarget.h"
#include "video/Footage.h"
#include "video/MomentBoard.h"

#include <QAction>
#include <QApplication>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QBoxLayout>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QThread>
#include <QToolButton>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t kSkipMs = TransportBar::kSkipMs;
constexpr int kFineNudgeMs = 10;
// Without footage the board alone runs on past the last entry for a moment.
constexpr int64_t kBoardTail = 2000;

} // namespace

PlayerWindow::PlayerWindow(Engine& engine, RunState& run, QWidget* parent)
    : QWidget(parent, Qt::Window), m_engine(&engine), m_run(run) {
    chooseFootage = [this](const QString& initial) {
        return QFileDialog::getOpenFileName(
            this, tr("Open footage"), initial,
            tr("Videos (*.mp4 *.mkv *.mov *.avi *.webm *.m4v *.mts *.ts);;All files (*)"));
    };
    chooseBurnOutput = [this](const QString& initial) {
        return QFileDialog::getSaveFileName(this, tr("Burn the board into the footage"), initial,
                                            tr("MP4 video (*.mp4);;Matroska video (*.mkv)"));
    };
    confirmShift = [this](int deltaMs) {
        return QMessageBox::question(
                   this, tr("Shift all times"),
                   tr("Move every time in the score file by %1 ms and save it?").arg(deltaMs)) ==
               QMessageBox::Yes;
    };
    setWindowTitle(tr("Vorlat player"));
    buildLayout();
    m_pipe = new FramePipe(this);
    connect(m_pipe, &FramePipe::ready, this, &PlayerWindow::takeFrame);
    connectEngine(engine);

    m_showAction = new QAction(tr("Player..."), this);
    connect(m_showAction, &QAction::triggered, this, [this] {
        show();
        raise();
        activateWindow();
    });
    m_openAction = new QAction(tr("Open footage..."), this);
    connect(m_openAction, &QAction::triggered, this, [this] {
        const QString path = chooseFootage(m_settings.footagePath);
        if (!path.isEmpty() && openFootage(path)) {
            show();
        }
    });
    m_burnAction = new QAction(tr("Burn board into footage..."), this);
    connect(m_burnAction, &QAction::triggered, this, &PlayerWindow::toggleBurn);

    // The player's keys work wherever the focus is in this window, as the main window's Enter
    // does there.
    QCoreApplication::instance()->installEventFilter(this);
    redrawBoard();
}

PlayerWindow::~PlayerWindow() {
    QCoreApplication::instance()->removeEventFilter(this);
    // The player and its sink go before the frame pipe they feed from the sink's thread,
    // telling this half-gone window nothing more (the run state it reads is gone already).
    if (m_media) {
        m_media->disconnect(this);
    }
    closeFootage();
    if (m_burning && m_engine) {
        // The file is finished with what was written, as a cancel does.
        m_engine->cancelJob(EngineJob::BurnIn);
    }
}

QList<QAction*> PlayerWindow::windowActions() const {
    return {m_showAction, m_openAction, m_burnAction};
}

void PlayerWindow::addWorkspacePart(QWidget& part, const QList<QAction*>& actions) {
    m_workspace->addWidget(&part);
    m_workspace->setStretchFactor(m_workspace->indexOf(&part), 2);
    addActions(actions);
    for (QAction* action : actions) {
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        m_partActions->addWidget(button);
    }
    if (height() < 800) {
        resize(width(), 800);
    }
}

void PlayerWindow::buildLayout() {
    m_view = new PlayerView(this);
    m_transport = new TransportBar(this);
    auto* open = new QPushButton(tr("Open footage..."), this);

    m_entries = new EntryTimesList(this);
    m_offset = new QSpinBox(this);
    m_offset->setRange(-600000, 600000);
    m_offset->setSuffix(QStringLiteral(" ms"));
    m_shift = new QPushButton(tr("Shift all times"), this);
    auto* shift = m_shift;
    m_place = new QComboBox(this);
    const char* placeNames[] = {QT_TR_NOOP("Top left"), QT_TR_NOOP("Top right"),
                                QT_TR_NOOP("Bottom left"), QT_TR_NOOP("Bottom right"),
                                QT_TR_NOOP("Centre")};
    for (const BoardPlace place : kBoardPlaces) {
        m_place->addItem(tr(placeNames[int(place)]), int(place));
    }
    m_scale = new QDoubleSpinBox(this);
    m_scale->setRange(0, kMaxScale);
    m_scale->setSingleStep(0.25);
    m_scale->setSpecialValueText(tr("Auto"));
    m_burn = new QPushButton(tr("Burn in..."), this);
    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);

    auto* side = new QVBoxLayout;
    m_partActions = new QHBoxLayout;
    side->addLayout(m_partActions);
    side->addWidget(open);
    side->addWidget(new QLabel(tr("Times (Alt+Left/Right nudges)"), this));
    side->addWidget(m_entries, 1);
    auto* shiftRow = new QHBoxLayout;
    shiftRow->addWidget(m_offset, 1);
    shiftRow->addWidget(shift);
    side->addLayout(shiftRow);
    auto* boardRow = new QHBoxLayout;
    boardRow->addWidget(new QLabel(tr("Board"), this));
    boardRow->addWidget(m_place, 1);
    boardRow->addWidget(m_scale);
    side->addLayout(boardRow);
    buildBurnSettings(*side);
    side->addWidget(m_burn);

    auto* main = new QVBoxLayout;
    main->addWidget(m_view, 1);
    main->addWidget(m_transport);
    auto* columns = new QHBoxLayout;
    columns->addLayout(main, 1);
    columns->addLayout(side);
    // The footage and its controls on top; the scoring parts join below them in the same
    // window, so that the eye never leaves the footage while entering darts.
    auto* footage = new QWidget(this);
    footage->setLayout(columns);
    columns->setContentsMargins(0, 0, 0, 0);
    m_workspace = new QSplitter(Qt::Vertical, this);
    m_workspace->setChildrenCollapsible(false);
    m_workspace->addWidget(footage);
    m_workspace->setStretchFactor(0, 3);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_workspace, 1);
    outer->addWidget(m_status);
    resize(960, 540);

    connect(open, &QPushButton::clicked, this, [this] {
        const QString path = chooseFootage(m_settings.footagePath);
        if (!path.isEmpty()) {
            openFootage(path);
        }
    });
    connect(m_transport, &TransportBar::playPauseClicked, this, &PlayerWindow::togglePlay);
    connect(m_transport, &TransportBar::speedChosen, this, &PlayerWindow::setSpeed);
    connect(m_transport, &TransportBar::seekRequested, this, &PlayerWindow::seek);
    connect(shift, &QPushButton::clicked, this, [this] { shiftAll(m_offset->value()); });
    connect(m_entries, &EntryTimesList::entryPicked, this, &PlayerWindow::pickEntry);
    connect(m_place, &QComboBox::currentIndexChanged, this, [this] {
        OverlaySettings overlay = m_settings.overlay;
        overlay.place = BoardPlace(m_place->currentData().toInt());
        setOverlay(overlay);
    });
    connect(m_scale, &QDoubleSpinBox::valueChanged, this, [this](double scale) {
        OverlaySettings overlay = m_settings.overlay;
        overlay.scale = scale;
        setOverlay(overlay);
    });
    connect(m_burn, &QPushButton::clicked, this, &PlayerWindow::toggleBurn);
}

void PlayerWindow::connectEngine(Engine& engine) {
    connect(&engine, &Engine::entryShown, this, [this](const ShownEntry& entry) {
        m_shownIndex = entry.position - 1;
        if (entry.recording) {
            redrawBoard();
        }
    });
    connect(&engine, &Engine::matchChanged, this, &PlayerWindow::setMatch);
    // The list shows each tap as it is made.
    connect(&engine, &Engine::timesRecorded, this, [this](const Match& match) {
        m_match = match;
        m_entries->showRecorded(m_match, m_shownIndex);
    });
    connect(&engine, &Engine::tapRefused, this, &PlayerWindow::showRefusal);
    // The board of a recording is the entry the recording shows, whatever the frame; the
    // frame's own again once it ends.
    connect(&m_run, &RunState::changed, this, [this] {
        updateLayout();
        redrawBoard();
    });
    connect(&engine, &Engine::timesSaved, this, [this](bool ok, const QString& reason) {
        m_shiftPending = false;
        m_shift->setEnabled(true);
        setStatus(ok ? tr("Times saved.") : tr("The times were not saved: %1").arg(reason));
    });
    // The burn-in is the engine's job like the export; the main window reports its own.
    connect(&engine, &Engine::jobProgress, this, [this](EngineJob job, int percent) {
        if (job == EngineJob::BurnIn && m_burning) {
            setStatus(tr("Burning in... %1%").arg(percent));
        }
    });
    connect(&engine, &Engine::jobFinished, this, [this](EngineJob job, const ExportResult& result) {
        if (job == EngineJob::BurnIn && m_burning) {
            finishBurn(result);
        }
    });
}

void PlayerWindow::setMatch(const Match& match) {
    const QString path = QString::fromStdString(match.path);
    m_match = match;
    m_boardEntry = -2;
    if (path != m_scorePath) {
        m_scorePath = path;
        const FootageSettings remembered = FootageSettings::load(path);
        // A match scored on the footage open now keeps it where it is: reopening would put
        // it back on its first frame between two darts of a visit.
        const bool keep = hasFootage() && remembered.footagePath == m_settings.footagePath;
        if (!keep) {
            closeFootage();
        }
        m_settings = remembered;
        const QSignalBlocker placeBlock(m_place), scaleBlock(m_scale);
        m_place->setCurrentIndex(m_place->findData(int(m_settings.overlay.place)));
        m_scale->setValue(m_settings.overlay.scale);
        if (!keep && !m_settings.footagePath.isEmpty() &&
            QFileInfo::exists(m_settings.footagePath)) {
            openFootage(m_settings.footagePath);
        }
    }
    m_entries->showMatch(m_match);
    updateTimeline();
    redrawBoard();
}

bool PlayerWindow::openFootage(const QString& path) {
    const auto opened = Footage::open(path.toStdString());
    if (!opened) {
        setStatus(ErrorText(opened.error()));
        return false;
    }
    const std::unique_ptr<Footage>& footage = opened.value();
    const FootageInfo& info = footage->info();
    closeFootage();
    m_clock =
        FootageClock(info.rateNum > 0 ? FrameRate{info.rateNum, info.rateDen} : FrameRate{30, 1},
                     info.durationMs);
    m_footageSize = QSize(info.width, info.height);

    // Qt 6.4 picks GStreamer first on Linux, which needs elements Debian splits into other
    // packages (and crashed without them); the FFmpeg backend reads what our footage reader
    // reads.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) {
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    }
    m_media = std::make_unique<QMediaPlayer>();
    m_sink = std::make_unique<QVideoSink>();
    // Qt 6.4's FFmpeg backend crashes when an audio output is set and the system has no
    // audio device (a headless machine): the footage then plays silently.
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        m_audio = std::make_unique<QAudioOutput>();
        m_media->setAudioOutput(m_audio.get());
    }
    m_media->setVideoSink(m_sink.get());
    // Straight from the sink's thread into the pipe: frames never queue up on this one.
    FramePipe* pipe = m_pipe;
    connect(
        m_sink.get(), &QVideoSink::videoFrameChanged, pipe,
        [pipe](const QVideoFrame& frame) { pipe->offer(frame); }, Qt::DirectConnection);
    connect(m_media.get(), &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) {
                m_transport->setPlaying(state == QMediaPlayer::PlayingState);
                if (state == QMediaPlayer::PlayingState) {
                    m_heldFrame = -1;
                    m_askedFrames.clear();
                }
                updateLayout();
            });
    // Played to its end, the footage stays paused on its last frame, where every key and
    // the timeline go on working.
    connect(m_media.get(), &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia) {
                    QMetaObject::invokeMethod(
                        this, [this] { seekFrame(m_clock.lastFrame()); }, Qt::QueuedConnection);
                }
            });
    connect(m_media.get(), &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) { setStatus(text); });
    m_media->setPlaybackRate(m_transport->speed());
    m_media->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    // The first frame shows without playing.
    m_media->setPosition(0);
    m_media->pause();

    // The board goes over each frame here: a picture of the engine's would be drawn only to
    // be dropped.
    if (m_engine) {
        m_engine->drawPictures(false);
    }
    m_settings.footagePath = QFileInfo(path).absoluteFilePath();
    m_settings.save(m_scorePath);
    m_boardEntry = -2;
    updateTimeline();
    redrawBoard();
    setStatus(tr("Footage: %1 (%2 x %3, %4 fps)")
                  .arg(QFileInfo(path).fileName())
                  .arg(info.width)
                  .arg(info.height)
                  .arg(double(m_clock.rate().num) / double(m_clock.rate().den), 0, 'g', 4));
    return true;
}

void PlayerWindow::closeFootage() {
    if (m_media) {
        m_media->stop();
        // Without footage the main window's preview is the engine's picture again.
        if (m_engine) {
            m_engine->drawPictures(true);
        }
    }
    m_media.reset();
    m_sink.reset();
    m_audio.reset();
    m_pipe->clear();
    m_frameMs = -1;
    m_frameIndex = -1;
    m_targetFrame = -1;
    m_heldFrame = -1;
    m_askedFrames.clear();
    m_footageSize = {};
    m_view->clearFrame();
}

void PlayerWindow::takeFrame() {
    ComposedFrame frame;
    if (!hasFootage() || !m_pipe->take(frame)) {
        return;
    }
    m_frameMs = frame.ms;
    m_frameIndex = frame.index;
    if (m_frameIndex == m_targetFrame || (m_media->playbackState() == QMediaPlayer::PlayingState &&
                                          m_targetFrame >= 0 && m_frameIndex > m_targetFrame)) {
        m_targetFrame = -1;
        m_askedFrames.clear();
    }
    holdFrame();
    const int entry = frame.boardEntry;
    QImage preview = std::move(frame.preview);
    m_view->setFootageFrame(std::move(frame));
    updateTimeline();
    if (!preview.isNull()) {
        emit previewPicture(preview);
    }
    if (!m_run.recordsOnFootage() && entry != m_lastBoardEntry) {
        m_lastBoardEntry = entry;
        emit boardEntryShown(entry);
    }
    emit frameShown(m_frameMs);
}

void PlayerWindow::updateLayout() {
    if (!hasFootage()) {
        return;
    }
    FrameLayout layout;
    layout.match = std::make_shared<const Match>(m_match);
    layout.clock = m_clock;
    layout.footageSize = m_footageSize;
    layout.overlay = m_settings.overlay;
    layout.board = burnBoard();
    layout.fixedEntry = m_run.recordsOnFootage() ? std::max(m_shownIndex, 0) : -1;
    layout.viewSize = m_view->pixelSize();
    layout.previewEveryFrame = m_media->playbackState() != QMediaPlayer::PlayingState;
    m_pipe->setLayout(layout);
}

void PlayerWindow::redrawBoard() {
    if (hasFootage()) {
        // The board goes with each frame, drawn where the frame is composed.
        updateLayout();
        return;
    }
    RenderOptions options;
    const int64_t moment = m_scrubMs;
    const bool recording = m_run.recordsOnFootage();
    QImage board = m_view->board();
    const int entry = recording ? m_shownIndex : EntryAtMoment(m_match, moment);
    if (entry == m_boardEntry && recording == m_boardRecording && !board.isNull() &&
        board.size() == BoardSize(options.scale) && !board.hasAlphaChannel()) {
        return;
    }
    bool drawn = false;
    if (m_match.count() == 0) {
        RenderTitle(board, options);
        drawn = true;
    } else if (recording) {
        drawn = RenderEntry(m_match, entry, board, options);
    } else {
        drawn = RenderMoment(m_match, moment, board, options);
    }
    if (!drawn) {
        return;
    }
    m_boardEntry = entry;
    m_boardRecording = recording;
    m_view->setBoard(board);
}

void PlayerWindow::updateTimeline() {
    if (hasFootage()) {
        m_transport->showFrame(std::max<int64_t>(m_frameMs, 0), std::max<int64_t>(m_frameIndex, 0),
                               m_clock);
    } else {
        m_transport->showMoment(m_scrubMs, durationMs());
    }
}

int64_t PlayerWindow::durationMs() const {
    if (hasFootage()) {
        return m_clock.durationMs();
    }
    int64_t last = 0;
    for (const Entry& mark : m_match.entries) {
        last = std::max<int64_t>(last, mark.time);
    }
    return last + kBoardTail;
}

double PlayerWindow::boardScale() const {
    return EffectiveScale(m_settings.overlay, m_footageSize);
}

int64_t PlayerWindow::currentFrame() const {
    return m_targetFrame >= 0 ? m_targetFrame : std::max<int64_t>(m_frameIndex, 0);
}

void PlayerWindow::holdFrame() {
    constexpr int kMaxReseeks = 3;
    if (m_heldFrame < 0 || m_frameIndex == m_heldFrame ||
        m_media->playbackState() == QMediaPlayer::PlayingState || m_reseeks >= kMaxReseeks) {
        return;
    }
    // A frame asked for on the way arrives before the last one asked for: no need to ask
    // again. Once the held frame was on screen, any other frame is a stray.
    if (m_targetFrame >= 0 && std::find(m_askedFrames.begin(), m_askedFrames.end(), m_frameIndex) !=
                                  m_askedFrames.end()) {
        return;
    }
    ++m_reseeks;
    seekMedia(m_heldFrame);
}

void PlayerWindow::seekMedia(int64_t frame) {
    m_targetFrame = frame;
    // Enough to recognise the frames of a burst of key presses as they come in.
    constexpr size_t kAskedKept = 32;
    if (m_askedFrames.size() >= kAskedKept) {
        m_askedFrames.erase(m_askedFrames.begin());
    }
    m_askedFrames.push_back(frame);
    const int64_t ms = m_clock.startMs(frame);
    // Paused at the end it ignores seeks altogether: stopped, it takes them as below.
    // On the last frame the decoder is at the end whatever the status says.
    if ((m_media->mediaStatus() == QMediaPlayer::EndOfMedia ||
         m_frameIndex >= m_clock.lastFrame()) &&
        m_media->playbackState() != QMediaPlayer::StoppedState) {
        m_media->stop();
    }
    m_media->setPosition(ms);
    // At the end of the footage the backend stops and shows no frame for a seek until it is
    // started again; pausing it there goes back to the start, so the seek is repeated.
    if (m_media->playbackState() == QMediaPlayer::StoppedState) {
        m_media->pause();
        m_media->setPosition(ms);
    }
    m_heldFrame = m_media->playbackState() == QMediaPlayer::PlayingState ? -1 : frame;
}

void PlayerWindow::seekFrame(int64_t index) {
    if (!hasFootage()) {
        seek(m_clock.startMs(index));
        return;
    }
    m_media->pause();
    m_reseeks = 0;
    seekMedia(m_clock.clampFrame(index));
}

void PlayerWindow::seek(int64_t ms) {
    ms = std::clamp<int64_t>(ms, 0, durationMs());
    if (hasFootage()) {
        m_reseeks = 0;
        seekMedia(m_clock.frameForSeek(ms));
        return;
    }
    m_scrubMs = ms;
    redrawBoard();
    updateTimeline();
    emit frameShown(ms);
}

void PlayerWindow::togglePlay() {
    if (!hasFootage()) {
        return;
    }
    if (m_media->playbackState() == QMediaPlayer::PlayingState) {
        m_media->pause();
    } else {
        m_targetFrame = -1;
        m_media->play();
    }
}

void PlayerWindow::setSpeed(double rate) {
    rate = TransportBar::clampSpeed(rate);
    m_transport->showSpeed(rate);
    if (m_media) {
        m_media->setPlaybackRate(rate);
    }
}

bool PlayerWindow::startRecording() {
    if (!hasFootage() || m_engine == nullptr || m_run.mode() != EngineMode::Idle) {
        return false;
    }
    // Before the run begins: the board it lays over the frames is this entry's.
    m_shownIndex = 0;
    return m_run.startMediaRecording();
}

bool PlayerWindow::tap(int64_t pressedAt) {
    if (!recordsOnFootage() || m_engine == nullptr) {
        return false;
    }
    int64_t frame = m_view->frameOnScreenAt(pressedAt);
    if (frame < 0) {
        frame = std::max<int64_t>(m_frameIndex, 0);
    }
    m_engine->tap(m_clock.startMs(frame));
    return true;
}

bool PlayerWindow::undoTap() {
    if (!recordsOnFootage() || m_engine == nullptr) {
        return false;
    }
    m_engine->undoTap();
    return true;
}

bool PlayerWindow::redoTap() {
    if (!recordsOnFootage() || m_engine == nullptr) {
        return false;
    }
    m_engine->redoTap();
    return true;
}

void PlayerWindow::undoTimes() {
    if (!recordsOnFootage() && m_engine != nullptr) {
        m_engine->undoTimes();
    }
}

void PlayerWindow::redoTimes() {
    if (!recordsOnFootage() && m_engine != nullptr) {
        m_engine->redoTimes();
    }
}

void PlayerWindow::showRefusal(const TapRefusal& refusal) {
    QApplication::beep();
    const auto name = [](const ShownEntry& e) {
        return tr("R%1 P%2 dart %3").arg(e.round).arg(e.player).arg(e.dart);
    };
    setStatus(tr("Tap refused: %1 at %2 would come before %3 at %4. Seek forward and tap again.")
                  .arg(name(refusal.dart), TransportBar::clockText(refusal.tapMs),
                       name(refusal.previous), TransportBar::clockText(refusal.previousMs)));
}

void PlayerWindow::pickEntry(int index) {
    // A dart picked in the list puts the footage on its frame.
    if (index >= 0 && index < m_match.count() && !recordsOnFootage()) {
        seekFrame(m_clock.frameAt(m_match.entries[size_t(index)].time));
    }
}

void PlayerWindow::selectEntry(int index) {
    m_entries->setCurrentRow(index);
}

void PlayerWindow::nudgeSelected(int direction, bool fine) {
    const int row = m_entries->currentRow();
    if (recordsOnFootage() || m_engine == nullptr || row < 0 || row >= m_match.count()) {
        return;
    }
    const int64_t time = m_match.entries[size_t(row)].time;
    int64_t delta = direction * kFineNudgeMs;
    if (!fine && hasFootage()) {
        delta = m_clock.nudgedMs(time, direction) - time;
    }
    m_engine->nudgeEntry(row, int(delta));
}

void PlayerWindow::shiftAll(int deltaMs) {
    if (recordsOnFootage() || m_engine == nullptr || deltaMs == 0 || m_shiftPending ||
        !confirmShift(deltaMs)) {
        return;
    }
    m_shiftPending = true;
    m_shift->setEnabled(false);
    m_offset->setValue(0);
    m_engine->shiftTimes(deltaMs);
}

void PlayerWindow::setOverlay(const OverlaySettings& overlay) {
    m_settings.overlay = overlay;
    m_settings.save(m_scorePath);
    m_boardEntry = -2;
    redrawBoard();
}

void PlayerWindow::setStatus(const QString& text) {
    m_status->setText(text);
}

void PlayerWindow::buildBurnSettings(QVBoxLayout& side) {
    // The burn-in's board is remembered for every score file, as the export's is.
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vorlat"),
                    QStringLiteral("vorlat"));
    store.beginGroup(QStringLiteral("burn-in"));
    m_burnTheme = new QComboBox(this);
    for (const std::string& theme : BuiltInThemeNames()) {
        m_burnTheme->addItem(QString::fromStdString(theme));
    }
    const QString theme = store.value(QStringLiteral("theme")).toString();
    if (BuiltInTheme(theme.toStdString())) {
        m_burnTheme->setCurrentText(theme);
    }
    m_burnLayout = new QComboBox(this);
    for (const BoardLayout layout :
         {BoardLayout::Corner, BoardLayout::LowerThird, BoardLayout::Vertical}) {
        m_burnLayout->addItem(QString::fromLatin1(BoardLayoutName(layout)), int(layout));
    }
    if (const std::optional<BoardLayout> layout =
            ParseBoardLayout(store.value(QStringLiteral("layout")).toString().toStdString())) {
        m_burnLayout->setCurrentIndex(m_burnLayout->findData(int(*layout)));
    }
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Theme"), this));
    row->addWidget(m_burnTheme, 1);
    row->addWidget(new QLabel(tr("Layout"), this));
    row->addWidget(m_burnLayout, 1);
    side.addLayout(row);
    const auto save = [this] {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vorlat"),
                        QStringLiteral("vorlat"));
        store.beginGroup(QStringLiteral("burn-in"));
        store.setValue(QStringLiteral("theme"), m_burnTheme->currentText());
        store.setValue(
            QStringLiteral("layout"),
            QString::fromLatin1(BoardLayoutName(BoardLayout(m_burnLayout->currentData().toInt()))));
    };
    connect(m_burnTheme, &QComboBox::currentIndexChanged, this, save);
    connect(m_burnLayout, &QComboBox::currentIndexChanged, this, save);
    // The footage shows the board the burn-in would burn into it.
    connect(m_burnTheme, &QComboBox::currentIndexChanged, this, &PlayerWindow::updateLayout);
    connect(m_burnLayout, &QComboBox::currentIndexChanged, this, &PlayerWindow::updateLayout);
}

RenderOptions PlayerWindow::burnBoard() const {
    RenderOptions board;
    ApplyTheme(board, *BuiltInTheme(m_burnTheme->currentText().toStdString()));
    board.broadcast.layout = BoardLayout(m_burnLayout->currentData().toInt());
    return board;
}

void PlayerWindow::toggleBurn() {
    if (m_burning) {
        m_engine->cancelJob(EngineJob::BurnIn);
        return;
    }
    if (!hasFootage() || m_match.count() == 0) {
        setStatus(tr("Open a score file and its footage first."));
        return;
    }
    const QFileInfo footage(m_settings.footagePath);
    const QString path = chooseBurnOutput(
        footage.dir().filePath(footage.completeBaseName() + tr("-board") + QStringLiteral(".mp4")));
    if (path.isEmpty()) {
        return;
    }
    BurnRequest request;
    request.match = m_match;
    request.scorePath = m_scorePath.toStdString();
    request.footagePath = m_settings.footagePath.toStdString();
    request.outputPath = path.toStdString();
    request.overlay = m_settings.overlay;
    request.board = burnBoard();
    m_burning = true;
    m_burnPath = path;
    m_burn->setText(tr("Stop burning"));
    m_burnAction->setText(tr("Stop burning"));
    m_engine->burnIn(request);
}

void PlayerWindow::finishBurn(const ExportResult& result) {
    m_burning = false;
    m_burn->setText(tr("Burn in..."));
    m_burnAction->setText(tr("Burn board into footage..."));
    switch (result.outcome) {
    case ExportOutcome::Finished:
        setStatus(tr("Burn-in finished: %1").arg(m_burnPath));
        break;
    case ExportOutcome::Cancelled:
        setStatus(result.partialPath.empty()
                      ? tr("Burn-in stopped: %1 is as it was").arg(m_burnPath)
                      : tr("Burn-in stopped: %1 holds the frames so far, %2 is as it was")
                            .arg(QString::fromStdString(result.partialPath), m_burnPath));
        break;
    case ExportOutcome::Failed:
        setStatus(tr("Burn-in failed: %1").arg(ErrorText(result.error)));
        break;
    }
    emit burnFinished(result.outcome);
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        // Frames are composed at the view's size.
        updateLayout();
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!event->isInputEvent() || widget == nullptr || widget->window() != this) {
        return QWidget::eventFilter(watched, event);
    }
    // Every input event teaches the tap clock how the platform's timestamps relate to ours;
    // the key's own moment is what a tap is about.
    const int64_t pressedAt =
        m_tapClock.arrival(static_cast<QInputEvent*>(event)->timestamp(), TapClock::now());
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    // The offset field takes its own digits, signs and arrows.
    if (widget == m_offset || m_offset->isAncestorOf(widget) || widget == m_scale ||
        m_scale->isAncestorOf(widget)) {
        return QWidget::eventFilter(watched, event);
    }
    // So do the workspace's parts: Space, Enter and the letters are darts on the pad. Comma
    // and period are in no dart's name: they step the footage a frame from the pad too, so
    // that a scorer finds the frame a dart lands on without leaving the keyboard.
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool frameStep = (key->key() == Qt::Key_Comma || key->key() == Qt::Key_Period) &&
                           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    for (int i = 1; i < m_workspace->count() && !frameStep; ++i) {
        if (m_workspace->widget(i)->isAncestorOf(widget)) {
            return QWidget::eventFilter(watched, event);
        }
    }
    return handleKey(*static_cast<QKeyEvent*>(event), pressedAt) ||
           QWidget::eventFilter(watched, event);
}

bool PlayerWindow::handleKey(const QKeyEvent& key, int64_t pressedAt) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    const bool footage = hasFootage();
    const int64_t at = footage ? m_clock.startMs(currentFrame()) : m_scrubMs;
    if ((mods & Qt::ControlModifier) && key.key() == Qt::Key_Z) {
        const bool redo = (mods & Qt::ShiftModifier) != 0;
        if (recordsOnFootage()) {
            redo ? redoTap() : undoTap();
        } else {
            redo ? redoTimes() : undoTimes();
        }
        return true;
    }
    if (mods & Qt::AltModifier) {
        if (key.key() == Qt::Key_Left || key.key() == Qt::Key_Right) {
            nudgeSelected(key.key() == Qt::Key_Left ? -1 : 1, (mods & Qt::ShiftModifier) != 0);
            return true;
        }
        return false;
    }
    switch (key.key()) {
    case Qt::Key_Space:
    case Qt::Key_K:
        if (key.key() == Qt::Key_K && footage) {
            m_media->pause();
        } else {
            togglePlay();
        }
        return true;
    case Qt::Key_L:
        // Again while playing: faster, as far as 2x.
        if (footage && m_media->playbackState() == QMediaPlayer::PlayingState) {
            setSpeed(m_media->playbackRate() * 2);
        } else if (footage) {
            m_media->play();
        }
        return true;
    case Qt::Key_J:
        // The backend cannot play backwards: J slows down while playing and steps back a
        // second when paused.
        if (footage && m_media->playbackState() == QMediaPlayer::PlayingState) {
            setSpeed(m_media->playbackRate() / 2);
        } else {
            seek(at - kSkipMs);
        }
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        seek(at + (key.key() == Qt::Key_Left ? -kSkipMs : kSkipMs));
        return true;
    case Qt::Key_Comma:
    case Qt::Key_Period:
        if (footage) {
            seekFrame(currentFrame() + (key.key() == Qt::Key_Comma ? -1 : 1));
        } else {
            const int64_t step = TransportBar::kBoardStepMs;
            seek(at + (key.key() == Qt::Key_Comma ? -step : step));
        }
        return true;
    case Qt::Key_Home:
        seek(0);
        return true;
    case Qt::Key_End:
        if (footage) {
            seekFrame(m_clock.lastFrame());
        } else {
            seek(durationMs());
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return tap(pressedAt);
    case Qt::Key_Backspace:
        return undoTap();
    default:
        return false;
    }
}
