#include "project/ProjectFile.h"
#include "base/QuarrowError.h"
#include "support/TempDir.h"

#include <algorithm>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string ExamplePath = QUARROW_TEST_DATA_DIR "/project/example.prj.xml";

// The project of the example file: one unticked prefix, one keyword, one TLD, one generated row.
TProjectData ExampleProject()
{
    TProjectData project;
    project.Prefixes = {{"web", false}};
    project.Keywords = {{"shop", true}};
    project.Tlds = {{"com", true}};
    project.Rows = {{"shop.com", true, {"", "", "", "", "0", ""}}};
    project.AnswerLog = {""};
    return project;
}

TEST(ProjectFile, WritesTheDocumentedLayoutByteForByte)
{
    TTempDir dir;
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveProject(store, dir.File("x.prj.xml"), ExampleProject()));
    EXPECT_EQ(dir.Read("x.prj.xml"), ReadFile(ExamplePath));
}

TEST(ProjectFile, ReadsTheDocumentedLayout)
{
    TXMLSaveLoad store;
    const std::optional<TProjectData> project = LoadProject(store, ExamplePath);
    ASSERT_TRUE(project);
    const TProjectData expected = ExampleProject();
    EXPECT_FALSE(project->UsePrefix);
    EXPECT_FALSE(project->UseSuffix);
    EXPECT_FALSE(project->UseHyphens);
    EXPECT_EQ(project->Prefixes, expected.Prefixes);
    EXPECT_EQ(project->Keywords, expected.Keywords);
    EXPECT_TRUE(project->Suffixes.empty());
    EXPECT_EQ(project->Tlds, expected.Tlds);
    EXPECT_EQ(project->Rows, expected.Rows);
    EXPECT_EQ(project->AnswerLog, expected.AnswerLog);
}

TEST(ProjectFile, SortedRowsStillFindTheirAnswers)
{
    TProjectData project = ExampleProject();
    project.Rows.clear();
    project.AnswerLog.clear();
    for (const char* name : {"c.com", "a.com", "b.com"}) {
        project.Rows.push_back({name, true, {"NO", "R", "", "", std::to_string(project.AnswerLog.size()), ""}});
        project.AnswerLog.push_back(std::string("answer for ") + name + "\r\n  indented\r\n");
    }
    std::sort(project.Rows.begin(), project.Rows.end(),
              [](const TDomainRow& a, const TDomainRow& b) { return a.Caption < b.Caption; });

    TTempDir dir;
    TXMLSaveLoad writer;
    ASSERT_TRUE(SaveProject(writer, dir.File("s.prj.xml"), project));
    TXMLSaveLoad reader;
    const std::optional<TProjectData> loaded = LoadProject(reader, dir.File("s.prj.xml"));
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->Rows.size(), 3u);
    EXPECT_EQ(loaded->Rows[0].Caption, "a.com"); // displayed order kept
    for (const TDomainRow& row : loaded->Rows) {
        const std::size_t index = std::stoul(row.Slots.at(SlotAnswerIndex));
        ASSERT_LT(index, loaded->AnswerLog.size());
        EXPECT_EQ(loaded->AnswerLog[index], "answer for " + row.Caption + "\r\n  indented\r\n");
    }
}

TEST(ProjectFile, HeadersAreCheckedForNameAndVersion)
{
    TTempDir dir;
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveWordListFile(store, dir.File("w.ctg.xml"), {{{"pre", true}}, {{"suf", false}}}));
    ASSERT_TRUE(SaveProject(store, dir.File("p.prj.xml"), ExampleProject()));
    EXPECT_THAT(dir.Read("w.ctg.xml"), testing::HasSubstr("<VERSION>2</VERSION>"));

    EXPECT_FALSE(LoadProject(store, dir.File("w.ctg.xml")));
    EXPECT_FALSE(LoadWordListFile(store, dir.File("p.prj.xml")));
    const std::optional<TWordListData> words = LoadWordListFile(store, dir.File("w.ctg.xml"));
    ASSERT_TRUE(words);
    EXPECT_EQ(words->Prefixes, (std::vector<TWordEntry>{{"pre", true}}));
    EXPECT_EQ(words->Suffixes, (std::vector<TWordEntry>{{"suf", false}}));
    EXPECT_TRUE(LoadProject(store, dir.File("p.prj.xml")));

    // "Quarrow" anywhere in the name, in this letter case only.
    const std::string body = "<HEADER><NAME>%</NAME><VERSION>1</VERSION></HEADER>";
    auto withName = [&](const std::string& name) {
        std::string text = "<QRW>" + body + "</QRW>";
        text.replace(text.find('%'), 1, name);
        return dir.Write("h.prj.xml", text);
    };
    EXPECT_TRUE(LoadProject(store, withName("My Quarrow file")));
    EXPECT_FALSE(LoadProject(store, withName("quarrow")));
    EXPECT_FALSE(LoadProject(store, dir.File("missing.prj.xml")));
    EXPECT_TRUE(TXMLSaveLoad::Accepts({"Quarrow", 1}, 1));
    EXPECT_FALSE(TXMLSaveLoad::Accepts({"Quarrow", 2}, 1));
}

TEST(ProjectFile, LowerCaseRootIsRefusedAndReplacedOnSave)
{
    TTempDir dir;
    std::string text = ReadFile(ExamplePath);
    text.replace(text.find("<QRW>"), 5, "<qrw>");
    text.replace(text.find("</QRW>"), 6, "</qrw>");
    const std::string path = dir.Write("lower.prj.xml", text);
    TXMLSaveLoad store;
    EXPECT_FALSE(LoadProject(store, path));

    // A save into it goes under a root named QRW and keeps the elements it does not write.
    TXMLSaveLoad saver;
    TProjectData project;
    ASSERT_TRUE(SaveProject(saver, path, project));
    const std::string written = dir.Read("lower.prj.xml");
    EXPECT_THAT(written, testing::HasSubstr("\r\n<QRW>\r\n"));
    EXPECT_THAT(written, testing::HasSubstr("<CAPTION>shop.com</CAPTION>"));
    TXMLSaveLoad reader;
    const std::optional<TProjectData> loaded = LoadProject(reader, path);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->Rows.empty());

    // The store that refused the file keeps it selected; a save into it from there (Save as, same
    // file) must not go under the lower-case root either, or the project could never be opened.
    dir.Write("lower.prj.xml", text);
    EXPECT_FALSE(LoadProject(store, path));
    ASSERT_TRUE(SaveProject(store, path, ExampleProject()));
    EXPECT_EQ(dir.Read("lower.prj.xml"), ReadFile(ExamplePath));
}

TEST(ProjectFile, MalformedTargetStopsLoadAndSave)
{
    TTempDir dir;
    const std::string broken = "<QRW>\r\n  <PROJECT>\r\n";
    const std::string path = dir.Write("b.prj.xml", broken);
    TXMLSaveLoad store;
    EXPECT_THROW(LoadProject(store, path), TQuarrowError);
    EXPECT_THROW(SaveProject(store, path, ExampleProject()), TQuarrowError);
    EXPECT_EQ(dir.Read("b.prj.xml"), broken);
}

TEST(ProjectFile, MissingConfigurationTicksBothSwitches)
{
    TTempDir dir;
    const std::string path =
        dir.Write("c.prj.xml", "<QRW><HEADER><NAME>Quarrow</NAME><VERSION>1</VERSION></HEADER></QRW>");
    TXMLSaveLoad store;
    const std::optional<TProjectData> project = LoadProject(store, path);
    ASSERT_TRUE(project);
    EXPECT_TRUE(project->UsePrefix);
    EXPECT_TRUE(project->UseSuffix);
    EXPECT_TRUE(project->UseHyphens);
    EXPECT_TRUE(project->Rows.empty());
}

} // namespace
