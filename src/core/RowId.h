#pragma once

#include <cstdint>

// Identity of a domain-table row that survives re-sorting: ids are handed out in increasing order
// and never reused by a table, so a result started for a row that has since been removed finds
// nothing. The engine carries it from the pass through the worker and back to the row.
using TRowId = std::uint32_t;
inline constexpr TRowId NoRowId = 0xFFFFFFFFu;
