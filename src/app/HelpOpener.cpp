#include "app/HelpOpener.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>

THelpOpener::THelpOpener(std::string programFolder, TUrlOpener opener)
    : ProgramFolder(std::move(programFolder)), Opener(std::move(opener))
{
}

std::string THelpOpener::PagePath(const std::string& page) const
{
    // Beside the built program, and where an installation puts the shared data.
    for (const std::string& folder : {ProgramFolder + "help/", ProgramFolder + "../share/quarrow/help/"}) {
        const std::string path = folder + page;
        if (QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).isFile())
            return path;
    }
    return {};
}

bool THelpOpener::Open(const std::string& page) const
{
    const std::string path = PagePath(page);
    if (path.empty())
        return false;
    const QUrl url =
        QUrl::fromLocalFile(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absoluteFilePath());
    if (Opener)
        Opener(url);
    else
        QDesktopServices::openUrl(url);
    return true;
}
