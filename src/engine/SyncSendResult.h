#pragma once

#include "engine/DomainTableModel.h"
#include "rdap/RdapAnswer.h"

#include <optional>
#include <string>

// One worker's result on its way to the main thread. `RowIndex` is the identity of the row the
// check was started for, so the result finds its row however the table was sorted meanwhile.
struct TSyncSendResult
{
    std::string Answer;
    std::string ReferralAnswer;
    TRowId RowIndex = NoRowId;
    std::string WhoisServer;
    std::string DomainName;
    // An RDAP check's answer (WhoisServer then holds the RDAP base); the two texts stay empty.
    std::optional<TRdapAnswer> Rdap = std::nullopt;
};
