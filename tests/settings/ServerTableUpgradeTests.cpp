#include "settings/ServerTableUpgrade.h"

#include "settings/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

namespace {

// A table as an earlier version shipped it, after its user changed one server, emptied one key,
// deleted another and wrote a not-found text of their own.
const std::string EarlierTable =
    "; my notes\n[Pref]\nThrdCount=30\n\n[TLD]\ncom=whois.mine.test\ninfo=\nde=whois.denic.de\n\n"
    "[whois.denic.de]\nnot_found_strings=Status: free (mine)\n";
const std::string ShippedTable =
    "; shipped\n[TLD]\ninfo=\ncom=whois.verisign-grs.com\nde=whois.denic.de\nnet=whois.verisign-grs.com\n"
    "berlin=whois.nic.berlin\n\n[whois.denic.de]\nnot_found_strings=Status: free\n"
    "registrar_string=Registrar:\n\n[whois.nic.berlin]\nnot_found_strings=not found\n"
    "expires_string=Registry Expiry Date:|Expires:\n";

TEST(ServerTableUpgradeTest, TheUsersFileGainsWhatItLacksAndKeepsEveryValueItHolds)
{
    TTempDir dir;
    const std::string user = dir.Write("user.ini", EarlierTable);
    const std::string shipped = dir.Write("shipped.ini", ShippedTable);
    const TServerTableGain gain = TServerTableUpgrade(user, shipped).Run();
    EXPECT_EQ(gain.Error, "");
    EXPECT_EQ(gain.TopLevelDomains, 2);
    EXPECT_EQ(gain.Hosts, 2);
    EXPECT_EQ(gain.Message(), "The server table gained 2 top-level domains and response strings for 2 hosts from the "
                              "shipped table; your own entries were kept.");

    const TIniFile file(user);
    EXPECT_EQ(file.ReadString("TLD", "com", "?"), "whois.mine.test");
    EXPECT_EQ(file.ReadString("TLD", "info", "?"), "");
    EXPECT_EQ(file.ReadString("TLD", "net", "?"), "whois.verisign-grs.com");
    EXPECT_EQ(file.ReadString("TLD", "berlin", "?"), "whois.nic.berlin");
    EXPECT_EQ(file.ReadString("whois.denic.de", "not_found_strings", "?"), "Status: free (mine)");
    EXPECT_EQ(file.ReadString("whois.denic.de", "registrar_string", "?"), "Registrar:");
    EXPECT_EQ(file.ReadString("whois.nic.berlin", "expires_string", "?"), "Registry Expiry Date:|Expires:");
    EXPECT_EQ(file.ReadInteger("Pref", "ThrdCount", 0), 30);
    EXPECT_EQ(dir.Read("user.ini").rfind("; my notes\n", 0), 0u);

    // The same shipped table again adds nothing, and a key the user deletes now stays deleted.
    file.DeleteKey("TLD", "berlin");
    const std::string before = dir.Read("user.ini");
    EXPECT_FALSE(TServerTableUpgrade(user, shipped).Run().Gained());
    EXPECT_EQ(dir.Read("user.ini"), before);

    // A newer shipped table brings its new keys (and the deleted one, which it still lists).
    dir.Write("shipped.ini", ShippedTable + "min_interval=500\n");
    const TServerTableGain newer = TServerTableUpgrade(user, shipped).Run();
    EXPECT_EQ(newer.TopLevelDomains, 1);
    EXPECT_EQ(newer.Message().rfind("The server table gained 1 top-level domain and response strings for 1 host", 0),
              0u);
    EXPECT_EQ(file.ReadString("whois.nic.berlin", "min_interval", "?"), "500");

    // A section the shipped table names twice, in two cases, counts once; the keys of a section too
    // long for its key list are still the user's when they are beyond that list (listed last).
    std::string mine = "[whois.long.test]\n";
    std::string theirs = mine;
    for (int i = 0; i < 2000; ++i) {
        mine += "key" + std::to_string(11999 - i) + "=mine\n";
        theirs += "key" + std::to_string(10000 + i) + "=shipped\n";
    }
    ASSERT_GT(2000 * (std::string("key10000").size() + 1), TIniFile::MaxSectionListBytes);
    const std::string longUser = dir.Write("long.ini", mine);
    const std::string twice = dir.Write("twice.ini", "[TLD]\nio=whois.nic.io\n[tld]\nio=whois.nic.io\n" + theirs);
    const TServerTableGain longGain = TServerTableUpgrade(longUser, twice).Run();
    EXPECT_EQ(longGain.TopLevelDomains, 1);
    EXPECT_EQ(longGain.Hosts, 0);
    EXPECT_EQ(TIniFile(longUser).ReadString("whois.long.test", "key10000", "?"), "mine");
}

TEST(ServerTableUpgradeTest, TheShippedTableReachesAFileOfAnEarlierVersion)
{
    TTempDir dir;
    const std::string user = dir.Write("user.ini", EarlierTable);
    const std::string shipped = std::string(QUARROW_SOURCE_DATA_DIR) + "/mvwhois.ini";
    const TServerTableGain gain = TServerTableUpgrade(user, shipped).Run();
    const TIniFile mine(user);
    const TIniFile table(shipped);
    EXPECT_EQ(gain.TopLevelDomains + 3, static_cast<int>(table.ReadSection("TLD").size()));
    EXPECT_EQ(mine.ReadSection("TLD").size(), table.ReadSection("TLD").size());
    EXPECT_EQ(mine.ReadString("TLD", "com", "?"), "whois.mine.test");
    EXPECT_EQ(mine.ReadString("TLD", "berlin", "?"), table.ReadString("TLD", "berlin", "!"));
    EXPECT_EQ(mine.ReadString("whois.denic.de", "not_found_strings", "?"), "Status: free (mine)");
}

TEST(ServerTableUpgradeTest, UnreadableTablesAddNothing)
{
    TTempDir dir;
    const std::string user = dir.Write("user.ini", EarlierTable);
    EXPECT_FALSE(TServerTableUpgrade(user, dir.File("missing.ini")).Run().Gained());
    EXPECT_EQ(dir.Read("user.ini"), EarlierTable);
    EXPECT_EQ(TServerTableUpgrade::Stamp(dir.File("missing.ini")), "");
    EXPECT_EQ(TServerTableUpgrade::Stamp(user).size(), 16u);

    // A user's file that cannot be replaced says why and stays what it was.
    dir.Write("shipped.ini", ShippedTable);
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0700), 0);
    const TServerTableGain gain = TServerTableUpgrade(dir.File("folder"), dir.File("shipped.ini")).Run();
    EXPECT_FALSE(gain.Gained());
    EXPECT_NE(gain.Message().find("could not take"), std::string::npos) << gain.Message();
    struct stat info;
    EXPECT_TRUE(::stat(dir.File("folder").c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

} // namespace
