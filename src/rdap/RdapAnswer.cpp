#include "rdap/RdapAnswer.h"

#include "core/ExpiryDate.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdio>
#include <iterator>
#include <string_view>

namespace {

// A registrar name or server longer than this is not a name; it would only widen the table.
constexpr qsizetype MaxFieldChars = 255;
// How much of a body that is not RDAP JSON the log keeps: enough to recognise an HTML error page.
constexpr std::size_t MaxJunkLogBytes = 4096;

// Bytes for a table cell or the log: control characters (a line break inside a registrar name
// would split a project record) become spaces, surrounding blanks go.
std::string CellText(const QString& text)
{
    QString clean = text.left(MaxFieldChars);
    for (QChar& c : clean) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return clean.trimmed().toStdString();
}

// A body excerpt for the log; NULs and other control bytes would cut or garble the answers panel.
std::string Excerpt(std::string_view body, std::size_t limit)
{
    std::string text(body.substr(0, limit));
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\r' && c != '\n' && c != '\t')
            c = '.';
    }
    if (body.size() > limit)
        text += "\r\n[Answer cut: only its first " + std::to_string(limit) + " of " + std::to_string(body.size()) +
                " bytes are kept]";
    return text;
}

std::string ErrorLog(const std::string& why, const std::string& body)
{
    std::string text = "RDAP error: " + why;
    if (!body.empty())
        text += "\r\n" + Excerpt(body, MaxJunkLogBytes);
    return text;
}

// The JSON indented four spaces a level, as Qt writes it, but written by hand so that it stops at
// `limit`: indenting a body of deep nests multiplies its size by the depth, a gigabyte from a
// megabyte.
class TPrettyWriter
{
public:
    explicit TPrettyWriter(std::size_t limit) : Limit(limit) {}

    std::string Text(const QJsonDocument& document)
    {
        if (document.isArray())
            Value(document.array(), 0);
        else
            Value(document.object(), 0);
        if (Out.size() > Limit) {
            Out.resize(Limit);
            Out += "\r\n[Answer cut: only its first " + std::to_string(Limit) + " bytes are kept]";
        } else {
            Out += '\n';
        }
        return std::move(Out);
    }

private:
    bool Full() const { return Out.size() > Limit; }
    void Indent(int depth) { Out.append(static_cast<std::size_t>(depth) * 4, ' '); }

    void String(const QString& text)
    {
        Out += '"';
        for (const char c : text.toStdString()) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                Out += '\\';
                Out += c;
            } else if (c == '\n') {
                Out += "\\n";
            } else if (c == '\r') {
                Out += "\\r";
            } else if (c == '\t') {
                Out += "\\t";
            } else if (byte < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                Out += escape;
            } else {
                Out += c;
            }
        }
        Out += '"';
    }

    void Value(const QJsonValue& value, int depth)
    {
        switch (value.type()) {
        case QJsonValue::Object: {
            const QJsonObject object = value.toObject();
            if (object.isEmpty()) {
                Out += "{}";
                return;
            }
            Out += "{\n";
            for (auto it = object.begin(); it != object.end() && !Full(); ++it) {
                Indent(depth + 1);
                String(it.key());
                Out += ": ";
                Value(it.value(), depth + 1);
                Out += std::next(it) == object.end() ? "\n" : ",\n";
            }
            Indent(depth);
            Out += '}';
            return;
        }
        case QJsonValue::Array: {
            const QJsonArray array = value.toArray();
            if (array.isEmpty()) {
                Out += "[]";
                return;
            }
            Out += "[\n";
            for (qsizetype i = 0; i < array.size() && !Full(); ++i) {
                Indent(depth + 1);
                Value(array.at(i), depth + 1);
                Out += i + 1 == array.size() ? "\n" : ",\n";
            }
            Indent(depth);
            Out += ']';
            return;
        }
        case QJsonValue::String:
            String(value.toString());
            return;
        case QJsonValue::Double: {
            // Whole numbers as integers, others in their shortest exact form.
            const double number = value.toDouble();
            if (std::abs(number) < 9007199254740992.0 && number == std::trunc(number))
                Out += std::to_string(static_cast<long long>(number));
            else
                Out += QByteArray::number(number, 'g', QLocale::FloatingPointShortest).toStdString();
            return;
        }
        case QJsonValue::Bool:
            Out += value.toBool() ? "true" : "false";
            return;
        default:
            Out += "null";
            return;
        }
    }

    std::size_t Limit;
    std::string Out;
};

std::string PrettyLog(const QJsonDocument& document, std::size_t limit = MaxRdapLogBytes)
{
    return TPrettyWriter(limit).Text(document);
}

bool SameText(const QJsonValue& value, QLatin1StringView text)
{
    return value.isString() && value.toString().compare(text, Qt::CaseInsensitive) == 0;
}

bool HasRole(const QJsonObject& entity, QLatin1StringView role)
{
    const QJsonArray roles = entity.value(QLatin1StringView("roles")).toArray();
    for (const QJsonValue& r : roles) {
        if (SameText(r, role))
            return true;
    }
    return false;
}

// The "fn" property of a jCard (RFC 7095): ["vcard", [[name, params, type, value], ...]].
QString FormattedName(const QJsonObject& entity)
{
    const QJsonArray card = entity.value(QLatin1StringView("vcardArray")).toArray();
    if (card.size() < 2 || !SameText(card.at(0), QLatin1StringView("vcard")))
        return {};
    const QJsonArray properties = card.at(1).toArray();
    for (const QJsonValue& p : properties) {
        const QJsonArray property = p.toArray();
        if (property.size() >= 4 && SameText(property.at(0), QLatin1StringView("fn")) && property.at(3).isString())
            return property.at(3).toString();
    }
    return {};
}

// The registrar is a top-level entity in every registry answer seen; some nest it one level down
// (under the reseller or the registrant), never deeper.
QJsonObject FindRegistrar(const QJsonObject& domain)
{
    const QJsonArray entities = domain.value(QLatin1StringView("entities")).toArray();
    for (const QJsonValue& e : entities) {
        if (HasRole(e.toObject(), QLatin1StringView("registrar")))
            return e.toObject();
    }
    for (const QJsonValue& e : entities) {
        const QJsonArray inner = e.toObject().value(QLatin1StringView("entities")).toArray();
        for (const QJsonValue& i : inner) {
            if (HasRole(i.toObject(), QLatin1StringView("registrar")))
                return i.toObject();
        }
    }
    return {};
}

// The base address in front of "domain/NAME" of an RDAP link, or empty.
QString RdapBaseOf(const QString& href)
{
    if (!href.startsWith(QLatin1StringView("https://"), Qt::CaseInsensitive))
        return {};
    const qsizetype at = href.lastIndexOf(QLatin1StringView("/domain/"), -1, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    return href.left(at + 1);
}

// Registries name the registrar's own RDAP service as a "related" link to the same domain at
// another base (a link back to the base that answered is no referral); a registrar that still
// runs port 43 may be named by the entity's "port43" member.
QString RegistrarServerOf(const QJsonObject& domain, const QJsonObject& registrar)
{
    const QJsonArray links = domain.value(QLatin1StringView("links")).toArray();
    QString self;
    for (const QJsonValue& l : links) {
        const QJsonObject link = l.toObject();
        if (SameText(link.value(QLatin1StringView("rel")), QLatin1StringView("self")))
            self = RdapBaseOf(link.value(QLatin1StringView("href")).toString());
    }
    for (const QJsonValue& l : links) {
        const QJsonObject link = l.toObject();
        if (!SameText(link.value(QLatin1StringView("rel")), QLatin1StringView("related")))
            continue;
        const QJsonValue type = link.value(QLatin1StringView("type"));
        if (!type.isUndefined() && !SameText(type, QLatin1StringView("application/rdap+json")))
            continue;
        const QString base = RdapBaseOf(link.value(QLatin1StringView("href")).toString());
        if (!base.isEmpty() && base.compare(self, Qt::CaseInsensitive) != 0)
            return base;
    }
    return registrar.value(QLatin1StringView("port43")).toString();
}

void ReadExpiry(const QJsonObject& domain, TRdapAnswer& answer)
{
    const QJsonArray events = domain.value(QLatin1StringView("events")).toArray();
    for (const QJsonValue& e : events) {
        const QJsonObject event = e.toObject();
        if (!SameText(event.value(QLatin1StringView("eventAction")), QLatin1StringView("expiration")))
            continue;
        answer.ExpiryText = CellText(event.value(QLatin1StringView("eventDate")).toString());
        // RFC 3339 dates: the calendar day is the first ten characters, whatever the time zone.
        const std::string& text = answer.ExpiryText;
        const auto digits = [&text](std::size_t from, std::size_t count) {
            int value = 0;
            for (std::size_t i = from; i < from + count; ++i) {
                if (text[i] < '0' || text[i] > '9')
                    return -1;
                value = value * 10 + (text[i] - '0');
            }
            return value;
        };
        if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
            const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
            const int dayNumber = DayNumberFromDate(year, month, day);
            const TCalendarDate back = DateFromDayNumber(dayNumber);
            if (year > 1899 && back.Year == year && back.Month == month && back.Day == day)
                answer.ExpiryDay = dayNumber;
        }
        return;
    }
}

bool IsDomainObject(const QJsonObject& object)
{
    const QJsonValue className = object.value(QLatin1StringView("objectClassName"));
    if (!className.isUndefined())
        return SameText(className, QLatin1StringView("domain"));
    // Early servers left the class name out; a name in LDH form still marks a domain.
    return object.value(QLatin1StringView("ldhName")).isString() && !object.contains(QLatin1StringView("errorCode"));
}

} // namespace

TRdapAnswer ReadRdapAnswer(int httpStatus, const std::string& body)
{
    TRdapAnswer answer;
    if (httpStatus != 200 && httpStatus != 404) {
        std::string why = "HTTP status " + std::to_string(httpStatus);
        if (httpStatus == 429)
            why += " (too many requests)";
        else if (httpStatus >= 500 && httpStatus <= 599)
            why += " (server error)";
        answer.LogText = ErrorLog(why, body);
        return answer;
    }
    const bool tooLarge = body.size() > MaxRdapBodyBytes;
    QJsonParseError error{};
    QJsonDocument document;
    if (!tooLarge) {
        // JSON has no byte order mark, but some servers put one in front; Qt's parser would refuse it.
        const std::size_t skip = body.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
        // Qt's parser refuses nesting deeper than a fixed limit with an error rather than recursing on.
        document =
            QJsonDocument::fromJson(QByteArray(body.data() + skip, static_cast<qsizetype>(body.size() - skip)), &error);
    }
    const bool isJson = !tooLarge && error.error == QJsonParseError::NoError;
    if (httpStatus == 404) {
        // The status alone says there is no such domain; the body is an optional error object.
        answer.Verdict = TRdapVerdict::Free;
        answer.LogText = "HTTP status 404 (no such domain)\r\n" +
                         (isJson ? PrettyLog(document, MaxJunkLogBytes) : Excerpt(body, MaxJunkLogBytes));
        return answer;
    }
    if (tooLarge) {
        answer.LogText =
            ErrorLog("an answer of " + std::to_string(body.size()) + " bytes, far more than any domain object", body);
        return answer;
    }
    if (!isJson) {
        answer.LogText = ErrorLog("the answer is not JSON (" + error.errorString().toStdString() + " at byte " +
                                      std::to_string(error.offset) + ")",
                                  body);
        return answer;
    }
    if (!document.isObject() || !IsDomainObject(document.object())) {
        answer.LogText =
            "RDAP error: the answer is JSON but not an RDAP domain object\r\n" + PrettyLog(document, MaxJunkLogBytes);
        return answer;
    }
    const QJsonObject domain = document.object();
    answer.Verdict = TRdapVerdict::Taken;
    const QJsonObject registrar = FindRegistrar(domain);
    answer.Registrar = CellText(FormattedName(registrar));
    answer.RegistrarServer = CellText(RegistrarServerOf(domain, registrar));
    ReadExpiry(domain, answer);
    answer.LogText = PrettyLog(document);
    return answer;
}
