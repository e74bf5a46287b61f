#include "WindowRig.h"

#include "app/MainActions.h"
#include "app/WordFileCommands.h"
#include "base/QuarrowError.h"
#include "engine/GenerateCommand.h"
#include "engine/ProjectController.h"
#include "gui/QuarrowApplication.h"
#include "gui/WordListsPanel.h"
#include "models/WordLists.h"
#include "settings/IniFile.h"
#include "support/FakeWhoisServer.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

const char* const Tlds = "[TLD]\ncom=127.0.0.1\nnet=127.0.0.1\norg=127.0.0.1\n";

class MainWindowTest : public ::testing::Test
{
protected:
    TWindowRig Rig;

    QAction* Action(const char* name) const { return Rig.Window->findChild<QAction*>(QLatin1String(name)); }
    QWidget* Widget(const char* name) const { return Rig.Window->findChild<QWidget*>(QLatin1String(name)); }
    std::vector<bool> PopupStates() const
    {
        std::vector<bool> states;
        for (QAction* entry : Rig.Window->Actions().pmDomains->actions())
            if (!entry->isSeparator())
                states.push_back(entry->isEnabled());
        return states;
    }
};

TEST_F(MainWindowTest, FirstShowOpensTheTourOnceAndStartsAnUntitledProject)
{
    Rig.WriteConfig(Tlds);
    Rig.WriteHelpPage("tour.html");
    TfMain& window = Rig.Open();
    EXPECT_EQ(window.windowTitle(), "Quarrow 2009 - Untitled");
    ASSERT_EQ(Rig.Opened.size(), 1u);
    EXPECT_TRUE(Rig.Opened[0].toLocalFile().endsWith("help/tour.html"));
    EXPECT_FALSE(TIniFile(Rig.ConfigPath()).Read(ConfigKeys::ShowTour));
    EXPECT_EQ(window.WordLists().Tlds().All(),
              (std::vector<TWordEntry>{{"com", false}, {"net", false}, {"org", false}}));
    EXPECT_FALSE(window.Modified());
    // The design sizes: a client area of 784 x 566 below the menu bar, the word pages and the
    // table 404 high over the answers.
    EXPECT_EQ(window.size(), QSize(784, 566 + window.menuBar()->height()));
    EXPECT_NEAR(Widget("pTop")->height(), 404, 4);

    Rig.Close();
    Rig.Opened.clear();
    Rig.Open();
    EXPECT_TRUE(Rig.Opened.empty());
}

TEST_F(MainWindowTest, ControlsAndCommandsCarryTheirNamesCaptionsAndAccessibleNames)
{
    Rig.Open();
    const std::vector<std::pair<const char*, const char*>> named = {
        {"ePref", "New prefix"},  {"eWord", "New keyword"},  {"eSuf", "New suffix"},  {"eDom", "New TLD"},
        {"sbPref", "Add prefix"}, {"sbWord", "Add keyword"}, {"sbSuf", "Add suffix"}, {"sbDom", "Add TLD"},
        {"clPref", "Prefixes"},   {"clWord", "Keywords"},    {"clSuf", "Suffixes"},   {"clDom", "TLDs"},
        {"lvDomains", "Domains"}, {"mAns", "Answers"},       {"pb", "Progress"},      {"cbFilter", "Show rows"},
    };
    for (const auto& [name, accessible] : named) {
        QWidget* widget = Widget(name);
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->accessibleName(), accessible) << name;
    }
    for (const char* name : {"tb", "pTop", "lPan", "rPan", "pBottom", "pcwords", "Splitter1", "Splitter2", "sb",
                             "cbUsePref", "cbUseSuf", "TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4"})
        EXPECT_NE(Widget(name), nullptr) << name;

    EXPECT_EQ(Action("aSett")->text(), "Settings");
    EXPECT_EQ(Action("aSett")->toolTip(), "Open settings dialog...");
    EXPECT_EQ(Action("aSavePrjAs")->toolTip(), "Save Project As...");
    EXPECT_EQ(Action("ACopyNameToClipboard")->text(), "Copy selected domain to clipboard");
    EXPECT_FALSE(Action("Print1")->isVisible());

    // Toolbar order, and icon-only buttons named by their hints.
    auto* toolBar = Rig.Window->findChild<QToolBar*>("tb");
    QStringList order;
    for (QAction* action : toolBar->actions())
        order << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    EXPECT_EQ(order.join(' '), "tbNew aOpenPrj aSavePrj - aGenerate aStartAll aCheckErrors aStop - aSett");
    EXPECT_EQ(toolBar->widgetForAction(Action("aGenerate"))->accessibleName(), "Generate domain names");
    EXPECT_EQ(Widget("sbPanel0")->property("text").toString(), "Threads: 0");
    EXPECT_EQ(Widget("sbPanel1")->property("text").toString(), "Current/Servers Total: 0/0");
}

TEST_F(MainWindowTest, CheckCommandsAndTheDomainPopupFollowTheTable)
{
    Rig.WriteConfig(Tlds);
    TfMain& window = Rig.Open();
    EXPECT_TRUE(Action("aStartAll")->isEnabled());
    EXPECT_FALSE(Action("aStop")->isEnabled());

    window.UpdateDomainsPopup();
    EXPECT_EQ(PopupStates(), std::vector<bool>(8, false));

    window.Model().AppendGenerated({"a.com", "b.com"});
    window.UpdateDomainsPopup();
    EXPECT_EQ(PopupStates(), (std::vector<bool>{false, false, true, true, true, false, true, true}));

    window.DomainView()->selectRow(1);
    window.UpdateDomainsPopup();
    EXPECT_EQ(PopupStates(), std::vector<bool>(8, true));
    // The popup's states are its own: the Domain menu's commands stay as they were.
    window.Model().Clear();
    window.UpdateDomainsPopup();
    EXPECT_TRUE(Action("aSelectAllDomains")->isEnabled());
}

TEST_F(MainWindowTest, WordPagesAddOnEnterAndTheirMenuFollowsThePage)
{
    Rig.WriteConfig(Tlds);
    TfMain& window = Rig.Open();
    TWordListsPanel& pages = window.WordPages();

    pages.setCurrentIndex(TWordLists::PageKeywords);
    QTest::keyClicks(pages.Field(TWordLists::PageKeywords), "  ");
    EXPECT_FALSE(pages.AddButton(TWordLists::PageKeywords)->isEnabled());
    QTest::keyClick(pages.Field(TWordLists::PageKeywords), Qt::Key_Return);
    EXPECT_EQ(window.WordLists().Keywords().Count(), 0);
    Rig.Type(TWordLists::PageKeywords, "shop");
    EXPECT_FALSE(pages.AddButton(TWordLists::PageKeywords)->isEnabled()); // the field was emptied
    Rig.Type(TWordLists::PageKeywords, "web");
    Rig.Type(TWordLists::PagePrefix, "a,b");
    EXPECT_EQ(window.WordLists().Keywords().All(), (std::vector<TWordEntry>{{"web", true}, {"shop", true}}));
    EXPECT_EQ(window.WordLists().Prefixes().All(), (std::vector<TWordEntry>{{"a", false}, {"b", false}}));
    EXPECT_TRUE(window.Modified());

    QMenu* menu = pages.WordsMenu();
    auto entry = [menu](const char* name) { return menu->findChild<QAction*>(QLatin1String(name)); };
    pages.setCurrentIndex(TWordLists::PageTld);
    pages.UpdateWordsMenu();
    EXPECT_FALSE(entry("miMovetoAction")->isVisible());
    EXPECT_TRUE(entry("miSelectAll")->isEnabled());
    EXPECT_FALSE(entry("miDelete")->isEnabled());

    pages.setCurrentIndex(TWordLists::PageSuffix);
    pages.UpdateWordsMenu();
    EXPECT_TRUE(entry("miMovetoAction")->isVisible());
    EXPECT_FALSE(entry("miMovetoAction")->isEnabled());
    EXPECT_FALSE(entry("Suffix1")->isVisible());
    EXPECT_TRUE(entry("KeyWords1")->isVisible());

    pages.setCurrentIndex(TWordLists::PagePrefix);
    pages.ListView(TWordLists::PagePrefix)
        ->setCurrentIndex(pages.ListView(TWordLists::PagePrefix)->model()->index(1, 0));
    entry("KeyWords1")->trigger();
    EXPECT_EQ(window.WordLists().Keywords().At(2), (TWordEntry{"b", false}));
    EXPECT_EQ(window.WordLists().Prefixes().Count(), 1);

    // A pasted list far longer than a line edit usually holds arrives whole.
    QString many;
    for (int i = 0; i < 100000; ++i)
        many += QStringLiteral("w%1,").arg(i, 6, 10, QLatin1Char('0'));
    many += QStringLiteral("last");
    pages.setCurrentIndex(TWordLists::PageSuffix);
    pages.Field(TWordLists::PageSuffix)->setText(many);
    QTest::keyClick(pages.Field(TWordLists::PageSuffix), Qt::Key_Return);
    ASSERT_EQ(window.WordLists().Suffixes().Count(), 100001);
    EXPECT_EQ(window.WordLists().Suffixes().At(100000), (TWordEntry{"last", false}));
}

TEST_F(MainWindowTest, GenerationLocksWhatItFillsAndShowsProgress)
{
    Rig.WriteConfig(Tlds);
    TfMain& window = Rig.Open();
    window.WordLists().Keywords().SetAll({});
    for (int i = 0; i < 2000; ++i)
        window.WordLists().Keywords().Append("k" + std::to_string(i), true);
    window.WordLists().Tlds().SetAllChecked(true);

    int progressSeen = 0;
    bool lockedMeanwhile = true;
    QObject::connect(&window.Generate(), &TGenerateCommand::Progress, [&] {
        if (!window.Generate().Busy())
            return;
        ++progressSeen;
        lockedMeanwhile = lockedMeanwhile && !Action("aGenerate")->isEnabled() && !Action("New1")->isEnabled() &&
                          !Action("aStartAll")->isEnabled() && !window.WordPages().isEnabled();
    });
    Action("aGenerate")->trigger();
    ASSERT_TRUE(Rig.WaitUntil([&] { return !window.Generate().Busy(); }));
    EXPECT_GT(progressSeen, 0);
    EXPECT_TRUE(lockedMeanwhile);
    EXPECT_EQ(window.Model().RowCount(), 6000);
    EXPECT_TRUE(Action("aGenerate")->isEnabled());
    EXPECT_TRUE(Action("aStartAll")->isEnabled());
    EXPECT_TRUE(window.WordPages().isEnabled());
    EXPECT_TRUE(window.Modified());
}

TEST_F(MainWindowTest, TheLayoutIsSavedFirstOnCloseEvenWhenTheCloseIsCancelled)
{
    Rig.WriteConfig(Tlds);
    TfMain& window = Rig.Open();
    bool layoutWrittenBeforeQuestion = false;
    window.SetCloseQuestion([&] {
        const TIniFile ini(Rig.ConfigPath());
        layoutWrittenBeforeQuestion = ini.Read(ConfigKeys::MainFormWidth) > 0 &&
                                      ini.Read(ConfigKeys::LeftPanelWidth) > 0 &&
                                      ini.ReadInteger("ListView", "Width0", 0) == window.DomainView()->columnWidth(0);
        return false;
    });
    Action("Exit1")->trigger();
    EXPECT_TRUE(layoutWrittenBeforeQuestion);
    EXPECT_TRUE(window.isVisible());

    // Sizes of 0 or less are not applied: sizes other than the design's stay as they are.
    const TIniFile ini(Rig.ConfigPath());
    window.resize(700, window.height());
    auto* upper = static_cast<QSplitter*>(Widget("pTop"));
    upper->setSizes({300, upper->width() - 300 - upper->handleWidth()});
    QApplication::processEvents();
    ASSERT_EQ(Widget("lPan")->width(), 300);
    ini.Write(ConfigKeys::MainFormWidth, 0);
    ini.Write(ConfigKeys::LeftPanelWidth, -3);
    ini.Write(ConfigKeys::MainFormLeft, 7);
    ini.WriteInteger("ListView", "Width1", 77);
    window.LoadLayout();
    QApplication::processEvents();
    EXPECT_EQ(window.width(), 700);
    EXPECT_EQ(Widget("lPan")->width(), 300);
    EXPECT_EQ(window.frameGeometry().x(), 7);
    EXPECT_EQ(window.DomainView()->columnWidth(1), 77);
    window.SetCloseQuestion({});
}

TEST_F(MainWindowTest, ARestoreGivesBackWhatWasSavedAndKeepsALargerLayoutOnTheScreen)
{
    Rig.WriteConfig(std::string(Tlds) + "[MainForm]\nTop=40\nLeft=30\nWidth=600\nHeight=450\n");
    TfMain& window = Rig.Open();
    EXPECT_EQ(window.frameGeometry(), QRect(30, 40, 600, 450));
    for (int start = 0; start < 3; ++start) {
        window.SaveLayout();
        window.LoadLayout();
        QApplication::processEvents();
    }
    const TIniFile ini(Rig.ConfigPath());
    EXPECT_EQ(QRect(ini.Read(ConfigKeys::MainFormLeft), ini.Read(ConfigKeys::MainFormTop),
                    ini.Read(ConfigKeys::MainFormWidth), ini.Read(ConfigKeys::MainFormHeight)),
              QRect(30, 40, 600, 450));

    // Saved on a larger screen, or above and left of this one: the whole frame is on the screen.
    const QRect screen = window.screen()->availableGeometry();
    ini.Write(ConfigKeys::MainFormTop, -30);
    ini.Write(ConfigKeys::MainFormLeft, 200);
    ini.Write(ConfigKeys::MainFormWidth, screen.width() + 400);
    ini.Write(ConfigKeys::MainFormHeight, 500);
    window.LoadLayout();
    QApplication::processEvents();
    EXPECT_TRUE(screen.contains(window.frameGeometry()))
        << window.frameGeometry().x() << "," << window.frameGeometry().y();
    EXPECT_EQ(window.frameGeometry().size(), QSize(screen.width(), 500));
    window.SetCloseQuestion({});
}

TEST_F(MainWindowTest, AProjectsHyphenSwitchIsTheGeneratorsOnOpenAndIsSavedAsUsed)
{
    Rig.WriteConfig(std::string(Tlds) + "[Pref]\nUseHyp=0\n");
    TfMain& window = Rig.Open();
    const auto savedSwitch = [&](const std::string& name) {
        const std::string path = Rig.Dir.File(name);
        EXPECT_TRUE(window.ProjectCommands().SaveProject(QString::fromStdString(path)));
        const std::string text = Rig.Dir.Read(name);
        if (text.find("<USEHYPHENS>TRUE</USEHYPHENS>") != std::string::npos)
            return std::string("TRUE");
        return text.find("<USEHYPHENS>FALSE</USEHYPHENS>") != std::string::npos ? std::string("FALSE")
                                                                                : std::string("none");
    };
    // Rows made with hyphens (a generator switched on, as an opened project leaves it).
    window.Generator().SetUseHyphens(true);
    EXPECT_EQ(savedSwitch("made-with.prj.xml"), "TRUE");

    window.NewProject();
    EXPECT_FALSE(window.Generator().UseHyphens()); // a new project: the preference
    ASSERT_TRUE(window.ProjectCommands().OpenFile(QString::fromStdString(Rig.Dir.File("made-with.prj.xml"))));
    EXPECT_TRUE(window.Generator().UseHyphens());
    EXPECT_EQ(savedSwitch("again.prj.xml"), "TRUE");

    // Generating again takes the preference, and the project then says so.
    window.WordLists().Keywords().SetAll({{"shop", true}});
    window.WordLists().Tlds().SetAll({{"com", true}});
    window.GenerateNames();
    ASSERT_TRUE(Rig.WaitUntil([&] { return !window.Generate().Busy(); }));
    EXPECT_FALSE(window.Generator().UseHyphens());
    EXPECT_EQ(savedSwitch("regenerated.prj.xml"), "FALSE");
}

TEST_F(MainWindowTest, TheToolbarHasNoMenuToHideItAndAPassingMessageIsNotCoveredByTheProgressBar)
{
    TfMain& window = Rig.Open();
    auto* toolbar = window.findChild<QToolBar*>("tb");
    ASSERT_NE(toolbar, nullptr);
    QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, QPoint(5, 5), toolbar->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(toolbar, &menuRequest);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(window.createPopupMenu(), nullptr);
    EXPECT_TRUE(toolbar->isVisible());

    window.statusBar()->showMessage(QStringLiteral("Quarrow starts with its built-in settings."), 15000);
    EXPECT_FALSE(window.ProgressBar()->isVisible());
    window.statusBar()->clearMessage();
    EXPECT_TRUE(window.ProgressBar()->isVisible());
}

TEST_F(MainWindowTest, AClickedRowShowsItsAnswersLineByLineAndAnEmptyEntryShowsNone)
{
    TfMain& window = Rig.Open();
    window.Model().SetContents(
        {{"a.example", true, {"YES", "", "", "", "0", ""}}, {"b.example", true, {"NO", "", "", "", "1", ""}}},
        {"", "first line\r\nsecond line"});
    QTableView* view = window.DomainView();
    const auto click = [&](int row) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(row, 0)).center());
    };
    click(1);
    EXPECT_EQ(window.AnswersPanel()->count(), 2);
    click(0);
    EXPECT_EQ(window.AnswersPanel()->count(), 0);
}

TEST_F(MainWindowTest, ExitEndsTheEventLoopWithStatusZero)
{
    TfMain& window = Rig.Open();
    window.SetCloseQuestion({});
    QTimer::singleShot(0, &window, [this] { Action("Exit1")->trigger(); });
    // A close that does not end the program fails here instead of hanging the suite.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, F1OnKeyReleaseOpensTheHelpAndAMissingPageOpensNothing)
{
    TfMain& window = Rig.Open();
    QLineEdit* field = window.WordPages().Field(TWordLists::PagePrefix);
    QTest::keyRelease(field, Qt::Key_F1);
    EXPECT_TRUE(Rig.Opened.empty());

    Rig.WriteHelpPage("index.html");
    QTest::keyPress(field, Qt::Key_F1);
    EXPECT_TRUE(Rig.Opened.empty()); // not on the press
    QTest::keyRelease(field, Qt::Key_F1);
    ASSERT_EQ(Rig.Opened.size(), 1u);
    EXPECT_TRUE(Rig.Opened[0].toLocalFile().endsWith("help/index.html"));
    Action("Help2")->trigger();
    EXPECT_EQ(Rig.Opened.size(), 2u);
}

TEST_F(MainWindowTest, AnErrorEscapingAHandlerIsShownAndTheProgramGoesOn)
{
    auto* app = static_cast<TQuarrowApplication*>(QApplication::instance());
    QStringList shown;
    app->SetErrorReporter([&](const QString& message) { shown << message; });
    int after = 0;
    QTimer::singleShot(0, [] { throw TQuarrowError("Unable to write to /x"); });
    QTimer::singleShot(5, [&] { ++after; });
    Rig.WaitUntil([&] { return after > 0; });
    app->SetErrorReporter({});
    EXPECT_EQ(shown, QStringList{"Unable to write to /x"});
}

} // namespace

class WordFileTest : public MainWindowTest
{
protected:
    std::string Chosen;
    QStringList Messages;
    int Asked = 0;

    void SetUp() override
    {
        Rig.WriteConfig(Tlds);
        Rig.Open();
        TWordFileCommands::TDialogs dialogs;
        dialogs.ChooseFileToLoad = [this](const std::string&) { return ++Asked, Chosen; };
        dialogs.ChooseFileToSave = [this](const std::string&) { return ++Asked, Chosen; };
        dialogs.ShowMessage = [this](const QString& message) { Messages << message; };
        Rig.Window->WordFiles().SetDialogs(dialogs);
        Rig.Window->WordLists().Prefixes().SetAll({{"web", true}, {"my", false}});
        Rig.Window->WordLists().Suffixes().SetAll({{"hub", true}});
    }
};

TEST_F(WordFileTest, SavedWordListsLoadBackWithTheirTicksAndSaveAsksForANameOnce)
{
    TWordLists& lists = Rig.Window->WordLists();
    Chosen = Rig.Dir.File("projects/mine.ctg.xml");
    Action("aSaveWords")->trigger();
    Action("aSaveWords")->trigger();
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(Rig.Window->WordFiles().WordListFileName(), Chosen);

    const std::vector<TWordEntry> prefixes = lists.Prefixes().All();
    lists.Prefixes().SetAll({});
    lists.Suffixes().SetAll({});
    Rig.Window->SetModified(false);
    Action("aLoadWords")->trigger();
    EXPECT_EQ(lists.Prefixes().All(), prefixes);
    EXPECT_EQ(lists.Suffixes().All(), (std::vector<TWordEntry>{{"hub", true}}));
    EXPECT_FALSE(Rig.Window->Modified());
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(WordFileTest, AFileNamedAtStartLoadsAsAWordListOrOpensAsAProject)
{
    TWordLists& lists = Rig.Window->WordLists();
    Chosen = Rig.Dir.File("projects/start.ctg.xml");
    Action("aSaveWords")->trigger();
    const std::string project = Rig.Dir.File("projects/start.prj.xml");
    ASSERT_TRUE(Rig.Window->ProjectCommands().SaveProject(QString::fromStdString(project)));
    lists.Prefixes().SetAll({});
    Rig.Window->SetModified(false);

    Rig.Window->OpenAtStart(QString::fromStdString(Chosen));
    EXPECT_EQ(lists.Prefixes().All(), (std::vector<TWordEntry>{{"web", true}, {"my", false}}));
    lists.Prefixes().SetAll({});
    Rig.Window->SetModified(false);
    Rig.Window->OpenAtStart(QString::fromStdString(project));
    EXPECT_EQ(Rig.Window->windowTitle(), QString::fromStdString("Quarrow 2009 - " + project));
    EXPECT_EQ(lists.Prefixes().All(), (std::vector<TWordEntry>{{"web", true}, {"my", false}}));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(WordFileTest, RefusedFilesChangeNoListAndSayWhy)
{
    const std::vector<TWordEntry> before = Rig.Window->WordLists().Prefixes().All();
    const std::vector<std::pair<std::string, QString>> files = {
        {Rig.Dir.Write("a.prj.xml", "<?xml version=\"1.0\"?>\r\n<QRW>\r\n  <HEADER>\r\n    <NAME>Quarrow 1.0 beta "
                                    "1</NAME>\r\n    <VERSION>1</VERSION>\r\n  </HEADER>\r\n</QRW>\r\n"),
         "Wrong XML file."},
        {Rig.Dir.Write("junk.ctg.xml", "this is not <xml"), ""},
        {Rig.Dir.Path(), ""},
        {Rig.Dir.File("missing.ctg.xml"), "Wrong XML file."},
    };
    for (const auto& [path, message] : files) {
        Messages.clear();
        Chosen = path;
        Action("aLoadWords")->trigger();
        ASSERT_EQ(Messages.size(), 1) << path;
        if (!message.isEmpty()) {
            EXPECT_EQ(Messages[0], message) << path;
        }
        EXPECT_EQ(Rig.Window->WordLists().Prefixes().All(), before) << path;
    }
}

TEST_F(WordFileTest, AFailedSaveIsReportedWithItsReason)
{
    // A path below a file cannot be written, whoever runs the test.
    const std::string old = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<QRW/>\r\n";
    Chosen = Rig.Dir.Write("projects/old.ctg.xml", old) + "/below.ctg.xml";
    Action("aSaveWas")->trigger();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("Unable to write to")) << Messages[0].toStdString();
    EXPECT_EQ(Rig.Dir.Read("projects/old.ctg.xml"), old);
}

// Checks from the window against a WHOIS host on loopback.
class WindowCheckTest : public MainWindowTest
{
protected:
    TFakeWhoisServer Server{"127.0.0.1", 0};

    void SetUp() override
    {
        Rig.WriteConfig("[Pref]\nPause=1\nThrdCount=2\nAttempts=1\n[TLD]\ncom=127.0.0.1\n"
                        "[127.0.0.1]\nnot_found_strings=No match\n");
        Rig.Open(Server.Port());
    }

    void Generate(int count, const std::string& stem)
    {
        TWordLists& lists = Rig.Window->WordLists();
        lists.Keywords().SetAll({});
        for (int i = 0; i < count; ++i)
            lists.Keywords().Append(stem + std::to_string(i), true);
        lists.Tlds().SetAll({{"com", true}});
        Rig.Window->GenerateNames();
        ASSERT_TRUE(Rig.WaitUntil([this] { return !Rig.Window->Generate().Busy(); }));
    }
};

TEST_F(WindowCheckTest, SortingDuringAPassNeitherSkipsARowNorChecksOneTwice)
{
    Server.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match", 20});
    Generate(12, "name");
    TCheckDispatcher& dispatcher = Rig.Window->Dispatcher();
    Action("aStartAll")->trigger();
    EXPECT_FALSE(Action("aStartAll")->isEnabled());
    EXPECT_TRUE(Action("aStop")->isEnabled());
    ASSERT_TRUE(Rig.WaitUntil([&] { return dispatcher.NextRow() >= 4; }));
    Rig.Window->DomainView()->sortByColumn(TDomainTableModel::ColumnDomain, Qt::DescendingOrder);
    ASSERT_TRUE(Rig.WaitUntil([&] { return Action("aStartAll")->isEnabled() && dispatcher.RunningCount() == 0; }));

    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Server.RequestCount("name" + std::to_string(i) + ".com"), 1) << i;
    for (int row = 0; row < 12; ++row)
        EXPECT_EQ(Rig.Window->Model().Slot(row, SlotAvailability), "YES") << row;
    EXPECT_FALSE(Action("aStop")->isEnabled());
}

TEST_F(WindowCheckTest, GeneratingDuringAPassStopsItAndDropsTheResultsStillComing)
{
    Server.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "No match", 300});
    Generate(6, "old");
    TCheckDispatcher& dispatcher = Rig.Window->Dispatcher();
    Action("aStartAll")->trigger();
    ASSERT_TRUE(Rig.WaitUntil([&] { return dispatcher.RunningCount() == 2; }));

    Generate(3, "new");
    EXPECT_FALSE(Action("aStop")->isEnabled());
    EXPECT_TRUE(Action("aStartAll")->isEnabled());
    ASSERT_TRUE(Rig.WaitUntil([&] { return dispatcher.LiveWorkerThreads() == 0; }));
    QApplication::processEvents();

    TDomainTableModel& model = Rig.Window->Model();
    ASSERT_EQ(model.RowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(model.Slot(row, SlotAvailability), "") << row;
        EXPECT_EQ(model.AnswerLog()[static_cast<std::size_t>(row)], "") << row;
    }
    EXPECT_EQ(dispatcher.RunningCount(), 0);
    EXPECT_EQ(Server.RequestCount("new0.com"), 0);
}

TEST_F(WindowCheckTest, InternationalNamesAreTypedAndShownAsTypedAndAskedInALabels)
{
    Rig.WriteConfig("[Pref]\nPause=1\nThrdCount=2\nAttempts=1\n[TLD]\nde=127.0.0.1\n"
                    "[127.0.0.1]\nnot_found_strings=No match\n");
    Server.SetAnswer("xn--strae-oqa.de", "No match for xn--strae-oqa.de");
    QStringList refusals;
    Rig.Window->WordPages().SetRefusalMessage([&](const QString& message) { refusals << message; });
    // QTest types ASCII keys only: these words come in as an input method or a paste brings them.
    const auto enter = [&](int page, const QString& word) {
        Rig.Window->WordPages().setCurrentIndex(page);
        QLineEdit* field = Rig.Window->WordPages().Field(page);
        field->insert(word);
        QTest::keyClick(field, Qt::Key_Return);
    };
    enter(TWordLists::PageKeywords, QStringLiteral("Straße"));
    // A Cyrillic "а" among Latin letters: refused by name, and left in the field for mending.
    enter(TWordLists::PageKeywords, QStringLiteral("p\u0430ypal"));
    ASSERT_EQ(refusals.size(), 1);
    EXPECT_TRUE(refusals[0].startsWith(QStringLiteral("The word \"p\u0430ypal\" mixes scripts")))
        << refusals[0].toStdString();
    EXPECT_EQ(Rig.Window->WordPages().Field(TWordLists::PageKeywords)->text(), QStringLiteral("p\u0430ypal"));
    Rig.Type(TWordLists::PageTld, QStringLiteral("de"));
    ASSERT_EQ(Rig.Window->WordLists().Keywords().Count(), 1);

    Rig.Window->GenerateNames();
    TDomainTableModel& model = Rig.Window->Model();
    ASSERT_TRUE(Rig.WaitUntil([&] { return model.RowCount() == 1 && !Rig.Window->Generate().Busy(); }));
    Action("aStartAll")->trigger();
    ASSERT_TRUE(Rig.WaitUntil([&] { return model.Slot(0, SlotAvailability) == "YES"; }));

    EXPECT_EQ(Server.Requests(), (std::vector<std::string>{"xn--strae-oqa.de\r\n"}));
    QTableView* view = Rig.Window->DomainView();
    EXPECT_EQ(view->model()->index(0, TDomainTableModel::ColumnDomain).data().toString(), QStringLiteral("Straße.de"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(0, TDomainTableModel::ColumnDomain)).center());
    QListWidget* answers = Rig.Window->AnswersPanel();
    ASSERT_TRUE(Rig.WaitUntil([&] { return answers->count() >= 2; }));
    EXPECT_EQ(answers->item(0)->text(),
              QStringLiteral("Internationalised name: straße.de is asked as xn--strae-oqa.de"));
    EXPECT_EQ(answers->item(1)->text(), QStringLiteral("No match for xn--strae-oqa.de"));
}

TEST_F(MainWindowTest, WideningTheWordPagesWidensEachListAndFieldAndKeepsTheButtonFlushRight)
{
    TfMain& window = Rig.Open();
    window.resize(1000, 600);
    TWordListsPanel& pages = window.WordPages();
    auto* splitter = window.findChild<QSplitter*>("pTop");
    // Widths of the list and the field of each page, measured while the page is shown.
    auto widths = [&] {
        std::vector<std::pair<int, int>> result;
        for (int page = 0; page < TWordLists::PageCount; ++page) {
            pages.setCurrentIndex(page);
            QApplication::processEvents();
            QWidget* list = pages.ListView(page);
            EXPECT_EQ(pages.AddButton(page)->geometry().right(), list->geometry().right()) << page;
            result.emplace_back(list->width(), pages.Field(page)->width());
        }
        return result;
    };
    const auto before = widths();
    splitter->setSizes({splitter->sizes()[0] + 100, splitter->sizes()[1] - 100});
    const auto after = widths();
    for (int page = 0; page < TWordLists::PageCount; ++page) {
        EXPECT_EQ(after[page].first, before[page].first + 100) << page;
        EXPECT_EQ(after[page].second, before[page].second + 100) << page;
    }
}

TEST_F(MainWindowTest, ClosingDuringGenerationEndsTheRunFirstThenCloses)
{
    Rig.WriteConfig(Tlds);
    TfMain& window = Rig.Open();
    for (int i = 0; i < 3000; ++i)
        window.WordLists().Keywords().Append("k" + std::to_string(i), true);
    window.WordLists().Tlds().SetAllChecked(true);
    int questions = 0;
    window.SetCloseQuestion([&] { return ++questions, true; });
    bool closeRequested = false;
    bool stillOpenDuringRun = false;
    QObject::connect(&window.Generate(), &TGenerateCommand::Progress, [&] {
        if (!window.Generate().Busy() || closeRequested)
            return;
        closeRequested = true;
        window.close();
        stillOpenDuringRun = window.isVisible();
    });
    window.GenerateNames();
    ASSERT_TRUE(Rig.WaitUntil([&] { return !window.Generate().Busy(); }));
    EXPECT_TRUE(closeRequested);
    EXPECT_TRUE(stillOpenDuringRun);
    EXPECT_EQ(questions, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.Model().RowCount(), 0); // the run was cancelled, not left half done
}
