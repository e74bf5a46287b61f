#pragma once

#include <memory>
#include <mutex>

struct TRdapExchange;

// A worker's way out of a waiting RDAP query: the main thread cancels it when it abandons the
// worker (the watchdog, the window closing), and the query then returns at once. Thread-safe; a
// cancelled token stays cancelled, so a query begun afterwards returns at once too.
class TRdapCancel
{
public:
    void Cancel();
    bool Cancelled() const;

private:
    friend class TRdapClient;
    // False when the token is already cancelled; the exchange is then not begun.
    bool Attach(const std::shared_ptr<TRdapExchange>& exchange);
    void Detach();

    mutable std::mutex Mutex;
    bool CancelFlag = false;
    std::shared_ptr<TRdapExchange> Current;
};
