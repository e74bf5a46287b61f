#pragma once

#include "core/NameList.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Combines keywords with prefixes, suffixes and top-level domains into candidate domain names.
// Set the switches, fill the four input lists, call Generate and read Names. Generate trims the
// input lists' entries in place. Not re-entrant: the progress handler must not call Generate.
class TCustomDomainNameGenerator
{
public:
    // Called once after each name with the number of names produced so far (1 to total).
    using TProgressEvent = std::function<void(TCustomDomainNameGenerator& sender, int current, int total)>;

    std::vector<std::string>& Prefixes() { return PrefixList; }
    std::vector<std::string>& Keywords() { return KeywordList; }
    std::vector<std::string>& Suffixes() { return SuffixList; }
    std::vector<std::string>& Tlds() { return TldList; }
    const std::vector<std::string>& Prefixes() const { return PrefixList; }
    const std::vector<std::string>& Keywords() const { return KeywordList; }
    const std::vector<std::string>& Suffixes() const { return SuffixList; }
    const std::vector<std::string>& Tlds() const { return TldList; }

    // The names of the last run, in production order.
    const TNameList& Names() const { return NameList; }
    // Gives back the memory of the last run's names once they have been taken elsewhere.
    void ClearNames() { NameList.Clear(); }

    bool UsePrefix() const { return PrefixOn; }
    void SetUsePrefix(bool on) { PrefixOn = on; }
    bool UseSuffix() const { return SuffixOn; }
    void SetUseSuffix(bool on) { SuffixOn = on; }
    bool UseHyphens() const { return HyphensOn; }
    void SetUseHyphens(bool on) { HyphensOn = on; }

    const TProgressEvent& OnProgress() const { return ProgressEvent; }
    void SetOnProgress(TProgressEvent handler) { ProgressEvent = std::move(handler); }

    // The number of names the lists give as they stand (0 when Generate would refuse them; the
    // largest value when the count does not fit), known before any name is made.
    unsigned long long Total() const;

    // False, with no names and no progress call, when there is no keyword or no top-level domain,
    // or a switched-on affix list is empty. Throws TQuarrowError when the lists would give more
    // names than a 32-bit count can number, or more than the memory can hold.
    bool Generate();
    // The same run, each name handed to `sink` as it is made instead of kept in Names() (which is
    // left empty), so that any number of names costs no memory; no progress calls.
    using TNameSink = std::function<void(std::string_view name)>;
    bool Generate(const TNameSink& sink);

private:
    struct TRunPlan
    {
        size_t Total = 0;     // names the run makes
        size_t TextBytes = 0; // their text in all
    };
    // One run: checks and trims the lists, calls `start(plan)` for the function that takes each
    // name as stem and top-level domain, then makes the names in order.
    template <typename TStart> bool Run(TStart start);

    bool PrefixOn = false;
    bool SuffixOn = false;
    bool HyphensOn = false;
    bool Running = false;
    TProgressEvent ProgressEvent;
    std::vector<std::string> PrefixList;
    std::vector<std::string> KeywordList;
    std::vector<std::string> SuffixList;
    std::vector<std::string> TldList;
    TNameList NameList;
};
