#include "gui/ServerPropertiesDialog.h"
#include "settings/IniFile.h"
#include "support/FakeWhoisServer.h"
#include "support/FindControl.h"
#include "support/RecordingDesktop.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>

namespace {

// What the connection layer says when no host is set.
const QString NoHostMessage = QStringLiteral("No WHOIS host given");

class ServerPropertiesTest : public ::testing::Test
{
protected:
    // Runs the test query for `domain` against the fake host and waits until it ends.
    void RunQuery(TfSP& dialog, const std::string& domain)
    {
        dialog.TestConnection().Port = Server.Port();
        dialog.TestDomain()->setText(QString::fromStdString(domain));
        Control<QToolButton>(dialog, "SpeedButton2")->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.QueryRunning(); }, 10000));
    }

    // Selects `text` in the answer box, as a mouse would.
    static void SelectInAnswer(QPlainTextEdit* answer, const QString& text)
    {
        const int at = answer->toPlainText().indexOf(text);
        ASSERT_GE(at, 0);
        QTextCursor cursor(answer->document());
        cursor.setPosition(at);
        cursor.setPosition(at + static_cast<int>(text.size()), QTextCursor::KeepAnchor);
        answer->setTextCursor(cursor);
    }

    static void Pick(TfSP& dialog, const char* item)
    {
        auto* action = dialog.findChild<QAction*>(QLatin1String(item));
        ASSERT_NE(action, nullptr);
        action->trigger();
    }

    TTempDir Dir;
    std::string Path = Dir.File("mvwhois.ini");
    TRecordingDesktop Desktop;
    TFakeWhoisServer Server;
};

TEST_F(ServerPropertiesTest, ShowsTheLearntIntervalOfEachWayOutBesideTheMinimum)
{
    Dir.Write("mvwhois.ini", "[whois.one.example]\nmin_interval=100\n[whois.two.example]\n");
    const auto learnt = [&](const std::string& host) {
        TfSP dialog(Path, Desktop);
        EXPECT_TRUE(dialog.LoadServer(host));
        return Control<QLabel>(dialog, "lLearntInterval")->text();
    };
    EXPECT_EQ(learnt("whois.one.example"), "none yet (the server has not refused a check)");
    Dir.Write("pace.tsv", "quarrow-pace\t1\nwhois.one.example\tdirect\t313\n"
                          "whois.one.example\tsocks5://127.0.0.1:1080\t250\nwhois.two.example\tdirect\t900\n");
    EXPECT_EQ(learnt("whois.one.example"), "313 ms directly, 250 ms through socks5://127.0.0.1:1080");
    EXPECT_EQ(learnt("whois.two.example"), "900 ms directly");
    // A damaged file is only read here: setting it aside is the check's business.
    Dir.Write("pace.tsv", "garbage");
    EXPECT_TRUE(learnt("whois.one.example").startsWith("unknown: the pace file cannot be read"));
    EXPECT_EQ(Dir.Read("pace.tsv"), "garbage");
}

TEST_F(ServerPropertiesTest, LoadsTheHostsStringsAndSavesThemOnOkOnly)
{
    Dir.Write("mvwhois.ini",
              "[whois.one.example]\nnot_found_strings=No match for %DOMAIN%\nregistrar_string=Registrar:\n"
              "limit_strings=quota exceeded|try again\nmin_interval=1500\n");
    {
        TfSP dialog(Path, Desktop);
        ASSERT_TRUE(dialog.LoadServer("whois.one.example"));
        EXPECT_EQ(Control<QLineEdit>(dialog, "eNotfound")->text(), "No match for %DOMAIN%");
        EXPECT_EQ(Control<QLineEdit>(dialog, "eRegistrar")->text(), "Registrar:");
        EXPECT_EQ(Control<QLineEdit>(dialog, "eLimits")->text(), "quota exceeded|try again");
        EXPECT_EQ(Control<QSpinBox>(dialog, "eMinInterval")->value(), 1500);
        Control<QLineEdit>(dialog, "eExpires")->setText("Expiry:");
        dialog.reject();
    }
    EXPECT_EQ(TIniFile(Path).ReadString("whois.one.example", "expires_string", "none"), "none");

    TfSP dialog(Path, Desktop);
    dialog.LoadServer("whois.one.example");
    Control<QLineEdit>(dialog, "eExpires")->setText("Expiry:");
    Control<QLineEdit>(dialog, "eWhoisServer")->setText("Whois Server:");
    Control<QLineEdit>(dialog, "eLimits")->setText("limit exceeded");
    Control<QSpinBox>(dialog, "eMinInterval")->findChild<QLineEdit*>()->setText("2500 ms"); // typed, not yet confirmed
    dialog.bOkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const TIniFile ini(Path);
    EXPECT_EQ(ini.ReadSection("whois.one.example"),
              (std::vector<std::string>{"not_found_strings", "registrar_string", "limit_strings", "min_interval",
                                        "whois_server_string", "expires_string"}));
    EXPECT_EQ(ini.ReadString("whois.one.example", "expires_string", ""), "Expiry:");
    EXPECT_EQ(ini.ReadString("whois.one.example", "whois_server_string", ""), "Whois Server:");
    EXPECT_EQ(ini.ReadString("whois.one.example", "limit_strings", ""), "limit exceeded");
    EXPECT_EQ(ini.ReadString("whois.one.example", "min_interval", ""), "2500");
}

// A Latin-1 value put into the file by hand shows as text; OK keeps its bytes unless it is edited,
// and a field edited to the same text as typed is written as UTF-8.
TEST_F(ServerPropertiesTest, UntouchedLatin1ValuesKeepTheirBytes)
{
    Dir.Write("mvwhois.ini",
              "[whois.fi]\nnot_found_strings=Dom\xE4\xE4ni ei l\xF6ytynyt\nregistrar_string=Rekister\xF6inti:\n"
              "expires_string=Voimassa:\n");
    TfSP dialog(Path, Desktop);
    ASSERT_TRUE(dialog.LoadServer("whois.fi"));
    EXPECT_EQ(Control<QLineEdit>(dialog, "eNotfound")->text(), QString::fromUtf8("Dom\u00e4\u00e4ni ei l\u00f6ytynyt"));
    Control<QLineEdit>(dialog, "eRegistrar")->setText(QString::fromUtf8("Rekister\u00f6ity:"));
    dialog.bOkClick();
    const TIniFile ini(Path);
    EXPECT_EQ(ini.ReadString("whois.fi", "not_found_strings", ""), "Dom\xE4\xE4ni ei l\xF6ytynyt");
    EXPECT_EQ(ini.ReadString("whois.fi", "registrar_string", ""), "Rekister\xC3\xB6ity:");
    EXPECT_EQ(ini.ReadString("whois.fi", "expires_string", ""), "Voimassa:");
}

TEST_F(ServerPropertiesTest, WithoutAHostOkIsDisabledAndTheQueryFailsWithTheConnectionMessage)
{
    TfSP dialog(Path, Desktop);
    EXPECT_FALSE(dialog.LoadServer(""));
    EXPECT_EQ(Desktop.Messages, QStringList{"Не указан Whois сервер. Настройка невозможна."});
    EXPECT_FALSE(Control<QPushButton>(dialog, "bOk")->isEnabled());
    EXPECT_TRUE(Control<QLineEdit>(dialog, "eNotfound")->text().isEmpty());

    RunQuery(dialog, "example.com");
    ASSERT_EQ(Desktop.Messages.size(), 2);
    EXPECT_EQ(Desktop.Messages[1], NoHostMessage);
    EXPECT_TRUE(Control<QPlainTextEdit>(dialog, "meResults")->toPlainText().isEmpty());
    dialog.bOkClick();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Path)));
}

TEST_F(ServerPropertiesTest, TheAnswerIsShownLineByLineAndPickedStringsGoToTheirFields)
{
    Server.SetAnswer("example.com", "Domain Name: EXAMPLE.COM\r\nRegistrar: Some Registrar\rNo match for "
                                    "\"EXAMPLE.COM\".\n");
    TfSP dialog(Path, Desktop);
    dialog.LoadServer(Server.Address());
    RunQuery(dialog, "example.com");
    auto* answer = Control<QPlainTextEdit>(dialog, "meResults");
    EXPECT_EQ(answer->toPlainText(),
              "Domain Name: EXAMPLE.COM\nRegistrar: Some Registrar\nNo match for \"EXAMPLE.COM\".");
    EXPECT_EQ(Server.Requests(), std::vector<std::string>{"example.com\r\n"});

    SelectInAnswer(answer, "No match for \"EXAMPLE.COM\"");
    Pick(dialog, "miNotFound");
    EXPECT_EQ(Control<QLineEdit>(dialog, "eNotfound")->text(), "No match for \"%DOMAIN%\"");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "No match for \"EXAMPLE.COM\"");

    // Into a field that holds text already: at the caret, over the field's own selection.
    auto* registrar = Control<QLineEdit>(dialog, "eRegistrar");
    registrar->setText("[old]");
    registrar->setSelection(1, 3);
    SelectInAnswer(answer, "Registrar:");
    Pick(dialog, "miRegistrar");
    EXPECT_EQ(registrar->text(), "[Registrar:]");
}

TEST_F(ServerPropertiesTest, AHangingHostLeavesTheWindowLiveAndCancelEndsTheQueryAtOnce)
{
    Server.SetDefaultReply({TFakeWhoisServer::TBehaviour::NeverClose, "partial answer\r\n", 0});
    TfSP dialog(Path, Desktop);
    dialog.LoadServer(Server.Address());
    dialog.TestConnection().Port = Server.Port();
    dialog.TestDomain()->setText("example.com");
    Control<QToolButton>(dialog, "SpeedButton2")->click();
    ASSERT_TRUE(dialog.QueryRunning());
    EXPECT_FALSE(Control<QToolButton>(dialog, "SpeedButton2")->isEnabled());
    ASSERT_TRUE(Server.WaitForRequests(1, 5000));

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 5; }, 5000)); // the event loop keeps running
    EXPECT_TRUE(dialog.QueryRunning());

    // The host never ends its answer and the query has no read bound of its own, so a Cancel that
    // waited for the query would never return: the bound only turns that into a failure, far
    // beyond any loaded machine.
    const auto started = std::chrono::steady_clock::now();
    Control<QPushButton>(dialog, "bCancelQuery")->click();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_FALSE(dialog.QueryRunning());
    EXPECT_TRUE(Control<QToolButton>(dialog, "SpeedButton2")->isEnabled());
    // The abandoned connection is closed by the client, not left to the host.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Server.FinishedCount() == 1; }, 5000));
    EXPECT_TRUE(Control<QPlainTextEdit>(dialog, "meResults")->toPlainText().isEmpty());
    EXPECT_TRUE(Desktop.Messages.isEmpty());
}

TEST_F(ServerPropertiesTest, EnterInTheTestDomainRunsTheTestAndNeverCancelsOrCloses)
{
    Server.SetDefaultReply({TFakeWhoisServer::TBehaviour::NeverClose, "partial answer\r\n", 0});
    TfSP dialog(Path, Desktop);
    dialog.LoadServer(Server.Address());
    dialog.TestConnection().Port = Server.Port();
    dialog.show();
    dialog.SpeedButton1Click();
    QLineEdit* field = dialog.TestDomain();
    field->setText("example.com");
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(dialog.QueryRunning());
    ASSERT_TRUE(Server.WaitForRequests(1, 5000));
    // A second Enter while the host keeps the connection: neither Cancel query nor OK.
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : field, Qt::Key_Enter);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(dialog.QueryRunning());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(Server.Requests().size(), 1u);
    dialog.CancelQuery();

    // Without a query running, Enter in the field starts one instead of saving.
    Server.SetAnswer("example.com", "No match for \"EXAMPLE.COM\".\r\n");
    Server.SetDefaultReply({TFakeWhoisServer::TBehaviour::Answer, "", 0});
    QTest::keyClick(field, Qt::Key_Enter);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.QueryRunning(); }, 10000));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(TIniFile(Path).ReadSection(Server.Address()), std::vector<std::string>{});
}

TEST_F(ServerPropertiesTest, TheTestProvesTheLimitStringsAndKeepsToTheMinimumInterval)
{
    Server.SetAnswer("busy.com", "Query rate limit exceeded. Try again later.\r\nNo match for \"BUSY.COM\".\r\n");
    Server.SetAnswer("free.com", "No match for \"FREE.COM\".\r\n");
    TfSP dialog(Path, Desktop);
    dialog.LoadServer(Server.Address());
    Control<QLineEdit>(dialog, "eNotfound")->setText("No match for");
    auto* verdict = Control<QLabel>(dialog, "lVerdict");
    // The fields as typed, not as saved: a limit text wins over the not-found text.
    RunQuery(dialog, "busy.com");
    EXPECT_EQ(verdict->text(), "Free: The answer holds the not-found text \"No match for\".");
    Control<QLineEdit>(dialog, "eLimits")->setText("quota exceeded|rate limit exceeded");
    RunQuery(dialog, "busy.com");
    EXPECT_EQ(verdict->text(), "The host refused the query (\"rate limit exceeded\"): a check would ask again.");

    // A minimum interval holds the next test back (no connection meanwhile) until it has passed.
    auto* interval = Control<QSpinBox>(dialog, "eMinInterval");
    interval->setValue(600000);
    dialog.TestDomain()->setText("free.com");
    Control<QToolButton>(dialog, "SpeedButton2")->click();
    EXPECT_TRUE(dialog.QueryWaiting());
    EXPECT_TRUE(verdict->text().startsWith("Waiting ")) << verdict->text().toStdString();
    EXPECT_FALSE(Control<QPushButton>(dialog, "bCancelQuery")->isHidden());
    EXPECT_EQ(Server.Requests().size(), 2u);
    dialog.CancelQuery();
    EXPECT_FALSE(dialog.QueryRunning());
    interval->setValue(0);
    RunQuery(dialog, "free.com");
    EXPECT_EQ(Server.Requests().size(), 3u);
    EXPECT_EQ(verdict->text(), "Free: The answer holds the not-found text \"No match for\".");
}

// Several texts in a field are tried in turn, and a field left empty reads as a check reads it:
// with the fallback section's texts.
TEST_F(ServerPropertiesTest, TheTestReadsSeveralTextsAndTheFallbackSection)
{
    TIniFile(Path).WriteValues({{"*", "not_found_strings", "Domain not found"}, {"*", "registrar_string", "Holder:"}});
    Server.SetAnswer("free.com", "%% NOT FOUND\r\n");
    Server.SetAnswer("taken.com", "Holder: Example Ltd\r\n");
    Server.SetAnswer("odd.com", "Domain not found\r\n");
    Server.SetAnswer("none.com", "Service notice\r\n");
    TfSP dialog(Path, Desktop);
    dialog.LoadServer(Server.Address());
    auto* verdict = Control<QLabel>(dialog, "lVerdict");
    Control<QLineEdit>(dialog, "eNotfound")->setText("No match for | %% NOT FOUND");
    RunQuery(dialog, "free.com");
    EXPECT_EQ(verdict->text(), "Free: The answer holds the not-found text \"%% NOT FOUND\".");
    RunQuery(dialog, "taken.com");
    EXPECT_EQ(verdict->text(), "Taken: The answer holds the registration field \"Holder: Example Ltd\".");
    RunQuery(dialog, "odd.com");
    EXPECT_TRUE(verdict->text().startsWith("No verdict: The answer holds neither")) << verdict->text().toStdString();
    Control<QLineEdit>(dialog, "eNotfound")->clear();
    RunQuery(dialog, "odd.com");
    EXPECT_EQ(verdict->text(), "Free: The answer holds the not-found text \"Domain not found\".");
    RunQuery(dialog, "none.com");
    EXPECT_EQ(verdict->text(), "No verdict: The answer holds neither a not-found text nor a registration field.");
}

TEST_F(ServerPropertiesTest, AManualResizeShowsOrHidesTheTestAreaAndTheButtonFollowsTheHeights)
{
    TfSP dialog(Path, Desktop);
    dialog.LoadServer("whois.one.example");
    dialog.show();
    QWidget* area = dialog.findChild<QWidget*>("pTest");
    ASSERT_NE(area, nullptr);
    EXPECT_FALSE(area->isVisible());
    const int closed = dialog.height();
    dialog.resize(dialog.width(), closed + 250);
    EXPECT_TRUE(area->isVisible());
    dialog.resize(dialog.width(), closed);
    EXPECT_FALSE(area->isVisible());

    dialog.SpeedButton1Click();
    EXPECT_TRUE(area->isVisible());
    const int open = dialog.height();
    dialog.resize(dialog.width(), open - 40); // by hand, still room: the next press opens fully
    dialog.SpeedButton1Click();
    EXPECT_EQ(dialog.height(), open);
    dialog.SpeedButton1Click();
    EXPECT_FALSE(area->isVisible());
    EXPECT_EQ(dialog.height(), closed);
}

} // namespace
