#include "project/ProjectFile.h"

std::optional<TProjectData> LoadProject(TXMLSaveLoad& store, const std::string& path)
{
    store.FileName(path);
    store.Reload();
    if (!TXMLSaveLoad::Accepts(store.ReadHeader(), TXMLSaveLoad::ProjectVersion))
        return std::nullopt;
    TProjectData project;
    project.UsePrefix = store.ReadOption("USEPREFIX");
    project.UseSuffix = store.ReadOption("USESUFFIX");
    project.UseHyphens = store.ReadOption("USEHYPHENS");
    project.Prefixes = store.ReadWordList("Prefix");
    project.Keywords = store.ReadWordList("Word");
    project.Suffixes = store.ReadWordList("Suffix");
    project.Tlds = store.ReadWordList("Domain");
    project.Rows = store.ReadListView("Results");
    project.AnswerLog = store.ReadStringList("RESULTLIST");
    return project;
}

namespace {

bool WriteProject(TXMLSaveLoad& store, const TProjectData& project)
{
    store.WriteHeader(TXMLSaveLoad::FileNameText, TXMLSaveLoad::ProjectVersion);
    store.WriteOption("USEPREFIX", project.UsePrefix);
    store.WriteOption("USESUFFIX", project.UseSuffix);
    store.WriteOption("USEHYPHENS", project.UseHyphens);
    store.WriteWordList(project.Prefixes, "Prefix");
    store.WriteWordList(project.Keywords, "Word");
    store.WriteWordList(project.Suffixes, "Suffix");
    store.WriteWordList(project.Tlds, "Domain");
    store.WriteListView(project.Rows, "Results");
    store.WriteStringList(project.AnswerLog, "RESULTLIST");
    return store.Flush();
}

} // namespace

bool SaveProject(TXMLSaveLoad& store, const std::string& path, const TProjectData& project)
{
    store.FileName(path);
    return WriteProject(store, project);
}

bool SaveNewProject(TXMLSaveLoad& store, const std::string& path, const TProjectData& project)
{
    store.NewFile(path);
    return WriteProject(store, project);
}

std::optional<TWordListData> LoadWordListFile(TXMLSaveLoad& store, const std::string& path)
{
    store.FileName(path);
    store.Reload();
    if (!TXMLSaveLoad::Accepts(store.ReadHeader(), TXMLSaveLoad::WordListVersion))
        return std::nullopt;
    return TWordListData{store.ReadWordList("Prefix"), store.ReadWordList("Suffix")};
}

bool SaveWordListFile(TXMLSaveLoad& store, const std::string& path, const TWordListData& words)
{
    store.FileName(path);
    store.WriteHeader(TXMLSaveLoad::FileNameText, TXMLSaveLoad::WordListVersion);
    store.WriteWordList(words.Prefixes, "Prefix");
    store.WriteWordList(words.Suffixes, "Suffix");
    return store.Flush();
}
