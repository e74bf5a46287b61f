#pragma once

#include "engine/LearntPace.h"

#include <string>
#include <string_view>

// The learnt pace between runs, in a file of its own in the data folder ("pace.tsv"), so that the
// next check starts at the pace the hosts showed, and the user's mvwhois.ini is never rewritten
// behind their back. A header line, then one line per lane: host, way out and interval in ms,
// separated by tabs. A file that does not read as that is set aside (renamed with
// ".unreadable" added) and the check starts without it: what was learnt is soon learnt again,
// and a damaged file must never stop a start.
class TPaceFile
{
public:
    static constexpr const char* FileName = "pace.tsv";
    static constexpr const char* Header = "quarrow-pace\t1";
    static constexpr const char* SetAsideSuffix = ".unreadable";

    // The pace file beside a configuration file (the data folder's, or the one --config names).
    static std::string PathBeside(const std::string& configPath);
    // Reads the file into `pace` and leaves it where it is: true when it is missing or was read.
    static bool Read(const std::string& path, TLearntPace& pace, std::string& problem);
    // Reads the file into `pace` (nothing when it does not exist). False when it could not be read
    // or parsed: `message` then says so, the file has been set aside, and `pace` is left as it was.
    static bool Load(const std::string& path, TLearntPace& pace, std::string& message);
    // Replaces the file atomically with what `pace` holds; false with `error` set when it failed.
    static bool Save(const std::string& path, const TLearntPace& pace, std::string& error);
    // The text of the file for `pace`, and back; Parse leaves `pace` alone and sets `problem`
    // when the text is not a pace file.
    static std::string Format(const TLearntPace& pace);
    static bool Parse(std::string_view text, TLearntPace& pace, std::string& problem);
};
