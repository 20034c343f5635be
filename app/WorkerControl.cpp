#include "WorkerControl.h"

#include <commctrl.h>

WorkerControl::WorkerControl() : m_hPauseEvent(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

void WorkerControl::WaitWhilePaused() const {
    if (m_hPauseEvent.IsValid()) ::WaitForSingleObject(m_hPauseEvent.Get(), INFINITE);
}

void WorkerControl::Pause() const {
    if (m_hPauseEvent.IsValid()) ::ResetEvent(m_hPauseEvent.Get());
}

void WorkerControl::Resume() const {
    if (m_hPauseEvent.IsValid()) ::SetEvent(m_hPauseEvent.Get());
}

void WorkerControl::RequestStop() {
    m_bStop = true;
    Resume();
}

void WorkerControl::RecordDone() {
    const int done = ++m_nDone;
    const int total = m_nTotal;
    const int percent = total > 0 ? static_cast<int>(static_cast<long long>(done) * 100 / total) : 0;
    // Telling the bar only when the figure moves keeps 100,000 records from costing
    // 100,000 cross-thread messages; the bar shows the same.
    if (m_nShownPercent.exchange(percent) == percent) return;
    if (m_hwndProgress) ::SendMessageW(m_hwndProgress, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void WorkerControl::Reset(int total) {
    m_bStop = false;
    m_nTotal = total;
    m_nDone = 0;
    m_nShownPercent = -1;
    Resume();
}
