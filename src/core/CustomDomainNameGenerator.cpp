#include "core/CustomDomainNameGenerator.h"

#include "base/AsciiText.h"
#include "base/QuarrowError.h"

#include <climits>
#include <stdexcept>

namespace {

void TrimAll(std::vector<std::string>& words)
{
    for (std::string& word : words)
        word = Trim(word);
}

struct TAffix
{
    std::string Word;
    bool Prefix = false;
    bool Hyphen = false;
};

void BuildStem(const std::string& keyword, const TAffix& affix, std::string& stem)
{
    stem.clear();
    if (affix.Prefix) {
        stem += affix.Word;
        if (affix.Hyphen)
            stem += '-';
        stem += keyword;
    } else {
        stem += keyword;
        if (affix.Hyphen)
            stem += '-';
        stem += affix.Word;
    }
}

size_t TotalLength(const std::vector<std::string>& words)
{
    size_t total = 0;
    for (const std::string& word : words)
        total += word.size();
    return total;
}

// Clears the running flag however Generate leaves.
class TRunGuard
{
public:
    explicit TRunGuard(bool& running) : Running(running) { Running = true; }
    ~TRunGuard() { Running = false; }
    TRunGuard(const TRunGuard&) = delete;
    TRunGuard& operator=(const TRunGuard&) = delete;

private:
    bool& Running;
};

} // namespace

unsigned long long TCustomDomainNameGenerator::Total() const
{
    if ((PrefixOn && PrefixList.empty()) || (SuffixOn && SuffixList.empty()))
        return 0;
    const unsigned long long affixes = 1ull + (PrefixOn ? PrefixList.size() : 0) + (SuffixOn ? SuffixList.size() : 0);
    unsigned long long total = 0;
    // Saturates instead of wrapping: a count this large is refused all the same.
    if (__builtin_mul_overflow(static_cast<unsigned long long>(KeywordList.size()), TldList.size(), &total) ||
        __builtin_mul_overflow(total, affixes, &total))
        return ULLONG_MAX;
    return total;
}

bool TCustomDomainNameGenerator::Generate()
{
    return Run([this](const TRunPlan& plan) {
        // Reserve exactly, so the text buffer and the offsets never grow by doubling.
        try {
            NameList.Reserve(plan.Total, plan.TextBytes);
        } catch (const std::bad_alloc&) {
            NameList.Clear();
            throw TQuarrowError("Not enough memory for " + std::to_string(plan.Total) + " domain names");
        }
        const int totalCount = static_cast<int>(plan.Total);
        int current = 1;
        return [this, totalCount, current](std::string_view stem, std::string_view tld) mutable {
            NameList.AppendDomain(stem, tld);
            if (ProgressEvent)
                ProgressEvent(*this, current, totalCount);
            ++current;
        };
    });
}

bool TCustomDomainNameGenerator::Generate(const TNameSink& sink)
{
    return Run([&sink](const TRunPlan&) {
        std::string name;
        return [&sink, name](std::string_view stem, std::string_view tld) mutable {
            name.assign(stem).append(1, '.').append(tld);
            sink(name);
        };
    });
}

template <typename TStart> bool TCustomDomainNameGenerator::Run(TStart start)
{
    if (Running)
        throw std::logic_error("TCustomDomainNameGenerator::Generate called from its own progress handler");
    TRunGuard guard(Running);

    NameList.Clear();
    if ((PrefixOn && PrefixList.empty()) || (SuffixOn && SuffixList.empty()) || KeywordList.empty() || TldList.empty())
        return false;

    TrimAll(PrefixList);
    TrimAll(KeywordList);
    TrimAll(SuffixList);
    TrimAll(TldList);

    // Suffixes come before prefixes. A one-letter suffix reads better glued on ("shops"), while a
    // one-letter prefix ("e-shop") keeps its hyphen.
    std::vector<TAffix> affixes;
    if (SuffixOn)
        for (const std::string& suffix : SuffixList)
            affixes.push_back({suffix, false, HyphensOn && suffix.size() >= 2});
    if (PrefixOn)
        for (const std::string& prefix : PrefixList)
            affixes.push_back({prefix, true, HyphensOn && !prefix.empty()});

    // The handler may change the generator's lists; the run works on its own copies.
    const std::vector<std::string> keywords = KeywordList;
    const std::vector<std::string> tlds = TldList;

    // Names are numbered with 32-bit counts.
    const unsigned long long total = Total();
    if (total > static_cast<unsigned long long>(INT_MAX))
        throw TQuarrowError("Too many domain names to generate (more than " + std::to_string(INT_MAX) + ")");

    TRunPlan plan;
    plan.Total = static_cast<size_t>(total);
    const size_t keywordBytes = TotalLength(keywords);
    const size_t tldBytes = TotalLength(tlds);
    plan.TextBytes = keywordBytes * tlds.size() + keywords.size() * (tlds.size() + tldBytes);
    for (const std::string& keyword : keywords)
        for (const TAffix& affix : affixes) {
            const size_t stemBytes = keyword.size() + affix.Word.size() + (affix.Hyphen ? 1 : 0);
            plan.TextBytes += (stemBytes + 1) * tlds.size() + tldBytes;
        }
    auto emit = start(plan);

    for (const std::string& keyword : keywords)
        for (const std::string& tld : tlds)
            emit(keyword, tld);

    std::string stem;
    for (const std::string& keyword : keywords)
        for (const TAffix& affix : affixes) {
            BuildStem(keyword, affix, stem);
            for (const std::string& tld : tlds)
                emit(stem, tld);
        }
    return true;
}
