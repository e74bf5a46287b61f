#include "base/QuarrowError.h"
#include "project/XMLSaveLoad.h"
#include "support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing::HasSubstr;

std::string Document(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<QRW>\r\n" + body + "</QRW>\r\n";
}

// A store that has read `text` from a file in `dir`.
void LoadText(TXMLSaveLoad& store, const TTempDir& dir, const std::string& text)
{
    store.FileName(dir.Write("in.xml", text));
    store.Reload();
}

TEST(XmlStore, ValuesWithEntitiesAndHighBytesRoundTrip)
{
    TTempDir dir;
    TXMLSaveLoad store;
    store.FileName(dir.File("a.ctg.xml"));
    const std::string tricky = "a<b & \"c\" 'd' >";
    store.WriteWordList({{tricky, true}, {"caf\xE9", false}}, "Prefix");
    ASSERT_TRUE(store.Flush());
    const std::string written = dir.Read("a.ctg.xml");
    EXPECT_THAT(written, HasSubstr("<Value>a&lt;b &amp; &quot;c&quot; &apos;d&apos; &gt;</Value>"));
    EXPECT_THAT(written, HasSubstr("<Value>caf&#xE9;</Value>"));

    TXMLSaveLoad reader;
    reader.FileName(dir.File("a.ctg.xml"));
    reader.Reload();
    EXPECT_EQ(reader.ReadWordList("Prefix"), (std::vector<TWordEntry>{{tricky, true}, {"caf\xE9", false}}));
}

TEST(XmlStore, MultiLineAnswerKeepsItsLineBreaksAndBlanks)
{
    TTempDir dir;
    const std::string answer = "  \r\nDomain Name: SHOP.COM\r\n   Registrar: X\n\n\t  ";
    TXMLSaveLoad store;
    store.FileName(dir.File("p.prj.xml"));
    store.WriteStringList({answer, ""}, "RESULTLIST");
    ASSERT_TRUE(store.Flush());
    EXPECT_THAT(dir.Read("p.prj.xml"),
                HasSubstr("      <0>" + answer + "</0>\r\n      <1/>\r\n      <Count>2</Count>"));

    TXMLSaveLoad reader;
    reader.FileName(dir.File("p.prj.xml"));
    EXPECT_EQ(reader.ReadStringList("RESULTLIST"), (std::vector<std::string>{answer, ""}));
}

TEST(XmlStore, EmptyValuesAreWrittenAsEmptyElementTags)
{
    TTempDir dir;
    TXMLSaveLoad store;
    store.FileName(dir.File("p.prj.xml"));
    store.WriteWordList({{"", true}}, "Prefix");
    store.WriteListView({{"a.com", false, {"YES", "", "", "", "0", ""}}}, "Results");
    ASSERT_TRUE(store.Flush());
    const std::string written = dir.Read("p.prj.xml");
    EXPECT_THAT(written,
                HasSubstr("      <0>\r\n        <Value/>\r\n        <Checked>TRUE</Checked>\r\n      </0>\r\n"));
    EXPECT_THAT(written, HasSubstr("            <2/>\r\n            <3/>\r\n            <4>0</4>\r\n"));
    EXPECT_THAT(written, HasSubstr("<CHECKED>FALSE</CHECKED>"));
}

TEST(XmlStore, SavingAShorterListKeepsTheOldEntriesButReadsTheNewCount)
{
    TTempDir dir;
    const std::string path = dir.File("w.ctg.xml");
    {
        TXMLSaveLoad store;
        store.FileName(path);
        store.WriteHeader(TXMLSaveLoad::FileNameText, 2);
        store.WriteWordList({{"p0", true}, {"p1", true}, {"p2", true}, {"p3", true}, {"p4", true}}, "Prefix");
        ASSERT_TRUE(store.Flush());
    }
    TXMLSaveLoad store; // a fresh run: the target is read when it is selected
    store.FileName(path);
    store.WriteWordList({{"n0", false}, {"n1", true}}, "Prefix");
    ASSERT_TRUE(store.Flush());
    const std::string written = dir.Read("w.ctg.xml");
    EXPECT_THAT(written, HasSubstr("<Value>n0</Value>"));
    for (const char* kept : {"<Value>p2</Value>", "<Value>p3</Value>", "<Value>p4</Value>"})
        EXPECT_THAT(written, HasSubstr(kept));
    // Count keeps its place after the five entries it once counted.
    EXPECT_THAT(written, HasSubstr("<Value>p4</Value>\r\n        <Checked>TRUE</Checked>\r\n      </4>\r\n"
                                   "      <Count>2</Count>\r\n"));

    TXMLSaveLoad reader;
    reader.FileName(path);
    EXPECT_EQ(reader.ReadWordList("Prefix"), (std::vector<TWordEntry>{{"n0", false}, {"n1", true}}));
}

TEST(XmlStore, SavingKeepsElementsAddedByOtherMeansInPlace)
{
    TTempDir dir;
    const std::string path = dir.Write("p.prj.xml", Document("  <Extra>keep &amp; me</Extra>\r\n  <HEADER>\r\n"
                                                             "    <NAME>old</NAME>\r\n    <Note>x</Note>\r\n"
                                                             "  </HEADER>\r\n"));
    TXMLSaveLoad store;
    store.FileName(path);
    store.WriteHeader("Quarrow new", 1);
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(dir.Read("p.prj.xml"), Document("  <Extra>keep &amp; me</Extra>\r\n  <HEADER>\r\n"
                                              "    <NAME>Quarrow new</NAME>\r\n    <Note>x</Note>\r\n"
                                              "    <VERSION>1</VERSION>\r\n  </HEADER>\r\n"));
}

TEST(XmlStore, RootNameMustMatchExactlyForReading)
{
    TTempDir dir;
    const std::string lower = "<qrw><HEADER><NAME>Quarrow</NAME><VERSION>1</VERSION></HEADER></qrw>";
    TXMLSaveLoad store;
    LoadText(store, dir, lower);
    EXPECT_EQ(store.ReadHeader().Name, "");
    EXPECT_EQ(store.ReadHeader().Version, 0);

    // Other names below the root are found in any letter case.
    LoadText(store, dir, "<QRW><header><name>Quarrow</name><Version>1</Version></header></QRW>");
    EXPECT_EQ(store.ReadHeader().Name, "Quarrow");
    EXPECT_EQ(store.ReadHeader().Version, 1);
}

TEST(XmlStore, CheckedVariants)
{
    TTempDir dir;
    TXMLSaveLoad store;
    std::string body = "<PROJECT><Prefix>";
    const std::vector<std::string> values = {"<Checked>yes</Checked>",
                                             "<Checked>0</Checked>",
                                             "<Checked/>",
                                             "",
                                             "<Checked>Y</Checked>",
                                             "<Checked>n</Checked>",
                                             "<Checked>TRUE </Checked>",
                                             "<Checked>-7</Checked>",
                                             "<checked>True</checked>",
                                             "<Checked>maybe</Checked>"};
    for (std::size_t i = 0; i < values.size(); ++i)
        body += "<" + std::to_string(i) + "><Value>w</Value>" + values[i] + "</" + std::to_string(i) + ">";
    body += "<Count>" + std::to_string(values.size()) + "</Count></Prefix></PROJECT>";
    LoadText(store, dir, "<QRW>" + body + "</QRW>");
    std::vector<bool> ticks;
    for (const TWordEntry& entry : store.ReadWordList("Prefix"))
        ticks.push_back(entry.Checked);
    EXPECT_EQ(ticks, (std::vector<bool>{true, false, false, true, true, false, false, true, true, false}));
}

TEST(XmlStore, ValueForms)
{
    EXPECT_EQ(TXMLSaveLoad::ParseInteger("42"), 42);
    EXPECT_EQ(TXMLSaveLoad::ParseInteger("-3"), -3);
    EXPECT_EQ(TXMLSaveLoad::ParseInteger("+5"), 5);
    for (const char* bad : {"", " 1", "1 ", "x", "1x", "+-1", "-", "99999999999"})
        EXPECT_EQ(TXMLSaveLoad::ParseInteger(bad), -1) << bad;
    for (const char* yes : {"99999999999999999999", "+1", "-1", "y", "True"})
        EXPECT_TRUE(TXMLSaveLoad::ParseBoolean(yes)) << yes;
    for (const char* no : {"000", "+0", " YES", "+", "1+", "n"})
        EXPECT_FALSE(TXMLSaveLoad::ParseBoolean(no)) << no;

    TTempDir dir;
    TXMLSaveLoad store;
    LoadText(store, dir, "<QRW><PROJECT><Configuration><USEPREFIX>no</USEPREFIX></Configuration></PROJECT></QRW>");
    EXPECT_FALSE(store.ReadOption("USEPREFIX"));
    EXPECT_TRUE(store.ReadOption("USESUFFIX")); // missing booleans read as true
}

TEST(XmlStore, CountsBeyondTheEntriesPresent)
{
    TTempDir dir;
    TXMLSaveLoad store;
    LoadText(store, dir,
             "<QRW><PROJECT><Prefix><0><Value>a</Value><Checked>FALSE</Checked></0><2><Value>c</Value></2>"
             "<Count>4</Count></Prefix><Word><0><Value>x</Value></0><Count>-1</Count></Word>"
             "<Suffix><0><Value>x</Value></0><Count>lots</Count></Suffix></PROJECT></QRW>");
    // Missing entries read with the defaults: empty text, ticked.
    EXPECT_EQ(store.ReadWordList("Prefix"),
              (std::vector<TWordEntry>{{"a", false}, {"", true}, {"c", true}, {"", true}}));
    EXPECT_TRUE(store.ReadWordList("Word").empty());
    EXPECT_TRUE(store.ReadWordList("Suffix").empty());
    EXPECT_TRUE(store.ReadWordList("Domain").empty()); // missing list
}

TEST(XmlStore, EntriesOutOfOrderOrRepeatedReadAsTheFirstOfTheirName)
{
    TTempDir dir;
    TXMLSaveLoad store;
    LoadText(store, dir,
             "<QRW><PROJECT><RESULTLIST><0>a</0><2>c</2><1>b</1><1>later b</1><count>4</count><Count>1</Count>"
             "</RESULTLIST><Results><ITEMS><0><CAPTION>x</CAPTION></0><1><CAPTION>y</CAPTION></1><1><CAPTION>z"
             "</CAPTION></1><2><CAPTION>w</CAPTION></2><COUNT>3</COUNT></ITEMS></Results></PROJECT></QRW>");
    EXPECT_EQ(store.ReadStringList("RESULTLIST"), (std::vector<std::string>{"a", "b", "c", ""}));
    const std::vector<TDomainRow> rows = store.ReadListView("Results");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].Caption, "y");
    EXPECT_EQ(rows[2].Caption, "w");
}

TEST(XmlStore, AbsurdCountsAreBoundedByWhatTheFileHolds)
{
    TTempDir dir;
    TXMLSaveLoad store;
    const std::string text =
        "<QRW><PROJECT><Prefix><Count>2000000000</Count></Prefix><RESULTLIST><Count>2000000000</Count></RESULTLIST>"
        "<Results><ITEMS><0><SUBITEMS><COUNT>2000000000</COUNT></SUBITEMS></0><1><SUBITEMS><COUNT>2000000000</COUNT>"
        "</SUBITEMS></1><COUNT>2000000000</COUNT></ITEMS></Results></PROJECT></QRW>";
    LoadText(store, dir, text);
    const std::size_t elements = store.Document().NodeCount();
    EXPECT_LE(store.ReadWordList("Prefix").size(), elements);
    EXPECT_LE(store.ReadStringList("RESULTLIST").size(), elements);
    const std::vector<TDomainRow> rows = store.ReadListView("Results");
    std::size_t entries = rows.size();
    for (const TDomainRow& row : rows)
        entries += row.Slots.size();
    EXPECT_LE(entries, elements);
    ASSERT_FALSE(rows.empty());
    EXPECT_FALSE(rows[0].Slots.empty()); // entries are taken in file order, the present ones first
}

TEST(XmlStore, SavingTheSameProjectAgainDoesNotGrowTheTree)
{
    TTempDir dir;
    std::vector<std::string> answers(200, std::string(2048, 'a'));
    TXMLSaveLoad store;
    store.FileName(dir.File("p.prj.xml"));
    store.WriteStringList(answers, "RESULTLIST");
    ASSERT_TRUE(store.Flush());
    const std::size_t afterFirstSave = store.Document().StoredBytes();
    for (int save = 0; save < 10; ++save) {
        store.FileName(dir.File("p.prj.xml")); // the same file: the tree is kept
        store.WriteStringList(answers, "RESULTLIST");
        ASSERT_TRUE(store.Flush());
    }
    EXPECT_EQ(store.Document().StoredBytes(), afterFirstSave);

    // A file read from disk: unchanged answers stay in the file's buffer, only the new one is copied.
    TXMLSaveLoad loaded;
    loaded.FileName(dir.File("p.prj.xml"));
    answers[7] = "changed";
    loaded.WriteStringList(answers, "RESULTLIST");
    EXPECT_LT(loaded.Document().StoredBytes(), 2048u * 50); // one block for the new text
    EXPECT_EQ(loaded.ReadStringList("RESULTLIST"), answers);
}

TEST(XmlStore, FileSelectionAndReload)
{
    TTempDir dir;
    const std::string path = dir.Write("a.xml", Document("  <HEADER>\r\n    <NAME>one</NAME>\r\n  </HEADER>\r\n"));
    TXMLSaveLoad store;
    store.FileName(path);
    EXPECT_EQ(store.ReadHeader().Name, "one");
    store.WriteHeader("changed", 1);
    store.FileName(path); // the same file: the tree is kept
    EXPECT_EQ(store.ReadHeader().Name, "changed");
    store.Reload(); // the file's content again
    EXPECT_EQ(store.ReadHeader().Name, "one");

    dir.Write("a.xml", Document("  <HEADER>\r\n    <NAME>two, longer</NAME>\r\n  </HEADER>\r\n"));
    store.Reload();
    EXPECT_EQ(store.ReadHeader().Name, "two, longer");

    store.FileName(dir.File("missing.xml"));
    EXPECT_EQ(store.ReadHeader().Name, "");
    EXPECT_EQ(store.Document().NodeCount(), 1u);

    // Flush creates missing folders.
    store.FileName(dir.File("new/sub/p.prj.xml"));
    store.WriteHeader("x", 1);
    ASSERT_TRUE(store.Flush()) << store.LastError();
    EXPECT_THAT(dir.Read("new/sub/p.prj.xml"), HasSubstr("<NAME>x</NAME>"));
}

TEST(XmlStore, MalformedFileKeepsThePreviousFileAndTree)
{
    TTempDir dir;
    const std::string good = dir.Write("good.xml", Document("  <HEADER>\r\n    <NAME>good</NAME>\r\n  </HEADER>\r\n"));
    const std::string bad = dir.Write("bad.xml", "<QRW>\r\n  <HEADER>\r\n    <NAME>x</NAME>\r\n  </QRW>\r\n");
    TXMLSaveLoad store;
    store.FileName(good);
    try {
        store.FileName(bad);
        FAIL() << "a mismatched end tag was accepted";
    } catch (const TQuarrowError& error) {
        EXPECT_THAT(error.what(), HasSubstr(bad));
        EXPECT_THAT(error.what(), HasSubstr("line 4"));
    }
    EXPECT_EQ(store.SelectedFile(), good);
    EXPECT_EQ(store.ReadHeader().Name, "good");
    // Selecting it again tries again rather than treating it as already selected.
    EXPECT_THROW(store.FileName(bad), TQuarrowError);
}

// Files far larger than any project that hold no XML (here sparse files of zeros, one beyond the
// size a project may have): refused by their first bytes, before anything is loaded whole.
TEST(XmlStore, AFileThatDoesNotStartAsXmlIsRefusedByItsStart)
{
    TTempDir dir;
    const std::string good = dir.Write("good.xml", Document("<HEADER><NAME>good</NAME></HEADER>"));
    TXMLSaveLoad store;
    store.FileName(good);
    for (const off_t size : {off_t{2} << 30, (off_t{4} << 30) + 1}) {
        const std::string path = dir.Write("zeros.prj.xml", "");
        ASSERT_EQ(::truncate(path.c_str(), size), 0);
        EXPECT_THAT([&] { store.FileName(path); },
                    testing::ThrowsMessage<TQuarrowError>(
                        testing::AllOf(HasSubstr(path), HasSubstr("not a well-formed XML document: it does not start "
                                                                  "with a tag"))))
            << size;
        EXPECT_EQ(store.ReadHeader().Name, "good");
    }
    const std::string words = dir.Write("words.ctg.xml", "Prefix=lantern\n");
    EXPECT_THROW(store.FileName(words), TQuarrowError);
    EXPECT_THROW(store.FileName(dir.Write("blank.xml", std::string(10000, ' '))), TQuarrowError);
    // A byte-order mark and white space, even more than one block of it, may come first.
    store.FileName(dir.Write("spaced.xml", "\xEF\xBB\xBF" + std::string(5000, '\n') +
                                               Document("<HEADER><NAME>spaced</NAME></HEADER>")));
    EXPECT_EQ(store.ReadHeader().Name, "spaced");
}

TEST(XmlStore, FileThatIsNotARegularFileIsRefusedWithItsReason)
{
    TTempDir dir;
    const std::string fifo = dir.File("pipe.prj.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TXMLSaveLoad store;
    // Opening a pipe that nobody writes to must not block the program.
    EXPECT_THAT([&] { store.FileName(fifo); },
                testing::ThrowsMessage<TQuarrowError>(testing::AllOf(HasSubstr(fifo), HasSubstr("not a regular file"),
                                                                     testing::Not(HasSubstr("Success")))));
    EXPECT_THAT([&] { store.FileName(dir.Path()); },
                testing::ThrowsMessage<TQuarrowError>(HasSubstr("It is a folder.")));
}

// Makes writes to files larger than `limit` bytes fail (EFBIG) for as long as it lives. Permission
// bits cannot provoke a failed write here because the tests may run as root, who ignores them; the
// file size limit applies to root too.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &Old);
        OldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit reduced = Old;
        reduced.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &reduced);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Old);
        signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Old{};
    sighandler_t OldHandler;
};

TEST(XmlStore, FailedSaveLeavesTheOldFileWhole)
{
    TTempDir dir;
    const std::string old = Document("  <HEADER>\r\n    <NAME>old</NAME>\r\n  </HEADER>\r\n");
    const std::string path = dir.Write("p.prj.xml", old);
    TXMLSaveLoad store;
    store.FileName(path);
    store.WriteStringList({std::string(64 * 1024, 'x')}, "RESULTLIST");
    {
        TFileSizeLimit limit(4096);
        EXPECT_FALSE(store.Flush());
    }
    EXPECT_THAT(store.LastError(), HasSubstr("Cannot write"));
    EXPECT_EQ(dir.Read("p.prj.xml"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "temporary file left";

    // A target whose folder cannot be made (a file stands in its way).
    dir.Write("blocker", "x");
    store.FileName(dir.File("blocker/p.prj.xml"));
    EXPECT_FALSE(store.Flush());
    EXPECT_THAT(store.LastError(), HasSubstr("Cannot create the folder"));

    // A read-only target is not written at all.
    const std::string readOnly = dir.Write("ro.prj.xml", old);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    store.FileName(readOnly);
    store.WriteHeader("new", 1);
    EXPECT_FALSE(store.Flush());
    EXPECT_THAT(store.LastError(), HasSubstr("read-only"));
    EXPECT_EQ(dir.Read("ro.prj.xml"), old);
}

TEST(XmlStore, SaveKeepsTheFilePermissions)
{
    TTempDir dir;
    const std::string path = dir.Write("p.prj.xml", Document(""));
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    TXMLSaveLoad store;
    store.FileName(path);
    store.WriteHeader("x", 1);
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
}

} // namespace
