#include "rdap/RdapBootstrap.h"

#include "base/AsciiText.h"
#include "base/WholeFile.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>
#include <QUrl>

namespace {

// Entries are DNS labels in their ASCII form (IDN top-level domains as "xn--" labels).
bool IsLdhEntry(const std::string& entry)
{
    if (entry.empty() || entry.front() == '.' || entry.back() == '.')
        return false;
    for (const char c : entry) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'))
            return false;
    }
    return true;
}

} // namespace

bool TRdapBootstrap::Fail(std::string problem)
{
    ProblemText = std::move(problem);
    return false;
}

bool TRdapBootstrap::Load(const std::string& path)
{
    const TWholeFile file = ReadWholeFile(path, MaxFileBytes);
    if (file.Status == TWholeFile::TStatus::Missing)
        return Fail("There is no file \"" + path + "\".");
    if (!file.Loaded())
        return Fail("Cannot read \"" + path + "\": " + file.Error);
    return Parse(file.View());
}

bool TRdapBootstrap::Parse(std::string_view bytes)
{
    if (bytes.size() > MaxFileBytes)
        return Fail("The file is too large to be an RDAP bootstrap file.");
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
    if (error.error != QJsonParseError::NoError)
        return Fail("The file is not JSON (" + error.errorString().toStdString() + " at byte " +
                    std::to_string(error.offset) + ").");
    const QJsonValue services = document.object().value(QLatin1StringView("services"));
    if (!document.isObject() || !services.isArray())
        return Fail("The file is JSON but not an RDAP bootstrap file: it has no \"services\" list.");

    std::unordered_map<std::string, std::string> bases;
    const QJsonArray list = services.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonArray service = list.at(i).toArray();
        if (service.size() < 2 || !service.at(0).isArray() || !service.at(1).isArray())
            return Fail("Service " + std::to_string(i + 1) +
                        " of the file is not a list of domains followed by a list of addresses.");
        // Services may list an http and an https address; only https is ever asked (RFC 7481).
        std::string base;
        for (const QJsonValue& url : service.at(1).toArray()) {
            const std::string text = url.toString().toStdString();
            if (text.size() > 8 && EqualsIgnoringCase(std::string_view(text).substr(0, 8), "https://")) {
                base = text;
                break;
            }
        }
        if (base.empty())
            continue;
        if (base.back() != '/')
            base += '/';
        for (const QJsonValue& entry : service.at(0).toArray()) {
            const std::string label = LowerAscii(entry.toString().toStdString());
            if (IsLdhEntry(label))
                bases.emplace(label, base);
        }
    }
    if (bases.empty())
        return Fail("The file names no top-level domain with an https address.");
    Bases = std::move(bases);
    ProblemText.clear();
    return true;
}

std::string TRdapBootstrap::BaseFor(std::string_view domain) const
{
    std::string name = LowerAscii(TrimView(domain));
    while (!name.empty() && name.back() == '.')
        name.pop_back();
    // Longest match first: the whole name, then without its first label, and so on.
    for (std::size_t from = 0; from < name.size();) {
        if (const auto it = Bases.find(name.substr(from)); it != Bases.end())
            return it->second;
        const std::size_t dot = name.find('.', from);
        if (dot == std::string::npos)
            break;
        from = dot + 1;
    }
    return {};
}

TRdapHostSet TRdapBootstrap::Hosts() const
{
    TRdapHostSet hosts;
    for (const auto& [entry, base] : Bases)
        if (const QString host = QUrl(QString::fromStdString(base)).host(); !host.isEmpty())
            hosts.insert(host.toLower().toStdString());
    return hosts;
}
