#pragma once

#include "models/DomainTableModel.h" // TRowId

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

// How often each row of a pass was refused, and since when. A refused row goes back into its
// host's queue, but not for ever: a host that keeps refusing one name (a ban, a name it will not
// answer about) ends the row as "RESULT ERROR" after Limit refusals, saying so.
class TRefusedRows
{
public:
    static constexpr int Limit = 10;

    // Counts a refusal of the row at tick `now`. When it was the row's Limit-th, or when asking
    // again after `nextWaitMs` would take the row past `boundMs` since its first refusal (a
    // name's time bound; 0: none), forgets the row and gives the line that heads its answers
    // entry: "The host kept refusing (10 times in 7.5 s)."
    std::optional<std::string> Refused(TRowId row, std::uint64_t now, std::uint64_t nextWaitMs = 0,
                                       std::uint64_t boundMs = 0);
    // The row brought an answer, or a new pass begins.
    void Forget(TRowId row) { Rows.erase(row); }
    void Clear() { Rows.clear(); }

private:
    struct TCount
    {
        int Times = 0;
        std::uint64_t FirstAt = 0;
    };
    std::unordered_map<TRowId, TCount> Rows;
};
