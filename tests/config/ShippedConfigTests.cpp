#include "config/ConfigKeys.h"
#include "config/IniFile.h"
#include "whois/ResponseText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

const std::string SampleConfig = std::string(QUARROW_SOURCE_DATA_DIR) + "/mvwhois.ini";

std::string HostOf(const std::string& tld)
{
    return TIniFile(SampleConfig).ReadString("TLD", tld, std::string(ConfigKeys::FallbackWhoisHost));
}

std::string Label(const std::string& key, const std::string& answer, const std::string& host)
{
    std::string value;
    EXPECT_TRUE(ExtractLabelledValue(key, answer, host, value, SampleConfig));
    return value;
}

// The free/taken decision as result application makes it: the host's not-found text with the
// domain filled in, looked for without regard to case.
bool LooksFree(const std::string& answer, const std::string& domain)
{
    const std::string notFound =
        TIniFile(SampleConfig).ReadString(HostOf(domain.substr(domain.rfind('.') + 1)), "not_found_strings", "");
    const std::string wanted = ReplaceAll(notFound, ConfigKeys::DomainPlaceholder, domain);
    return !wanted.empty() && UpperAscii(answer).find(UpperAscii(wanted)) != std::string::npos;
}

TEST(ShippedConfigTest, EveryTopLevelDomainHasAHostWithANotFoundText)
{
    const TIniFile ini(SampleConfig);
    const std::vector<std::string> tlds = ini.ReadSection("TLD");
    ASSERT_GE(tlds.size(), 30u);
    std::set<std::string> seen;
    for (const std::string& tld : tlds) {
        EXPECT_TRUE(seen.insert(tld).second) << tld << " listed twice";
        EXPECT_TRUE(std::all_of(tld.begin(), tld.end(), [](char c) { return c >= 'a' && c <= 'z'; })) << tld;
        const std::string host = ini.ReadString("TLD", tld, "");
        ASSERT_FALSE(host.empty()) << tld;
        EXPECT_TRUE(ini.SectionExists(host)) << host;
        EXPECT_FALSE(ini.ReadString(host, "not_found_strings", "").empty()) << host;
        const std::vector<std::string> keys = ini.ReadSection(host);
        for (std::string_view key : {ConfigKeys::NotFoundStrings, ConfigKeys::WhoisServerString,
                                     ConfigKeys::RegistrarString, ConfigKeys::ExpiresString})
            EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << host << " lacks " << key;
    }
}

TEST(ShippedConfigTest, ReadsARegistryAnswerWithReferral)
{
    const std::string answer = "   Domain Name: LANTERNMOSS.COM\r\n"
                               "   Registrar WHOIS Server: whois.harbourlight-registrar.example\r\n"
                               "   Registry Expiry Date: 2027-03-14T18:02:51Z\r\n"
                               "   Registrar: Harbourlight Registrar, LLC\r\n"
                               "   Registrar IANA ID: 4917\r\n"
                               "NOTICE: The expiration date shown in this record is when the registrar's\r\n";
    const std::string host = HostOf("com");
    EXPECT_EQ(host, ConfigKeys::FallbackWhoisHost);
    EXPECT_FALSE(LooksFree(answer, "lanternmoss.com"));
    EXPECT_EQ(Label("whois_server_string", answer, host), "whois.harbourlight-registrar.example");
    EXPECT_EQ(Label("registrar_string", answer, host), "Harbourlight Registrar, LLC");
    EXPECT_EQ(Label("expires_string", answer, host), "2027-03-14T18:02:51Z");
    EXPECT_TRUE(LooksFree("No match for \"VELVETQUARRY.COM\".\r\n>>> Last update <<<\r\n", "velvetquarry.com"));
}

TEST(ShippedConfigTest, TellsFreeFromTakenWhereTheFooterSaysFree)
{
    const std::string freeUk = "\r\n    No match for \"quietharbour.co.uk\".\r\n\r\n"
                               "    This domain name has not been registered.\r\n"
                               "This WHOIS information is provided for free by the .uk registry.\r\n";
    const std::string takenUk = "    Registrar:\r\n        Fernbrook Hosting Ltd [Tag = FERNBROOK]\r\n"
                                "        Expiry date:  02-Feb-2027\r\n"
                                "This WHOIS information is provided for free by the .uk registry.\r\n";
    EXPECT_TRUE(LooksFree(freeUk, "quietharbour.co.uk"));
    EXPECT_FALSE(LooksFree(takenUk, "copperlane.co.uk"));
    EXPECT_EQ(Label("expires_string", takenUk, HostOf("uk")), "02-Feb-2027");
    EXPECT_EQ(Label("registrar_string", takenUk, HostOf("uk")), "");

    EXPECT_TRUE(LooksFree("Domain: kupferkanne.de\nStatus: free\n", "kupferkanne.de"));
    EXPECT_FALSE(LooksFree("Domain: wolkenband.de\nStatus: connect\n", "wolkenband.de"));
    EXPECT_TRUE(LooksFree("Domain:\tx.be\nStatus:\tAVAILABLE\n", "x.be"));
    EXPECT_FALSE(LooksFree("Domain:\tx.be\nStatus:\tNOT AVAILABLE\n", "x.be"));
}

} // namespace
