#include "gui/ResultCommands.h"

#include "base/QuarrowError.h"
#include "gui/Desktop.h"
#include "models/ByteText.h"
#include "models/DomainTableModel.h"
#include "models/IdnaName.h"
#include "models/ReportDateTime.h"
#include "models/TableExport.h"
#include "project/HtmlReport.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QUrl>

namespace {

void SetClipboardText(const std::string& text)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(TextFromBytes(text));
}

} // namespace

TResultCommands::TResultCommands(QAbstractItemView& view, TDesktop& desktop, QWidget* owner)
    : View(view), Desktop(desktop), Owner(owner)
{
}

int TResultCommands::SelectedRow() const
{
    // The current row when it is selected, as the main window's popup and check commands see it.
    const QItemSelectionModel* selection = View.selectionModel();
    if (!selection)
        return -1;
    const QModelIndex current = selection->currentIndex();
    return current.isValid() && selection->isRowSelected(current.row(), current.parent()) ? current.row() : -1;
}

void TResultCommands::aSaveResultAsHTMLExecute()
{
    const QAbstractItemModel* model = View.model();
    if (!model || model->rowCount() == 0)
        return;
    const QString path = Desktop.SaveFileName(Owner, QStringLiteral("HTML file (*.html)"), QStringLiteral("html"));
    if (path.isEmpty())
        return;
    try {
        SaveHtmlReport(BytesFromText(path), RowsInViewOrder(*model), ReportDateTime(QDateTime::currentDateTime()));
    } catch (const TQuarrowError& error) {
        Desktop.Tell(Owner, TextFromBytes(error.what()));
        return;
    }
    Desktop.Open(QUrl::fromLocalFile(path));
}

void TResultCommands::ExportRecordsExecute(TRecordFormat format)
{
    const QAbstractItemModel* model = View.model();
    if (!model || model->rowCount() == 0)
        return;
    const bool csv = format == TRecordFormat::Csv;
    const QString path =
        Desktop.SaveFileName(Owner, csv ? QStringLiteral("CSV file (*.csv)") : QStringLiteral("JSON file (*.json)"),
                             csv ? QStringLiteral("csv") : QStringLiteral("json"));
    if (path.isEmpty())
        return;
    try {
        TRecordWriter::SaveTable(BytesFromText(path), RowsInViewOrder(*model), format, RecordTexts());
    } catch (const TQuarrowError& error) {
        Desktop.Tell(Owner, TextFromBytes(error.what()));
    }
}

void TResultCommands::ACopyNameToClipboardExecute()
{
    const int row = SelectedRow();
    if (row >= 0 && View.model())
        SetClipboardText(CellBytes(*View.model(), row, TDomainTableModel::ColumnDomain));
}

void TResultCommands::aCopyAvailabilityNamesToClipboardExecute()
{
    SetClipboardText(View.model() ? AvailableDomains(*View.model()) : std::string());
}

void TResultCommands::aRegisterDomainExecute()
{
    const int row = SelectedRow();
    if (row < 0 || !View.model())
        return;
    const std::string address = RegistrationTargetFor(*View.model(), row, ProductWebHost);
    if (!address.empty())
        Desktop.Open(QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::StrictMode));
}
