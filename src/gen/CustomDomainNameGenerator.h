#pragma once

#include "gen/NameList.h"

#include <functional>
#include <string>
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

    bool UsePrefix() const { return PrefixOn; }
    void SetUsePrefix(bool on) { PrefixOn = on; }
    bool UseSuffix() const { return SuffixOn; }
    void SetUseSuffix(bool on) { SuffixOn = on; }
    bool UseHyphens() const { return HyphensOn; }
    void SetUseHyphens(bool on) { HyphensOn = on; }

    const TProgressEvent& OnProgress() const { return ProgressEvent; }
    void SetOnProgress(TProgressEvent handler) { ProgressEvent = std::move(handler); }

    // False, with no names and no progress call, when there is no keyword or no top-level domain,
    // or a switched-on affix list is empty. Throws TQuarrowError when the lists would give more
    // names than a 32-bit count can number.
    bool Generate();

private:
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
