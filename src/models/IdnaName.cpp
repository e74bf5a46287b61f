#include "models/IdnaName.h"

#include "base/Utf8.h"
#include "whois/DomainName.h"

#include <unicode/uchar.h>
#include <unicode/uidna.h>
#include <unicode/uscript.h>
#include <unicode/uspoof.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// What registries apply: non-transitional UTS #46 with the STD3 rules (letters, digits and "-"
// only), the bidi rule (RFC 5893) and the contextual rules of RFC 5892 for joiners, and for the
// middle dot, Greek and Hebrew punctuation and Arabic-Indic digits.
constexpr std::uint32_t IdnaOptions = UIDNA_USE_STD3_RULES | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ |
                                      UIDNA_CHECK_CONTEXTO | UIDNA_NONTRANSITIONAL_TO_ASCII |
                                      UIDNA_NONTRANSITIONAL_TO_UNICODE;

const UIDNA* Idna()
{
    static const std::unique_ptr<UIDNA, void (*)(UIDNA*)> idna = [] {
        UErrorCode status = U_ZERO_ERROR;
        UIDNA* made = uidna_openUTS46(IdnaOptions, &status);
        return std::unique_ptr<UIDNA, void (*)(UIDNA*)>(U_SUCCESS(status) ? made : nullptr, uidna_close);
    }();
    return idna.get();
}

// UTS #39's "highly restrictive" level: one script per label, except that Han may go with
// Hiragana and Katakana, Bopomofo or Hangul (as Japanese, Chinese and Korean are written), and
// Latin with any of those. Latin mixed with Cyrillic or Greek is what look-alike names are made of.
const USpoofChecker* SpoofChecker()
{
    static const std::unique_ptr<USpoofChecker, void (*)(USpoofChecker*)> checker = [] {
        UErrorCode status = U_ZERO_ERROR;
        USpoofChecker* made = uspoof_open(&status);
        uspoof_setChecks(made, USPOOF_RESTRICTION_LEVEL, &status);
        uspoof_setRestrictionLevel(made, USPOOF_HIGHLY_RESTRICTIVE);
        if (U_FAILURE(status)) {
            uspoof_close(made);
            made = nullptr;
        }
        return std::unique_ptr<USpoofChecker, void (*)(USpoofChecker*)>(made, uspoof_close);
    }();
    return checker.get();
}

using TIdnaCall = int32_t (*)(const UIDNA*, const char*, int32_t, char*, int32_t, UIDNAInfo*, UErrorCode*);

// One ICU conversion; the error bits land in `errors` (UIDNA_ERROR_DISALLOWED when ICU itself
// failed, so that a failure never reads as a valid name).
std::string Convert(TIdnaCall call, std::string_view text, std::uint32_t& errors)
{
    std::string out(text.size() * 2 + 16, '\0');
    for (;;) {
        UIDNAInfo info = UIDNA_INFO_INITIALIZER;
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = Idna() ? call(Idna(), text.data(), static_cast<int32_t>(text.size()), out.data(),
                                             static_cast<int32_t>(out.size()), &info, &status)
                                      : 0;
        if (status == U_BUFFER_OVERFLOW_ERROR && length > static_cast<int32_t>(out.size())) {
            out.assign(static_cast<std::size_t>(length), '\0');
            continue;
        }
        if (!Idna() || U_FAILURE(status)) {
            errors = UIDNA_ERROR_DISALLOWED;
            return {};
        }
        errors = info.errors;
        out.resize(static_cast<std::size_t>(length));
        return out;
    }
}

std::string CodePointText(UChar32 c)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

// The first code point that no label may hold, as "U+XXXX" with the character itself when it
// can be shown; empty when none is found alone (the fault is then in a sequence).
std::string FirstDisallowed(std::string_view name)
{
    for (int32_t at = 0; at < static_cast<int32_t>(name.size());) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(name.data(), at, static_cast<int32_t>(name.size()), c);
        if (c < 0)
            return "a byte that is not UTF-8";
        std::uint32_t errors = 0;
        Convert(uidna_labelToASCII_UTF8,
                name.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)), errors);
        if ((errors & UIDNA_ERROR_DISALLOWED) != 0) {
            const bool visible = u_isgraph(c) && !u_hasBinaryProperty(c, UCHAR_BIDI_CONTROL);
            return CodePointText(c) + (visible ? " \"" +
                                                     std::string(name.substr(static_cast<std::size_t>(start),
                                                                             static_cast<std::size_t>(at - start))) +
                                                     "\""
                                               : std::string());
        }
    }
    return {};
}

std::string IdnaProblem(std::uint32_t errors, std::string_view typed)
{
    if (errors & UIDNA_ERROR_DISALLOWED) {
        const std::string which = FirstDisallowed(typed);
        return which.empty() ? "The name holds a character that domain names cannot hold."
                             : "The name holds a character that domain names cannot hold: " + which + ".";
    }
    if (errors & (UIDNA_ERROR_PUNYCODE | UIDNA_ERROR_INVALID_ACE_LABEL))
        return "A label of the name is no valid A-label (\"xn--\").";
    if (errors & UIDNA_ERROR_EMPTY_LABEL)
        return "The name has an empty label.";
    if (errors & UIDNA_ERROR_LABEL_TOO_LONG)
        return "A label of the name is longer than 63 characters once encoded.";
    if (errors & UIDNA_ERROR_DOMAIN_NAME_TOO_LONG)
        return "The name is longer than 253 characters once encoded.";
    if (errors & (UIDNA_ERROR_LEADING_HYPHEN | UIDNA_ERROR_TRAILING_HYPHEN))
        return "A label of the name starts or ends with \"-\".";
    if (errors & UIDNA_ERROR_HYPHEN_3_4)
        return "A label of the name has \"--\" as its third and fourth character.";
    if (errors & UIDNA_ERROR_LEADING_COMBINING_MARK)
        return "A label of the name starts with a combining mark.";
    if (errors & UIDNA_ERROR_BIDI)
        return "The name breaks the rule for right-to-left text in domain names (RFC 5893).";
    if (errors & UIDNA_ERROR_CONTEXTJ)
        return "The name has a zero-width joiner or non-joiner where none may stand.";
    if (errors & UIDNA_ERROR_CONTEXTO_DIGITS)
        return "The name mixes Arabic-Indic digits of both kinds.";
    if (errors & UIDNA_ERROR_CONTEXTO_PUNCTUATION)
        return "The name has a character that may only stand beside certain letters (such as \"\xC2\xB7\").";
    return "The name is no valid internationalised domain name.";
}

// UTS #46 lets symbols and punctuation through (as "valid, not in IDNA 2008"); IDNA 2008 itself,
// which registries apply, derives its valid code points from letters, marks and digits, plus the
// few that RFC 5892 allows in context and that ICU has checked by now. The first other one, or
// empty.
std::string FirstOutsideIdna2008(std::string_view unicode)
{
    for (int32_t at = 0; at < static_cast<int32_t>(unicode.size());) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(unicode.data(), at, static_cast<int32_t>(unicode.size()), c);
        const std::int32_t category = U_GET_GC_MASK(c);
        const bool letterMarkDigit =
            (category & (U_GC_LL_MASK | U_GC_LO_MASK | U_GC_LM_MASK | U_GC_MN_MASK | U_GC_MC_MASK | U_GC_ND_MASK)) != 0;
        const bool contextual = c == 0x00B7 || c == 0x0375 || c == 0x05F3 || c == 0x05F4 || c == 0x30FB ||
                                c == 0x200C || c == 0x200D || c == 0x3007;
        if (!letterMarkDigit && !contextual && c != '-' && c != '.')
            return CodePointText(c) + " \"" +
                   std::string(unicode.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start))) +
                   "\"";
    }
    return {};
}

// The scripts of the text's letters in order of first use, as a message names them ("Latin and
// Hebrew"): a fixed example would name scripts the text does not hold.
std::string ScriptNames(std::string_view utf8)
{
    std::vector<UScriptCode> scripts;
    for (int32_t at = 0; at < static_cast<int32_t>(utf8.size());) {
        UChar32 c = 0;
        U8_NEXT(utf8.data(), at, static_cast<int32_t>(utf8.size()), c);
        UErrorCode status = U_ZERO_ERROR;
        const UScriptCode script = uscript_getScript(c, &status);
        if (U_SUCCESS(status) && script != USCRIPT_COMMON && script != USCRIPT_INHERITED &&
            std::find(scripts.begin(), scripts.end(), script) == scripts.end())
            scripts.push_back(script);
    }
    std::string names;
    for (std::size_t i = 0; i < scripts.size(); ++i)
        names += std::string(i == 0 ? "" : i + 1 == scripts.size() ? " and " : ", ") + uscript_getName(scripts[i]);
    return names;
}

// "", or the reason a label or word cannot be registered for the scripts it mixes.
std::string MixedScripts(std::string_view text)
{
    const USpoofChecker* checker = SpoofChecker();
    if (!checker)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t result = uspoof_checkUTF8(checker, text.data(), static_cast<int32_t>(text.size()), nullptr, &status);
    if (U_FAILURE(status) || (result & USPOOF_RESTRICTION_LEVEL) == 0)
        return {};
    const std::string names = ScriptNames(text);
    return names.find(" and ") == std::string::npos ? "mixes scripts" : "mixes scripts (" + names + " letters)";
}

// True for a label of letters, digits and hyphens with "--" as its third and fourth character
// that is no A-label: UTS #46 (CheckHyphens) refuses it, and registries keep such labels for
// future encodings.
bool ReservedHyphens(std::string_view name)
{
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        const std::string_view label = name.substr(start, dot - start);
        if (label.size() >= 4 && label[2] == '-' && label[3] == '-')
            return true;
        start = dot + 1;
    }
    return false;
}

// The word as a message shows it: Latin-1 when it is not UTF-8, control characters as U+XXXX.
std::string ShownWord(std::string_view word)
{
    const std::string utf8 = Utf8OrLatin1(word);
    std::string shown;
    for (int32_t at = 0; at < static_cast<int32_t>(utf8.size());) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(utf8.data(), at, static_cast<int32_t>(utf8.size()), c);
        if (u_charType(c) == U_CONTROL_CHAR || u_hasBinaryProperty(c, UCHAR_BIDI_CONTROL))
            shown += "<" + CodePointText(c) + ">";
        else
            shown.append(utf8, static_cast<std::size_t>(start), static_cast<std::size_t>(at - start));
    }
    return shown;
}

} // namespace

bool TIdnaName::NeedsIdna(std::string_view name)
{
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    for (std::size_t start = 0; start < name.size();) {
        const std::size_t dot = name.find('.', start);
        const std::string_view label = name.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (label.size() >= 4 && (label[0] | 0x20) == 'x' && (label[1] | 0x20) == 'n' && label[2] == '-' &&
            label[3] == '-')
            return true;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return false;
}

std::string TIdnaName::ToAscii(std::string_view name, std::uint32_t& errors)
{
    return Convert(uidna_nameToASCII_UTF8, name, errors);
}

TIdnaName TIdnaName::Of(std::string_view typed)
{
    TIdnaName name;
    name.Typed = std::string(typed);
    name.International = NeedsIdna(typed);
    if (!name.International) {
        name.Problem = DomainNameProblem(typed);
        if (name.Problem.empty() && ReservedHyphens(typed)) {
            name.IdnaErrors = UIDNA_ERROR_HYPHEN_3_4;
            name.Problem = IdnaProblem(name.IdnaErrors, typed);
        }
        if (name.Problem.empty())
            name.Ace = name.Unicode = name.Typed;
        return name;
    }
    if (!IsValidUtf8(typed)) {
        name.Problem = "The name is no UTF-8 text.";
        name.IdnaErrors = UIDNA_ERROR_DISALLOWED;
        return name;
    }
    std::string ace = ToAscii(typed, name.IdnaErrors);
    if (name.IdnaErrors != 0) {
        name.Problem = IdnaProblem(name.IdnaErrors, typed);
        return name;
    }
    // The lengths and labels DNS allows, checked on what goes on the wire (a root dot at the end,
    // which IDNA lets pass, is an empty label here as for every other name).
    if (std::string problem = DomainNameProblem(ace); !problem.empty()) {
        name.Problem = std::move(problem);
        return name;
    }
    std::uint32_t unicodeErrors = 0;
    std::string unicode = Convert(uidna_nameToUnicodeUTF8, ace, unicodeErrors);
    if (unicodeErrors != 0) {
        name.IdnaErrors = unicodeErrors;
        name.Problem = IdnaProblem(unicodeErrors, typed);
        return name;
    }
    if (const std::string which = FirstOutsideIdna2008(unicode); !which.empty()) {
        name.Problem = "The name holds a character that domain names cannot hold: " + which + ".";
        return name;
    }
    for (std::size_t start = 0; start <= unicode.size();) {
        const std::size_t dot = std::min(unicode.find('.', start), unicode.size());
        if (const std::string mixed = MixedScripts(std::string_view(unicode).substr(start, dot - start));
            !mixed.empty()) {
            name.Problem = "A label of the name " + mixed + ".";
            return name;
        }
        start = dot + 1;
    }
    name.Ace = std::move(ace);
    name.Unicode = std::move(unicode);
    return name;
}

std::string TIdnaName::AnswersNote() const
{
    if (!International || !Problem.empty())
        return {};
    return "Internationalised name: " + Unicode + " is asked as " + Ace;
}

std::string TIdnaName::WordProblem(std::string_view word)
{
    const std::string utf8 = Utf8OrLatin1(word);
    for (int32_t at = 0; at < static_cast<int32_t>(utf8.size());) {
        UChar32 c = 0;
        U8_NEXT(utf8.data(), at, static_cast<int32_t>(utf8.size()), c);
        if (u_charType(c) == U_CONTROL_CHAR || u_hasBinaryProperty(c, UCHAR_BIDI_CONTROL))
            return "The word \"" + ShownWord(word) + "\" holds a control character (" + CodePointText(c) +
                   ") and was not added.";
    }
    if (!NeedsIdna(word) || !IsValidUtf8(word))
        return {};
    if (const std::string mixed = MixedScripts(word); !mixed.empty())
        return "The word \"" + ShownWord(word) + "\" " + mixed + " and was not added: no registry takes such names.";
    std::uint32_t errors = 0;
    Convert(uidna_labelToASCII_UTF8, word, errors);
    if ((errors & UIDNA_ERROR_BIDI) != 0)
        return "The word \"" + ShownWord(word) +
               "\" breaks the rule for right-to-left text in domain names (RFC 5893) and was not added.";
    return {};
}
