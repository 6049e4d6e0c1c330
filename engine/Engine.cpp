#include "engine/Engine.h"

#include "render/GStatic.h"
#include "render/Painters.h"
#include "score/Evaluate.h"
#include "score/ScoreData.h"
#include "score/TimingWriter.h"
#include "video/ExportAvi.h"

#include <chrono>
#include <cstdio>
#include <thread>

uint32_t EngineClockMs() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

std::string FormatEntryStatus(int round, int player, int dart, int position, int count) {
    char text[128];
    std::snprintf(text, sizeof text, "Round%d, Player%d, %d投目 (%d/%d)", round, player, dart,
                  position, count);
    return text;
}

namespace {

// The engine's own state for the life of its thread.
class CEngine {
public:
    explicit CEngine(CEngineHost& host) : m_host(host), m_score(host.EngineScore()) {}

    void Run() {
        if (m_score.m_pSurface != nullptr) {
            DrawTitle(m_score);
            // The window may have painted its first picture before the title was ready;
            // without this it would stay black until the first load.
            m_score.m_pSurface->Refresh();
        }
        while (m_host.m_bRunning.load() != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            // One clock reading per pass: every time computed in this pass uses it.
            const uint32_t now = EngineClockMs();
            switch (m_host.m_nCommand.load()) {
            case CMD_REWIND:
                m_host.m_nIndex = -1;
                m_host.m_nCommand = CMD_STEP;
                Step(now);
                break;
            case CMD_STEP:
                Step(now);
                break;
            case CMD_START_RECORDING:
                StartRecording(now);
                break;
            case CMD_STOP:
                Stop();
                break;
            case CMD_EXPORT:
                Export();
                break;
            default:
                break;
            }
        }
        m_host.PostClose();
    }

private:
    bool Recording() const { return m_host.m_nMode.load() == MODE_RECORDING; }
    // Once the window is closing, nobody is left to answer a box.
    bool WindowAlive() const { return m_host.m_bRunning.load() != 0; }

    // Elapsed match time of clock reading now, modulo 2^32 like the clock itself.
    int32_t Elapsed(uint32_t now) const { return static_cast<int32_t>(now - m_nStart); }

    void Step(uint32_t now) {
        const Entry* current = m_score.at(m_host.m_nIndex);
        const int32_t previous = current != nullptr ? current->time : 0;
        int index = m_host.m_nIndex + 1;
        Entry* mark = m_score.at(index);
        if (mark != nullptr) {
            if (Recording() && mark->dart == 0) {
                // The turn start lies halfway between the last dart and this press; the
                // press itself belongs to the first dart of the new turn.
                const int64_t sum = static_cast<int64_t>(previous) + Elapsed(now);
                mark->time = static_cast<int32_t>(sum / 2);
                ++index;
                mark = m_score.at(index);
            }
            if (mark != nullptr) {
                if (Recording()) {
                    mark->time = Elapsed(now);
                }
                std::string status;
                if (Recording()) {
                    status = kStatusRecordingPrefix;
                }
                status += FormatEntryStatus(mark->round, mark->player, mark->dart,
                                            index + 1, m_score.count());
                m_host.SetStatusText(status);
            }
        }
        m_host.m_nIndex = index;

        if (Recording() && index + 1 == m_score.count()) {
            m_host.m_nCommand = CMD_STOP;
        }

        if (!Paint(index)) {
            m_host.m_nIndex = index - 1;
            m_host.m_nCommand = CMD_STOP;
        } else {
            // Only the step just done is consumed: a stop, or a rewind the window issued
            // meanwhile, stays for the next pass.
            int expected = CMD_STEP;
            m_host.m_nCommand.compare_exchange_strong(expected, CMD_NONE);
        }
    }

    bool Paint(int index) {
        if (m_score.m_pSurface == nullptr) {
            return false;
        }
        switch (m_score.gameKind) {
        case GameKind::X01:
            return Draw01Board(index, m_score);
        case GameKind::Cricket:
            return DrawCricketBoard(index, m_score);
        default:
            return false;
        }
    }

    void StartRecording(uint32_t now) {
        m_host.SetStatusText(kStatusRecordingStart);
        m_host.m_nCommand = CMD_STOP;
        const Entry* current = m_score.at(m_host.m_nIndex);
        const Entry* next = m_score.at(m_host.m_nIndex + 1);
        if (current == nullptr || next == nullptr) {
            return;
        }
        // The recording continues the timeline of the entry shown.
        m_nStart = now - static_cast<uint32_t>(current->time);
        m_backup.Copy(m_score);
        m_host.m_nMode = MODE_RECORDING;
        m_host.m_nCommand = CMD_NONE;
    }

    void Stop() {
        ValidateTimes(m_score);
        if (Recording()) {
            if (m_host.m_bAbortRecording.load()) {
                m_score.Copy(m_backup);
                m_host.m_bAbortRecording = false;
            } else if (SaveTiming(m_score)) {
                if (WindowAlive()) {
                    m_host.ShowMessageBox(kSavedText, kSavedCaption, MB_OK | MB_ICONINFORMATION);
                }
            } else if (WindowAlive()) {
                // The times stay in memory: the user may try again or export them.
                m_host.ShowMessageBox(kSaveErrorText, kSaveErrorCaption, MB_OK | MB_ICONERROR);
            }
        }
        m_host.m_nMode = MODE_IDLE;
        m_host.EnableButton(IDC_BTN_LOAD, true);
        m_host.EnableButton(IDC_BTN_RECORD, true);
        m_host.EnableButton(IDC_BTN_EXPORT, true);
        m_host.SetButtonCaption(IDC_BTN_RECORD, kCaptionRecord);
        m_host.SetButtonCaption(IDC_BTN_EXPORT, kCaptionExport);
        m_host.m_nCommand = CMD_REWIND;
    }

    void Export() {
        m_host.m_nCommand = CMD_NONE;
        m_host.m_nMode = MODE_EXPORTING;
        const std::string path = m_host.EngineAviPath();
        const auto stopCheck = [this] {
            if (m_host.m_bRunning.load() == 0) {
                return ExportStop::Closing;
            }
            if (m_host.m_nCommand.load() == CMD_STOP) {
                return ExportStop::Cancelled;
            }
            return ExportStop::Continue;
        };
        const auto statusSink = [this](const std::string& text) { m_host.SetStatusText(text); };
        const bool ok = m_score.m_pSurface != nullptr &&
                        ExportAvi(path, m_score.compress != 0, m_score, stopCheck, statusSink);
        m_host.m_nCommand = CMD_STOP;
        if (WindowAlive()) {
            if (ok) {
                m_host.ShowMessageBox(kExportDoneText, kExportDoneCaption,
                                      MB_OK | MB_ICONINFORMATION);
            } else {
                m_host.ShowMessageBox(kExportErrorText, kExportErrorCaption,
                                      MB_OK | MB_ICONEXCLAMATION);
            }
        }
        m_host.m_nMode = MODE_IDLE;
    }

    CEngineHost& m_host;
    Match& m_score;
    Match m_backup;
    uint32_t m_nStart = 0; // clock reading of match time 0
};

} // namespace

void RunEngine(CEngineHost* host) {
    CEngine engine(*host);
    engine.Run();
}

unsigned WorkerThreadProc(void* param) {
    RunEngine(static_cast<CEngineHost*>(param));
    return 0;
}
