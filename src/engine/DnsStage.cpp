#include "engine/DnsStage.h"

#include "base/AsciiText.h"
#include "models/IdnaName.h"

#include <mutex>
#include <system_error>

namespace {

// Qt's event queue orders a posted call after its posting, but inside an uninstrumented Qt
// ThreadSanitizer cannot see that. Posting under this lock, and taking it once more where the call
// runs, makes the order visible to it; the main thread waits here only while a post is under way.
std::mutex PostingLock;

void MarkDelivery()
{
    const std::lock_guard lock(PostingLock);
}

} // namespace

TDnsStage::TDnsStage(QObject& context, TArrived arrived) : Context(context), Arrived(std::move(arrived)) {}

bool TDnsStage::Add(TRowId row, const std::string& caption)
{
    if (Trim(caption).empty() || Rows.count(row))
        return false;
    // The check that decides for WHOIS and RDAP decides here too: a name no server may be asked
    // about must not be asked in DNS either, where a hostile reply could make it read "NO".
    TIdnaName name = TIdnaName::Of(caption);
    if (!name.Problem.empty())
        return false;
    Names.emplace_back(row, std::move(name.Ace));
    Rows.emplace(row, TRowState::Pending);
    ++AskedCount;
    return true;
}

void TDnsStage::Start(TDnsCheckOptions options)
{
    if (Names.empty())
        return;
    const std::uint64_t generation = CurrentGeneration;
    // The verdicts arrive on the stage's thread; each is handed to the context's event loop. The
    // check stops delivering before this object goes, and posted calls die with the context.
    auto post = [context = &Context, arrived = Arrived, generation](TDnsVerdict v) {
        const auto call = [arrived, generation, verdict = std::move(v)] {
            MarkDelivery();
            arrived(generation, verdict);
        };
        const std::lock_guard posting(PostingLock);
        QMetaObject::invokeMethod(context, call, Qt::QueuedConnection);
    };
    Check = std::make_unique<TDnsDelegationCheck>(std::move(options), std::move(Names), std::move(post));
    Names.clear();
    try {
        Check->Start();
    } catch (const std::system_error&) {
        Stop();
    }
}

void TDnsStage::Stop()
{
    Check.reset();
    Names.clear();
    ++CurrentGeneration;
    Rows.clear();
    AskedCount = AnsweredCount = DelegatedCount = 0;
    Silent = false;
}

bool TDnsStage::Accept(std::uint64_t generation, const TDnsVerdict& verdict, bool rowPresent)
{
    if (generation != CurrentGeneration)
        return false;
    const auto it = Rows.find(verdict.Row);
    if (it == Rows.end() || it->second != TRowState::Pending)
        return false;
    ++AnsweredCount;
    Silent = Silent || verdict.ResolverSilent;
    if (!verdict.Delegated || !rowPresent) {
        it->second = TRowState::ToWhois;
        return false;
    }
    it->second = TRowState::Settled;
    ++DelegatedCount;
    return true;
}

bool TDnsStage::SkipSettled(const std::vector<TRowId>& order, int rows, int& next) const
{
    while (!Rows.empty() && next < rows && static_cast<std::size_t>(next) < order.size()) {
        const auto it = Rows.find(order[static_cast<std::size_t>(next)]);
        if (it == Rows.end() || it->second == TRowState::ToWhois)
            return true;
        if (it->second == TRowState::Pending)
            return false;
        ++next;
    }
    return true;
}
