#pragma once

#include "models/WordLists.h"
#include "project/XMLSaveLoad.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QWidget;

// "Load Words...", "Save Words..." and "Save Words as...": the prefix and suffix lists to and from
// word-list files (.ctg.xml) through the program's XML store. The file dialogs and the message box
// are functions, so tests answer them; by default they are the usual dialogs.
class TWordFileCommands : public QObject
{
    Q_OBJECT

public:
    struct TDialogs
    {
        // Each returns the chosen path, or empty when the person cancelled.
        std::function<std::string(const std::string& folder)> ChooseFileToLoad;
        std::function<std::string(const std::string& folder)> ChooseFileToSave;
        std::function<void(const QString& message)> ShowMessage;
    };

    static constexpr const char* Filter = "Word list (*.ctg.xml)";
    static constexpr const char* DefaultSuffix = "ctg.xml";

    TWordFileCommands(TWordLists& lists, TXMLSaveLoad& store, std::function<std::string()> projectsFolder,
                      QObject* parent = nullptr);
    // The usual file dialogs and message box, owned by `window`.
    static TDialogs StandardDialogs(QWidget* window);
    void SetDialogs(TDialogs dialogs) { Dialogs = std::move(dialogs); }

    const std::string& WordListFileName() const { return FileName; }

    void LoadWords();
    // Loads `path` as "Load Words..." does after its dialog (a file named at start-up).
    void LoadWordsFrom(const std::string& path);
    void SaveWords();
    void SaveWordsAs();

private:
    void SaveWordList();

    TWordLists& Lists;
    TXMLSaveLoad& Store;
    std::function<std::string()> ProjectsFolder;
    TDialogs Dialogs;
    std::string FileName;
};
