// Generates 1,000,000 names (100 keywords, 99 affixes, 100 TLDs) and reports the time per run and
// the bytes the name list holds per name beyond the names' own text. Exits with status 1 when a
// run takes longer than 0.5 s or the overhead exceeds 64 bytes per name.
#include "core/CustomDomainNameGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Words(const char* stem, int count)
{
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i)
        words.push_back(stem + std::to_string(i));
    return words;
}

void Fill(TCustomDomainNameGenerator& generator)
{
    generator.SetUsePrefix(true);
    generator.SetUseSuffix(true);
    generator.SetUseHyphens(true);
    generator.Keywords() = Words("keyword", 100);
    generator.Prefixes() = Words("pre", 50);
    generator.Suffixes() = Words("suf", 49);
    generator.Tlds() = Words("tld", 100);
}

struct TTiming
{
    double Best = 0;
    double Median = 0;
};

template <typename TRun> TTiming Time(TRun run, int rounds)
{
    std::vector<double> seconds;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

} // namespace

int main()
{
    constexpr int Rounds = 7;
    TCustomDomainNameGenerator generator;

    const TTiming plain = Time(
        [&] {
            Fill(generator);
            generator.Generate();
        },
        Rounds);
    const size_t count = generator.Names().Count();
    const double overhead =
        static_cast<double>(generator.Names().AllocatedBytes() - generator.Names().TextBytes()) / count;
    const double averageName = static_cast<double>(generator.Names().TextBytes()) / count;

    // The window drives a progress bar from the handler; a counter stands in for it.
    long long notices = 0;
    generator.SetOnProgress([&notices](TCustomDomainNameGenerator&, int, int) { ++notices; });
    const TTiming withHandler = Time(
        [&] {
            Fill(generator);
            generator.Generate();
        },
        Rounds);

    std::printf("names per run:                 %zu (average %.1f bytes of text)\n", count, averageName);
    std::printf("generate, no handler:          best %.3f s, median %.3f s\n", plain.Best, plain.Median);
    std::printf("generate, counting handler:    best %.3f s, median %.3f s (%lld notices)\n", withHandler.Best,
                withHandler.Median, notices);
    std::printf("bytes per name beyond text:    %.2f\n", overhead);

    const bool ok = count == 1'000'000 && withHandler.Median <= 0.5 && plain.Median <= 0.5 && overhead <= 64;
    std::printf("%s\n", ok ? "within targets (0.5 s, 64 bytes per name)" : "TARGET MISSED");
    return ok ? 0 : 1;
}
