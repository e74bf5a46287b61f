#include "engine/EvidenceRereader.h"

#include "engine/ResultReader.h"
#include "engine/ServerResolver.h"
#include "models/DomainTableModel.h"
#include "models/IdnaName.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Qt's event queue orders a posted call after its posting, but inside an uninstrumented Qt
// ThreadSanitizer cannot see that. Posting under this lock, and taking it once more where the call
// runs, makes the order visible to it, and the reading's copy of the call is gone before the call
// runs; the main thread waits here only while a post is under way.
std::mutex PostingLock;

} // namespace

// Shared with the readings in the pool: Receiver is touched on the owner's thread only.
struct TEvidenceRereader::TState
{
    TEvidenceRereader* Receiver = nullptr;
};

TEvidenceRereader::TEvidenceRereader(TDomainTableModel& model, std::string configPath, QObject* parent)
    : QObject(parent), Model(model), ConfigPath(std::move(configPath)), State(std::make_shared<TState>())
{
    State->Receiver = this;
    connect(&Model, &QAbstractItemModel::modelReset, this, [this] { Asked.clear(); });
}

TEvidenceRereader::~TEvidenceRereader()
{
    State->Receiver = nullptr;
}

bool TEvidenceRereader::Request(int row)
{
    const TRowResult verdict = Model.ResultOf(row);
    const int index = Model.AnswerIndexOf(row);
    if ((verdict != TRowResult::Available && verdict != TRowResult::Registered) || index < 0 ||
        !Model.Evidence(row).empty())
        return false;
    std::string entry = Model.AnswerLog()[static_cast<std::size_t>(index)];
    // Only the answer of a port-43 check can be read again; the layout says so without parsing.
    if (TResultReader::StoredAnswer(entry).empty())
        return false;
    const TRowId id = Model.IdAt(row);
    if (!Asked.insert(id).second)
        return false;
    // A thread of its own, as the server dialog's test query has: the reading takes milliseconds
    // and touches nothing of the window's, so nothing waits for it and it may end after the window.
    try {
        std::thread([state = State, id, config = ConfigPath, caption = Model.Caption(row), entry = std::move(entry),
                     verdict] {
            const std::string domain = TIdnaName::Of(caption).Ace;
            const TQueryTarget target =
                TServerResolver(config, TServerResolver::BootstrapPathBeside(config), TServerPreference::WhoisOnly)
                    .TargetFor(domain);
            std::string evidence;
            if (target.Kind == TQueryTarget::TKind::Whois)
                evidence = TResultReader(config, nullptr).EvidenceOfStored(target.Server, entry, domain, verdict);
            // Posted to the application object, which outlives the window: the receiver is looked up
            // only once the call runs on the owner's thread.
            const std::lock_guard posting(PostingLock);
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    app,
                    [state, id, entry, verdict, evidence = std::move(evidence)] {
                        {
                            const std::lock_guard delivered(PostingLock);
                        }
                        if (state->Receiver)
                            state->Receiver->Deliver(id, entry, verdict, evidence);
                    },
                    Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error&) {
        Asked.erase(id);
        return false;
    }
    return true;
}

void TEvidenceRereader::Deliver(TRowId id, const std::string& entry, TRowResult verdict, const std::string& evidence)
{
    const int row = Model.RowOf(id);
    // A check of this session may have brought the row a result of its own meanwhile.
    if (row >= 0 && !evidence.empty() && Model.ResultOf(row) == verdict && Model.Evidence(row).empty()) {
        const int index = Model.AnswerIndexOf(row);
        if (index >= 0 && Model.AnswerLog()[static_cast<std::size_t>(index)] == entry)
            Model.SetEvidence(row, evidence);
    }
    emit Done(id);
}
