#pragma once

#include "gui/Desktop.h"

#include <QStringList>
#include <QUrl>

#include <vector>

// A desktop without a person: questions get the scripted answer, messages, help pages and opened
// addresses are recorded, the save dialog returns the scripted file name.
class TRecordingDesktop : public TDesktop
{
public:
    bool Answer = true;
    QString FileName;

    QStringList Questions;
    QStringList Messages;
    QStringList HelpPages;
    std::vector<QUrl> Opened;
    int SaveDialogs = 0;

    bool Ask(QWidget*, const QString& question) override
    {
        Questions << question;
        return Answer;
    }
    void Tell(QWidget*, const QString& message) override { Messages << message; }
    QString SaveFileName(QWidget*, const QString&, const QString&) override
    {
        ++SaveDialogs;
        return FileName;
    }
    void Open(const QUrl& address) override { Opened.push_back(address); }
    void OpenHelp(const QString& page) override { HelpPages << page; }
};
