#pragma once

#include <QUrl>

#include <functional>
#include <string>

// Opens pages of the HTML help with the desktop's browser. A page that is missing opens nothing
// and is not reported, as the help has never been reported missing.
class THelpOpener
{
public:
    using TUrlOpener = std::function<void(const QUrl& url)>;

    static constexpr const char* StartPage = "index.html";
    static constexpr const char* TourPage = "tour.html";

    // The pages are found beside the program or where an installation puts its shared data.

    // `programFolder` ends with '/'; an empty opener means QDesktopServices.
    explicit THelpOpener(std::string programFolder, TUrlOpener opener = {});

    // The file of a help page, or empty when there is none.
    std::string PagePath(const std::string& page) const;
    // True when the page was handed to the browser.
    bool Open(const std::string& page) const;

private:
    std::string ProgramFolder;
    TUrlOpener Opener;
};
