// Feeds arbitrary bytes to the RDAP answer reader and the bootstrap file reader. The first byte
// picks the HTTP status (mostly 200, so that bodies get parsed), the rest is the body. An answer
// is free exactly for 404, taken only for 200 with a JSON object, an error otherwise; only a taken
// answer carries a registrar, server or expiry, each one line of bounded length, and an expiry day
// is the date its text starts with; the log text stays bounded. A body the bootstrap reader
// accepts only yields https bases ending with '/'.
#include "FuzzSupport.h"

#include "base/AsciiText.h"
#include "core/ExpiryDate.h"
#include "rdap/RdapAnswer.h"
#include "rdap/RdapBootstrap.h"

#include <QByteArray>
#include <QJsonDocument>

#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr int Statuses[] = {200, 200, 200, 200, 200, 404, 429, 503, 500, 302, 0, 204};

bool IsOneBoundedLine(const std::string& text)
{
    if (text.size() > 255 * 3)
        return false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    return text.empty() || (text.front() != ' ' && text.back() != ' ');
}

void CheckAnswer(int status, const std::string& body)
{
    const TRdapAnswer answer = ReadRdapAnswer(status, body);
    FUZZ_REQUIRE((answer.Verdict == TRdapVerdict::Free) == (status == 404));
    if (answer.Verdict == TRdapVerdict::Taken) {
        FUZZ_REQUIRE(status == 200 && body.size() <= MaxRdapBodyBytes);
        FUZZ_REQUIRE(QJsonDocument::fromJson(QByteArray(body.data(), static_cast<qsizetype>(body.size()))).isObject());
    } else {
        FUZZ_REQUIRE(answer.Registrar.empty() && answer.RegistrarServer.empty());
        FUZZ_REQUIRE(answer.ExpiryDay == 0 && answer.ExpiryText.empty());
    }
    FUZZ_REQUIRE(IsOneBoundedLine(answer.Registrar));
    FUZZ_REQUIRE(IsOneBoundedLine(answer.RegistrarServer));
    FUZZ_REQUIRE(IsOneBoundedLine(answer.ExpiryText));
    if (answer.ExpiryDay != 0)
        FUZZ_REQUIRE(answer.ExpiryText.rfind(IsoDateFromDayNumber(answer.ExpiryDay), 0) == 0);
    FUZZ_REQUIRE(!answer.LogText.empty());
    FUZZ_REQUIRE(answer.LogText.size() <= MaxRdapLogBytes + 200);
}

void CheckBootstrap(const std::string& body)
{
    TRdapBootstrap bootstrap;
    if (!bootstrap.Parse(body)) {
        FUZZ_REQUIRE(!bootstrap.Problem().empty() && bootstrap.Problem().find('\n') == std::string::npos);
        return;
    }
    FUZZ_REQUIRE(bootstrap.EntryCount() > 0);
    for (const char* name : {"a.com", "x.y.example", "com", "a.b.c.d"}) {
        const std::string base = bootstrap.BaseFor(name);
        FUZZ_REQUIRE(base.empty() || (base.size() > 8 && EqualsIgnoringCase(base.substr(0, 8), "https://")));
        FUZZ_REQUIRE(base.empty() || base.back() == '/');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int status = Statuses[data[0] % (sizeof Statuses / sizeof Statuses[0])];
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    CheckAnswer(status, body);
    CheckBootstrap(body);
    return 0;
}
