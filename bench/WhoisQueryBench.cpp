// Time of one TzqWhois::Query against a loopback host that answers at once and closes, and the
// queries per second of 1 and of 50 clients in parallel. A read loop that waited out its 250 ms
// slice after the host closed would show as a median near 250 ms.

#include "support/FakeWhoisServer.h"
#include "whois/ZqWhois.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Microseconds(TClock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double QueriesPerSecond(const TFakeWhoisServer& server, int clients, std::chrono::milliseconds span)
{
    std::atomic<long> done{0};
    std::atomic<long> failed{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    const auto start = TClock::now();
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&] {
            TzqWhois client;
            client.Host = server.Address();
            client.Port = server.Port();
            std::string answer;
            while (!stop.load(std::memory_order_relaxed)) {
                if (client.Query("example.com", answer))
                    ++done;
                else
                    ++failed;
            }
        });
    }
    std::this_thread::sleep_for(span);
    stop.store(true);
    for (auto& t : threads)
        t.join();
    const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
    if (failed.load() > 0)
        std::printf("  (%ld failed queries)\n", failed.load());
    return static_cast<double>(done.load()) / seconds;
}

} // namespace

int main()
{
    TFakeWhoisServer server;
    std::string answer = "Domain Name: EXAMPLE.COM\r\n";
    while (answer.size() < 2000)
        answer += "Registrar WHOIS Server: whois.example.net\r\n";
    server.SetAnswer("example.com", answer);

    TzqWhois client;
    client.Host = server.Address();
    client.Port = server.Port();
    std::string received;
    for (int i = 0; i < 200; ++i)
        client.Query("example.com", received);

    constexpr int Samples = 3000;
    std::vector<double> times;
    times.reserve(Samples);
    for (int i = 0; i < Samples; ++i) {
        const auto start = TClock::now();
        const bool ok = client.Query("example.com", received);
        times.push_back(Microseconds(TClock::now() - start));
        if (!ok || received != answer) {
            std::printf("query %d failed: %s\n", i, client.LastError().c_str());
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    const double median = times[Samples / 2];
    std::printf("TzqWhois::Query, %zu-byte answer, host closes at once (%d queries):\n", answer.size(), Samples);
    std::printf("  median %.0f us, 90th percentile %.0f us, 99th percentile %.0f us, max %.0f us\n", median,
                times[Samples * 9 / 10], times[Samples * 99 / 100], times.back());
    std::printf("  queries per second, 1 client:   %.0f\n", QueriesPerSecond(server, 1, std::chrono::seconds(2)));
    std::printf("  queries per second, 50 clients: %.0f\n", QueriesPerSecond(server, 50, std::chrono::seconds(2)));
    const bool withinTarget = median < 2000.0;
    std::printf("median under 2 ms: %s\n", withinTarget ? "yes" : "NO");
    return withinTarget ? 0 : 1;
}
