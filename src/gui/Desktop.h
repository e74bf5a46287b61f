#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// What the dialogs and commands ask of the desktop: questions, messages, the save dialog, opening
// an address or a help page with the desktop's handler. The program's own desktop (Qt's boxes and
// QDesktopServices) lives with the window in app/; tests answer and record without a person at
// the screen.
class TDesktop
{
public:
    virtual ~TDesktop() = default;

    // A Yes/No confirmation; true for Yes.
    virtual bool Ask(QWidget* parent, const QString& question) = 0;
    // A plain message box with an OK button.
    virtual void Tell(QWidget* parent, const QString& message) = 0;
    // The save dialog: an existing file is only chosen after the overwrite question; empty when
    // the user cancels.
    virtual QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) = 0;
    // Hands the address to the desktop; the result is not looked at.
    virtual void Open(const QUrl& address) = 0;
    // Opens a page of the program's help ("settings.html"); a missing page opens nothing.
    virtual void OpenHelp(const QString& page) = 0;
};
