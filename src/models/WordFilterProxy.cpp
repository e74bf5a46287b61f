#include "models/WordFilterProxy.h"

#include "base/AsciiText.h"
#include "base/Utf8.h"
#include "models/IdnaName.h"
#include "models/WordListModel.h"

#include <algorithm>

namespace {

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// `needle` is lower-case ASCII; bytes above 127 never equal one of its bytes.
bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view needle)
{
    if (needle.size() > text.size())
        return false;
    const char first = needle.front();
    const std::size_t last = text.size() - needle.size();
    for (std::size_t at = 0; at <= last; ++at) {
        if (LowerAscii(text[at]) != first)
            continue;
        std::size_t matched = 1;
        while (matched < needle.size() && LowerAscii(text[at + matched]) == needle[matched])
            ++matched;
        if (matched == needle.size())
            return true;
    }
    return false;
}

} // namespace

TWordFilterProxy::TWordFilterProxy(TWordListModel& list, bool matchBothLabelForms, QObject* parent)
    : TShownRowsModel(list, parent), List(list), BothLabelForms(matchBothLabelForms)
{
}

bool TWordFilterProxy::SetFilterText(const QString& typed)
{
    if (typed == Typed)
        return false;
    Typed = typed;
    const QString trimmed = typed.trimmed();
    std::string needle;
    QString wide;
    if (!trimmed.isEmpty() && !trimmed.contains(QLatin1Char(','))) {
        const std::string bytes = trimmed.toUtf8().toStdString();
        if (IsAscii(bytes))
            needle = LowerAscii(bytes);
        else
            wide = trimmed;
    }
    if (needle == Needle && wide == WideNeedle)
        return false;
    Needle = std::move(needle);
    WideNeedle = std::move(wide);
    if (Needle.empty() && WideNeedle.isEmpty())
        SetTest({});
    else
        SetTest([this](int row) { return Accepts(row); });
    return true;
}

bool TWordFilterProxy::Matches(std::string_view text) const
{
    if (!Needle.empty())
        return ContainsIgnoringAsciiCase(text, Needle);
    return QString::fromStdString(Utf8OrLatin1(text)).contains(WideNeedle, Qt::CaseInsensitive);
}

bool TWordFilterProxy::Accepts(int row) const
{
    const std::string& text = List.At(row).Text;
    if (Matches(text))
        return true;
    // Only a name that needs IDNA has a second form; plain ASCII entries cost no conversion.
    if (!BothLabelForms || !TIdnaName::NeedsIdna(text))
        return false;
    const TIdnaName name = TIdnaName::Of(TrimView(text));
    if (!name.Problem.empty())
        return false;
    return Matches(IsAscii(text) ? name.Unicode : name.Ace);
}
