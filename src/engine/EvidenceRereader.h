#pragma once

#include "core/RowId.h"
#include "core/RowResult.h"

#include <QObject>

#include <memory>
#include <set>
#include <string>

class TDomainTableModel;

// Evidence for rows whose check ran in an earlier session (loaded from a project or a journal):
// the stored answer is read again with today's strings of the name's WHOIS host, off the GUI thread
// (the server table is large), and the evidence goes into the row when that reading agrees with
// the row's verdict. A reading that disagrees, because the strings changed since, explains nothing
// and leaves the row without evidence, as does an entry that is no port-43 answer (RDAP, DNS).
// Each row is read at most once until the table is replaced.
class TEvidenceRereader : public QObject
{
    Q_OBJECT

public:
    TEvidenceRereader(TDomainTableModel& model, std::string configPath, QObject* parent = nullptr);
    ~TEvidenceRereader() override;

    // Starts the reading for a free or taken row that holds no evidence; false when there is
    // nothing to read (Done is not emitted then).
    bool Request(int row);

signals:
    // The reading for the row is over, whether it found evidence or not.
    void Done(TRowId row);

private:
    struct TState;
    void Deliver(TRowId id, const std::string& entry, TRowResult verdict, const std::string& evidence);

    TDomainTableModel& Model;
    std::string ConfigPath;
    std::shared_ptr<TState> State;
    std::set<TRowId> Asked;
};
