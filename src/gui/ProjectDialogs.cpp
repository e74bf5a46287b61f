#include "gui/ProjectDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QString RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& filter, const QString& folder)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("prj.xml"));
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

} // namespace

TProjectPrompts::TAnswer TProjectDialogs::AskYesNoCancel(const QString& question)
{
    const auto button =
        QMessageBox::question(Parent, QApplication::applicationDisplayName(), question,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (button == QMessageBox::Yes)
        return Yes;
    if (button == QMessageBox::No)
        return No;
    return Cancel;
}

QString TProjectDialogs::OpenProjectFileName(const QString& folder)
{
    return RunFileDialog(Parent, QFileDialog::AcceptOpen, QStringLiteral("Project files (*.prj.xml)"), folder);
}

QString TProjectDialogs::SaveProjectFileName()
{
    // The save dialog asks before an existing file is replaced.
    return RunFileDialog(Parent, QFileDialog::AcceptSave, QStringLiteral("Project file (*.prj.xml)"), {});
}

void TProjectDialogs::ShowMessage(const QString& text)
{
    QMessageBox::information(Parent, QApplication::applicationDisplayName(), text);
}
