#include "engine/PaceFile.h"

#include "base/AtomicFileWriter.h"
#include "base/NumberText.h"
#include "base/WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// A few thousand lanes at most; anything far larger is no file of ours.
constexpr std::size_t MaxFileBytes = 4 * 1024 * 1024;

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

} // namespace

std::string TPaceFile::Format(const TLearntPace& pace)
{
    std::string text = std::string(Header) + "\n";
    for (const auto& [lane, ms] : pace.Entries())
        text += lane.Host + "\t" + lane.Way + "\t" + std::to_string(ms) + "\n";
    return text;
}

bool TPaceFile::Parse(std::string_view text, TLearntPace& pace, std::string& problem)
{
    TLearntPace parsed;
    int number = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (number == 1) {
            if (line != Header) {
                problem = "it does not begin with the line \"quarrow-pace<TAB>1\"";
                return false;
            }
            continue;
        }
        if (line.empty())
            continue;
        const std::vector<std::string_view> fields = Fields(line);
        int ms = 0;
        if (fields.size() != 3 || fields[0].empty() || fields[1].empty() || !ParseDecimal(fields[2], ms) || ms <= 0) {
            problem = "line " + std::to_string(number) + " is not a host, a way out and an interval in ms";
            return false;
        }
        parsed.Set({std::string(fields[1]), std::string(fields[0])}, ms);
    }
    if (number == 0) {
        problem = "it is empty";
        return false;
    }
    parsed.MarkSaved();
    pace = std::move(parsed);
    return true;
}

std::string TPaceFile::PathBeside(const std::string& configPath)
{
    const std::size_t slash = configPath.rfind('/');
    return (slash == std::string::npos ? std::string() : configPath.substr(0, slash + 1)) + FileName;
}

bool TPaceFile::Read(const std::string& path, TLearntPace& pace, std::string& problem)
{
    const TWholeFile file = ReadWholeFile(path, MaxFileBytes);
    if (file.Status == TWholeFile::TStatus::Missing)
        return true;
    if (!file.Loaded()) {
        problem = file.Error;
        return false;
    }
    return Parse(file.View(), pace, problem);
}

bool TPaceFile::Load(const std::string& path, TLearntPace& pace, std::string& message)
{
    std::string problem;
    if (Read(path, pace, problem))
        return true;
    const std::string aside = path + SetAsideSuffix;
    message = "The learnt pace in " + path + " could not be read (" + problem + ")";
    if (std::rename(path.c_str(), aside.c_str()) == 0)
        message += "; it was set aside as " + aside + ".";
    else
        message += "; it could not be set aside either (" + std::string(std::strerror(errno)) + ").";
    message += " The check starts without it.";
    return false;
}

bool TPaceFile::Save(const std::string& path, const TLearntPace& pace, std::string& error)
{
    TAtomicFileWriter writer(path);
    writer.Write(Format(pace));
    if (writer.Commit())
        return true;
    error = writer.Error();
    return false;
}
