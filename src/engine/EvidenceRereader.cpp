#include "engine/EvidenceRereader.h"

#include "engine/ResultReader.h"
#include "engine/ServerResolver.h"
#include "models/IdnaName.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThreadPool>

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
    // The pool is waited for when the application ends, so no reading outlives the program.
    QThreadPool::globalInstance()->start(
        [state = State, id, config = ConfigPath, caption = Model.Caption(row), entry = std::move(entry), verdict] {
            const std::string domain = TIdnaName::Of(caption).Ace;
            const TQueryTarget target =
                TServerResolver(config, TServerResolver::BootstrapPathBeside(config), TServerPreference::WhoisOnly)
                    .TargetFor(domain);
            std::string evidence;
            if (target.Kind == TQueryTarget::TKind::Whois)
                evidence = TResultReader(config, nullptr).EvidenceOfStored(target.Server, entry, domain, verdict);
            // Posted to the application object, which outlives the window: the receiver is looked up
            // only once the call runs on the owner's thread.
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    app,
                    [state, id, entry, verdict, evidence = std::move(evidence)] {
                        if (state->Receiver)
                            state->Receiver->Deliver(id, entry, verdict, evidence);
                    },
                    Qt::QueuedConnection);
        });
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
