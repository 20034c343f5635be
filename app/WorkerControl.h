// WorkerControl: what a worker thread (scan, load or export) shares with the main window
// while it runs: the pause event, the stop flag and the progress counters, and the window
// handles it reports to.
//
// How it works: the window and the worker each hold the control through a shared pointer,
// so a worker that outlives the window (closing does not wait for ever) still has it. The
// window writes the pause event and the stop flag; the worker reads them and writes the
// counters. The worker reaches the window only by sending or posting messages to window
// handles, which fails harmlessly once the window is gone.
#pragma once

#include <windows.h>

#include <atomic>

#include "Handles.h"

class WorkerControl {
public:
    WorkerControl();
    WorkerControl(const WorkerControl&) = delete;
    WorkerControl& operator=(const WorkerControl&) = delete;

    // Window handles the worker reports to; set before the worker starts.
    HWND m_hwndMain = nullptr;
    HWND m_hwndProgress = nullptr;

    // Signalled = the worker may run; reset = paused.
    winframe::CHandle m_hPauseEvent;
    std::atomic<bool> m_bStop{false};

    // Progress: records to handle and records handled.
    std::atomic<int> m_nTotal{0};
    std::atomic<int> m_nDone{0};

    // Blocks while paused; returns at once once stopped.
    void WaitWhilePaused() const;
    void Pause() const;
    void Resume() const;
    // Asks the worker to end: sets the stop flag and releases a paused worker.
    void RequestStop();
    // Counts one more record handled and moves the progress bar when its figure changes.
    void RecordDone();
    // A new start: not stopped, not paused, nothing done.
    void Reset(int total);

private:
    std::atomic<int> m_nShownPercent{-1};
};
