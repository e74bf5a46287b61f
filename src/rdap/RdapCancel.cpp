#include "rdap/RdapCancel.h"

#include "rdap/RdapExchange.h"

void TRdapCancel::Cancel()
{
    std::shared_ptr<TRdapExchange> exchange;
    {
        std::lock_guard lock(Mutex);
        CancelFlag = true;
        exchange = Current;
    }
    if (!exchange)
        return;
    std::lock_guard lock(exchange->Mutex);
    exchange->Cancelled = true;
    exchange->Wake.notify_all();
}

bool TRdapCancel::Cancelled() const
{
    std::lock_guard lock(Mutex);
    return CancelFlag;
}

bool TRdapCancel::Attach(const std::shared_ptr<TRdapExchange>& exchange)
{
    std::lock_guard lock(Mutex);
    if (CancelFlag)
        return false;
    Current = exchange;
    return true;
}

void TRdapCancel::Detach()
{
    std::lock_guard lock(Mutex);
    Current.reset();
}
