#pragma once

#include "engine/ProjectPrompts.h"

class QWidget;

// The project commands' questions as the window asks them: message boxes and the desktop's file
// dialogs for project files (*.prj.xml, which a name typed without an extension gets).
class TProjectDialogs : public TProjectPrompts
{
public:
    explicit TProjectDialogs(QWidget* parent) : Parent(parent) {}

    TAnswer AskYesNoCancel(const QString& question) override;
    QString OpenProjectFileName(const QString& folder) override;
    QString SaveProjectFileName() override;
    void ShowMessage(const QString& text) override;

private:
    QWidget* Parent;
};
