#pragma once

#include "app/MainWindow.h"
#include "project/XMLSaveLoad.h"

#include <QUrl>

#include <string>

// A main window's context kept in one folder (named without a trailing '/'): its data, program and
// projects folders, the settings file and the check lock all there, and web pages opened nowhere.
inline TMainWindowContext FolderWindowContext(const std::string& folder, TXMLSaveLoad& store)
{
    TMainWindowContext context;
    context.Folders.DataFolder = folder + "/";
    context.Folders.ProgramFolder = folder + "/";
    context.XmlStore = &store;
    context.CheckOptions.ConfigPath = folder + "/mvwhois.ini";
    context.CheckOptions.LockFolder = folder;
    context.OpenUrl = [](const QUrl&) {};
    context.ProjectsFolder = [folder] { return folder + "/"; };
    return context;
}
