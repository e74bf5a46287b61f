#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Bad usage of a command, or a file it was told to read that cannot be read: main reports the
// message as "quarrow-cli: COMMAND: MESSAGE" on one line and exits with status 2.
class TUsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Thrown by TArgumentReader::Read when a command's arguments ask for its help ("--help" or "-h"
// among the options): main prints the command's synopsis and these option lines, and exits with
// success. Not an error, so it is no std::exception that a command's own handlers could take.
struct THelpRequest
{
    std::string OptionLines;
};

// Reads the arguments of one command: declared options, as "--name VALUE" or "--name=VALUE" for
// options with a value, and everything else as operands in order. "--" ends the options; a lone
// "-" is an operand (standard input). Every declared option carries its help text, so that a
// command's help can be printed from the same table that reads it.
class TArgumentReader
{
public:
    struct TOption
    {
        TOption(std::string name, std::string valueName, std::string help, std::string alias = {})
            : Name(std::move(name)), ValueName(std::move(valueName)), Help(std::move(help)), Alias(std::move(alias))
        {
        }

        std::string Name;      // "--threads"
        std::string ValueName; // "N"; empty for a switch
        std::string Help;
        std::string Alias; // "-o"; optional
    };

    explicit TArgumentReader(std::vector<TOption> options);

    // Throws TUsageError for an unknown option, a missing value or a value given to a switch, and
    // THelpRequest when the options ask for help, before anything else is looked at.
    void Read(const std::vector<std::string>& args);

    // True when "--help" or "-h" stands among the options (before any "--").
    static bool AsksForHelp(const std::vector<std::string>& args);

    bool Has(const std::string& name) const { return Values.count(name) != 0; }
    // The last value given to the option, or `fallback` when it was not given.
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
    // Every value given to the option, in order.
    const std::vector<std::string>& All(const std::string& name) const;
    const std::vector<std::string>& Operands() const { return OperandList; }

    // The option's value as a whole number within [lowest, highest]; throws TUsageError naming the
    // option and the range otherwise.
    int Integer(const std::string& name, int fallback, int lowest, int highest) const;
    // The option's value as seconds within [lowest, highest], in digits with an optional point;
    // throws TUsageError naming the option and the range otherwise.
    double Seconds(const std::string& name, double fallback, double lowest, double highest) const;

    // One line per option: name, value name and help text, aligned.
    std::string Help() const;

private:
    const TOption* Find(const std::string& name) const;

    std::vector<TOption> Options;
    std::map<std::string, std::vector<std::string>> Values;
    std::vector<std::string> OperandList;
};
