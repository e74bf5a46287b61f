#include "cli/ArgumentReader.h"

#include "base/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

TArgumentReader::TArgumentReader(std::vector<TOption> options) : Options(std::move(options)) {}

const TArgumentReader::TOption* TArgumentReader::Find(const std::string& name) const
{
    for (const TOption& option : Options)
        if (option.Name == name || (!option.Alias.empty() && option.Alias == name))
            return &option;
    return nullptr;
}

bool TArgumentReader::AsksForHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

void TArgumentReader::Read(const std::vector<std::string>& args)
{
    if (AsksForHelp(args))
        throw THelpRequest{Help()};
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            OperandList.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool valueInline = false;
        const std::size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            valueInline = true;
        }
        const TOption* option = Find(name);
        if (!option)
            throw TUsageError("unknown option \"" + arg + "\"");
        if (option->ValueName.empty()) {
            if (valueInline)
                throw TUsageError(option->Name + " takes no value");
        } else if (!valueInline) {
            if (i + 1 >= args.size())
                throw TUsageError(option->Name + " needs a value");
            value = args[++i];
        }
        Values[option->Name].push_back(value);
    }
}

std::string TArgumentReader::Value(const std::string& name, const std::string& fallback) const
{
    const auto found = Values.find(name);
    return found == Values.end() ? fallback : found->second.back();
}

const std::vector<std::string>& TArgumentReader::All(const std::string& name) const
{
    static const std::vector<std::string> none;
    const auto found = Values.find(name);
    return found == Values.end() ? none : found->second;
}

int TArgumentReader::Integer(const std::string& name, int fallback, int lowest, int highest) const
{
    if (!Has(name))
        return fallback;
    const std::string text = Value(name);
    int value = 0;
    if (!ParseDecimal(text, value))
        throw TUsageError(name + " takes a whole number, not \"" + text + "\"");
    if (value < lowest || value > highest) {
        const std::string range = highest == std::numeric_limits<int>::max()
                                      ? "at least " + std::to_string(lowest)
                                      : "from " + std::to_string(lowest) + " to " + std::to_string(highest);
        throw TUsageError(name + " must be " + range + ", not " + text);
    }
    return value;
}

namespace {

// A bound of a range of seconds as a person writes it: "0.001", "60", "1000000000".
std::string SecondsText(double seconds)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed);
    return error == std::errc() ? std::string(text, end) : std::string();
}

} // namespace

double TArgumentReader::Seconds(const std::string& name, double fallback, double lowest, double highest) const
{
    if (!Has(name))
        return fallback;
    const std::string text = Value(name);
    double value = 0;
    // Digits and a point only: "1e-3" or "inf" is no way to write a time-out that anyone means.
    const bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (!digitsOnly || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < lowest || value > highest)
        throw TUsageError(name + " takes a number of seconds from " + SecondsText(lowest) + " to " +
                          SecondsText(highest) + " in digits (such as 2 or 0.5), not \"" + text + "\"");
    return value;
}

std::string TArgumentReader::Help() const
{
    std::vector<std::string> heads;
    std::size_t width = 0;
    for (const TOption& option : Options) {
        std::string head = option.Alias.empty() ? option.Name : option.Alias + ", " + option.Name;
        if (!option.ValueName.empty())
            head += " " + option.ValueName;
        width = std::max(width, head.size());
        heads.push_back(std::move(head));
    }
    std::string text;
    for (std::size_t i = 0; i < Options.size(); ++i)
        text += "  " + heads[i] + std::string(width - heads[i].size() + 2, ' ') + Options[i].Help + "\n";
    return text;
}
