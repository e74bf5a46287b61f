#pragma once

#include <string>
#include <string_view>

// What a data folder allows after start-up has prepared it.
struct TDataFolderStatus
{
    bool CanSave = true;
    std::string Message; // one line for the user; empty while CanSave
    // One line for the user when the server table took new entries from the shipped one.
    std::string Notice;
};

// The files that come with the program: the default server table and date masks, and the help
// pages. An installed program finds them in <prefix>/share/quarrow/ (reached from its own folder,
// <prefix>/bin/, so any prefix works); a program run from the build folder finds them beside
// itself.
class TShippedData
{
public:
    // `programFolder` is the folder of the running program file, ending with '/' (empty when it
    // is unknown: then nothing shipped is found).
    explicit TShippedData(std::string programFolder);

    // The path of a shipped file such as "mvwhois.ini" or "help/tour.html"; empty when it is in
    // neither place.
    std::string FilePath(std::string_view name) const;
    // The path of a help page (one of the page names below); empty when the page is missing.
    std::string HelpPagePath(std::string_view page) const;

    // First start: creates `dataFolder` (ending with '/') and copies into it each shipped default
    // file it lacks, readable by its owner only, so that a new user checks names in common
    // top-level domains without writing any configuration. Anything already at a file's place is
    // never touched; a link there to a file not made yet is followed and the file made. A shipped file that cannot be
    // read, or is not a regular file of sane size, is skipped: the program then starts with its built-in defaults.
    // A settings file kept from an earlier version then gains what the shipped server table has
    // and it lacks (TServerTableUpgrade), said in Notice. Reports whether settings can be saved in
    // the folder.
    TDataFolderStatus InstallDefaults(const std::string& dataFolder) const;

    // The settings file first; the RDAP bootstrap file is the one a newer download replaces.
    static constexpr std::string_view DefaultFiles[] = {"mvwhois.ini", "datemask.ini", "rdap-dns.json"};

    static constexpr std::string_view StartPage = "index.html";
    static constexpr std::string_view TourPage = "tour.html";
    static constexpr std::string_view SettingsPage = "settings.html";
    static constexpr std::string_view ResponseStringsPage = "response-strings.html";

private:
    std::string ProgramFolder;
};
