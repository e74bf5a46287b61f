#pragma once

#include "whois/IdWhois.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <string>

// The server properties dialog's test query, run in a thread of its own so that a host that never
// closes cannot freeze the window. The result comes back on the owner's thread as a signal.
// Cancel abandons the query at once: its connection is shut down from here and whatever the thread
// still produces is dropped, so no late answer reaches a dialog that moved on (or was closed).
class TTestQuery : public QObject
{
    Q_OBJECT

public:
    explicit TTestQuery(QObject* parent = nullptr);
    ~TTestQuery() override;

    // Starts `client.Lookup(domain)` on a copy of the client; false when a query is running already.
    bool Start(const TIdWhois& client, const std::string& domain);
    void Cancel();
    bool Running() const { return Current != nullptr; }

signals:
    void Answered(const QByteArray& answer);
    // The connection layer's message ("Connection refused", "Host not found", ...).
    void Failed(const QString& message);

private:
    struct TState;
    void Deliver(const std::shared_ptr<TState>& state, bool ok, const std::string& text);

    std::shared_ptr<TState> Current;
};
