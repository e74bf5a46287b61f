#include "gen/CustomDomainNameGenerator.h"

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

bool TCustomDomainNameGenerator::Generate()
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

    // Names are numbered with 32-bit counts; each step below stays far from 64-bit overflow.
    const unsigned long long limit = INT_MAX;
    bool tooMany = keywords.size() > limit || tlds.size() > limit || affixes.size() >= limit;
    unsigned long long total = 0;
    if (!tooMany) {
        total = static_cast<unsigned long long>(keywords.size()) * tlds.size();
        tooMany = total > limit;
    }
    if (!tooMany) {
        total *= 1 + affixes.size();
        tooMany = total > limit;
    }
    if (tooMany)
        throw TQuarrowError("Too many domain names to generate (more than " + std::to_string(INT_MAX) + ")");

    // Reserve exactly, so the text buffer and the offsets never grow by doubling.
    const size_t keywordBytes = TotalLength(keywords);
    const size_t tldBytes = TotalLength(tlds);
    size_t textBytes = keywordBytes * tlds.size() + keywords.size() * (tlds.size() + tldBytes);
    for (const std::string& keyword : keywords)
        for (const TAffix& affix : affixes) {
            const size_t stemBytes = keyword.size() + affix.Word.size() + (affix.Hyphen ? 1 : 0);
            textBytes += (stemBytes + 1) * tlds.size() + tldBytes;
        }
    NameList.Reserve(static_cast<size_t>(total), textBytes);

    const int totalCount = static_cast<int>(total);
    int current = 1;
    auto notify = [&] {
        if (ProgressEvent)
            ProgressEvent(*this, current, totalCount);
        ++current;
    };

    for (const std::string& keyword : keywords)
        for (const std::string& tld : tlds) {
            NameList.AppendDomain(keyword, tld);
            notify();
        }

    std::string stem;
    for (const std::string& keyword : keywords)
        for (const TAffix& affix : affixes) {
            BuildStem(keyword, affix, stem);
            for (const std::string& tld : tlds) {
                NameList.AppendDomain(stem, tld);
                notify();
            }
        }
    return true;
}
