#include "app/WindowDesktop.h"

#include "models/ByteText.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

#include <utility>

TWindowDesktop::TWindowDesktop(std::function<void(const QUrl&)> openUrl, const std::string& programFolder)
    : OpenUrl(std::move(openUrl)), Help(programFolder, OpenUrl)
{
}

bool TWindowDesktop::Ask(QWidget* parent, const QString& question)
{
    return QMessageBox::question(parent, QCoreApplication::applicationName(), question,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TWindowDesktop::Tell(QWidget* parent, const QString& message)
{
    QMessageBox::warning(parent, QCoreApplication::applicationName(), message);
}

QString TWindowDesktop::SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix)
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

void TWindowDesktop::Open(const QUrl& address)
{
    if (OpenUrl)
        OpenUrl(address);
    else
        QDesktopServices::openUrl(address);
}

void TWindowDesktop::OpenHelp(const QString& page)
{
    Help.Open(BytesFromText(page));
}
