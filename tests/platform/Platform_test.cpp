#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/Datafolder.h"
#include "platform/Datetime.h"
#include "platform/Inifile.h"
#include "platform/Registry.h"
#include "platform/Version.h"
#include "support/Testsupport.h"

TEST(DataFolder, FollowsCaddoraHomeAndIsCreated) {
    TempHome home;
    std::string sub = home.Path() + "/nested/data";
    setenv("CADDORA_HOME", sub.c_str(), 1);
    EXPECT_EQ(DataFolder(), sub);
    struct stat st {};
    EXPECT_EQ(stat(sub.c_str(), &st), 0);
    EXPECT_EQ(DataPath("kx.mdb"), sub + "/kx.mdb");
}

TEST(DataFolder, FallsBackToXdgDataHome) {
    TempHome home;
    unsetenv("CADDORA_HOME");
    setenv("XDG_DATA_HOME", home.Path().c_str(), 1);
    EXPECT_EQ(DataFolder(), home.Path() + "/caddora");
    unsetenv("XDG_DATA_HOME");
}

TEST(Registry, PlayerKeysAreSeparateAndMissingValuesReadEmpty) {
    TempHome home;
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "");
    ASSERT_TRUE(RegWriteString(RegRoot::LocalMachine, PlayerKey(2), "IsMeter", "false"));
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(2), "IsMeter"), "false");
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "");
    EXPECT_EQ(RegReadString(RegRoot::CurrentUser, PlayerKey(2), "IsMeter"), "");
    EXPECT_EQ(PlayerKey(12), "Software\\Orlent\\Caddora\\12");

    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("Software\\Orlent\\Caddora\\9", false));
    EXPECT_EQ(reg.ReadString("IsMeter"), "");
    EXPECT_TRUE(reg.OpenKey("Software\\Orlent\\Caddora\\9", true));
    EXPECT_TRUE(reg.KeyExists("Software\\Orlent\\Caddora\\9"));
    EXPECT_EQ(reg.ReadString("UserName"), "");

    struct stat st {};
    ASSERT_EQ(stat(home.File("caddora.conf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the settings file holds a password";
}

// A line break or another control character never reaches the file, in a
// value, a key or a section: it would plant sections and keys of its own.
TEST(Registry, ValuesKeepEqualsSignsAndSpacesButNoControlCharacters) {
    TempHome home;
    ASSERT_TRUE(RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Password", "a=b c"));
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "Password"), "a=b c");
    // Blanks at either end are kept, in the conf file only.
    for (const std::string v : {"pw ", "  pw", "  ", "Grå"}) {
        ASSERT_TRUE(RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Password", v));
        EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "Password"), v) << '"' << v << '"';
    }
    const auto conf = [&] { std::ostringstream t; t << std::ifstream(home.File("caddora.conf")).rdbuf(); return t.str(); };
    const std::string before = conf();
    for (const std::string bad : {"bob\n[HKEY_LOCAL_MACHINE\\Software\\Orlent\\Caddora]\nAddress=evil",
                                  "bob\r[Port Settings]", "\tpw", "pw\x7f", "pw\xc2\x85", "pw\xe2\x80\xa8"}) {
        EXPECT_FALSE(RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Password", bad));
        EXPECT_FALSE(RegWriteString(RegRoot::LocalMachine, PlayerKey(1), bad, "x"));
        EXPECT_FALSE(RegWriteString(RegRoot::LocalMachine, bad, "Password", "x"));
        EXPECT_EQ(conf(), before);
    }
    TIniFile ini(home.File("caddora.ini"));
    ASSERT_TRUE(ini.WriteString("Port Settings", "Port1", "/dev/ttyS0 "));
    EXPECT_EQ(ini.ReadString("Port Settings", "Port1"), "/dev/ttyS0");
    EXPECT_FALSE(ini.WriteString("Port Settings", "Port1", "3\n[Port Settings]\nForcePortNr=7"));
    EXPECT_EQ(ini.ReadInteger("Port Settings", "ForcePortNr", -1), -1);
}

TEST(Registry, APlantedLinkBesideTheFileIsNeverFollowed) {
    TempHome home;
    const std::string target = home.File("other.txt");
    { std::ofstream(target) << "keep"; }
    ::chmod(target.c_str(), 0644);
    ASSERT_EQ(::symlink(target.c_str(), home.File("caddora.conf.tmp").c_str()), 0);
    ASSERT_TRUE(RegWriteString(RegRoot::LocalMachine, PlayerKey(1), "Password", "secret"));
    std::ifstream in(target);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "keep");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "Password"), "secret");
    ASSERT_EQ(stat(home.File("caddora.conf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    TIniFile ini(home.File("caddora.ini"));
    ASSERT_TRUE(ini.WriteInteger("Port Settings", "LastGoodPort", 3));
    ASSERT_EQ(stat(home.File("caddora.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(IniFile, IntegersSectionsAndCaseInsensitiveNames) {
    TempHome home;
    TIniFile ini(home.File("caddora.ini"));
    EXPECT_EQ(ini.ReadInteger("Port Settings", "LastGoodPort", -1), -1);
    ASSERT_TRUE(ini.WriteInteger("Port Settings", "LastGoodPort", 3));
    ASSERT_TRUE(ini.WriteString("Port Settings", "Port3", "/dev/pts/7"));
    TIniFile again(home.File("caddora.ini"));
    EXPECT_EQ(again.ReadInteger("port settings", "lastgoodport", -1), 3);
    EXPECT_EQ(again.ReadString("Port Settings", "PORT3"), "/dev/pts/7");
    ASSERT_TRUE(again.WriteString("Port Settings", "Broken", "x12"));
    EXPECT_EQ(again.ReadInteger("Port Settings", "Broken", 7), 7);
}

// A settings file grown beyond any the program writes is read as empty, as a
// pipe of the name is, instead of being taken into memory whole; the first
// write puts a small file in its place.
TEST(IniFile, AFileBeyondTheLimitReadsAsEmpty) {
    TempHome home;
    const std::string path = home.File("caddora.ini");
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Port Settings]\nLastGoodPort=3\n";
    }
    ASSERT_EQ(::truncate(path.c_str(), off_t(TIniFile::MaxFileSize) + 1), 0);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Port Settings", "LastGoodPort", -1), -1);
    ASSERT_TRUE(ini.WriteInteger("Port Settings", "Port", 4));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_LT(st.st_size, 100);
    EXPECT_EQ(TIniFile(path).ReadInteger("Port Settings", "Port", -1), 4);
}

TEST(Version, FourFieldsWithSingleDigitHead) {
    std::string v = FileVersionString();
    ASSERT_GE(v.size(), 7u);
    EXPECT_EQ(v[1], '.');
    EXPECT_EQ(v[3], '.');
    EXPECT_EQ(v[5], '.');
    EXPECT_GT(std::stoi(v.substr(6)), 0);
}

TEST(DateTime, EpochRoundTripAndIsoForm) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1), 2.0);
    TDateTime t = EncodeDateTime(2026, 12, 7, 14, 5, 9);
    EXPECT_EQ(DateTimeToIso(t), "2026-12-07 14:05:09");
    auto back = IsoToDateTime("2026-12-07 14:05:09");
    ASSERT_TRUE(back.has_value());
    EXPECT_NEAR(*back, t, 1e-9);
    EXPECT_EQ(DateTimeToIso(*IsoToDateTime("2024-02-29T23:59:59")), "2024-02-29 23:59:59");
    EXPECT_FALSE(IsoToDateTime("yesterday").has_value());
    EXPECT_FALSE(IsoToDateTime("2024-13-01").has_value());
}
