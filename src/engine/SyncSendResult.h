#pragma once

#include "models/DomainTableModel.h"
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
    // Why no attempt brought an answer about the name (every one was refused, cut short or
    // failed); empty when Answer is one. Answer then holds the last text received, if any, for
    // the answers entry only: the row reads "RESULT ERROR".
    std::string Failure;
    // The check ended because its proxy failed (only when the job may fail over): the dispatcher
    // retries the name through another proxy of the pool.
    bool ProxyFailed = false;
    // Which proxy each attempt went through and how the failed ones failed; it heads the answers
    // entry. Empty without a pool of proxies.
    std::string ProxyTrail;
    // An RDAP check's answer (WhoisServer then holds the RDAP base); the two texts stay empty.
    std::optional<TRdapAnswer> Rdap = std::nullopt;
};
