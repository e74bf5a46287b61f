#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Rate-limited registries on loopback for the pacing benchmark: one WHOIS host per 127.x.y.z
// address, all on one port (the dispatcher has one WHOIS port for every host). Each host keeps a
// token bucket per source address, as registries limit each address: it holds `Rate` tokens, gains
// `Rate` a second, and a query that finds it empty is refused, by the refusal text or by a close
// without a word, as the host was made. Names starting with "free" are not registered; every
// other name is, with a registrar line. One thread serves every connection (poll), so the host
// costs little of the machine it measures.
class TRateLimitedWhoisHost
{
public:
    enum class TRefusal
    {
        Text,  // "Query rate limit exceeded"
        Silent // close at once without a word
    };
    struct THost
    {
        std::string Address;
        TRefusal Refusal = TRefusal::Text;
    };
    static constexpr const char* RefusalText = "Query rate limit exceeded. Try again later.\r\n";

    // Starts serving `hosts`, each allowing `rate` queries a second per source address.
    TRateLimitedWhoisHost(std::vector<THost> hosts, double rate);
    ~TRateLimitedWhoisHost();
    TRateLimitedWhoisHost(const TRateLimitedWhoisHost&) = delete;
    TRateLimitedWhoisHost& operator=(const TRateLimitedWhoisHost&) = delete;

    bool Started() const { return Port_ > 0; }
    const std::string& Failure() const { return FailureText; }
    int Port() const { return Port_; }

    struct TCounts
    {
        int Queries = 0;
        int Refused = 0;
        // Queries answered per source address (host, source).
        std::map<std::pair<std::string, std::string>, int> AnsweredFrom;
    };
    TCounts Counts() const;
    void ResetCounts();

private:
    struct TBucket
    {
        double Tokens = 0;
        std::uint64_t AtUs = 0;
    };
    struct TConnection
    {
        int Fd = -1;
        std::size_t Host = 0;
        std::string Source;
        std::string In;
        std::string Out;
        std::size_t Sent = 0;
        bool Answered = false;
    };

    void Loop();
    void Accept(std::size_t host);
    // Reads the request; once it is whole, decides the reply. False when the connection is done.
    bool ReadFrom(TConnection& connection);
    bool WriteTo(TConnection& connection);
    bool TakeToken(std::size_t host, const std::string& source);

    std::vector<THost> Hosts;
    double Rate;
    std::vector<int> Listeners;
    int WakePipe[2] = {-1, -1};
    int Port_ = 0;
    std::string FailureText;
    std::atomic<bool> Stopping{false};
    std::thread Thread;

    mutable std::mutex Lock;
    std::map<std::pair<std::size_t, std::string>, TBucket> Buckets; // loop thread only
    TCounts Totals;                                                 // under Lock
};
