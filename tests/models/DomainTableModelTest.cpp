#include "models/DomainTableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>

#include <gtest/gtest.h>

namespace {

class DomainTableModelTest : public ::testing::Test
{
protected:
    TDomainTableModel Model;
    QAbstractItemModelTester Tester{&Model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(DomainTableModelTest, GeneratedRowsAreTickedWithSixSlotsAndTheirOwnLogEntry)
{
    Model.AppendGenerated({"alpha.com", "beta.net", "gamma.org"});
    ASSERT_EQ(Model.rowCount(), 3);
    ASSERT_EQ(Model.AnswerLog().size(), 3u);
    for (int row = 0; row < 3; ++row) {
        const TDomainRow plain = Model.RowAt(row);
        EXPECT_TRUE(plain.Checked);
        EXPECT_EQ(plain.Slots, (std::vector<std::string>{"", "", "", "", std::to_string(row), ""}));
        EXPECT_EQ(Model.AnswerIndexOf(row), row);
    }
    EXPECT_EQ(Model.Caption(1), "beta.net");

    // A second batch continues the generation indices.
    Model.AppendGenerated({"delta.com"});
    EXPECT_EQ(Model.Slot(3, SlotAnswerIndex), "3");
    EXPECT_EQ(Model.AnswerLog().size(), 4u);
}

TEST_F(DomainTableModelTest, BulkAppendsAndTicksTellOnceAndKeepEveryRowsOwnCaption)
{
    // Room made for fewer rows and bytes than arrive: later batches must not lose earlier captions.
    Model.ReserveRows(2, 8);
    const std::string held = "alpha.com beta.net gamma.org";
    const std::string_view text = held;
    QSignalSpy inserted(&Model, &QAbstractItemModel::rowsInserted);
    Model.AppendGeneratedNames({text.substr(0, 9), text.substr(10, 8)});
    Model.AppendGeneratedNames({text.substr(19)});
    Model.AppendGenerated({"delta.com"});
    ASSERT_EQ(inserted.count(), 3);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 2);
    std::vector<std::string> captions;
    for (int row = 0; row < Model.RowCount(); ++row) {
        captions.emplace_back(Model.CaptionView(row));
        EXPECT_TRUE(Model.Checked(row));
        EXPECT_EQ(Model.AnswerIndexOf(row), row);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"alpha.com", "beta.net", "gamma.org", "delta.com"}));

    Model.SetChecked(2, false);
    QSignalSpy changed(&Model, &QAbstractItemModel::dataChanged);
    EXPECT_EQ(Model.SetAllChecked(false), 3);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.front().at(0).toModelIndex(), Model.index(0, TDomainTableModel::ColumnDomain));
    EXPECT_EQ(changed.front().at(1).toModelIndex(), Model.index(3, TDomainTableModel::ColumnDomain));
    EXPECT_EQ(changed.front().at(2).value<QList<int>>(), QList<int>{Qt::CheckStateRole});
    for (int row = 0; row < Model.RowCount(); ++row)
        EXPECT_EQ(Model.data(Model.index(row, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    // Nothing to change: no notice at all.
    EXPECT_EQ(Model.SetAllChecked(false), 0);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DomainTableModelTest, IdentitiesSurviveAndAreNeverReusedAfterTheTableIsReplaced)
{
    Model.AppendGenerated({"a.com", "b.com"});
    const TRowId first = Model.IdAt(0);
    const TRowId second = Model.IdAt(1);
    EXPECT_NE(first, second);
    EXPECT_EQ(Model.RowOf(second), 1);

    Model.Clear();
    EXPECT_EQ(Model.rowCount(), 0);
    EXPECT_TRUE(Model.AnswerLog().empty());
    EXPECT_EQ(Model.RowOf(first), -1);

    Model.AppendGenerated({"c.com", "d.com", "e.com"});
    // Old identities name nothing in the new table, even at positions that exist again.
    EXPECT_EQ(Model.RowOf(first), -1);
    EXPECT_EQ(Model.RowOf(second), -1);
    EXPECT_EQ(Model.RowOf(Model.IdAt(2)), 2);
    EXPECT_EQ(Model.RowOf(NoRowId), -1);
    EXPECT_EQ(Model.IdAt(3), NoRowId);
}

TEST_F(DomainTableModelTest, SlotTextsRoundTripWhateverTheyHold)
{
    Model.AppendGenerated({"x.com"});
    const std::vector<std::string> texts = {"NO", "Registrar Inc.", "whois.example.net", "01.02.2030", "007", "x"};
    for (int slot = 0; slot < DomainSlotCount; ++slot)
        Model.SetSlot(0, slot, texts[static_cast<std::size_t>(slot)]);
    EXPECT_EQ(Model.RowAt(0).Slots, texts);
    // "007" is not a plain index and names no entry; "x" still marks the row as running.
    EXPECT_EQ(Model.AnswerIndexOf(0), -1);
    EXPECT_EQ(Model.NextRunningRow(0), 0);
    EXPECT_EQ(Model.RunningRowCount(), 1);
    EXPECT_EQ(Model.StartTick(0), 0u);

    Model.SetSlot(0, SlotStartTick, "18446744073709551615");
    EXPECT_EQ(Model.StartTick(0), 18446744073709551615ull);
    EXPECT_EQ(Model.Slot(0, SlotStartTick), "18446744073709551615");
    Model.SetSlot(0, SlotStartTick, "");
    EXPECT_EQ(Model.RunningRowCount(), 0);
    EXPECT_EQ(Model.NextRunningRow(0), -1);
    EXPECT_EQ(Model.Slot(0, SlotStartTick), "");

    Model.SetSlot(0, SlotAnswerIndex, "-1");
    EXPECT_EQ(Model.Slot(0, SlotAnswerIndex), "-1");
    EXPECT_EQ(Model.AnswerIndexOf(0), -1);
    Model.SetSlot(0, SlotAnswerIndex, "0");
    EXPECT_EQ(Model.AnswerIndexOf(0), 0);
    Model.SetSlot(0, SlotAnswerIndex, "1"); // past the end of the log
    EXPECT_EQ(Model.AnswerIndexOf(0), -1);
}

TEST_F(DomainTableModelTest, RunningRowsAreFoundInOrderAcrossTheTable)
{
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back("n" + std::to_string(i) + ".com");
    Model.AppendGenerated(names);
    for (int row : {130, 0, 64, 63, 199})
        Model.SetSlot(row, SlotStartTick, std::to_string(1000 + row));
    Model.SetSlot(64, SlotStartTick, "5"); // a second start keeps one mark
    std::vector<int> found;
    for (int row = Model.NextRunningRow(0); row >= 0; row = Model.NextRunningRow(row + 1))
        found.push_back(row);
    EXPECT_EQ(found, (std::vector<int>{0, 63, 64, 130, 199}));
    EXPECT_EQ(Model.RunningRowCount(), 5);
    EXPECT_EQ(Model.StartTick(64), 5u);
    // Overdue means start + budget < now.
    EXPECT_EQ(Model.FirstOverdueRow(5 + 100, 100), -1);
    EXPECT_EQ(Model.FirstOverdueRow(1000 + 100, 100), 64);
    EXPECT_EQ(Model.FirstOverdueRow(6 + 100, 100), 64);
    EXPECT_EQ(Model.FirstOverdueRow(1000 + 100 + 1, 100), 0);
    EXPECT_EQ(Model.FirstOverdueRow(50, 100), -1);
    EXPECT_EQ(Model.FirstOverdueRow(~std::uint64_t{0}, ~std::uint64_t{0}), -1);
    Model.SetSlot(63, SlotStartTick, "");
    EXPECT_EQ(Model.NextRunningRow(1), 64);
    EXPECT_EQ(Model.NextRunningRow(200), -1);
    Model.Clear();
    EXPECT_EQ(Model.RunningRowCount(), 0);
    EXPECT_EQ(Model.NextRunningRow(0), -1);
}

TEST_F(DomainTableModelTest, ProjectRowsKeepTheirSlotCountAndConvertBack)
{
    const std::vector<TDomainRow> rows = {
        {"short.com", false, {"YES"}},
        {"none.com", true, {}},
        {"long.com", true, {"NO", "R", "W", "E", "1", "", "extra", "more"}},
        {"loaded-running.com", true, {"", "", "", "", "2", "123456"}},
    };
    Model.SetContents(rows, {"a", "b", "c"});
    EXPECT_EQ(Model.AllRows(), rows);
    EXPECT_EQ(Model.AnswerLog(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Model.SlotCount(0), 1);
    EXPECT_EQ(Model.Slot(0, SlotRegistrar), "");
    EXPECT_EQ(Model.StartTick(3), 123456u);
    EXPECT_EQ(Model.RunningRowCount(), 1);
    EXPECT_EQ(Model.NextRunningRow(0), 3);
    EXPECT_EQ(Model.NextRunningRow(4), -1);

    // Writing past a short row's slots extends it with empty slots.
    Model.SetSlot(0, SlotStartTick, "");
    EXPECT_EQ(Model.RowAt(0).Slots, (std::vector<std::string>{"YES", "", "", "", "", ""}));
}

TEST_F(DomainTableModelTest, ViewShowsCaptionSlotsAndTicksAndTakesTickChanges)
{
    Model.AppendGenerated({"caf\xc3\xa9.com", "bad\xe9.com"});
    Model.SetSlot(0, SlotRegistrar, "Reg");
    EXPECT_EQ(Model.columnCount(), 5);
    EXPECT_EQ(Model.headerData(3, Qt::Horizontal).toString(), "Whois Server");
    EXPECT_EQ(Model.data(Model.index(0, 0)).toString(), QString::fromUtf8("caf\xc3\xa9.com"));
    // Bytes that are not UTF-8 are shown as Latin-1 rather than lost.
    EXPECT_EQ(Model.data(Model.index(1, 0)).toString(), QString::fromLatin1("bad\xe9.com"));
    EXPECT_EQ(Model.data(Model.index(0, 2)).toString(), "Reg");
    EXPECT_EQ(Model.data(Model.index(1, 0), TDomainTableModel::RawTextRole).toByteArray(), QByteArray("bad\xe9.com"));
    EXPECT_EQ(Model.data(Model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(Model.flags(Model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(Model.flags(Model.index(0, 1)) & Qt::ItemIsUserCheckable);

    EXPECT_TRUE(Model.setData(Model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(Model.Checked(0));
    EXPECT_FALSE(Model.setData(Model.index(0, 1), "text", Qt::EditRole));
}

TEST_F(DomainTableModelTest, SortingProxyLeavesIdentitiesWithTheirRows)
{
    Model.AppendGenerated({"c.com", "a.com", "b.com"});
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&Model);
    proxy.sort(0);
    ASSERT_EQ(proxy.data(proxy.index(0, 0)).toString(), "a.com");
    const auto id = proxy.data(proxy.index(0, 0), TDomainTableModel::RowIdRole).value<quint32>();
    EXPECT_EQ(Model.Caption(Model.RowOf(id)), "a.com");
    EXPECT_EQ(Model.Slot(Model.RowOf(id), SlotAnswerIndex), "1");
}

TEST_F(DomainTableModelTest, RowsSharingAnAnswersEntryGetTheirOwnCopyOnLoad)
{
    Model.SetContents({{"a.com", true, {"", "", "", "", "1"}},
                       {"b.com", true, {"", "", "", "", "1"}},
                       {"c.com", true, {"", "", "", "", "0"}},
                       {"d.com", true, {"", "", "", "", "1"}}},
                      {"zero", "one"});
    EXPECT_EQ(Model.AnswerIndexOf(0), 1);
    EXPECT_EQ(Model.AnswerIndexOf(1), 2);
    EXPECT_EQ(Model.AnswerIndexOf(2), 0);
    EXPECT_EQ(Model.AnswerIndexOf(3), 3);
    EXPECT_EQ(Model.AnswerLog(), (std::vector<std::string>{"zero", "one", "one", "one"}));
    EXPECT_EQ(Model.Slot(1, SlotAnswerIndex), "2");
}

TEST_F(DomainTableModelTest, ChangesReachTheViewAsSignalsForTheirCellAndRoles)
{
    Model.AppendGenerated({"a.com", "b.com"});
    QSignalSpy changed(&Model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&Model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&Model, &QAbstractItemModel::rowsInserted);
    const auto cellAndRoles = [&](int at) {
        const QList<QVariant> args = changed.at(at);
        const auto index = args.at(0).value<QModelIndex>();
        EXPECT_EQ(index, args.at(1).value<QModelIndex>());
        return std::pair{index, args.at(2).value<QList<int>>()};
    };

    Model.SetSlot(1, SlotRegistrar, "Reg");
    Model.SetChecked(0, false);
    Model.SetChecked(0, false); // no change, no signal
    Model.SetExpiry(1, "12.05.2030", 47615, false);
    Model.SetSlot(1, SlotAnswerIndex, "1"); // slots 4 and 5 have no column
    Model.SetSlot(1, SlotStartTick, "99");
    ASSERT_EQ(changed.count(), 3);
    auto [cell, roles] = cellAndRoles(0);
    EXPECT_EQ(cell, Model.index(1, TDomainTableModel::ColumnRegistrar));
    EXPECT_TRUE(roles.contains(Qt::DisplayRole) && roles.contains(TDomainTableModel::RawTextRole));
    std::tie(cell, roles) = cellAndRoles(1);
    EXPECT_EQ(cell, Model.index(0, TDomainTableModel::ColumnDomain));
    EXPECT_EQ(roles, QList<int>{Qt::CheckStateRole});
    std::tie(cell, roles) = cellAndRoles(2);
    EXPECT_EQ(cell, Model.index(1, TDomainTableModel::ColumnExpires));
    EXPECT_TRUE(roles.contains(TDomainTableModel::ExpiryDayRole));
    EXPECT_EQ(Model.data(cell, TDomainTableModel::ExpiryDayRole).toInt(), 47615);
    EXPECT_FALSE(Model.data(Model.index(1, 0), TDomainTableModel::ExpiryDayRole).isValid());

    Model.AppendGenerated({"c.com"});
    EXPECT_EQ(inserted.count(), 1);
    Model.SetContents({}, {});
    Model.Clear();
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(inserted.count(), 1);
}

TEST_F(DomainTableModelTest, ResultsAreCountedByKindAsSlotZeroIsWritten)
{
    Model.SetContents(
        {{"a.com", true, {"YES"}}, {"b.com", true, {"RESULT ERROR"}}, {"c.com", true, {}}, {"d.com", true, {"maybe"}}},
        {});
    EXPECT_EQ(Model.ResultOf(0), TRowResult::Available);
    EXPECT_EQ(Model.ResultOf(3), TRowResult::Other);
    EXPECT_EQ(Model.ResultCount(TRowResult::Error), 1);
    EXPECT_EQ(Model.ResultCount(TRowResult::Unchecked), 1);
    Model.SetSlot(1, SlotAvailability, "NO");
    Model.SetSlot(2, SlotAvailability, "RESULT ERROR");
    Model.SetSlot(0, SlotAvailability, "RESULT ERROR");
    EXPECT_EQ(Model.ResultCount(TRowResult::Error), 2);
    EXPECT_EQ(Model.ResultCount(TRowResult::Registered), 1);
    EXPECT_EQ(Model.ResultCount(TRowResult::Available), 0);
    EXPECT_EQ(Model.ResultCount(TRowResult::Unchecked), 0);
    Model.AppendGenerated({"e.com"});
    EXPECT_EQ(Model.ResultCount(TRowResult::Unchecked), 1);
    Model.Clear();
    EXPECT_EQ(Model.ResultCount(TRowResult::Error), 0);
}

} // namespace
