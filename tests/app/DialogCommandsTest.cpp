#include "app/DialogCommands.h"
#include "app/MainActions.h"
#include "app/WindowRig.h"
#include "settings/IniFile.h"
#include "support/FindControl.h"
#include "support/RecordingDesktop.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

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

class DialogCommandsTest : public ::testing::Test
{
protected:
    TfMain& Open()
    {
        TfMain& window = Rig.Open();
        window.Dialogs().SetDesktop(&Desktop);
        return window;
    }

    TWindowRig Rig;
    TRecordingDesktop Desktop;
};

TEST_F(DialogCommandsTest, EachSettingsEntryOpensItsPageAndTheWindowReadsWhatOkSaved)
{
    TfMain& window = Open();
    const std::pair<QAction*, int> entries[] = {{window.Actions().aSett, 0},
                                                {window.Actions().Whoisservers1, 0},
                                                {window.Actions().Connections1, 1},
                                                {window.Actions().Preferences1, 2}};
    for (const auto& [entry, page] : entries) {
        int shown = -1;
        OnModalDialog([&shown](QDialog& dialog) {
            shown = Control<QTabWidget>(dialog, "pcSett")->currentIndex();
            dialog.reject();
        });
        entry->trigger();
        EXPECT_EQ(shown, page) << entry->objectName().toStdString();
    }

    OnModalDialog([](QDialog& dialog) {
        Control<QSpinBox>(dialog, "eThrdCount")->setValue(42);
        Control<QLineEdit>(dialog, "ePort")->setText("8080");
        Control<QAbstractButton>(dialog, "bOk")->click();
    });
    window.Actions().Preferences1->trigger();
    EXPECT_EQ(window.Dispatcher().Settings().ThreadLimit, 42);
    EXPECT_EQ(window.Dispatcher().Settings().Proxy.Port, "8080");
}

TEST_F(DialogCommandsTest, ServerPropertiesForARowTakeItsDomainAndHost)
{
    Rig.WriteConfig("[whois.one.example]\nregistrar_string=Registrar:\n");
    TfMain& window = Open();
    window.Model().SetContents({{"shop.example", true, {"NO", "", "whois.one.example"}}}, {});
    QString domain, host, registrar;
    OnModalDialog([&](QDialog& dialog) {
        domain = Control<QLineEdit>(dialog, "edDomain")->text();
        host = Control<QLabel>(dialog, "lServerName")->text();
        registrar = Control<QLineEdit>(dialog, "eRegistrar")->text();
        dialog.reject();
    });
    window.Dialogs().OpenServerProperties(0);
    EXPECT_EQ(domain, "shop.example");
    EXPECT_EQ(host, "whois.one.example");
    EXPECT_EQ(registrar, "Registrar:");
}

TEST_F(DialogCommandsTest, AboutBoxReadsTheProgramFileBesideTheWindowsProgramFolder)
{
    TfMain& window = Open();
    const auto shownVersion = [&] {
        QString version;
        OnModalDialog([&](QDialog& dialog) {
            version = Control<QLabel>(dialog, "lVersion")->text();
            dialog.reject();
        });
        window.Actions().aAbout->trigger();
        return version;
    };
    // The rig's program folder holds no program file yet: no numbers, though the running test
    // program is one file away.
    EXPECT_EQ(shownVersion(), QStringLiteral("Quarrow 2009\u2122 v"));
    // The real program, copied in under its fixed name: its own stamp.
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUARROW_PROGRAM_PATH),
                            QString::fromStdString(window.Context().Folders.ProgramFolder + "quarrow")));
    EXPECT_EQ(shownVersion(), QStringLiteral("Quarrow 2009\u2122 v1.0 beta 2"));
}

TEST_F(DialogCommandsTest, TheReportSaveDialogOffersHtmlFilesAndAddsTheirExtension)
{
    TfMain& window = Rig.Open(); // the window's own desktop: the real save dialog
    window.Model().SetContents({{"shop.example", true, {"NO", "Some Registrar", "whois.one.example"}}}, {});
    const std::string chosen = Rig.Dir.File("report");
    QStringList filters;
    QString suffix;
    bool confirmsOverwrite = false;
    OnModalDialog([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        filters = files->nameFilters();
        suffix = files->defaultSuffix();
        confirmsOverwrite =
            files->acceptMode() == QFileDialog::AcceptSave && !files->testOption(QFileDialog::DontConfirmOverwrite);
        files->selectFile(QString::fromStdString(chosen));
        dialog.accept(); // QFileDialog's own accept, as the Save button
    });
    window.Actions().aSaveResultAsHTML->trigger();
    EXPECT_EQ(filters, QStringList{"HTML file (*.html)"});
    EXPECT_EQ(suffix, "html");
    EXPECT_TRUE(confirmsOverwrite);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(chosen + ".html")));
    ASSERT_EQ(Rig.Opened.size(), 1u);
    EXPECT_EQ(Rig.Opened[0], QUrl::fromLocalFile(QString::fromStdString(chosen + ".html")));
}

} // namespace
