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
// Start and Step make the same names a part at a time, for a caller that keeps an event loop
// turning between the parts.
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

    // Begins a run as Generate does (same checks, same errors, Names() emptied and reserved) but
    // makes no name yet; false when Generate would give nothing.
    bool Start();
    // Appends up to `count` more names of the run to Names(); false once the run is complete. No
    // progress calls: the caller knows how far it is from Made() and Planned().
    bool Step(size_t count);
    size_t Made() const { return Cursor.Made; }
    size_t Planned() const { return Cursor.Total; }

private:
    struct TAffix
    {
        std::string Word;
        bool Prefix = false;
        bool Hyphen = false;
    };
    // Where a run stands: every keyword with every top-level domain first, then each keyword with
    // each affix and every top-level domain. The run works on its own copies of the lists.
    struct TCursor
    {
        std::vector<std::string> Keywords;
        std::vector<std::string> Tlds;
        std::vector<TAffix> Affixes;
        bool WithAffixes = false;
        size_t Keyword = 0;
        size_t Affix = 0;
        size_t Tld = 0;
        size_t Made = 0;
        size_t Total = 0;
        size_t TextBytes = 0;
        std::string Stem;
    };
    // Checks and trims the lists and sets the cursor on the first name; false when there is
    // nothing to make.
    bool Plan();
    void ReserveNames();
    // Hands the next `count` names (or as many as are left) to `emit(stem, tld)`.
    template <typename TEmit> bool Advance(size_t count, TEmit emit);

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
    TCursor Cursor;
};
