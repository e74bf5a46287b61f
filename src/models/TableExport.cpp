#include "models/TableExport.h"

#include "models/DomainTableModel.h"
#include "models/ExpiryDateFormat.h"
#include "models/IdnaName.h"
#include "project/HtmlReport.h"

#include <QAbstractItemModel>
#include <QByteArray>

std::string CellBytes(const QAbstractItemModel& view, int row, int column)
{
    const QByteArray bytes = view.data(view.index(row, column), TDomainTableModel::RawTextRole).toByteArray();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

namespace {

TRowResult ResultAt(const QAbstractItemModel& view, int row)
{
    return static_cast<TRowResult>(view.data(view.index(row, 0), TDomainTableModel::ResultRole).toInt());
}

} // namespace

std::vector<TDomainRow> RowsInViewOrder(const QAbstractItemModel& view)
{
    std::vector<TDomainRow> rows(static_cast<std::size_t>(view.rowCount()));
    for (int row = 0; row < view.rowCount(); ++row) {
        TDomainRow& out = rows[static_cast<std::size_t>(row)];
        out.Caption = CellBytes(view, row, TDomainTableModel::ColumnDomain);
        out.Checked =
            view.data(view.index(row, TDomainTableModel::ColumnDomain), Qt::CheckStateRole).toInt() == Qt::Checked;
        for (int column = TDomainTableModel::ColumnAvailability; column <= TDomainTableModel::ColumnExpires; ++column)
            out.Slots.push_back(CellBytes(view, row, column));
    }
    return rows;
}

std::string AvailableDomains(const QAbstractItemModel& view)
{
    std::string text;
    for (int row = 0; row < view.rowCount(); ++row)
        if (ResultAt(view, row) == TRowResult::Available)
            text += CellBytes(view, row, TDomainTableModel::ColumnDomain) + "\r\n";
    return text;
}

std::string RegistrationTargetFor(const QAbstractItemModel& view, int row, const std::string& host)
{
    if (row < 0 || row >= view.rowCount() || ResultAt(view, row) == TRowResult::Registered)
        return {};
    // The shop is handed what registries keep: an internationalised name's A-labels.
    const TIdnaName name = TIdnaName::Of(CellBytes(view, row, TDomainTableModel::ColumnDomain));
    return RegistrationAddress(host, name.Problem.empty() ? name.Ace : name.Typed);
}

TRecordWriter::TTableTexts RecordTexts()
{
    return {[](const std::string& name) { return TIdnaName::Of(name).Ace; }, ExportedExpiry};
}
