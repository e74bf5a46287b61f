#pragma once

#include "models/DomainTableModel.h"
#include "project/RecordWriter.h"

#include <vector>

// The records of quarrow-cli check, written as the results come: a row's records go out (once for
// each time its name was given) as soon as its result is final, each flushed, so that a check
// killed or read while it runs has given every result it finished. Rows that end without a result
// get theirs at Finish(), before the end of the document.
class TCheckRecords
{
public:
    // `recordRows`: the table rows to report, in input order (a row given twice is reported twice).
    TCheckRecords(const TDomainTableModel& model, TRecordFormat format, bool withAnswers,
                  const std::vector<int>& recordRows);

    // The head of the document (CSV's header line, JSON's opening bracket).
    void Begin();
    // The row's result is final: its records now (nothing for a row not reported, or done).
    void RowFinished(int row);
    // Whether the row's records are out.
    bool Written(int row) const;
    // Records of the rows still without theirs, then the end of the document.
    void Finish();
    // Standard output failed; nothing more is written once it has.
    bool Failed() const { return OutputFailed; }

private:
    void Write(std::string_view text);

    const TDomainTableModel& Model;
    bool WithAnswers;
    TRecordWriter Writer;
    std::vector<int> RecordRows;
    // How often each table row is reported, and whether it has been.
    std::vector<int> Occurrences;
    std::vector<bool> Done;
    bool OutputFailed = false;
};
