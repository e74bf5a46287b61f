#pragma once

class QAbstractItemView;
class QWidget;
class TDesktop;

// The main window's export commands over the domain table view: the HTML report, the two
// clipboard copies and the registration page. Each checks its own preconditions (rows, a
// selection) and does nothing without them, except the available-domains copy, which always
// replaces the clipboard.
class TResultCommands
{
public:
    TResultCommands(QAbstractItemView& view, TDesktop& desktop, QWidget* owner);

    void aSaveResultAsHTMLExecute();
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
