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

template <typename TAffix> void BuildStem(const std::string& keyword, const TAffix& affix, std::string& stem)
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
    if (Running)
        throw std::logic_error("TCustomDomainNameGenerator::Generate called from its own progress handler");
    TRunGuard guard(Running);
    if (!Start())
        return false;
    const int total = static_cast<int>(Cursor.Total);
    Advance(Cursor.Total, [this, total](std::string_view stem, std::string_view tld) {
        NameList.AppendDomain(stem, tld);
        if (ProgressEvent)
            ProgressEvent(*this, static_cast<int>(Cursor.Made) + 1, total);
    });
    return true;
}

bool TCustomDomainNameGenerator::Generate(const TNameSink& sink)
{
    if (Running)
        throw std::logic_error("TCustomDomainNameGenerator::Generate called from its own progress handler");
    TRunGuard guard(Running);
    NameList.Clear();
    if (!Plan())
        return false;
    std::string name;
    Advance(Cursor.Total, [&sink, &name](std::string_view stem, std::string_view tld) {
        name.assign(stem).append(1, '.').append(tld);
        sink(name);
    });
    return true;
}

bool TCustomDomainNameGenerator::Start()
{
    NameList.Clear();
    if (!Plan())
        return false;
    ReserveNames();
    return true;
}

bool TCustomDomainNameGenerator::Step(size_t count)
{
    return Advance(count, [this](std::string_view stem, std::string_view tld) { NameList.AppendDomain(stem, tld); });
}

void TCustomDomainNameGenerator::ReserveNames()
{
    // Reserve exactly, so the text buffer and the offsets never grow by doubling.
    try {
        NameList.Reserve(Cursor.Total, Cursor.TextBytes);
    } catch (const std::bad_alloc&) {
        NameList.Clear();
        throw TQuarrowError("Not enough memory for " + std::to_string(Cursor.Total) + " domain names");
    }
}

bool TCustomDomainNameGenerator::Plan()
{
    Cursor = TCursor{};
    if ((PrefixOn && PrefixList.empty()) || (SuffixOn && SuffixList.empty()) || KeywordList.empty() || TldList.empty())
        return false;

    TrimAll(PrefixList);
    TrimAll(KeywordList);
    TrimAll(SuffixList);
    TrimAll(TldList);

    // Suffixes come before prefixes. A one-letter suffix reads better glued on ("shops"), while a
    // one-letter prefix ("e-shop") keeps its hyphen.
    std::vector<TAffix>& affixes = Cursor.Affixes;
    if (SuffixOn)
        for (const std::string& suffix : SuffixList)
            affixes.push_back({suffix, false, HyphensOn && suffix.size() >= 2});
    if (PrefixOn)
        for (const std::string& prefix : PrefixList)
            affixes.push_back({prefix, true, HyphensOn && !prefix.empty()});

    // The handler may change the generator's lists; the run works on its own copies.
    const std::vector<std::string>& keywords = Cursor.Keywords = KeywordList;
    const std::vector<std::string>& tlds = Cursor.Tlds = TldList;

    // Names are numbered with 32-bit counts.
    const unsigned long long total = Total();
    if (total > static_cast<unsigned long long>(INT_MAX))
        throw TQuarrowError("Too many domain names to generate (more than " + std::to_string(INT_MAX) + ")");

    Cursor.Total = static_cast<size_t>(total);
    const size_t keywordBytes = TotalLength(keywords);
    const size_t tldBytes = TotalLength(tlds);
    Cursor.TextBytes = keywordBytes * tlds.size() + keywords.size() * (tlds.size() + tldBytes);
    for (const std::string& keyword : keywords)
        for (const TAffix& affix : affixes) {
            const size_t stemBytes = keyword.size() + affix.Word.size() + (affix.Hyphen ? 1 : 0);
            Cursor.TextBytes += (stemBytes + 1) * tlds.size() + tldBytes;
        }
    return true;
}

template <typename TEmit> bool TCustomDomainNameGenerator::Advance(size_t count, TEmit emit)
{
    TCursor& c = Cursor;
    for (; count > 0 && c.Made < c.Total; --count) {
        if (c.Tld == 0) {
            if (c.WithAffixes)
                BuildStem(c.Keywords[c.Keyword], c.Affixes[c.Affix], c.Stem);
            else
                c.Stem = c.Keywords[c.Keyword];
        }
        emit(c.Stem, c.Tlds[c.Tld]);
        ++c.Made;
        if (++c.Tld < c.Tlds.size())
            continue;
        c.Tld = 0;
        if (!c.WithAffixes) {
            if (++c.Keyword == c.Keywords.size()) {
                c.Keyword = 0;
                c.WithAffixes = true;
            }
        } else if (++c.Affix == c.Affixes.size()) {
            c.Affix = 0;
            ++c.Keyword;
        }
    }
    return c.Made < c.Total;
}
