#include "settings/ConfigKeys.h"
#include "settings/EngineSettings.h"
#include "settings/IniFile.h"
#include "settings/ProxySettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingsTest, NoConfigurationFileGivesTheDesignedDefaults)
{
    TTempDir dir;
    const TEngineSettings settings = LoadSettings(dir.File("mvwhois.ini"));
    EXPECT_EQ(settings.ThreadLimit, 10);
    EXPECT_EQ(settings.Attempts, 5);
    EXPECT_EQ(settings.Pause, 250);
    EXPECT_FALSE(settings.UseHyphens);
    EXPECT_FALSE(settings.Proxy.UseProxy);
    EXPECT_EQ(settings.Proxy.SOCKS, 0);
    EXPECT_EQ(settings.Proxy.Port, "1080");
    EXPECT_EQ(settings.Proxy.Server, "");
    EXPECT_EQ(settings.Proxy.User, "");
    EXPECT_EQ(settings.Proxy.Password, "");

    const TIniFile ini(dir.File("mvwhois.ini"));
    EXPECT_TRUE(ini.Read(ConfigKeys::UseUpdate));
    EXPECT_TRUE(ini.Read(ConfigKeys::ShowTour));
    EXPECT_FALSE(ini.Read(ConfigKeys::UseUpdateWords));
    EXPECT_EQ(ini.Read(ConfigKeys::MainFormTop), 100);
    EXPECT_EQ(ini.Read(ConfigKeys::MainFormLeft), 100);
    EXPECT_EQ(ini.Read(ConfigKeys::MainFormWidth), 0);
}

TEST(SettingsTest, EveryKeyIsReadFromItsSection)
{
    TTempDir dir;
    const std::string path = dir.Write("mvwhois.ini", "[proxy]\n"
                                                      "usesocks=0\n"
                                                      "UseProxy=1\n"
                                                      "SOCKS=2\n"
                                                      "Server=127.0.0.1\n"
                                                      "User=\" me \"\n"
                                                      "Port=not a number\n"
                                                      "Password=p=w\n"
                                                      "[PREF]\n"
                                                      "Attempts=3\n"
                                                      "Pause=0x1F4\n"
                                                      "ThrdCount=25\n"
                                                      "UseHyp=1\n"
                                                      "[Other]\n"
                                                      "Attempts=9\n");
    const TEngineSettings settings = LoadSettings(path);
    EXPECT_TRUE(settings.Proxy.UseProxy);
    EXPECT_EQ(settings.Proxy.SOCKS, 2);
    EXPECT_EQ(settings.Proxy.Server, "127.0.0.1");
    EXPECT_EQ(settings.Proxy.User, " me ");
    EXPECT_EQ(settings.Proxy.Port, "not a number"); // stays text; converted where it is used
    EXPECT_EQ(settings.Proxy.Password, "p=w");
    EXPECT_EQ(settings.Attempts, 3);
    EXPECT_EQ(settings.Pause, 500);
    EXPECT_EQ(settings.ThreadLimit, 25);
    EXPECT_TRUE(settings.UseHyphens);

    const TProxySettings proxy = LoadProxySettings(path);
    EXPECT_EQ(proxy.SOCKS, 2);
    EXPECT_EQ(proxy.Password, "p=w");
}

TEST(SettingsTest, NonNumbersFallBackToTheDefaultsKeyByKey)
{
    TTempDir dir;
    const std::string path =
        dir.Write("mvwhois.ini", "[Pref]\nAttempts=many\nPause=fast\nThrdCount=12x\nUseHyp=maybe\n[Proxy]\nSOCKS=v5\n");
    const TEngineSettings settings = LoadSettings(path);
    EXPECT_EQ(settings.Attempts, 5);
    EXPECT_EQ(settings.Pause, 250);
    EXPECT_EQ(settings.ThreadLimit, 10);
    EXPECT_FALSE(settings.UseHyphens);
    EXPECT_EQ(settings.Proxy.SOCKS, 0);
}

TEST(SettingsTest, KeyTableWritesReadBack)
{
    TTempDir dir;
    const TIniFile ini(dir.File("mvwhois.ini"));
    ini.Write(ConfigKeys::ThreadCount, 3);
    ini.Write(ConfigKeys::UseProxy, true);
    ini.Write(ConfigKeys::ProxyPort, "9050");
    EXPECT_EQ(dir.Read("mvwhois.ini"), "[Pref]\nThrdCount=3\n[Proxy]\nUseProxy=1\nPort=9050\n");
    const TEngineSettings settings = LoadSettings(ini.FileName());
    EXPECT_EQ(settings.ThreadLimit, 3);
    EXPECT_TRUE(settings.Proxy.UseProxy);
    EXPECT_EQ(settings.Proxy.Port, "9050");
}

} // namespace
