#pragma once

#include <QString>

// The questions the project commands put to the person, kept apart from the widgets that ask
// them, so that the commands run the same under a test as in the window.
class TProjectPrompts
{
public:
    enum TAnswer
    {
        Yes,
        No,
        Cancel
    };

    virtual ~TProjectPrompts() = default;

    // A confirmation with the buttons Yes, No and Cancel.
    virtual TAnswer AskYesNoCancel(const QString& question) = 0;
    // A project file to open, the dialog starting in `folder`; empty when cancelled.
    virtual QString OpenProjectFileName(const QString& folder) = 0;
    // A file to save the project as; asks before an existing file is replaced; empty when cancelled.
    virtual QString SaveProjectFileName() = 0;
    // A plain message box.
    virtual void ShowMessage(const QString& text) = 0;
};
