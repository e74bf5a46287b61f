#include "cli/ArgumentReader.h"
#include "cli/CliCommands.h"

#include "base/QuarrowError.h"
#include "models/ReportDateTime.h"
#include "models/TableExport.h"
#include "project/HtmlReport.h"
#include "project/ProjectFile.h"
#include "project/RecordWriter.h"

#include <QDateTime>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void WriteRecords(const std::vector<TDomainRow>& rows, TRecordFormat format)
{
    const bool written = TRecordWriter::WriteTable(rows, format, RecordTexts(), WriteOut);
    if (!written || std::fflush(stdout) != 0)
        throw TUsageError("cannot write to standard output");
}

} // namespace

int RunExportCommand(const std::vector<std::string>& args)
{
    TArgumentReader reader({
        {"--html", "OUT", "write the project's HTML report to OUT"},
        {"--csv", "", "print the project's table as CSV"},
        {"--json", "", "print the project's table as JSON"},
    });
    reader.Read(args);
    const int chosen = (reader.Has("--html") ? 1 : 0) + (reader.Has("--csv") ? 1 : 0) + (reader.Has("--json") ? 1 : 0);
    if (chosen > 1 || reader.All("--html").size() + reader.All("--csv").size() + reader.All("--json").size() > 1)
        throw TUsageError("give exactly one of --html OUT, --csv and --json");
    if (reader.Operands().empty())
        throw TUsageError("no project file given");
    if (reader.Operands().size() > 1)
        throw TUsageError("more than one project file given");
    if (chosen == 0)
        throw TUsageError("give one of --html OUT, --csv and --json");
    const std::string htmlPath = reader.Value("--html");
    if (reader.Has("--html") && htmlPath.empty())
        throw TUsageError("--html needs a file name");

    const std::string& projectPath = reader.Operands().front();
    RequireReadableFile(projectPath, "project file");
    std::optional<TProjectData> project;
    try {
        TXMLSaveLoad store;
        project = LoadProject(store, projectPath);
    } catch (const TQuarrowError& error) {
        throw TUsageError(error.what());
    }
    if (!project)
        throw TUsageError("\"" + projectPath + "\": " + WrongXmlFileText);

    if (reader.Has("--html")) {
        try {
            SaveHtmlReport(htmlPath, project->Rows, ReportDateTime(QDateTime::currentDateTime()));
        } catch (const TQuarrowError& error) {
            throw TUsageError(error.what());
        }
        return ExitSuccess;
    }
    WriteRecords(project->Rows, reader.Has("--csv") ? TRecordFormat::Csv : TRecordFormat::Json);
    return ExitSuccess;
}
