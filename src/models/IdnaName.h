#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A domain name as the table holds it (as typed) and as servers are asked it.
//
// A name of ASCII letters whose labels never start with "xn--" is a plain name: it is asked as
// typed and checked as it always was (DomainNameProblem), and refused like UTS #46 when a label
// holds "--" as its third and fourth character ("ab--c.de"). Any other name is internationalised and
// goes through UTS #46 (IDNA 2008, non-transitional, so "ß" stays "ß"): servers are asked its
// A-labels, which registries keep and which alone travel safely over port 43 and in an RDAP
// address. A name typed with A-labels is checked by decoding them, so a bad one ("xn--zz--") is
// caught before any query. Besides the IDNA rules, a label that mixes scripts is refused: no
// registry sells one, so a "not found" about it would read as free.
//
// The ICU objects behind this are made once and only read afterwards; every function here may be
// called from any thread.
struct TIdnaName
{
    std::string Typed;
    // What WHOIS and RDAP are asked; empty when Problem is set.
    std::string Ace;
    // The name in U-labels, to show beside the A-labels (an A-label typed reads as its letters).
    std::string Unicode;
    // Why no server may be asked about the name, one line; empty when one may.
    std::string Problem;
    bool International = false;
    // UIDNA_ERROR_* bits of the conversion.
    std::uint32_t IdnaErrors = 0;

    static TIdnaName Of(std::string_view typed);

    // The UTS #46 step alone: the name in A-labels as ICU makes it, with its UIDNA_ERROR_* bits
    // (none: valid). The rules of Of that go beyond UTS #46 are not applied.
    static std::string ToAscii(std::string_view name, std::uint32_t& errors);

    // Whether the name needs IDNA processing at all: a non-ASCII byte or an "xn--" label.
    static bool NeedsIdna(std::string_view name);

    // The one-line note of the answers panel for an internationalised name ("... is asked as
    // ..."), empty for a plain name or one no server may be asked.
    std::string AnswersNote() const;

    // Why a word typed into a word list is refused, naming the word; empty when it is taken. A
    // word with a control character, a word that mixes scripts and a word that breaks the bidi
    // rule for right-to-left text could only make names that no registry holds.
    static std::string WordProblem(std::string_view word);
};
