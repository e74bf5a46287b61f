#include "ui/Desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

bool TDesktop::Ask(QWidget* parent, const QString& question)
{
    return QMessageBox::question(parent, QCoreApplication::applicationName(), question,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TDesktop::Tell(QWidget* parent, const QString& message)
{
    QMessageBox::warning(parent, QCoreApplication::applicationName(), message);
}

QString TDesktop::SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("sd"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TDesktop::Open(const QUrl& address)
{
    QDesktopServices::openUrl(address);
}

void TDesktop::OpenHelp(const QString& page)
{
    // Beside the program in a build, under share/quarrow once installed.
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString& folder :
         {programDir + QStringLiteral("/help/"), programDir + QStringLiteral("/../share/quarrow/help/")}) {
        const QFileInfo file(folder + page);
        if (file.isFile()) {
            Open(QUrl::fromLocalFile(file.absoluteFilePath()));
            return;
        }
    }
}
