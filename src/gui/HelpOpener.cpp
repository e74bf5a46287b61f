#include "gui/HelpOpener.h"

#include "settings/ShippedData.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>

THelpOpener::THelpOpener(std::string programFolder, TUrlOpener opener)
    : ProgramFolder(std::move(programFolder)), Opener(std::move(opener))
{
}

std::string THelpOpener::PagePath(std::string_view page) const
{
    return TShippedData(ProgramFolder).HelpPagePath(page);
}

bool THelpOpener::Open(std::string_view page) const
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
