#include "gui/SettingsDialog.h"
#include "gui/ServerPropertiesDialog.h"
#include "settings/IniFile.h"
#include "support/FindControl.h"
#include "support/RecordingDesktop.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace {

// Runs `act` on the modal dialog the next command opens, once it shows.
void OnModalDialog(std::function<void(QDialog&)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

class SettingsDialogTest : public ::testing::Test
{
protected:
    void SelectRow(TfSett& dialog, int row)
    {
        auto* list = Control<QTableView>(dialog, "lvTLD");
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    TTempDir Dir;
    std::string Path = Dir.File("mvwhois.ini");
    TRecordingDesktop Desktop;
};

TEST_F(SettingsDialogTest, WithoutAFileShowsTheDefaultsOnTheOpenersPage)
{
    TfSett dialog(Path, Desktop);
    EXPECT_EQ(Control<QTabWidget>(dialog, "pcSett")->currentIndex(), TfSett::PageWhoisServers);
    EXPECT_EQ(Control<QTableView>(dialog, "lvTLD")->model()->rowCount(), 0);
    EXPECT_FALSE(Control<QCheckBox>(dialog, "cbUseProxy")->isChecked());
    EXPECT_EQ(Control<QComboBox>(dialog, "cbSOCKS")->currentText(), "SOCKS Version 5");
    EXPECT_EQ(Control<QLineEdit>(dialog, "ePort")->text(), "1080");
    EXPECT_FALSE(Control<QCheckBox>(dialog, "cbUseHyp")->isChecked());
    // The hint is a sentence: its quotation marks belong to it, and so does its full stop.
    EXPECT_EQ(Control<QCheckBox>(dialog, "cbUseHyp")->toolTip(),
              QStringLiteral("If you also wish to generate domain names with hyphens, tick the appropriate item "
                             "\u2013 \"Using the hyphens check box\"."));
    EXPECT_TRUE(Control<QCheckBox>(dialog, "cbUpdate")->isChecked());
    EXPECT_EQ(Control<QSpinBox>(dialog, "eThrdCount")->value(), 10);
    EXPECT_EQ(Control<QSpinBox>(dialog, "eAttempts")->value(), 5);
    EXPECT_EQ(Control<QSpinBox>(dialog, "ePause")->value(), 250);

    dialog.SelectPage(TfSett::PageAdditional);
    dialog.show();
    EXPECT_EQ(Control<QTabWidget>(dialog, "pcSett")->currentIndex(), TfSett::PageAdditional);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SettingsDialogTest, StoredNumbersOutsideTheirRangesShowAndSaveAsTheNearestLimit)
{
    Dir.Write("mvwhois.ini", "[Pref]\nThrdCount=500\nAttempts=0\nPause=1\n[Proxy]\nSOCKS=7\nUseProxy=1\n");
    TfSett dialog(Path, Desktop);
    EXPECT_EQ(Control<QSpinBox>(dialog, "eThrdCount")->value(), 100);
    EXPECT_EQ(Control<QSpinBox>(dialog, "eAttempts")->value(), 1);
    auto* pause = Control<QSpinBox>(dialog, "ePause");
    EXPECT_EQ(pause->value(), 5);
    pause->setValue(4500);
    EXPECT_EQ(pause->text(), QLocale::system().toString(4500)); // with the thousands separator
    EXPECT_EQ(Control<QComboBox>(dialog, "cbSOCKS")->currentIndex(), -1);

    dialog.bOkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const TIniFile ini(Path);
    EXPECT_EQ(ini.ReadString("Pref", "ThrdCount", ""), "100");
    EXPECT_EQ(ini.ReadString("Pref", "Attempts", ""), "1");
    EXPECT_EQ(ini.ReadString("Pref", "Pause", ""), "4500");
    EXPECT_EQ(ini.ReadString("Proxy", "SOCKS", ""), "-1");
}

TEST_F(SettingsDialogTest, AddedHostsAreSavedOnOkAndTheLaterOfTwoSameDomainsWins)
{
    TfSett dialog(Path, Desktop);
    auto* domain = Control<QLineEdit>(dialog, "eTLD");
    auto* server = Control<QLineEdit>(dialog, "eWS");
    auto* add = Control<QToolButton>(dialog, "sbTLD");
    EXPECT_EQ(add->accessibleName(), "Add");
    domain->setText("  ");
    server->setText("whois.one.example");
    dialog.tEDTimer();
    EXPECT_FALSE(add->isEnabled());
    domain->setText(" com ");
    // The dialog's own 250 ms timer enables the button.
    EXPECT_TRUE(QTest::qWaitFor([&] { return add->isEnabled(); }, 1000));
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_TRUE(domain->text().isEmpty());
    EXPECT_TRUE(server->text().isEmpty());
    domain->setText("COM");
    server->setText("whois.two.example ");
    dialog.tEDTimer();
    dialog.sbTLDClick();
    EXPECT_EQ(Control<QTableView>(dialog, "lvTLD")->model()->rowCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Path))); // nothing written before OK

    dialog.bOkClick();
    const TIniFile ini(Path);
    EXPECT_EQ(ini.ReadSection("TLD"), std::vector<std::string>{"com"});
    EXPECT_EQ(ini.ReadString("TLD", "com", ""), "whois.two.example");
}

TEST_F(SettingsDialogTest, AnInternationalTopLevelDomainIsKeptUnderItsALabel)
{
    TfSett dialog(Path, Desktop);
    Control<QLineEdit>(dialog, "eTLD")->setText(QStringLiteral("РФ"));
    Control<QLineEdit>(dialog, "eWS")->setText("whois.tcinet.ru");
    dialog.tEDTimer();
    dialog.sbTLDClick();
    dialog.bOkClick();
    EXPECT_EQ(TIniFile(Path).ReadSection("TLD"), std::vector<std::string>{"xn--p1ai"});
    EXPECT_EQ(TIniFile(Path).ReadString("TLD", "xn--p1ai", ""), "whois.tcinet.ru");
}

// An RDAP base in the server table is a value like a host: shown, kept through OK, and its own
// section (response strings are unused for RDAP, but the properties dialog must not choke on it).
TEST_F(SettingsDialogTest, RdapBaseAddressesShowAndSaveLikeHosts)
{
    const std::string base = "https://rdap.registry.example/rdap/";
    Dir.Write("mvwhois.ini", "[TLD]\ninfo=" + base + "\n");
    TfSett dialog(Path, Desktop);
    const QAbstractItemModel* list = Control<QTableView>(dialog, "lvTLD")->model();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->index(0, 1).data().toString().toStdString(), base);
    Control<QLineEdit>(dialog, "eTLD")->setText("app");
    Control<QLineEdit>(dialog, "eWS")->setText("https://pubapi.registry.example/rdap/");
    dialog.tEDTimer();
    dialog.sbTLDClick();
    dialog.bOkClick();
    const TIniFile ini(Path);
    EXPECT_EQ(ini.ReadString("TLD", "info", ""), base);
    EXPECT_EQ(ini.ReadString("TLD", "app", ""), "https://pubapi.registry.example/rdap/");

    TfSP properties(Path, Desktop);
    ASSERT_TRUE(properties.LoadServer(base));
    Control<QLineEdit>(properties, "eRegistrar")->setText("Registrar:");
    properties.bOkClick();
    EXPECT_EQ(TIniFile(Path).ReadString(base, "registrar_string", ""), "Registrar:");
    EXPECT_EQ(TIniFile(Path).ReadString("TLD", "info", ""), base);
}

TEST_F(SettingsDialogTest, DeleteWritesAtOnceAndSurvivesCancel)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=whois.one.example\nnet=whois.two.example\n[Pref]\nPause=300\n");
    TfSett dialog(Path, Desktop);
    Control<QSpinBox>(dialog, "ePause")->setValue(900);
    SelectRow(dialog, 0);
    Desktop.Answer = false;
    dialog.miDeleteClick();
    EXPECT_EQ(TIniFile(Path).ReadSection("TLD").size(), 2u);

    Desktop.Answer = true;
    dialog.miDeleteClick();
    EXPECT_EQ(Desktop.Questions, QStringList({"Удалить активную запись?", "Удалить активную запись?"}));
    EXPECT_EQ(TIniFile(Path).ReadSection("TLD"), std::vector<std::string>{"net"});
    EXPECT_EQ(Control<QTableView>(dialog, "lvTLD")->model()->rowCount(), 1);
    dialog.reject();
    EXPECT_EQ(TIniFile(Path).ReadInteger("Pref", "Pause", 0), 300);
}

// The filter finds a row by its key, its U-label or its server; Delete removes the row shown
// selected, and OK saves every row, the hidden ones too.
TEST_F(SettingsDialogTest, TheServerListFiltersAndDeleteAndOkActOnTheWholeTable)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=whois.verisign-grs.com\nnet=whois.verisign-grs.com\n"
                             "xn--p1ai=whois.tcinet.ru\nde=whois.denic.de\n");
    TfSett dialog(Path, Desktop);
    auto* filter = Control<QLineEdit>(dialog, "eFilter");
    EXPECT_EQ(filter->accessibleName(), "Filter servers");
    const QAbstractItemModel* shown = Control<QTableView>(dialog, "lvTLD")->model();
    const std::pair<const char*, std::vector<std::string>> cases[] = {{"VERISIGN", {"com", "net"}},
                                                                      {"рф", {"xn--p1ai"}},
                                                                      {" de ", {"de"}},
                                                                      {"zz", {}},
                                                                      {"", {"com", "net", "xn--p1ai", "de"}}};
    for (const auto& [typed, keys] : cases) {
        filter->setText(QString::fromUtf8(typed));
        std::vector<std::string> seen;
        for (int row = 0; row < shown->rowCount(); ++row)
            seen.push_back(shown->index(row, 0).data().toString().toStdString());
        EXPECT_EQ(seen, keys) << typed;
    }
    filter->setText(QStringLiteral("tcinet"));
    SelectRow(dialog, 0);
    Desktop.Answer = true;
    dialog.miDeleteClick();
    EXPECT_EQ(TIniFile(Path).ReadSection("TLD"), (std::vector<std::string>{"com", "net", "de"}));
    filter->setText(QStringLiteral("net"));
    dialog.bOkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(TIniFile(Path).ReadSection("TLD"), (std::vector<std::string>{"com", "net", "de"}));
}

TEST_F(SettingsDialogTest, AFailedSaveKeepsTheDialogOpenAndWritesNothing)
{
    const std::string before = "[Proxy]\nServer=old.example\n";
    Dir.Write("mvwhois.ini", before);
    ASSERT_EQ(chmod(Path.c_str(), 0400), 0);
    TfSett dialog(Path, Desktop);
    dialog.show();
    Control<QLineEdit>(dialog, "eServer")->setText("new.example");
    Control<QSpinBox>(dialog, "eThrdCount")->setValue(20);
    dialog.bOkClick();
    EXPECT_EQ(Desktop.Messages, QStringList{QString::fromStdString("Unable to write to " + Path)});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Dir.Read("mvwhois.ini"), before);

    ASSERT_EQ(chmod(Path.c_str(), 0600), 0);
    dialog.bOkClick(); // the user retries once the file is writable again
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(TIniFile(Path).ReadString("Proxy", "Server", ""), "new.example");
    EXPECT_EQ(TIniFile(Path).ReadInteger("Pref", "ThrdCount", 0), 20);
}

TEST_F(SettingsDialogTest, PasswordIsMaskedUntilShownAndKeptAsTyped)
{
    TfSett dialog(Path, Desktop);
    auto* password = Control<QLineEdit>(dialog, "ePassword");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->accessibleName(), "Password:");
    Control<QCheckBox>(dialog, "cbShowPassword")->setChecked(true);
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    password->setText(" se=cret\nline ");
    Control<QComboBox>(dialog, "cbSOCKS")->setEditText("SOCKS Version 4A");
    dialog.bOkClick();

    const TIniFile ini(Path);
    EXPECT_EQ(ini.ReadString("Proxy", "SOCKS", ""), "1");
    // The line break cannot start a key of its own; the blanks around the value are the INI's.
    EXPECT_EQ(ini.ReadString("Proxy", "Password", ""), "se=cret line");
    EXPECT_EQ(ini.ReadSection("Proxy").size(), 6u);
    struct stat info;
    ASSERT_EQ(stat(Path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(SettingsDialogTest, EnterInTheHostFieldsAddsTheRowAndNeverSaves)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=whois.one.example\n");
    TfSett dialog(Path, Desktop);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* domain = Control<QLineEdit>(dialog, "eTLD");
    auto* server = Control<QLineEdit>(dialog, "eWS");
    domain->setFocus();
    QTest::keyClicks(domain, " de ");
    QTest::keyClick(domain, Qt::Key_Return); // the host is still missing: on to its field
    EXPECT_EQ(QApplication::focusWidget(), server);
    QTest::keyClicks(server, "whois.denic.example");
    QTest::keyClick(server, Qt::Key_Enter);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(dialog.Pages().Servers,
              (std::vector<TTldRow>{{"com", "whois.one.example"}, {"de", "whois.denic.example"}}));
    EXPECT_TRUE(domain->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), domain);
    EXPECT_EQ(TIniFile(Path).ReadSection("TLD"), std::vector<std::string>{"com"});
}

TEST_F(SettingsDialogTest, ARowTheFileCannotHoldIsNamedAndNothingIsSaved)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=whois.one.example\n[Pref]\nPause=300\n");
    TfSett dialog(Path, Desktop);
    Control<QSpinBox>(dialog, "ePause")->setValue(900);
    for (const char* typed : {"net", "c=om"}) {
        Control<QLineEdit>(dialog, "eTLD")->setText(typed);
        Control<QLineEdit>(dialog, "eWS")->setText("whois.two.example");
        dialog.sbTLDClick();
    }
    dialog.SelectPage(TfSett::PageAdditional);
    dialog.bOkClick();
    ASSERT_EQ(Desktop.Messages.size(), 1);
    EXPECT_TRUE(Desktop.Messages[0].startsWith("The TLD \"c=om\" in row 3 cannot be saved"))
        << Desktop.Messages[0].toStdString();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Control<QTabWidget>(dialog, "pcSett")->currentIndex(), TfSett::PageWhoisServers);
    const QModelIndexList selected = Control<QTableView>(dialog, "lvTLD")->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 2);
    EXPECT_EQ(TIniFile(Path).ReadInteger("Pref", "Pause", 0), 300);

    EXPECT_EQ(FirstUnsavableTldRow({{"com", "a"}, {";x", "b"}}), 1);
    EXPECT_EQ(FirstUnsavableTldRow({{"com", "a"}, {" [x", "b"}}), 1);
    EXPECT_EQ(FirstUnsavableTldRow({{"co;m", "a"}, {"x[", "b"}}), -1);
}

TEST_F(SettingsDialogTest, PropertiesOpensOverTheMainWindowWithTheProxyOfTheFileNotAnUnconfirmedOne)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=whois.one.example\n[Proxy]\nUseProxy=0\n");
    QWidget mainWindow;
    TfSett dialog(Path, Desktop, &mainWindow);
    Control<QCheckBox>(dialog, "cbUseProxy")->setChecked(true);
    Control<QLineEdit>(dialog, "eServer")->setText("127.0.0.9");
    Control<QLineEdit>(dialog, "ePort")->setText("1081");
    SelectRow(dialog, 0);
    QWidget* owner = nullptr;
    TSocksParameters proxy;
    proxy.Host = "not read";
    OnModalDialog([&](QDialog& shown) {
        owner = shown.parentWidget();
        if (auto* properties = qobject_cast<TfSP*>(&shown))
            proxy = properties->TestConnection().Proxy;
        shown.reject();
    });
    dialog.miPropertiesClick();
    EXPECT_EQ(owner, &mainWindow);
    EXPECT_EQ(proxy.Version, TSocksVersion::None);
    EXPECT_EQ(proxy.Host, "");
    EXPECT_EQ(proxy.Port, 1080);
}

TEST_F(SettingsDialogTest, TheHostTablesMenuIsEnabledOnlyWithARowSelected)
{
    Dir.Write("mvwhois.ini", "[TLD]\ncom=whois.one.example\n");
    TfSett dialog(Path, Desktop);
    dialog.show();
    auto* list = Control<QTableView>(dialog, "lvTLD");
    auto* menu = dialog.findChild<QMenu*>("pmWhois");
    ASSERT_NE(menu, nullptr);
    const auto states = [&] {
        std::vector<bool> enabled;
        for (QAction* entry : menu->actions())
            if (!entry->isSeparator())
                enabled.push_back(entry->isEnabled());
        return enabled;
    };
    emit list->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(states(), (std::vector<bool>{false, false}));
    menu->hide();
    SelectRow(dialog, 0);
    emit list->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(states(), (std::vector<bool>{true, true}));
    menu->hide();
}

} // namespace

TEST_F(SettingsDialogTest, AskDnsFirstIsStoredAndABadServerAddressHoldsOkBack)
{
    Dir.Write("mvwhois.ini", "[Pref]\nDnsFirst=1\nDnsServer=127.0.0.1:5353\n");
    TfSett dialog(Path, Desktop);
    auto* dnsFirst = Control<QCheckBox>(dialog, "cbDnsFirst");
    auto* server = Control<QLineEdit>(dialog, "eDnsServer");
    auto* ok = Control<QPushButton>(dialog, "bOk");
    EXPECT_TRUE(dnsFirst->isChecked());
    EXPECT_EQ(server->text(), "127.0.0.1:5353");
    EXPECT_FALSE(server->accessibleName().isEmpty());
    EXPECT_TRUE(ok->isEnabled());

    server->clear();
    QTest::keyClicks(server, "dns.example:53");
    EXPECT_TRUE(server->property("invalid").toBool());
    EXPECT_TRUE(server->toolTip().contains("\"dns.example:53\""));
    EXPECT_FALSE(ok->isEnabled());
    dialog.bOkClick();
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    server->setText(" [::1]:53 ");
    EXPECT_FALSE(server->property("invalid").toBool());
    EXPECT_TRUE(ok->isEnabled());
    dnsFirst->setChecked(false);
    dialog.bOkClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const TIniFile ini(Path);
    EXPECT_EQ(ini.ReadString("Pref", "DnsFirst", ""), "0");
    EXPECT_EQ(ini.ReadString("Pref", "DnsServer", "x"), "[::1]:53");

    // Blank: the system's resolver, which is no error.
    TfSett again(Path, Desktop);
    Control<QLineEdit>(again, "eDnsServer")->setText("  ");
    EXPECT_TRUE(Control<QPushButton>(again, "bOk")->isEnabled());
}
