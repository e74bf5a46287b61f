#pragma once

#include "core/DomainRow.h"
#include "project/RecordWriter.h"

#include <string>
#include <vector>

class QAbstractItemModel;

// What the export commands read from the domain table, taken through the model the view shows (the
// sorting proxy over the engine's table model), so that everything follows the current order.

// Caption and slots 0 to 3 of the view's row (the raw bytes; empty for a slot the row lacks).
std::string CellBytes(const QAbstractItemModel& view, int row, int column);
// Every row in the view's order, with its caption, tick and slots 0 to 3.
std::vector<TDomainRow> RowsInViewOrder(const QAbstractItemModel& view);
// The captions of the free rows ("YES"), each followed by CR LF.
std::string AvailableDomains(const QAbstractItemModel& view);
// The registration address for the view's row (an internationalised name in A-labels), or empty when
// the row is taken already ("NO").
std::string RegistrationTargetFor(const QAbstractItemModel& view, int row, const std::string& host);
// What the CSV and JSON exports write beside the stored cells, the same in the window and in
// quarrow-cli: each name's A-label and each expiry as an ISO date.
TRecordWriter::TTableTexts RecordTexts();
