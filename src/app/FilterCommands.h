#pragma once

#include "models/DomainFilter.h"

#include <QObject>

#include <string>

class QComboBox;
class QLabel;
class TDomainSortProxy;
class TMainActions;

// The domain table's filter on the window: the View menu's entries and the box above the table
// choose it, both show the one in force, the status bar's panel says "shown N of M" as rows come,
// go and change, and the configuration file keeps the choice for the next start.
class TFilterCommands : public QObject
{
    Q_OBJECT

public:
    TFilterCommands(TDomainSortProxy& proxy, TMainActions& actions, QComboBox* box, QLabel* shownText,
                    std::string configPath, QObject* parent = nullptr);

    // The filter the configuration file names (all rows when it names none).
    void Load();
    // Shows the rows of `filter` and writes it to the configuration file; a file that cannot be
    // written costs only the memory of the choice.
    void SetFilter(TDomainFilter filter);

private:
    void Follow();
    void UpdateShownText();

    TDomainSortProxy& Proxy;
    TMainActions& Actions;
    QComboBox* Box;
    QLabel* ShownText;
    std::string ConfigPath;
};
