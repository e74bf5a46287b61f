#include "project/ProjectFile.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace {

using testing::HasSubstr;

TProcessResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {QUARROW_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ProjectCommands, GenerateWritesTheDocumentedProjectLayout)
{
    TTempDir dir;
    const TProcessResult result = Cli({"generate", "--keyword", "shop", "--tld", "com", "-o", dir.File("x.prj.xml")});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
    // The documented example, whose one prefix was not given here.
    std::string expected = ReadFile(QUARROW_TEST_DATA_DIR "/project/example.prj.xml");
    const std::string prefixEntry = "      <0>\r\n        <Value>web</Value>\r\n        <Checked>FALSE</Checked>\r\n"
                                    "      </0>\r\n      <Count>1</Count>\r\n";
    ASSERT_NE(expected.find(prefixEntry), std::string::npos);
    expected.replace(expected.find(prefixEntry), prefixEntry.size(), "      <Count>0</Count>\r\n");
    EXPECT_EQ(dir.Read("x.prj.xml"), expected);
}

TEST(ProjectCommands, GenerateStoresTheListsAndOneRowPerName)
{
    TTempDir dir;
    const std::string path = dir.File("sub/y.prj.xml");
    const TProcessResult result = Cli({"generate", "--prefix", "e,my", "--keyword", "shop", "--suffix", "s", "--tld",
                                       "com,net", "--hyphens", "-o", path});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    TXMLSaveLoad store;
    const std::optional<TProjectData> project = LoadProject(store, path);
    ASSERT_TRUE(project);
    EXPECT_TRUE(project->UsePrefix);
    EXPECT_TRUE(project->UseSuffix);
    EXPECT_TRUE(project->UseHyphens);
    EXPECT_EQ(project->Prefixes, (std::vector<TWordEntry>{{"e", true}, {"my", true}}));
    EXPECT_EQ(project->Suffixes, (std::vector<TWordEntry>{{"s", true}}));
    EXPECT_EQ(project->Tlds, (std::vector<TWordEntry>{{"com", true}, {"net", true}}));

    const TProcessResult names =
        Cli({"generate", "--prefix", "e,my", "--keyword", "shop", "--suffix", "s", "--tld", "com,net", "--hyphens"});
    std::string captions;
    for (std::size_t i = 0; i < project->Rows.size(); ++i) {
        const TDomainRow& row = project->Rows[i];
        captions += row.Caption + "\n";
        EXPECT_TRUE(row.Checked);
        EXPECT_EQ(row.Slots, (std::vector<std::string>{"", "", "", "", std::to_string(i), ""}));
    }
    EXPECT_EQ(captions, names.Out); // the rows in generation order
    EXPECT_EQ(project->AnswerLog, std::vector<std::string>(project->Rows.size()));
}

TEST(ProjectCommands, GenerateWritesAWholeNewProjectOverAnOldOne)
{
    TTempDir dir;
    const std::string path = dir.File("p.prj.xml");
    ASSERT_EQ(Cli({"generate", "--keyword", "a,b,c", "--tld", "com,net", "-o", path}).ExitStatus, 0);
    TXMLSaveLoad store;
    std::optional<TProjectData> old = LoadProject(store, path);
    ASSERT_TRUE(old);
    old->Rows[5].Slots[SlotAvailability] = "NO";
    old->AnswerLog[5] = "an answer of the old project";
    ASSERT_TRUE(SaveProject(store, path, *old));

    const TProcessResult result = Cli({"generate", "--keyword", "x", "--tld", "org", "-o", path});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    const std::string text = dir.Read("p.prj.xml");
    EXPECT_EQ(text.find("old project"), std::string::npos);
    EXPECT_EQ(text.find("c.net"), std::string::npos);
    TXMLSaveLoad reader;
    const std::optional<TProjectData> fresh = LoadProject(reader, path);
    ASSERT_TRUE(fresh);
    ASSERT_EQ(fresh->Rows.size(), 1u);
    EXPECT_EQ(fresh->Rows[0].Caption, "x.org");
    EXPECT_EQ(fresh->AnswerLog, std::vector<std::string>{""});
}

TEST(ProjectCommands, GenerateReportsAFileItCannotWrite)
{
    TTempDir dir;
    dir.Write("file", "x");
    const TProcessResult result = Cli({"generate", "--keyword", "a", "--tld", "com", "-o", dir.File("file/p.prj.xml")});
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_THAT(result.Err, HasSubstr("Cannot create the folder"));
    EXPECT_EQ(Cli({"generate", "--keyword", "a", "--tld", "com", "-o"}).ExitStatus, 2);
}

TEST(ProjectCommands, ExportHtmlEscapesWhatAWhoisHostSent)
{
    TTempDir dir;
    TProjectData project;
    project.Rows = {{"shop.com", true, {"NO", "Evil <script>alert('x')</script> & Co", "whois.\"x\".com", "", "0", ""}},
                    {"free.com", false, {"YES", "", "", "", "1", ""}}};
    project.AnswerLog = {"answer", ""};
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveProject(store, dir.File("p.prj.xml"), project));

    const TProcessResult result = Cli({"export", dir.File("p.prj.xml"), "--html", dir.File("r.html")});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    const std::string html = dir.Read("r.html");
    EXPECT_THAT(html, HasSubstr("\r\n<TD>\r\nEvil &lt;script&gt;alert('x')&lt;/script&gt; &amp; Co\r\n</TD>\r\n"));
    EXPECT_THAT(html, HasSubstr("\r\nwhois.&quot;x&quot;.com\r\n"));
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_LT(html.find("http://www.shop.com"), html.find("http://www.free.com")); // table order
    EXPECT_THAT(html, HasSubstr("<h1>Quarrow 2009 Report: "));
}

TEST(ProjectCommands, ExportCsvAndJson)
{
    TTempDir dir;
    TProjectData project;
    project.Rows = {{"a.com", true, {"NO", "Reg, \"Inc\"", "whois.x", "2030-01-02", "0", ""}},
                    {"b.com", false, {"YES", "caf\xE9"}}};
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveProject(store, dir.File("p.prj.xml"), project));

    const TProcessResult csv = Cli({"export", dir.File("p.prj.xml"), "--csv"});
    ASSERT_EQ(csv.ExitStatus, 0) << csv.Err;
    EXPECT_EQ(csv.Out, "domain,checked,availability,registrar,whois_server,expires,ace\r\n"
                       "a.com,1,NO,\"Reg, \"\"Inc\"\"\",whois.x,2030-01-02,a.com\r\n"
                       "b.com,0,YES,caf\xC3\xA9,,,b.com\r\n");
    const TProcessResult json = Cli({"export", "--json", dir.File("p.prj.xml")});
    ASSERT_EQ(json.ExitStatus, 0) << json.Err;
    EXPECT_EQ(json.Out,
              "[\n  {\"domain\": \"a.com\", \"checked\": true, \"availability\": \"NO\", \"registrar\": "
              "\"Reg, \\\"Inc\\\"\", \"whois_server\": \"whois.x\", \"expires\": \"2030-01-02\", \"ace\": \"a.com\"},\n"
              "  {\"domain\": \"b.com\", \"checked\": false, \"availability\": \"YES\", \"registrar\": "
              "\"caf\xC3\xA9\", \"whois_server\": \"\", \"expires\": \"\", \"ace\": \"b.com\"}\n]\n");
}

// The window keeps an expiry in the user's date format; exports write it as check does, an ISO date.
// A cell that holds no date in that format (an unreadable expiry between "!" marks, a date written
// under another locale) goes out as it stands.
TEST(ProjectCommands, ExportWritesExpiriesAsIsoDatesLikeCheck)
{
    TTempDir dir;
    TProjectData project;
    project.Rows = {{"a.com", true, {"NO", "", "", "02.01.2030", "0", ""}},
                    {"b.com", true, {"NO", "", "", "! 2030-13-40 !", "0", ""}},
                    {"c.com", true, {"NO", "", "", "1/2/2030", "0", ""}},
                    {"d.com", true, {"NO", "", "", "31.02.2030", "0", ""}}};
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveProject(store, dir.File("p.prj.xml"), project));
    const std::vector<std::string> argv = {QUARROW_CLI_PATH, "export", dir.File("p.prj.xml"), "--csv"};
    const TProcessResult csv = RunProcess(argv, {{"LC_ALL", "de_DE.UTF-8"}});
    ASSERT_EQ(csv.ExitStatus, 0) << csv.Err;
    EXPECT_EQ(csv.Out, "domain,checked,availability,registrar,whois_server,expires,ace\r\n"
                       "a.com,1,NO,,,2030-01-02,a.com\r\nb.com,1,NO,,,! 2030-13-40 !,b.com\r\n"
                       "c.com,1,NO,,,1/2/2030,c.com\r\nd.com,1,NO,,,31.02.2030,d.com\r\n");
}

TEST(ProjectCommands, ExportCarriesBothFormsOfInternationalNames)
{
    TTempDir dir;
    TProjectData project;
    project.Rows = {{"Straße.de", true, {"YES"}}, {"xn--zz--.de", true, {"RESULT ERROR"}}};
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveProject(store, dir.File("p.prj.xml"), project));
    const TProcessResult csv = Cli({"export", dir.File("p.prj.xml"), "--csv"});
    ASSERT_EQ(csv.ExitStatus, 0) << csv.Err;
    EXPECT_EQ(csv.Out, "domain,checked,availability,registrar,whois_server,expires,ace\r\n"
                       "Straße.de,1,YES,,,,xn--strae-oqa.de\r\n"
                       "xn--zz--.de,1,RESULT ERROR,,,,\r\n");
}

TEST(ProjectCommands, ExportRefusesWhatIsNotAProject)
{
    TTempDir dir;
    TXMLSaveLoad store;
    ASSERT_TRUE(SaveWordListFile(store, dir.File("w.ctg.xml"), {}));
    TProcessResult result = Cli({"export", dir.File("w.ctg.xml"), "--csv"});
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_EQ(result.Out, "");
    EXPECT_THAT(result.Err, HasSubstr("Wrong XML file."));
    // A file that is not there is named as missing, not called a wrong file.
    result = Cli({"export", dir.File("missing.prj.xml"), "--csv"});
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_EQ(result.Err, "quarrow-cli: export: cannot read the project file \"" + dir.File("missing.prj.xml") +
                              "\": No such file or directory\n");
    const TProcessResult broken = Cli({"export", dir.Write("b.prj.xml", "<QRW>\n<A>\n</B>\n</QRW>"), "--json"});
    EXPECT_EQ(broken.ExitStatus, 2);
    EXPECT_THAT(broken.Err, HasSubstr("line 3"));
    // A disk image given by mistake, larger than any project: told by its first bytes.
    const std::string image = dir.Write("disk.prj.xml", "");
    ASSERT_EQ(::truncate(image.c_str(), (off_t{4} << 30) + 1), 0);
    result = Cli({"export", image, "--csv"});
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_THAT(result.Err, HasSubstr("not a well-formed XML document: it does not start with a tag"));
    EXPECT_EQ(Cli({"export", dir.File("w.ctg.xml")}).ExitStatus, 2);
    EXPECT_EQ(Cli({"export", dir.File("w.ctg.xml"), "--csv", "--json"}).ExitStatus, 2);
    EXPECT_EQ(Cli({"export", dir.File("w.ctg.xml"), "--html"}).ExitStatus, 2);
}

} // namespace
