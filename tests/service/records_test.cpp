// The texts the service reads and writes besides the device: /proc's io and
// stat files, the mount table, and its own state record.
#include "service/daemon/MountTable.h"
#include "service/daemon/StateFile.h"
#include "service/proc/ProcFs.h"
#include "tests/service/ServiceHarness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace quorbel;

namespace {

std::string Fixture(const char* pszName) {
    std::ifstream in(std::string(SERVICE_TEST_DATA) + "/" + pszName);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

TEST(ProcTexts, IoAndStartTimeAreReadFromTheirFields) {
    PROC_IO io;
    ASSERT_TRUE(ParseProcIo(Fixture("proc_io"), io));
    EXPECT_EQ(io.uReadBytes, 1048576u); // storage bytes, not rchar
    EXPECT_EQ(io.uWriteBytes, 8192u);
    EXPECT_FALSE(ParseProcIo("rchar: 1\nread_bytes: 5\n", io)); // no write_bytes
    EXPECT_FALSE(ParseProcIo("read_bytes: 5x\nwrite_bytes: 1\n", io));
    EXPECT_FALSE(ParseProcIo("read_bytes: 99999999999999999999\nwrite_bytes: 1\n", io));

    // The command name holds blanks and parentheses of its own.
    std::uint64_t uStart = 0;
    ASSERT_TRUE(ParseStartTime(Fixture("proc_stat"), uStart));
    EXPECT_EQ(uStart, 987654u);
    EXPECT_FALSE(ParseStartTime("12 (cut) S 1 2 3", uStart));
    EXPECT_FALSE(ParseStartTime("no parenthesis at all", uStart));
}

TEST(ProcTexts, ExecutableNameIsTheLinksBaseName) {
    EXPECT_EQ(ExecutableBaseName("/usr/bin/dd"), "dd");
    EXPECT_EQ(ExecutableBaseName("/opt/my app/run me (deleted)"), "run me");
    EXPECT_EQ(ExecutableBaseName("/x/(deleted)"), "(deleted)");
}

TEST(ProcTexts, NameFallsBackToTheCommandNameWithoutAnExecutable) {
    svctest::CTempDir dir;
    const std::string root = dir.Path();
    ASSERT_EQ(mkdir((root + "/7").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((root + "/8").c_str(), 0755), 0);
    ASSERT_EQ(symlink("/usr/lib/thing/worker (deleted)", (root + "/7/exe").c_str()), 0);
    std::ofstream(root + "/7/comm") << "wrong\n";
    std::ofstream(root + "/8/comm") << "kworker/0:1\n";
    ASSERT_EQ(mkdir((root + "/self-not-a-pid").c_str(), 0755), 0);
    CProcFs proc(root);
    std::string strName;
    ASSERT_TRUE(proc.ReadName(7, strName));
    EXPECT_EQ(strName, "worker");
    ASSERT_TRUE(proc.ReadName(8, strName));
    EXPECT_EQ(strName, "kworker/0:1");
    EXPECT_FALSE(proc.ReadName(9, strName));
    auto pids = proc.ListPids();
    std::sort(pids.begin(), pids.end());
    EXPECT_EQ(pids, (std::vector<pid_t>{7, 8}));
}

TEST(MountTexts, AFolderLiesOnTheVolumeThatHoldsIt) {
    CMountTable table;
    ASSERT_TRUE(table.Parse(Fixture("mountinfo")));
    const struct {
        const char* pszDir;
        const char* pszVolume;
    } cases[] = {
        {"/var/data", "/"},
        {"/home", "/home"},
        {"/homework", "/"},                   // a name prefix is no folder prefix
        {"/home/my disk/x", "/home/my disk"}, // escaped blank
        {"/srv/share/projects", "network"},   // every network file system is one volume
        {"/home/user/limited", "/home"},      // our own mount is looked through
        {"/home/user/limited/deeper", "/home"},
        {"/tmp/x", "/tmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszDir);
        EXPECT_EQ(table.VolumeOf(c.pszDir), c.pszVolume);
    }
    EXPECT_TRUE(table.IsServiceMount("/home/user/limited"));
    EXPECT_FALSE(table.IsServiceMount("/home"));
    EXPECT_FALSE(table.Parse("1 2 3\n"));
}

TEST(StateRecord, RoundTripsProcessesAndOddPaths) {
    SERVICE_STATE state;
    state.processes = {{123, 456789}, {7, 0}};
    state.mounts = {"/plain", "/with blank/and\nnewline", "/back\\slash\ttab"};
    SERVICE_STATE back = CStateFile::Parse(CStateFile::Format(state));
    EXPECT_EQ(back.processes, state.processes);
    EXPECT_EQ(back.mounts, state.mounts);

    // Damaged lines are skipped, sound ones kept.
    back = CStateFile::Parse("process 12\nprocess x 5\nprocess -4 1\nmount relative\n"
                             "mount /bad\\9\nwhatever\nprocess 99 100\nmount /ok\n");
    EXPECT_EQ(back.processes, (std::vector<std::pair<pid_t, std::uint64_t>>{{99, 100}}));
    EXPECT_EQ(back.mounts, std::vector<std::string>{"/ok"});
}

TEST(StateRecord, KeepsWhatIsOutstandingAndOneServicePerFolder) {
    svctest::CTempDir dir;
    const std::string strState = dir.Path() + "/state";
    {
        CStateFile file(strState);
        ASSERT_EQ(file.Lock(), 0);
        CStateFile other(strState);
        EXPECT_EQ(other.Lock(), EWOULDBLOCK);

        file.NoteHeld(10, 1000);
        file.NoteHeld(11, 1100);
        file.NoteMount("/a");
        file.NoteMount("/a"); // mounted twice: unmounted twice
        file.NoteReleased(10);
        file.NoteUnmounted("/a");
        SERVICE_STATE s = file.Load();
        EXPECT_EQ(s.processes, (std::vector<std::pair<pid_t, std::uint64_t>>{{11, 1100}}));
        EXPECT_EQ(s.mounts, std::vector<std::string>{"/a"});
        // A crash here leaves the record on disk for the next start.
    }
    CStateFile next(strState);
    ASSERT_EQ(next.Lock(), 0);
    EXPECT_EQ(next.Load().processes.size(), 1u);
    next.Clear();
    EXPECT_TRUE(next.Load().processes.empty());
    EXPECT_NE(access(next.Path().c_str(), F_OK), 0); // nothing outstanding, no file
}
