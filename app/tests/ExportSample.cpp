// export-sample: exports the sample phone of the format tests in every format into a new
// export folder below PARENT and prints that folder's path. check_formats.py reads the files
// back; the HTML report is what a screenshot of the report shows.
//
//   export-sample PARENT
#include <cstdio>
#include <ctime>

#include "ExportFolder.h"
#include "LocalTime.h"
#include "NarrowText.h"
#include "RecordExporter.h"
#include "SampleModel.h"

namespace {

class FreeRunning : public ExportControl {
public:
    void WaitWhilePaused() override {}
    bool StopRequested() override { return false; }
    void RecordDone(int /*done*/) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: export-sample PARENT\n");
        return 2;
    }
    const ExportFolderResult folder = CreateExportFolder(WideFromUtf8(argv[1]), std::time(nullptr));
    if (folder.path.empty()) {
        std::fprintf(stderr, "%s\n", Utf8FromWide(folder.problem).c_str());
        return 1;
    }
    apptest::ModelBuilder builder;
    apptest::AddSamplePhone(builder, MillisecondsFromLocalText(L"2024-03-05 21:07:09").value_or(0));
    const ExportModel model = builder.Model();
    FreeRunning control;
    RecordExporter exporter(model, control, folder.path, ExportFormats::All());
    exporter.ExportContacts(L"Contacts (7)", false);
    exporter.ExportMessages(L"Message (6)", false);
    exporter.Finish();
    if (exporter.AnyWriteFailed()) {
        std::fprintf(stderr, "%s\n", Utf8FromWide(exporter.FirstProblem()).c_str());
        return 1;
    }
    std::printf("%s\n", Utf8FromWide(folder.path).c_str());
    return 0;
}
