// The three workers of one scan, each started with winframe::StartWorkerThread and holding
// what it needs through shared pointers (ScanResults, WorkerControl), so that a worker that
// outlives the window ends harmlessly:
//
//   scan    both engine runs on the copies; stops early when the control's stop flag is
//           set; posts WM_SCAN_DONE.
//   load    lists both databases once, counts (WM_LOAD_COUNTED), then loads the categories
//           (WM_CATEGORY_LOADED each, sent) and posts WM_LOAD_DONE.
//   export  writes the checked records; posts WM_EXPORT_DONE.
//
// Each ends its step on any exception: the exception's text lands in ScanResults::
// m_strFailure (or the export's outcome) and the end message is posted all the same, so
// the window can say what went wrong and stays usable.
#pragma once

#include <memory>
#include <string>

#include "Handles.h"
#include "ScanResults.h"
#include "WorkerControl.h"

winframe::CHandle StartScanWorker(std::shared_ptr<ScanResults> results, std::shared_ptr<WorkerControl> control);
winframe::CHandle StartLoadWorker(std::shared_ptr<ScanResults> results, std::shared_ptr<WorkerControl> control);

// How an export ended, for the final message.
// The worker writes it before it posts WM_EXPORT_DONE; the window reads it after.
struct ExportOutcome {
    int written = 0;            // records whose every line reached every file they went to
    bool writeFailed = false;   // some folder or line could not be written
    std::wstring writeProblem;  // the first of those failures, with its cause
    bool stopped = false;       // the user stopped it
    std::string failure;        // an exception's text; empty when none
};

// What one export needs.
struct ExportJob {
    std::wstring saveDir;
    std::wstring contactsLabel;
    std::wstring messageLabel;
    bool contactsNodeChecked = false;
    bool messageNodeChecked = false;
    bool exportContacts = false;  // the category node's count is not 0
    bool exportMessages = false;
    ExportFormats formats;
};

winframe::CHandle StartExportWorker(ExportJob job, std::shared_ptr<ScanResults> results,
                                    std::shared_ptr<WorkerControl> control, std::shared_ptr<ExportOutcome> outcome);
