#pragma once

#include <QUrl>

#include <functional>
#include <string>
#include <string_view>

// Opens pages of the HTML help (the page names of TShippedData) with the desktop's browser. A page
// that is missing opens nothing and is not reported, as the help has never been reported missing.
class THelpOpener
{
public:
    using TUrlOpener = std::function<void(const QUrl& url)>;

    // The pages are found beside the program or where an installation puts its shared data.
    // `programFolder` ends with '/'; an empty opener means QDesktopServices.
    explicit THelpOpener(std::string programFolder, TUrlOpener opener = {});

    // The file of a help page, or empty when there is none.
    std::string PagePath(std::string_view page) const;
    // True when the page was handed to the browser.
    bool Open(std::string_view page) const;

private:
    std::string ProgramFolder;
    TUrlOpener Opener;
};
