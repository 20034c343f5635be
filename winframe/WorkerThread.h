// One way to start a worker thread: the thread owns its job (a callable moved into it and
// destroyed when the thread ends), and nothing a job throws leaves the thread: an exception
// that a job did not handle itself ends the thread quietly instead of the process. The
// caller gets the thread's handle, to wait for the thread's end (closing the program waits
// for its workers before it removes the files they read).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>

#include "Handles.h"

namespace winframe {

namespace detail {
inline DWORD WINAPI RunWorkerJob(LPVOID param) {
    std::unique_ptr<std::function<void()>> job(static_cast<std::function<void()>*>(param));
    try {
        (*job)();
    } catch (...) {
    }
    return 0;
}
}  // namespace detail

// Starts `job` on a new thread. Returns the thread's handle, or an empty handle when no
// thread could be started (the job is then destroyed without running).
inline CHandle StartWorkerThread(std::function<void()> job) {
    auto owned = std::make_unique<std::function<void()>>(std::move(job));
    HANDLE thread = ::CreateThread(nullptr, 0, detail::RunWorkerJob, owned.get(), 0, nullptr);
    if (thread) owned.release();
    return CHandle(thread);
}

}  // namespace winframe
