// Settings files that are no regular file, and the hold every running program
// keeps on its data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/Datafolder.h"
#include "platform/Inifile.h"
#include "platform/Otherprogram.h"
#include "platform/Registry.h"
#include "support/Testsupport.h"

namespace {
bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool IsPipe(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}
} // namespace

// A named pipe in place of a settings file is an absent file: nothing is read
// through it (a reader would wait for a writer, or take what the writer
// sends), and the first write puts a regular file in its place.
TEST(SettingsFiles, APipeReadsAsAbsentAndIsReplacedByTheFirstWrite) {
    TempHome home;
    const std::string conf = home.File("caddora.conf");
    const std::string ini = home.File("caddora.ini");
    {
        // A reader that waits is fed a value (within about five seconds), so a
        // reader that reads through the pipe fails here rather than hangs.
        PipeFeeder feedConf(conf, "[HKEY_LOCAL_MACHINE\\Software\\Orlent\\Caddora\\1]\nIsMeter=false\n");
        PipeFeeder feedIni(ini, "[Port Settings]\nPort1=/dev/pts/99\n");
        ASSERT_TRUE(feedConf.Made());
        ASSERT_TRUE(feedIni.Made());
        // Each feeder feeds one reader: after a read through the pipe a second
        // one would wait for ever, so the first read ends the test.
        ASSERT_EQ(TIniFile(conf).ReadString("HKEY_LOCAL_MACHINE\\Software\\Orlent\\Caddora\\1", "IsMeter",
                                            "none"),
                  "none");
        ASSERT_EQ(TIniFile(ini).ReadString("Port Settings", "Port1", "none"), "none");
        EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "");
        EXPECT_FALSE(TRegistry().KeyExists(PlayerKey(1)));
        EXPECT_FALSE(TIniFile(ini).SectionExists("Port Settings"));
    }
    // The feeders gone (they would write into any file of the name).
    EXPECT_TRUE(IsPipe(conf));
    EXPECT_TRUE(IsPipe(ini));
    ASSERT_TRUE(RegWriteString(RegRoot::LocalMachine, PlayerKey(2), "IsMeter", "true"));
    ASSERT_TRUE(TIniFile(ini).WriteInteger("Port Settings", "LastGoodPort", 2));
    EXPECT_TRUE(IsRegularFile(conf));
    EXPECT_TRUE(IsRegularFile(ini));
    // Only what was written: nothing came through the pipe.
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(2), "IsMeter"), "true");
    EXPECT_FALSE(TRegistry().KeyExists(PlayerKey(1)));
    EXPECT_EQ(TIniFile(ini).ReadInteger("Port Settings", "LastGoodPort", -1), 2);
    EXPECT_EQ(TIniFile(ini).ReadString("Port Settings", "Port1", "none"), "none");
    struct stat st {};
    ASSERT_EQ(::stat(conf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SettingsFiles, AFolderReadsAsAbsentAndALinkToAFileIsThatFile) {
    TempHome home;
    std::filesystem::create_directory(home.File("caddora.ini"));
    EXPECT_EQ(TIniFile(home.File("caddora.ini")).ReadString("Port Settings", "Port1", "none"), "none");
    { std::ofstream(home.File("real.conf")) << "[HKEY_LOCAL_MACHINE\\Software\\Orlent\\Caddora\\1]\nIsMeter=false\n"; }
    ASSERT_EQ(::symlink(home.File("real.conf").c_str(), home.File("caddora.conf").c_str()), 0);
    EXPECT_EQ(RegReadString(RegRoot::LocalMachine, PlayerKey(1), "IsMeter"), "false");
}

// The hold does not keep a second program out; it only tells whether this
// program is alone on the folder.
TEST(DataFolderLock, WorkRunsOnlyWhileNoOtherProgramHoldsTheFolder) {
    TempHome home;
    const std::string lock = home.File("caddora.lock");
    ASSERT_TRUE(HoldDataFolder());
    int runs = 0;
    EXPECT_TRUE(WhenAloneOnDataFolder([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    {
        OtherProgram other(lock);
        ASSERT_TRUE(other.Holding()) << "a second program holds the folder beside this one";
        EXPECT_FALSE(WhenAloneOnDataFolder([&] { ++runs; }));
        EXPECT_EQ(runs, 1);
        // This program's hold stays: a third program sees it after the
        // second has ended.
        other.End(false);
        OtherProgram third(lock);
        ASSERT_TRUE(third.Holding());
        third.End(false);
        EXPECT_TRUE(WhenAloneOnDataFolder([&] { ++runs; }));
        EXPECT_EQ(runs, 2);
    }
    {
        // A program that crashed holds nothing.
        OtherProgram crashed(lock);
        ASSERT_TRUE(crashed.Holding());
        crashed.End(true);
        EXPECT_TRUE(WhenAloneOnDataFolder([&] { ++runs; }));
        EXPECT_EQ(runs, 3);
    }
    {
        // Another holds the folder alone: no hold and no work
        // rather than a wait; the hold is taken at a later call.
        ReleaseDataFolder();
        OtherProgram alone(lock, true);
        ASSERT_TRUE(alone.Holding());
        bool heldAlone = false;
        EXPECT_FALSE(HoldDataFolder(&heldAlone));
        EXPECT_TRUE(heldAlone);
        EXPECT_FALSE(WhenAloneOnDataFolder([&] { ++runs; }));
        EXPECT_EQ(runs, 3);
        alone.End(false);
        EXPECT_TRUE(HoldDataFolder());
    }
    // While the work runs no other program takes a hold; afterwards one
    // does again, also when the work threw.
    EXPECT_THROW(WhenAloneOnDataFolder([&] {
                     OtherProgram during(lock);
                     EXPECT_FALSE(during.Holding());
                     throw std::runtime_error("work failed");
                 }),
                 std::runtime_error);
    OtherProgram after(lock);
    EXPECT_TRUE(after.Holding());
    EXPECT_FALSE(WhenAloneOnDataFolder([&] { ++runs; }));
    after.End(false);
    ReleaseDataFolder();
}

TEST(DataFolderLock, FollowsTheDataFolderAndRefusesALockFileThatIsNoFile) {
    int runs = 0;
    {
        TempHome first;
        OtherProgram other(first.File("caddora.lock"));
        ASSERT_TRUE(other.Holding());
        EXPECT_FALSE(WhenAloneOnDataFolder([&] { ++runs; }));
        // Another folder: that other program does not hold it.
        TempHome second;
        EXPECT_TRUE(WhenAloneOnDataFolder([&] { ++runs; }));
        EXPECT_EQ(runs, 1);
        EXPECT_TRUE(IsRegularFile(second.File("caddora.lock")));
        ReleaseDataFolder();
    }
    for (const char* kind : {"pipe", "folder", "link"}) {
        SCOPED_TRACE(kind);
        TempHome home;
        const std::string lock = home.File("caddora.lock");
        const std::string k = kind;
        if (k == "pipe") {
            ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
        } else if (k == "folder") {
            std::filesystem::create_directory(lock);
        } else {
            ASSERT_EQ(::symlink(home.File("elsewhere").c_str(), lock.c_str()), 0);
        }
        // Not knowing whether another program is there, the work is not run.
        bool heldAlone = true;
        EXPECT_FALSE(HoldDataFolder(&heldAlone));
        EXPECT_FALSE(heldAlone);
        EXPECT_FALSE(WhenAloneOnDataFolder([&] { ++runs; }));
        EXPECT_EQ(runs, 1);
        EXPECT_FALSE(std::filesystem::exists(home.File("elsewhere")));
    }
}
