#include "gui/ResultCommands.h"
#include "models/DomainTableModel.h"
#include "support/RecordingDesktop.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

// The domain table as the window shows it: the engine's model behind a sorting proxy.
class ResultCommandsTest : public ::testing::Test
{
protected:
    ResultCommandsTest()
    {
        Proxy.setSourceModel(&Model);
        View.setModel(&Proxy);
    }

    void Fill(const std::vector<TDomainRow>& rows) { Model.SetContents(rows, {}); }

    // Sorted by domain, descending, so that view order differs from the model's.
    void SortDescending() { Proxy.sort(TDomainTableModel::ColumnDomain, Qt::DescendingOrder); }

    void Select(int viewRow)
    {
        View.selectionModel()->setCurrentIndex(Proxy.index(viewRow, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    static QString Clipboard() { return QGuiApplication::clipboard()->text(); }

    TDomainTableModel Model;
    QSortFilterProxyModel Proxy;
    QTableView View;
    TRecordingDesktop Desktop;
    TResultCommands Commands{View, Desktop, nullptr};
};

TEST_F(ResultCommandsTest, AvailableDomainsCopyTakesExactlyYesRowsInViewOrder)
{
    Fill({{"alpha.com", true, {"YES"}},
          {"beta.com", false, {"NO"}},
          {"gamma.com", true, {"YES"}},
          {"delta.com", true, {"yes"}},
          {"eps.com", true, {}}});
    SortDescending();
    Commands.aCopyAvailabilityNamesToClipboardExecute();
    EXPECT_EQ(Clipboard(), "gamma.com\r\nalpha.com\r\n");

    Fill({{"beta.com", true, {"NO"}}});
    Commands.aCopyAvailabilityNamesToClipboardExecute();
    EXPECT_EQ(Clipboard(), ""); // the old content is replaced even when nothing is available
}

TEST_F(ResultCommandsTest, SelectedDomainCopyAndRegistrationFollowTheSelection)
{
    Fill({{"taken.com", true, {"NO"}}, {"a&b c.com", true, {}}, {"free.com", true, {"YES"}}});
    SortDescending(); // view: taken.com, free.com, a&b c.com
    QGuiApplication::clipboard()->setText("before");
    Commands.ACopyNameToClipboardExecute();
    Commands.aRegisterDomainExecute();
    EXPECT_EQ(Clipboard(), "before");
    EXPECT_TRUE(Desktop.Opened.empty());

    Select(0);
    Commands.ACopyNameToClipboardExecute();
    EXPECT_EQ(Clipboard(), "taken.com");
    Commands.aRegisterDomainExecute();
    EXPECT_TRUE(Desktop.Opened.empty()); // "NO": registered already

    Select(2);
    Commands.aRegisterDomainExecute();
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_EQ(Desktop.Opened[0].toString(QUrl::FullyEncoded),
              "http://www.quarrow.example/register-domain.php?d=a%26b%20c.com");
}

TEST_F(ResultCommandsTest, ReportIsWrittenEscapedInViewOrderAndOpened)
{
    TTempDir dir;
    Commands.aSaveResultAsHTMLExecute();
    EXPECT_EQ(Desktop.SaveDialogs, 0); // no rows: no dialog

    Fill({{"a.com", false, {"NO", "Evil <script>&co", " ", "2030-01-01"}}, {"b.com", true, {"YES"}}});
    SortDescending();
    Commands.aSaveResultAsHTMLExecute(); // cancelled
    EXPECT_TRUE(Desktop.Opened.empty());

    Desktop.FileName = QString::fromStdString(dir.File("report.html"));
    Commands.aSaveResultAsHTMLExecute();
    const std::string report = dir.Read("report.html");
    const std::size_t b = report.find("http://www.b.com</a>");
    const std::size_t a = report.find("http://www.a.com</a>");
    ASSERT_NE(b, std::string::npos);
    EXPECT_LT(b, a);
    EXPECT_NE(report.find("<TD>\r\nEvil &lt;script&gt;&amp;co\r\n</TD>"), std::string::npos);
    EXPECT_EQ(report.find("<script>"), std::string::npos);
    // b.com was loaded with one slot; a.com's blank registrar server: four "&nbsp;" cells in all.
    std::size_t blanks = 0;
    for (std::size_t at = report.find("<TD>\r\n&nbsp;\r\n</TD>"); at != std::string::npos;
         at = report.find("<TD>\r\n&nbsp;\r\n</TD>", at + 1))
        ++blanks;
    EXPECT_EQ(blanks, 4u);
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_EQ(Desktop.Opened[0], QUrl::fromLocalFile(Desktop.FileName));
}

TEST_F(ResultCommandsTest, AnUnwritableReportTargetIsReportedAndNothingOpens)
{
    TTempDir dir;
    // A "folder" that is a file: refused for root too, unlike a folder without write permission.
    const std::string folder = dir.Write("not-a-folder", "x");
    Fill({{"a.com", true, {}}});
    Desktop.FileName = QString::fromStdString(folder + "/report.html");
    Commands.aSaveResultAsHTMLExecute();
    ASSERT_EQ(Desktop.Messages.size(), 1);
    EXPECT_TRUE(Desktop.Messages[0].startsWith("Cannot create file \"" + Desktop.FileName + "\"."));
    EXPECT_TRUE(Desktop.Opened.empty());
}

} // namespace
