#pragma once

#include "project/RecordWriter.h"

class QAbstractItemView;
class QWidget;
class TDesktop;

// The main window's export commands over the domain table view: the HTML report, the CSV and
// JSON exports (the rows shown, encoded as quarrow-cli export does), the two clipboard copies and
// the registration page. Each checks its own preconditions (rows, a
// selection) and does nothing without them, except the available-domains copy, which always
// replaces the clipboard.
class TResultCommands
{
public:
    TResultCommands(QAbstractItemView& view, TDesktop& desktop, QWidget* owner);

    void aSaveResultAsHTMLExecute();
    // Through the save dialog; a file that cannot be written keeps its old content and a message
    // box says why.
    void ExportRecordsExecute(TRecordFormat format);
    void ACopyNameToClipboardExecute();
    void aCopyAvailabilityNamesToClipboardExecute();
    void aRegisterDomainExecute();

    // The view row the commands for "the selected domain" act on, or -1.
    int SelectedRow() const;

private:
    QAbstractItemView& View;
    TDesktop& Desktop;
    QWidget* Owner;
};
