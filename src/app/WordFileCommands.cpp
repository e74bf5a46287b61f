#include "app/WordFileCommands.h"

#include "base/QuarrowError.h"
#include "project/ProjectFile.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

namespace {

std::string ChooseFile(QWidget* window, const std::string& folder, bool save)
{
    QFileDialog dialog(window);
    dialog.setNameFilter(QLatin1String(TWordFileCommands::Filter));
    dialog.setDefaultSuffix(QLatin1String(TWordFileCommands::DefaultSuffix));
    dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(folder)));
    if (save) {
        dialog.setWindowTitle(QStringLiteral("Save word list as..."));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

} // namespace

TWordFileCommands::TWordFileCommands(TWordLists& lists, TXMLSaveLoad& store,
                                     std::function<std::string()> projectsFolder, QObject* parent)
    : QObject(parent), Lists(lists), Store(store), ProjectsFolder(std::move(projectsFolder))
{
}

TWordFileCommands::TDialogs TWordFileCommands::StandardDialogs(QWidget* window)
{
    TDialogs dialogs;
    dialogs.ChooseFileToLoad = [window](const std::string& folder) { return ChooseFile(window, folder, false); };
    dialogs.ChooseFileToSave = [window](const std::string& folder) { return ChooseFile(window, folder, true); };
    dialogs.ShowMessage = [window](const QString& message) {
        QMessageBox::information(window, QApplication::applicationName(), message);
    };
    return dialogs;
}

void TWordFileCommands::LoadWords()
{
    const std::string path = Dialogs.ChooseFileToLoad(ProjectsFolder());
    if (!path.empty())
        LoadWordsFrom(path);
}

void TWordFileCommands::LoadWordsFrom(const std::string& path)
{
    std::optional<TWordListData> words;
    try {
        words = LoadWordListFile(Store, path);
    } catch (const TQuarrowError& error) {
        // Not well formed, unreadable or not a file: the reader says why, and no list changes.
        Dialogs.ShowMessage(QString::fromUtf8(error.what()));
        return;
    }
    if (!words) {
        Dialogs.ShowMessage(QLatin1String(WrongXmlFileText));
        return;
    }
    Lists.ApplyWordListData(std::move(*words));
}

void TWordFileCommands::SaveWords()
{
    if (FileName.empty())
        SaveWordsAs();
    else
        SaveWordList();
}

void TWordFileCommands::SaveWordsAs()
{
    const std::string path = Dialogs.ChooseFileToSave(ProjectsFolder());
    if (path.empty())
        return;
    FileName = path;
    SaveWordList();
}

void TWordFileCommands::SaveWordList()
{
    bool saved = false;
    std::string reason;
    try {
        saved = SaveWordListFile(Store, FileName, Lists.WordListData());
        reason = Store.LastError();
    } catch (const TQuarrowError& error) {
        reason = error.what();
    }
    // The old file is whole after a failed save; the person must know the lists were not kept.
    if (!saved)
        Dialogs.ShowMessage(
            QStringLiteral("Unable to write to %1: %2")
                .arg(QFile::decodeName(QByteArray::fromStdString(FileName)), QString::fromUtf8(reason.c_str())));
}
