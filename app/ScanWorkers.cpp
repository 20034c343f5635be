#include "ScanWorkers.h"

#include <exception>
#include <utility>

#include "SqliteParse.h"
#include "WindowMessages.h"
#include "WorkerThread.h"

namespace {

void Post(const WorkerControl& control, UINT message) {
    if (control.m_hwndMain) ::PostMessageW(control.m_hwndMain, message, 0, 0);
}

std::string FailureText(const char* step, const std::exception* error) {
    return std::string(step) + ": " + (error ? error->what() : "an unknown error");
}

void RunEngine(ScanResults& results, const WorkerControl& control) {
    {
        SqliteParse contacts(results.m_strContactsDb, results.m_strSmsDb);
        contacts.setCancelFlag(&control.m_bStop);
        contacts.startParse(ePaserContacts);
        results.m_recoveredContacts = contacts.contacts();
        results.m_contactsReport = contacts.report();
    }
    if (control.m_bStop) return;
    SqliteParse sms(results.m_strContactsDb, results.m_strSmsDb);
    sms.setCancelFlag(&control.m_bStop);
    sms.startParse(ePaserSms);
    results.m_recoveredSms = sms.messages();
    results.m_smsReport = sms.report();
}

// Pause, stop and progress of an export, as the exporter asks for them.
class ControlOfExport : public ExportControl {
public:
    explicit ControlOfExport(WorkerControl& control) : m_control(control) {}
    void WaitWhilePaused() override { m_control.WaitWhilePaused(); }
    bool StopRequested() override { return m_control.m_bStop; }
    void RecordDone(int /*done*/) override { m_control.RecordDone(); }

private:
    WorkerControl& m_control;
};

}  // namespace

winframe::CHandle StartScanWorker(std::shared_ptr<ScanResults> results, std::shared_ptr<WorkerControl> control) {
    return winframe::StartWorkerThread([results, control] {
        try {
            RunEngine(*results, *control);
        } catch (const std::exception& error) {
            results->m_strFailure = FailureText("The scan failed", &error);
        } catch (...) {
            results->m_strFailure = FailureText("The scan failed", nullptr);
        }
        Post(*control, WM_SCAN_DONE);
    });
}

// Counts both categories, then loads them: contacts first; messages only when the contacts
// were not stopped, and a category only when its count found something.
winframe::CHandle StartLoadWorker(std::shared_ptr<ScanResults> results, std::shared_ptr<WorkerControl> control) {
    return winframe::StartWorkerThread([results, control] {
        try {
            const int contacts = results->LoadContacts(*control, true);
            const int messages = results->LoadMessages(*control, true);
            Post(*control, WM_LOAD_COUNTED);
            int loaded = 0;
            if (contacts != 0) loaded = results->LoadContacts(*control, false);
            if (loaded != -1 && messages != 0) results->LoadMessages(*control, false);
        } catch (const std::exception& error) {
            results->m_strFailure = FailureText("Loading the records failed", &error);
        } catch (...) {
            results->m_strFailure = FailureText("Loading the records failed", nullptr);
        }
        Post(*control, WM_LOAD_DONE);
    });
}

winframe::CHandle StartExportWorker(ExportJob job, std::shared_ptr<ScanResults> results,
                                    std::shared_ptr<WorkerControl> control, std::shared_ptr<ExportOutcome> outcome) {
    return winframe::StartWorkerThread([job = std::move(job), results, control, outcome] {
        try {
            ControlOfExport exportControl(*control);
            RecordExporter exporter(results->ExportView(), exportControl, job.saveDir, job.formats);
            int result = 0;
            if (job.exportContacts) result = exporter.ExportContacts(job.contactsLabel, job.contactsNodeChecked);
            if (result != -1 && job.exportMessages)
                result = exporter.ExportMessages(job.messageLabel, job.messageNodeChecked);
            exporter.Finish();
            outcome->written = exporter.Written();
            outcome->writeFailed = exporter.AnyWriteFailed();
            outcome->writeProblem = exporter.FirstProblem();
            outcome->stopped = result == -1 || control->m_bStop;
        } catch (const std::exception& error) {
            outcome->failure = FailureText("Writing the files failed", &error);
        } catch (...) {
            outcome->failure = FailureText("Writing the files failed", nullptr);
        }
        Post(*control, WM_EXPORT_DONE);
    });
}
