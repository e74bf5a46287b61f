#include "gui/ProxyPoolEditor.h"
#include "gui/SettingsDialog.h"
#include "settings/ProxyPool.h"
#include "support/FakeWhoisServer.h"
#include "support/FindControl.h"
#include "support/LoopbackSockets.h"
#include "support/RecordingDesktop.h"
#include "support/SocksDaemons.h"
#include "support/TempDir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

class ProxyPoolEditorTest : public ::testing::Test
{
protected:
    QLineEdit* Field(TfSett& dialog, int row, int column)
    {
        return qobject_cast<QLineEdit*>(Control<QTableWidget>(dialog, "tbProxies")->cellWidget(row, column));
    }

    TTempDir Dir;
    std::string Path = Dir.File("mvwhois.ini");
    TRecordingDesktop Desktop;
};

// The list shows the section's proxies; a row the pool could not use is marked and keeps OK off,
// and OK writes the list back, a shorter one leaving no old proxy behind.
TEST_F(ProxyPoolEditorTest, RowsAreCheckedAsTypedAndOkSavesTheList)
{
    std::ofstream(Path) << "[ProxyPool]\nProxy1=socks5://ann:pw@127.0.0.2:1080\nProxy2=socks4://127.0.0.3:1081\n"
                           "Proxy3=socks4a://127.0.0.4:1082\n";
    TfSett dialog(Path, Desktop);
    auto* table = Control<QTableWidget>(dialog, "tbProxies");
    auto* ok = Control<QPushButton>(dialog, "bOk");
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(Field(dialog, 0, 3)->text(), "ann");
    EXPECT_EQ(Field(dialog, 0, 4)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(qobject_cast<QComboBox*>(table->cellWidget(1, 0))->currentIndex(), 2);
    EXPECT_EQ(Field(dialog, 2, 1)->accessibleName(), "Host of further proxy 3");
    EXPECT_TRUE(ok->isEnabled());

    Field(dialog, 1, 2)->setText("10x");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_TRUE(Field(dialog, 1, 2)->toolTip().contains("port")) << Field(dialog, 1, 2)->toolTip().toStdString();
    EXPECT_TRUE(Field(dialog, 0, 2)->toolTip().isEmpty());
    // A SOCKS 4 proxy takes a user ID but no password.
    Field(dialog, 1, 2)->setText("1081");
    Field(dialog, 1, 4)->setText("secret");
    EXPECT_FALSE(ok->isEnabled());
    Field(dialog, 1, 4)->clear();
    EXPECT_TRUE(ok->isEnabled());

    table->setCurrentCell(2, 1);
    QTest::mouseClick(Control<QPushButton>(dialog, "bRemoveProxy"), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(dialog, "bAddProxy"), Qt::LeftButton);
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_FALSE(ok->isEnabled()) << "a new row names no host yet";
    Field(dialog, 2, 1)->setText("127.0.0.5");
    Field(dialog, 2, 2)->setText("1083");
    EXPECT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    const std::vector<TProxySettings> saved = LoadFurtherProxies(Path);
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[0].Password, "pw");
    EXPECT_EQ(saved[1].Server, "127.0.0.3");
    EXPECT_EQ(saved[2].Server, "127.0.0.5");
    EXPECT_EQ(saved[2].SOCKS, 0);
}

// Test asks the table's .com host through that row's proxy alone and says how it went.
TEST_F(ProxyPoolEditorTest, TestAsksTheComHostThroughTheRowsProxy)
{
    TMicrosocksServer proxy;
    ASSERT_TRUE(proxy.Started()) << proxy.Failure();
    TReservedPort dead;
    TFakeWhoisServer host("127.0.0.1", 0);
    host.SetAnswer("example.com", "No match for \"EXAMPLE.COM\".\r\n");
    std::ofstream(Path) << "[TLD]\ncom=127.0.0.1\n[ProxyPool]\nProxy1=socks5://127.0.0.1:" << proxy.Port()
                        << "\nProxy2=socks5://127.0.0.1:" << dead.Port() << "\n";
    TfSett dialog(Path, Desktop);
    auto* editor = dialog.findChild<TProxyPoolEditor*>("ProxyPool");
    ASSERT_NE(editor, nullptr);
    editor->TestPort = host.Port();
    auto* table = Control<QTableWidget>(dialog, "tbProxies");
    auto* result = Control<QLabel>(dialog, "lProxyTest");

    QTest::mouseClick(qobject_cast<QPushButton*>(table->cellWidget(0, 5)), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(result->text().contains("works"), 10000);
    EXPECT_EQ(host.RequestCount("example.com"), 1);

    QTest::mouseClick(qobject_cast<QPushButton*>(table->cellWidget(1, 5)), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(result->text().contains("failed"), 10000);
    EXPECT_TRUE(result->text().contains(QString::number(dead.Port()))) << result->text().toStdString();
    EXPECT_EQ(host.RequestCount("example.com"), 1);
}

} // namespace
