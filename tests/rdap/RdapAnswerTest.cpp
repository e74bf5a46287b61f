#include "rdap/RdapAnswer.h"

#include "core/ExpiryDate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A registry answer in the layout gTLD registries use: registrar as a top-level entity with a
// jCard, the registrar's own RDAP service as a "related" link, the expiry as an event.
const std::string TakenAnswer = R"({
  "objectClassName": "domain",
  "handle": "2336799_DOMAIN_COM-VRSN",
  "ldhName": "QUARRYLANE.COM",
  "links": [
    {"value": "https://rdap.registry.test/com/v1/domain/QUARRYLANE.COM", "rel": "self",
     "href": "https://rdap.registry.test/com/v1/domain/QUARRYLANE.COM", "type": "application/rdap+json"},
    {"value": "https://rdap.registrar.test/rdap/domain/QUARRYLANE.COM", "rel": "related",
     "href": "https://rdap.registrar.test/rdap/domain/QUARRYLANE.COM", "type": "application/rdap+json"}
  ],
  "status": ["client transfer prohibited"],
  "entities": [
    {"objectClassName": "entity", "handle": "292", "roles": ["registrar"],
     "publicIds": [{"type": "IANA Registrar ID", "identifier": "292"}],
     "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "Example Registrar, Inc."]]],
     "entities": [{"objectClassName": "entity", "roles": ["abuse"],
                   "vcardArray": ["vcard", [["version", {}, "text", "4.0"], ["fn", {}, "text", "Abuse Desk"]]]}]}
  ],
  "events": [
    {"eventAction": "registration", "eventDate": "1997-09-15T04:00:00Z"},
    {"eventAction": "expiration", "eventDate": "2028-09-14T04:00:00Z"},
    {"eventAction": "last update of RDAP database", "eventDate": "2026-12-09T21:00:00Z"}
  ],
  "port43": "whois.registry.test"
})";

std::string Nested(int depth)
{
    return std::string(static_cast<std::size_t>(depth), '[') + std::string(static_cast<std::size_t>(depth), ']');
}

TEST(RdapAnswer, TakenAnswerGivesRegistrarItsServerAndTheExpiryDay)
{
    const TRdapAnswer answer = ReadRdapAnswer(200, TakenAnswer);
    EXPECT_EQ(answer.Verdict, TRdapVerdict::Taken);
    EXPECT_EQ(answer.Registrar, "Example Registrar, Inc.");
    EXPECT_EQ(answer.RegistrarServer, "https://rdap.registrar.test/rdap/");
    EXPECT_EQ(answer.ExpiryText, "2028-09-14T04:00:00Z");
    EXPECT_EQ(answer.ExpiryDay, DayNumberFromDate(2028, 9, 14));
    // Pretty-printed: one member a line, the whole object kept.
    EXPECT_NE(answer.LogText.find("\n    \"ldhName\": \"QUARRYLANE.COM\""), std::string::npos) << answer.LogText;
    EXPECT_NE(answer.LogText.find("last update of RDAP database"), std::string::npos);
}

TEST(RdapAnswer, FreeOnlyFor404WhateverTheBody)
{
    for (const std::string& body : {std::string(R"({"errorCode":404,"title":"Not Found"})"),
                                    std::string("<html><body>Not found</body></html>"), std::string()}) {
        const TRdapAnswer answer = ReadRdapAnswer(404, body);
        EXPECT_EQ(answer.Verdict, TRdapVerdict::Free) << body;
        EXPECT_TRUE(answer.Registrar.empty());
        EXPECT_EQ(answer.ExpiryDay, 0);
    }
    const std::string log = ReadRdapAnswer(404, R"({"errorCode":404,"title":"Not Found"})").LogText;
    EXPECT_EQ(log.rfind("HTTP status 404 (no such domain)\r\n{", 0), 0u) << log;
    EXPECT_NE(log.find("\"title\": \"Not Found\""), std::string::npos) << log;
}

TEST(RdapAnswer, OtherStatusesAreErrorsEvenWithADomainObject)
{
    for (const int status : {0, 204, 301, 400, 403, 429, 500, 503}) {
        const TRdapAnswer answer = ReadRdapAnswer(status, TakenAnswer);
        EXPECT_EQ(answer.Verdict, TRdapVerdict::Error) << status;
        EXPECT_NE(answer.LogText.find("HTTP status " + std::to_string(status)), std::string::npos) << answer.LogText;
        EXPECT_TRUE(answer.Registrar.empty()) << status;
    }
    EXPECT_NE(ReadRdapAnswer(429, "").LogText.find("too many requests"), std::string::npos);
}

TEST(RdapAnswer, A200WithoutADomainObjectIsAnError)
{
    const struct
    {
        const char* body;
        const char* why;
    } cases[] = {
        {"<!DOCTYPE html><html><body>Rate limited</body></html>", "not JSON"},
        {"", "not JSON"},
        {R"({"objectClassName": "domain", "ldhName": "CUT.COM", "entities": [)", "not JSON"},
        {R"({"errorCode": 429, "title": "Too Many Requests"})", "not an RDAP domain object"},
        {R"({"objectClassName": "entity", "handle": "292"})", "not an RDAP domain object"},
        {R"({"objectClassName": "domain search results"})", "not an RDAP domain object"},
        {R"(["objectClassName", "domain"])", "not an RDAP domain object"},
        {R"("domain")", "RDAP error"},
        // A name in LDH form beside an error code is an error object, not a domain.
        {R"({"ldhName":"a.test","errorCode":404})", "not an RDAP domain object"},
    };
    for (const auto& c : cases) {
        const TRdapAnswer answer = ReadRdapAnswer(200, c.body);
        EXPECT_EQ(answer.Verdict, TRdapVerdict::Error) << c.body;
        EXPECT_NE(answer.LogText.find(c.why), std::string::npos) << c.body << "\n" << answer.LogText;
    }
}

TEST(RdapAnswer, MissingOrOddPartsLeaveTheirFieldsEmptyButTheNameTaken)
{
    const struct
    {
        const char* body;
        const char* registrar;
        const char* server;
        int expiryDay;
        const char* expiryText;
    } cases[] = {
        // Bare domain object, and one without a class name from an early server.
        {R"({"objectClassName":"domain","ldhName":"a.test"})", "", "", 0, ""},
        {R"({"ldhName":"a.test"})", "", "", 0, ""},
        // Registrar nested under a reseller, its WHOIS server as port43; a date-only expiry.
        {R"({"objectClassName":"Domain","entities":[{"roles":["reseller"],"entities":[{"roles":["REGISTRAR"],
            "port43":"whois.registrar.test","vcardArray":["vcard",[["fn",{},"text","  Nested Ltd  "]]]}]}],
            "events":[{"eventAction":"Expiration","eventDate":"2027-02-28"}]})",
         "Nested Ltd", "whois.registrar.test", DayNumberFromDate(2027, 2, 28), "2027-02-28"},
        // Impossible dates and wrong types give no day but keep the text as sent.
        {R"({"objectClassName":"domain","events":[{"eventAction":"expiration","eventDate":"2027-02-30T00:00:00Z"}]})",
         "", "", 0, "2027-02-30T00:00:00Z"},
        {R"({"objectClassName":"domain","events":[{"eventAction":"expiration","eventDate":"14 Sep 2028"}]})", "", "", 0,
         "14 Sep 2028"},
        {R"({"objectClassName":"domain","events":[{"eventAction":"expiration","eventDate":"1899-12-31"}]})", "", "", 0,
         "1899-12-31"},
        // Digits only: "%d"-style reading would take "2x" for day 2 and " 2" for February.
        {R"({"objectClassName":"domain","events":[{"eventAction":"expiration","eventDate":"2027-02-2x"}]})", "", "", 0,
         "2027-02-2x"},
        {R"({"objectClassName":"domain","events":[{"eventAction":"expiration","eventDate":"2027- 2-+1"}]})", "", "", 0,
         "2027- 2-+1"},
        {R"({"objectClassName":"domain","events":[{"eventAction":"expiration","eventDate":20280914}],
            "entities":[{"roles":"registrar","vcardArray":["vcard",[["fn",{},"text","Not A Role List"]]]}]})",
         "", "", 0, ""},
        // A link back to the answering base is no referral; the registrar's port43 is the fallback.
        // A byte order mark in front of the body is tolerated.
        {"\xEF\xBB\xBF"
         R"({"objectClassName":"domain","entities":[{"roles":["registrar"],"port43":"whois.r.test"}],
            "links":[{"rel":"self","href":"https://rdap.reg.test/v1/domain/a.test"},
                     {"rel":"related","href":"https://RDAP.reg.test/v1/domain/a.test"}]})",
         "", "whois.r.test", 0, ""},
        // A registrar name with a line break stays one table cell; a plain-http or non-domain link
        // is not the registrar's RDAP base.
        {R"({"objectClassName":"domain","entities":[{"roles":["technical","registrar"],
            "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Line\nBreak"]]]}],
            "links":[{"rel":"related","href":"http://rdap.registrar.test/domain/a.test"},
                     {"rel":"related","href":"https://rdap.registrar.test/entity/292"}]})",
         "Line Break", "", 0, ""},
        // DEL is a control character too; a related link without a type still names the registrar's base.
        {R"({"objectClassName":"domain","entities":[{"roles":["registrar"],
            "vcardArray":["vcard",[["fn",{},"text","Bad\u007fName"]]]}],
            "links":[{"rel":"related","href":"https://rdap.registrar.test/v2/domain/a.test"}]})",
         "Bad Name", "https://rdap.registrar.test/v2/", 0, ""},
    };
    for (const auto& c : cases) {
        const TRdapAnswer answer = ReadRdapAnswer(200, c.body);
        EXPECT_EQ(answer.Verdict, TRdapVerdict::Taken) << c.body << "\n" << answer.LogText;
        EXPECT_EQ(answer.Registrar, c.registrar) << c.body;
        EXPECT_EQ(answer.RegistrarServer, c.server) << c.body;
        EXPECT_EQ(answer.ExpiryDay, c.expiryDay) << c.body;
        EXPECT_EQ(answer.ExpiryText, c.expiryText) << c.body;
    }
}

TEST(RdapAnswer, HugeAndDeepBodiesAreBoundedErrors)
{
    // 20 MB of valid JSON: refused unparsed, the log keeps only an excerpt.
    std::string huge = R"({"objectClassName":"domain","remarks":[")" + std::string(20 * 1024 * 1024, 'x') + R"("]})";
    TRdapAnswer answer = ReadRdapAnswer(200, huge);
    EXPECT_EQ(answer.Verdict, TRdapVerdict::Error);
    EXPECT_LT(answer.LogText.size(), 8 * 1024u);
    EXPECT_EQ(ReadRdapAnswer(404, huge).Verdict, TRdapVerdict::Free);
    EXPECT_LT(ReadRdapAnswer(404, huge).LogText.size(), 8 * 1024u);

    // Nesting 100,000 deep must neither recurse the stack away nor pass as an answer.
    answer = ReadRdapAnswer(200, Nested(100000));
    EXPECT_EQ(answer.Verdict, TRdapVerdict::Error);
    EXPECT_LT(answer.LogText.size(), 8 * 1024u);
    answer = ReadRdapAnswer(200, R"({"objectClassName":"domain","remarks":)" + Nested(100000) + "}");
    EXPECT_EQ(answer.Verdict, TRdapVerdict::Error);

    // Indenting a thousand levels makes each nest megabytes long: the log must be cut while it is
    // written, not after.
    std::string nests = R"({"objectClassName":"domain","remarks":[)";
    while (nests.size() < MaxRdapBodyBytes - 3000)
        nests += Nested(1000) + ",";
    nests += "[]]}";
    answer = ReadRdapAnswer(200, nests);
    EXPECT_EQ(answer.Verdict, TRdapVerdict::Taken);
    EXPECT_LT(answer.LogText.size(), MaxRdapLogBytes + 200);
    EXPECT_LT(ReadRdapAnswer(404, nests).LogText.size(), MaxRdapLogBytes + 200);
    nests[2] = 'X'; // no longer a domain object: an error whose log keeps an excerpt
    EXPECT_LT(ReadRdapAnswer(200, nests).LogText.size(), 8 * 1024u);

    // Just within the body bound, a domain object whose pretty form outgrows the log bound is taken,
    // its log cut and marked.
    std::string big = R"({"objectClassName":"domain","remarks":[)";
    while (big.size() < MaxRdapBodyBytes - 100)
        big += R"({"description":["a"]},)";
    big += R"({}]})";
    answer = ReadRdapAnswer(200, big);
    EXPECT_EQ(answer.Verdict, TRdapVerdict::Taken);
    EXPECT_LT(answer.LogText.size(), MaxRdapLogBytes + 200);
    EXPECT_NE(answer.LogText.find("[Answer cut: only its first"), std::string::npos);
}

} // namespace
