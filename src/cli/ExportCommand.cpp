#include "cli/CliCommands.h"
#include "cli/RecordFields.h"

#include "base/QuarrowError.h"
#include "project/HtmlReport.h"
#include "project/ProjectFile.h"
#include "project/ReportDateTime.h"

#include <QDateTime>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

int Fail(const std::string& message)
{
    std::fprintf(stderr, "quarrow-cli export: %s\n", message.c_str());
    return ExitUsage;
}

std::string_view Slot(const TDomainRow& row, std::size_t slot)
{
    return slot < row.Slots.size() ? std::string_view(row.Slots[slot]) : std::string_view();
}

std::string Csv(const std::vector<TDomainRow>& rows)
{
    std::string out = "domain,checked,availability,registrar,whois_server,expires\r\n";
    for (const TDomainRow& row : rows) {
        out += CsvField(row.Caption) + (row.Checked ? ",1" : ",0");
        for (std::size_t slot = SlotAvailability; slot <= SlotExpires; ++slot) {
            out += ',';
            out += CsvField(Slot(row, slot));
        }
        out += "\r\n";
    }
    return out;
}

std::string Json(const std::vector<TDomainRow>& rows)
{
    static constexpr const char* keys[] = {"availability", "registrar", "whois_server", "expires"};
    std::string out = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TDomainRow& row = rows[i];
        out += i == 0 ? "\n" : ",\n";
        out += "  {\"domain\": " + JsonString(row.Caption) + ", \"checked\": " + (row.Checked ? "true" : "false");
        for (std::size_t slot = SlotAvailability; slot <= SlotExpires; ++slot)
            out += std::string(", \"") + keys[slot] + "\": " + JsonString(Slot(row, slot));
        out += "}";
    }
    return out + (rows.empty() ? "]\n" : "\n]\n");
}

} // namespace

int RunExportCommand(const std::vector<std::string>& args)
{
    std::string projectPath;
    std::string htmlPath;
    enum class TFormat
    {
        None,
        Html,
        Csv,
        Json
    } format = TFormat::None;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        TFormat chosen = TFormat::None;
        if (arg == "--html") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Fail("--html needs a file name");
            htmlPath = args[++i];
            chosen = TFormat::Html;
        } else if (arg.rfind("--html=", 0) == 0 && arg.size() > 7) {
            htmlPath = arg.substr(7);
            chosen = TFormat::Html;
        } else if (arg == "--csv") {
            chosen = TFormat::Csv;
        } else if (arg == "--json") {
            chosen = TFormat::Json;
        } else if (arg.rfind("-", 0) == 0 && arg != "-") {
            return Fail("unknown option \"" + arg + "\"");
        } else if (projectPath.empty()) {
            projectPath = arg;
            continue;
        } else {
            return Fail("more than one project file given");
        }
        if (format != TFormat::None)
            return Fail("give exactly one of --html OUT, --csv and --json");
        format = chosen;
    }
    if (projectPath.empty())
        return Fail("no project file given");
    if (format == TFormat::None)
        return Fail("give one of --html OUT, --csv and --json");

    std::optional<TProjectData> project;
    try {
        TXMLSaveLoad store;
        project = LoadProject(store, projectPath);
    } catch (const TQuarrowError& error) {
        return Fail(error.what());
    }
    if (!project)
        return Fail(WrongXmlFileText);

    if (format == TFormat::Html) {
        try {
            SaveHtmlReport(htmlPath, project->Rows, ReportDateTime(QDateTime::currentDateTime()));
        } catch (const TQuarrowError& error) {
            return Fail(error.what());
        }
        return ExitSuccess;
    }
    const std::string text = format == TFormat::Csv ? Csv(project->Rows) : Json(project->Rows);
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("quarrow-cli export: cannot write to standard output\n", stderr);
        return 1;
    }
    return ExitSuccess;
}
