#include "gui/Desktop.h"

#include "engine/Folders.h"
#include "gui/HelpOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

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
    THelpOpener(ExecutableFolder(), [this](const QUrl& address) { Open(address); }).Open(page.toStdString());
}
