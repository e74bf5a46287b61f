#include "models/RowOrder.h"

#include "core/DomainRow.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Column 0 is the caption, column c the row's slot c - 1.
constexpr int AvailabilityColumn = SlotAvailability + 1;
constexpr int ExpiresColumn = SlotExpires + 1;

constexpr unsigned ReadKinds = TSortItem::Empty | TSortItem::Number | TSortItem::DateTime;

// The word of a verdict shared by the rows holding it: the same bytes of the tails.
bool SharesKey(const TSortItem& item, const TSortItem& word)
{
    return (word.Kind & TSortItem::Keyed) && item.TailOffset == word.TailOffset && item.TailLength == word.TailLength;
}

} // namespace

TRowOrder::TRowOrder(const TSortCells& cells) : Cells(cells) {}

void TRowOrder::TPrepared::Reset()
{
    Items.clear();
    Items.shrink_to_fit();
    Tails.clear();
    Tails.shrink_to_fit();
    DeadTailBytes = 0;
    Column = -1;
    Words = {};
    Rescan();
}

void TRowOrder::TPrepared::Rescan()
{
    Scanned = KeyScanned = 0;
    Texts = Numbers = Moments = Both = 0;
    KeyNeeds = 0;
}

void TRowOrder::ReadItem(int row, int column, TSortItem& item, std::string& tails,
                         std::array<TSortItem, RowResultCount>* words) const
{
    item.Row = static_cast<std::int32_t>(row);
    if (column == AvailabilityColumn) {
        const TRowResult result = Cells.Result(row);
        if (result == TRowResult::Other) {
            // A text that is no verdict sorts as the text it is.
            Cells.ReadText(row, column, true, item, tails);
            return;
        }
        item.Kind = TSortItem::Classified;
        if (result == TRowResult::Unchecked) {
            item.Kind |= TSortItem::Empty;
            return;
        }
        // A verdict meets other cells by the collation of its word, like any text shown.
        TSortItem* word = words ? &(*words)[static_cast<std::size_t>(result)] : nullptr;
        if (word && (word->Kind & TSortItem::Keyed)) {
            std::copy(std::begin(word->KeyHead), std::end(word->KeyHead), std::begin(item.KeyHead));
            item.TailOffset = word->TailOffset;
            item.TailLength = word->TailLength;
            item.Kind |= TSortItem::Keyed;
            return;
        }
        Cells.AddWordKey(RowResultText(result), item, tails);
        if (word)
            *word = item;
        return;
    }
    if (column == ExpiresColumn) {
        if (const int day = Cells.ExpiryDay(row); day > 0) {
            item.Kind = TSortItem::Classified | TSortItem::DateTime;
            item.Moment = day;
            return;
        }
        // No day: the text (empty, or one no date mask read) is compared as text, not read again.
        Cells.ReadText(row, column, false, item, tails);
        return;
    }
    Cells.ReadText(row, column, true, item, tails);
}

const TRowOrder::TPrepared& TRowOrder::Prepare(int column) const
{
    TPrepared& prepared = column == 0 ? Captions : Others;
    if (prepared.Column != column) {
        prepared.Reset();
        prepared.Column = column;
    }
    std::vector<TSortItem>& items = prepared.Items;
    const std::size_t rows = static_cast<std::size_t>(Cells.RowCount());
    items.resize(rows);
    if (prepared.Scanned > rows)
        prepared.Rescan();
    for (std::size_t row = prepared.Scanned; row < rows; ++row) {
        TSortItem& item = items[row];
        if (!(item.Kind & TSortItem::Classified))
            ReadItem(static_cast<int>(row), column, item, prepared.Tails, &prepared.Words);
        switch (item.Kind & ReadKinds) {
        case TSortItem::Empty:
            break;
        case TSortItem::Number:
            ++prepared.Numbers;
            break;
        case TSortItem::DateTime:
            ++prepared.Moments;
            break;
        case TSortItem::Number | TSortItem::DateTime:
            ++prepared.Both;
            break;
        default:
            ++prepared.Texts;
        }
    }
    prepared.Scanned = rows;
    // Two cells meet in the collation unless one is empty, both are numbers or both are moments;
    // only rows that can meet another that way need a key, which is most of the cost of a sort.
    const bool numberNeeds = prepared.Texts + prepared.Moments > 0;
    const bool momentNeeds = prepared.Texts + prepared.Numbers > 0;
    const bool bothNeeds = prepared.Texts > 0;
    const unsigned keyNeeds = (numberNeeds ? 1u : 0u) | (momentNeeds ? 2u : 0u) | (bothNeeds ? 4u : 0u);
    if (keyNeeds != prepared.KeyNeeds) {
        prepared.KeyNeeds = keyNeeds;
        prepared.KeyScanned = 0;
    }
    if (prepared.DeadTailBytes > prepared.Tails.size() / 2 && prepared.DeadTailBytes > (1u << 20))
        CompactTails(prepared);
    if (!numberNeeds && !momentNeeds)
        return prepared;
    for (std::size_t row = prepared.KeyScanned; row < rows; ++row) {
        TSortItem& item = items[row];
        if (item.Kind & (TSortItem::Keyed | TSortItem::Empty))
            continue;
        const bool isNumber = item.Kind & TSortItem::Number;
        const bool isMoment = item.Kind & TSortItem::DateTime;
        const bool needs = isNumber ? (isMoment ? bothNeeds : numberNeeds) : momentNeeds;
        if (needs)
            Cells.AddTextKey(static_cast<int>(row), column, item, prepared.Tails);
    }
    prepared.KeyScanned = rows;
    return prepared;
}

void TRowOrder::CompactTails(TPrepared& prepared) const
{
    // Keys of changed cells pile up; copy the live ones into a fresh string, the words' keys once.
    std::string live;
    live.reserve(prepared.Tails.size() - prepared.DeadTailBytes);
    std::array<TSortItem, RowResultCount> words = prepared.Words;
    for (TSortItem& word : prepared.Words) {
        if (!(word.Kind & TSortItem::Keyed))
            continue;
        const std::size_t offset = live.size();
        live.append(prepared.Tails, word.TailOffset, word.TailLength);
        word.TailOffset = static_cast<std::uint32_t>(offset);
    }
    for (TSortItem& item : prepared.Items) {
        if (!(item.Kind & TSortItem::Keyed))
            continue;
        const auto shared =
            std::find_if(words.begin(), words.end(), [&item](const TSortItem& word) { return SharesKey(item, word); });
        if (shared != words.end()) {
            item.TailOffset = prepared.Words[static_cast<std::size_t>(shared - words.begin())].TailOffset;
            continue;
        }
        const std::size_t offset = live.size();
        live.append(prepared.Tails, item.TailOffset, item.TailLength);
        item.TailOffset = static_cast<std::uint32_t>(offset);
    }
    prepared.Tails.swap(live);
    prepared.DeadTailBytes = 0;
}

int TRowOrder::ComparePrepared(const TPrepared& prepared, int row1, int row2) const
{
    const std::vector<TSortItem>& items = prepared.Items;
    return SortItemCompare(items[static_cast<std::size_t>(row1)], items[static_cast<std::size_t>(row2)], Param(),
                           prepared.Tails);
}

int TRowOrder::Compare(int row1, int row2, TSortParam param) const
{
    const int column = SortParamColumn(param);
    std::string tails;
    TSortItem items[2];
    const int rows[2] = {row1, row2};
    for (int i = 0; i < 2; ++i) {
        ReadItem(rows[i], column, items[i], tails, nullptr);
        if (!(items[i].Kind & (TSortItem::Keyed | TSortItem::Empty)))
            Cells.AddTextKey(rows[i], column, items[i], tails);
    }
    return SortItemCompare(items[0], items[1], param, tails);
}

void TRowOrder::Sort(std::vector<int>& rows) const
{
    const TPrepared& prepared = Prepare(SortColumn);
    std::vector<TSortItem> order;
    order.reserve(rows.size());
    for (const int row : rows)
        order.push_back(prepared.Items[static_cast<std::size_t>(row)]);
    const TSortParam param = Param();
    const std::string& tails = prepared.Tails;
    std::stable_sort(order.begin(), order.end(), [&tails, param](const TSortItem& a, const TSortItem& b) {
        return SortItemCompare(a, b, param, tails) < 0;
    });
    for (std::size_t i = 0; i < order.size(); ++i)
        rows[i] = order[i].Row;
}

std::size_t TRowOrder::PlaceOf(const std::vector<int>& sorted, int row) const
{
    const TPrepared& prepared = Prepare(SortColumn);
    const auto at = std::upper_bound(sorted.begin(), sorted.end(), row,
                                     [this, &prepared](int a, int b) { return ComparePrepared(prepared, a, b) < 0; });
    return static_cast<std::size_t>(at - sorted.begin());
}

std::vector<int> TRowOrder::Merged(const std::vector<int>& sorted, std::size_t before,
                                   const std::vector<int>& arrived) const
{
    const TPrepared& prepared = Prepare(SortColumn);
    auto less = [this, &prepared](int a, int b) { return ComparePrepared(prepared, a, b) < 0; };
    std::vector<int> merged;
    merged.reserve(before + arrived.size());
    auto from = sorted.begin();
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(before);
    if (static_cast<double>(arrived.size()) * std::log2(static_cast<double>(before)) < static_cast<double>(before)) {
        // A small batch: each row's place by binary search from the last one's (they arrive
        // sorted), instead of comparing along the whole table.
        for (const int row : arrived) {
            const auto at = std::upper_bound(from, end, row, less);
            merged.insert(merged.end(), from, at);
            merged.push_back(row);
            from = at;
        }
        merged.insert(merged.end(), from, end);
    } else {
        std::merge(from, end, arrived.begin(), arrived.end(), std::back_inserter(merged), less);
    }
    return merged;
}

void TRowOrder::CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    for (TPrepared* prepared : {&Captions, &Others}) {
        if (prepared->Column < firstColumn || prepared->Column > lastColumn)
            continue;
        const int last = std::min(lastRow, static_cast<int>(prepared->Items.size()) - 1);
        for (int row = std::max(firstRow, 0); row <= last; ++row) {
            TSortItem& item = prepared->Items[static_cast<std::size_t>(row)];
            const bool shared = std::any_of(prepared->Words.begin(), prepared->Words.end(),
                                            [&item](const TSortItem& word) { return SharesKey(item, word); });
            if ((item.Kind & TSortItem::Keyed) && !shared)
                prepared->DeadTailBytes += item.TailLength;
            item.Kind = 0;
        }
        prepared->Rescan();
    }
}

void TRowOrder::RowsInserted(int first, int count)
{
    for (TPrepared* prepared : {&Captions, &Others}) {
        std::vector<TSortItem>& items = prepared->Items;
        if (first < 0 || static_cast<std::size_t>(first) >= items.size())
            continue;
        items.insert(items.begin() + first, static_cast<std::size_t>(count), TSortItem{});
        for (std::size_t row = 0; row < items.size(); ++row)
            items[row].Row = static_cast<std::int32_t>(row);
        prepared->Rescan();
    }
}

void TRowOrder::Clear()
{
    Captions.Reset();
    Others.Reset();
}

std::vector<int> TRowOrder::ShownPlaces(const std::vector<int>& sorted) const
{
    std::vector<int> places;
    if (!Filtered())
        return places;
    for (std::size_t position = 0; position < sorted.size(); ++position)
        if (Shows(sorted[position]))
            places.push_back(static_cast<int>(position));
    return places;
}
