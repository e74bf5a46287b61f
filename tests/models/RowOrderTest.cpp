// The row order without Qt, over cells the test hands in: typed verdicts and expiry days, texts
// with stand-in keys (each byte twice, so that even short words reach the keys' tails) and "@N" as
// the stand-in for a date the locale would read.
#include "models/RowOrder.h"

#include <gtest/gtest.h>

#include <charconv>
#include <numeric>

namespace {

struct TCellRow
{
    std::string Caption;
    TRowResult Result = TRowResult::Unchecked;
    std::string Other{}; // the Availability text of a row whose result is Other
    int Day = 0;
    std::string Expires{};
};

class TTestCells : public TSortCells
{
public:
    int RowCount() const override { return static_cast<int>(Rows.size()); }
    TRowResult Result(int row) const override { return Rows[static_cast<std::size_t>(row)].Result; }
    int ExpiryDay(int row) const override { return Rows[static_cast<std::size_t>(row)].Day; }
    void ReadText(int row, int column, bool moments, TSortItem& item, std::string& tails) const override
    {
        const std::string text = Text(row, column);
        item.Kind = TSortItem::Classified;
        const char* end = text.data() + text.size();
        if (text.empty())
            item.Kind |= TSortItem::Empty;
        else if (std::from_chars(text.data(), end, item.NumberValue).ptr == end)
            item.Kind |= TSortItem::Number;
        else if (text[0] != '@' || !moments)
            Key(text, item, tails);
        else {
            item.Kind |= TSortItem::DateTime;
            item.Moment = std::stod(text.substr(1));
            ++DatesRead;
        }
    }
    void AddTextKey(int row, int column, TSortItem& item, std::string& tails) const override
    {
        const std::string text = Text(row, column);
        Key(text, item, tails);
    }
    void AddWordKey(std::string_view word, TSortItem& item, std::string& tails) const override
    {
        ++WordsKeyed;
        Key(word, item, tails);
    }
    std::string Text(int row, int column) const
    {
        const TCellRow& r = Rows[static_cast<std::size_t>(row)];
        if (column == 1)
            return r.Result == TRowResult::Other ? r.Other : std::string(RowResultText(r.Result));
        return column == 4 ? r.Expires : r.Caption;
    }
    static void Key(std::string_view text, TSortItem& item, std::string& tails)
    {
        std::string key;
        for (const char c : text)
            key.append(2, c);
        PutSortKey(reinterpret_cast<const std::uint8_t*>(key.data()), key.size(), item, tails);
    }

    std::vector<TCellRow> Rows;
    mutable int DatesRead = 0;
    mutable int WordsKeyed = 0;
};

class RowOrderTest : public ::testing::Test
{
protected:
    std::vector<std::string> Sorted(int column, TSortDirection direction)
    {
        Order.SetColumn(column);
        Order.SetDirection(direction);
        std::vector<int> rows(Cells.Rows.size());
        std::iota(rows.begin(), rows.end(), 0);
        Order.Sort(rows);
        LastRows = rows;
        std::vector<std::string> captions;
        for (const int row : rows)
            captions.push_back(Cells.Rows[static_cast<std::size_t>(row)].Caption);
        return captions;
    }

    TTestCells Cells;
    TRowOrder Order{Cells};
    std::vector<int> LastRows; // of the last Sorted
};

TEST_F(RowOrderTest, EachColumnSortsByItsTypedValueOrItsText)
{
    using R = TRowResult;
    struct TCase
    {
        const char* Name;
        std::vector<TCellRow> Rows;
        int Column;
        std::vector<std::string> Ascending; // descending is its reverse
    };
    const std::vector<TCase> cases = {
        {"verdicts by their words among other texts, unchecked last",
         {{"yes", R::Available},
          {"no", R::Registered},
          {"new", R::Unchecked},
          {"err", R::Error},
          {"odd", R::Other, "MAYBE"}},
         1,
         {"odd", "no", "err", "yes", "new"}},
        {"expiry days by day, whatever their text; no expiry last",
         {{"late", R::Registered, "", 300, "1/1"}, {"none"}, {"early", R::Registered, "", 100, "9/9"}},
         4,
         {"early", "late", "none"}},
        {"a day meets an unreadable text by the texts shown",
         {{"day", R::Registered, "", 100, "1/5"}, {"odd", R::Registered, "", 0, "! soon !"}},
         4,
         {"odd", "day"}},
        {"an expiry text is never read as a date: \"@10\" before \"@9\"",
         {{"nine", R::Registered, "", 0, "@9"}, {"ten", R::Registered, "", 0, "@10"}},
         4,
         {"ten", "nine"}},
        {"other columns read dates, numbers by value, texts by key",
         {{"@10"}, {"@9"}, {"10"}, {"9"}},
         0,
         {"9", "10", "@9", "@10"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Cells.Rows = c.Rows;
        Cells.DatesRead = 0;
        Order.Clear();
        EXPECT_EQ(Sorted(c.Column, sdAscending), c.Ascending);
        EXPECT_EQ(Sorted(c.Column, sdDescending), std::vector<std::string>(c.Ascending.rbegin(), c.Ascending.rend()));
        if (c.Column == 4) {
            EXPECT_EQ(Cells.DatesRead, 0);
        }
        // The comparison of two rows read afresh agrees with the prepared sort.
        for (std::size_t i = 1; i < LastRows.size(); ++i)
            EXPECT_LT(Order.Compare(LastRows[i - 1], LastRows[i], Order.Param()), 0) << i;
    }
    // Once each verdict word is keyed, rows share it.
    Cells.Rows.assign(1000, {"x", TRowResult::Registered});
    Cells.WordsKeyed = 0;
    Order.Clear();
    Sorted(1, sdAscending);
    EXPECT_EQ(Cells.WordsKeyed, 1);
}

TEST_F(RowOrderTest, ChangedAndArrivingCellsAreReadAgainAndTakeTheirPlace)
{
    Cells.Rows = {{"8"}, {"7"}};
    EXPECT_EQ(Sorted(0, sdAscending), (std::vector<std::string>{"7", "8"}));
    // A text arriving among numbers meets them by key: the numbers are keyed then.
    Cells.Rows.push_back({"5a"});
    EXPECT_EQ(Sorted(0, sdAscending), (std::vector<std::string>{"5a", "7", "8"}));

    // A result read again only once the change is told.
    Cells.Rows = {{"a", TRowResult::Available}, {"b", TRowResult::Registered}};
    Order.Clear();
    EXPECT_EQ(Sorted(1, sdAscending), (std::vector<std::string>{"b", "a"}));
    Cells.Rows[0].Result = TRowResult::Error;
    EXPECT_EQ(Sorted(1, sdAscending), (std::vector<std::string>{"b", "a"}));
    Order.CellsChanged(0, 0, 1, 1);
    Cells.Rows[1].Result = TRowResult::Unchecked;
    Order.CellsChanged(1, 1, 0, 4);
    EXPECT_EQ(Sorted(1, sdAscending), (std::vector<std::string>{"a", "b"}));

    // Long texts changed over and over pile up dead keys until they are compacted; the words'
    // shared keys must survive that. "RESULT ERRO" + "Q..." or "S..." falls either side of the word.
    Cells.Rows = {{"odd", TRowResult::Other}, {"err", TRowResult::Error}, {"err2", TRowResult::Error}};
    Order.Clear();
    for (int round = 0; round < 600; ++round) {
        const bool before = round % 2 == 0;
        Cells.Rows[0].Other = std::string("RESULT ERRO") + std::string(1000, before ? 'Q' : 'S');
        Order.CellsChanged(0, 0, 1, 1);
        const std::vector<std::string> expected =
            before ? std::vector<std::string>{"odd", "err", "err2"} : std::vector<std::string>{"err", "err2", "odd"};
        ASSERT_EQ(Sorted(1, sdAscending), expected) << round;
    }

    // Rows arriving sorted merge into the order, a few by search and many by merging.
    for (const std::size_t before : {std::size_t{3}, std::size_t{1000}}) {
        Cells.Rows.clear();
        for (std::size_t i = 0; i < before + 3; ++i)
            Cells.Rows.push_back({std::to_string((i * 7919) % 1009) + "x"});
        Order.Clear();
        Order.SetColumn(0);
        std::vector<int> sorted(before);
        std::iota(sorted.begin(), sorted.end(), 0);
        Order.Sort(sorted);
        std::vector<int> arrived = {static_cast<int>(before), static_cast<int>(before) + 1,
                                    static_cast<int>(before) + 2};
        Order.Sort(arrived);
        std::vector<int> all(before + 3);
        std::iota(all.begin(), all.end(), 0);
        Order.Sort(all);
        EXPECT_EQ(Order.Merged(sorted, before, arrived), all) << before;
        const std::size_t place = Order.PlaceOf(sorted, arrived.front());
        EXPECT_TRUE(place == sorted.size() || Order.Compare(sorted[place], arrived.front(), Order.Param()) > 0);
        EXPECT_TRUE(place == 0 || Order.Compare(sorted[place - 1], arrived.front(), Order.Param()) <= 0);
    }
}

TEST_F(RowOrderTest, AFilterShowsThePlacesOfTheRowsWithItsResult)
{
    Cells.Rows = {{"a", TRowResult::Available}, {"b", TRowResult::Error}, {"c"}, {"d", TRowResult::Available}};
    const std::vector<int> sorted = {3, 2, 1, 0};
    const std::vector<std::pair<TDomainFilter, std::vector<int>>> cases = {
        {TDomainFilter::All, {}}, // every place, without a list
        {TDomainFilter::Available, {0, 3}}, {TDomainFilter::Errors, {2}},
        {TDomainFilter::Unchecked, {1}},    {TDomainFilter::Registered, {}},
    };
    for (const auto& [filter, places] : cases) {
        Order.SetFilter(filter);
        EXPECT_EQ(Order.Filtered(), filter != TDomainFilter::All);
        EXPECT_EQ(Order.ShownPlaces(sorted), places) << FilterKeyText(filter);
    }
}

} // namespace
