// The path mount on real FUSE: a temporary directory is mounted over itself
// and used through its own path, as the mission's target would use it.
// Timings are checked loosely here; the benchmarks measure them precisely.
#include "service/pathfs/PathMount.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace quorbel;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t MiB = 1u << 20;
constexpr uid_t OTHER_UID = 12345;
constexpr gid_t OTHER_GID = 12345;
constexpr gid_t SHARED_GID = 4242;

const char* WhyNoFuse() {
    if (geteuid() != 0)
        return "path mounts need root";
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        return "path mounts need /dev/fuse";
    return nullptr;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

bool InMountTable(const std::string& dir) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.find(" " + dir + " ") != std::string::npos &&
            line.find("fuse.quorbel") != std::string::npos)
            return true;
    return false;
}

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.insert(fs::relative(e.path(), dir).string() +
                     (e.is_directory() ? "/" : ":" + std::to_string(e.file_size())));
    return names;
}

// Opens and closes at once: a descriptor left open on the test's own mount
// would hang the test's exit (closing it needs the serving threads).
int OpenErrno(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags);
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

// Runs fn in a child process as another user (fn returns the exit code).
int AsUser(uid_t uid, gid_t gid, std::vector<gid_t> groups, mode_t mask,
           const std::function<int()>& fn) {
    const pid_t pid = fork();
    if (pid == 0) {
        umask(mask);
        if (setgroups(groups.size(), groups.data()) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(100);
        _exit(fn());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

class PathMountTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* why = WhyNoFuse())
            GTEST_SKIP() << why;
        char tmpl[] = "/tmp/quorbel-pathfs-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Dir = tmpl;
        // Other users in the tests must reach into it.
        chmod(m_Dir.c_str(), 0755);
    }

    void TearDown() override {
        if (m_pMount) {
            EXPECT_EQ(m_pMount->Unmount(true), 0);
        }
        m_pMount.reset();
        if (!m_Dir.empty()) {
            std::error_code ec;
            fs::remove_all(m_Dir, ec);
        }
    }

    void Mount(const METER_LIMITS& limits, unsigned uThreads = 16) {
        m_pMeter = std::make_shared<CFlowMeter>(limits);
        PATH_MOUNT_OPTIONS options;
        options.uMaxThreads = uThreads;
        int err = -1;
        m_pMount = CPathMount::Mount(m_Dir + "/", m_pMeter, options, err);
        ASSERT_TRUE(m_pMount) << std::strerror(err);
        ASSERT_EQ(err, 0);
        ASSERT_TRUE(InMountTable(m_Dir));
    }

    std::string Path(const std::string& name) const { return m_Dir + "/" + name; }

    std::string m_Dir;
    std::shared_ptr<CFlowMeter> m_pMeter;
    std::unique_ptr<CPathMount> m_pMount;
};

} // namespace

TEST_F(PathMountTest, PassesThroughAndUnmountLeavesTheDirectoryAsBefore) {
    WriteFile(Path("before.txt"), "written before the mount");
    fs::create_directory(Path("sub"));
    WriteFile(Path("sub/inner.txt"), "inner");
    struct stat dirBefore {};
    stat(m_Dir.c_str(), &dirBefore);
    const auto listingBefore = Listing(m_Dir);

    Mount(METER_LIMITS{});
    struct stat dirMounted {};
    stat(m_Dir.c_str(), &dirMounted);
    EXPECT_NE(dirMounted.st_dev, dirBefore.st_dev);
    EXPECT_EQ(ReadAll(Path("before.txt")), "written before the mount");
    EXPECT_EQ(Listing(m_Dir), listingBefore);

    WriteFile(Path("sub/new.txt"), "made through the mount");
    fs::rename(Path("sub/new.txt"), Path("renamed.txt"));
    fs::create_directories(Path("a/b"));
    fs::create_symlink("renamed.txt", Path("link"));
    fs::create_hard_link(Path("before.txt"), Path("hard"));
    EXPECT_EQ(ReadAll(Path("link")), "made through the mount");
    EXPECT_EQ(fs::hard_link_count(Path("before.txt")), 2u);
    fs::remove(Path("hard"));
    fs::resize_file(Path("before.txt"), 7);
    ASSERT_EQ(setxattr(Path("renamed.txt").c_str(), "user.note", "kept", 4, 0), 0)
        << std::strerror(errno);
    char value[16] = {};
    EXPECT_EQ(getxattr(Path("renamed.txt").c_str(), "user.note", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
    const auto listingMounted = Listing(m_Dir);
    const METER_LOG log = m_pMeter->TakeLog();
    EXPECT_GT(log.llAlreadyReads, 0);
    EXPECT_EQ(log.llAlreadyWrites, 22);

    ASSERT_EQ(m_pMount->Unmount(false), 0);
    EXPECT_FALSE(m_pMount->IsMounted());
    EXPECT_FALSE(InMountTable(m_Dir));
    struct stat dirAfter {};
    stat(m_Dir.c_str(), &dirAfter);
    EXPECT_EQ(dirAfter.st_dev, dirBefore.st_dev);
    EXPECT_EQ(dirAfter.st_ino, dirBefore.st_ino);
    // What was done through the mount is on the disk, nothing more.
    EXPECT_EQ(Listing(m_Dir), listingMounted);
    EXPECT_EQ(ReadAll(Path("before.txt")), "written");
    EXPECT_EQ(fs::read_symlink(Path("link")), "renamed.txt");
    std::memset(value, 0, sizeof value);
    EXPECT_EQ(getxattr(Path("renamed.txt").c_str(), "user.note", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
    EXPECT_EQ(m_pMount->Unmount(true), 0); // a second unmount is harmless
}

// The byte every position of the test files holds: a piece written or read
// at the wrong place, or a buffer reused too early, shows as a mismatch.
char PatternAt(std::uint64_t pos) {
    return static_cast<char>((pos * 131 + 7) & 0xff);
}

TEST_F(PathMountTest, DataMovesIntactWhateverTheSizeOffsetAndOpenMode) {
    // Pieces are written at once from threads of their own, then read back
    // the same way, through one serving thread (every request in the same
    // buffer, large and small in turn) and through many. O_DIRECT callers
    // keep to whole blocks; buffered ones write at odd places and lengths
    // from odd addresses, and read across the end of the file.
    struct PIECE {
        off_t off;
        std::size_t len;
    };
    struct IO {
        off_t off;
        std::size_t len;
        ssize_t expected;
    };
    struct MODE {
        const char* what;
        int flags;
        std::vector<PIECE> writes;
        off_t size;
        std::vector<IO> reads;
    };
    const MODE modes[] = {
        {"O_DIRECT",
         O_DIRECT,
         {{0, MiB}, {MiB, 4096}, {MiB + 4096, MiB}, {2 * MiB + 4096, 8192}},
         2 * MiB + 3 * 4096,
         {{0, MiB, MiB},
          {4096, 8192, 8192},
          {MiB, MiB, MiB},
          {2 * MiB, MiB, 3 * 4096},
          {2 * MiB + 3 * 4096, 4096, 0}}},
        {"buffered",
         0,
         {{0, MiB - 3}, {MiB - 3, 1}, {MiB - 2, 4099}, {MiB + 4097, MiB - 7}},
         2 * MiB + 4090,
         {{0, MiB, MiB},
          {1, 4097, 4097},
          {MiB - 5, 13, 13},
          {2 * MiB + 4090 - 100, MiB, 100},
          {2 * MiB + 4090, 4096, 0}}},
    };
    for (unsigned threads : {1u, 16u}) {
        for (const MODE& mode : modes) {
            SCOPED_TRACE(std::string(mode.what) + ", serving threads: " + std::to_string(threads));
            Mount(METER_LIMITS{}, threads);
            const std::string path = Path("pieces.bin");
            const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | mode.flags, 0644);
            ASSERT_GE(fd, 0) << std::strerror(errno);
            // One buffer per piece, one byte past a page so that buffered
            // callers hand over unaligned memory.
            auto run = [&](std::size_t count, auto&& fn) {
                std::vector<std::thread> workers;
                for (std::size_t i = 0; i < count; ++i)
                    workers.emplace_back([&, i] {
                        void* mem = nullptr;
                        ASSERT_EQ(posix_memalign(&mem, 4096, 2 * MiB), 0);
                        std::unique_ptr<char, decltype(&std::free)> hold(static_cast<char*>(mem),
                                                                         &std::free);
                        fn(i, hold.get() + (mode.flags & O_DIRECT ? 0 : 1));
                    });
                for (std::thread& t : workers)
                    t.join();
            };
            std::int64_t written = 0;
            for (const PIECE& w : mode.writes)
                written += static_cast<std::int64_t>(w.len);
            run(mode.writes.size(), [&](std::size_t i, char* buf) {
                const PIECE& w = mode.writes[i];
                for (std::size_t k = 0; k < w.len; ++k)
                    buf[k] = PatternAt(static_cast<std::uint64_t>(w.off) + k);
                EXPECT_EQ(pwrite(fd, buf, w.len, w.off), static_cast<ssize_t>(w.len))
                    << "at " << w.off << ": " << std::strerror(errno);
            });
            // Each read several times over, so that many are in flight at once.
            constexpr std::size_t ROUNDS = 4;
            std::int64_t read = 0;
            for (const IO& r : mode.reads)
                read += r.expected * static_cast<std::int64_t>(ROUNDS);
            run(mode.reads.size() * ROUNDS, [&](std::size_t i, char* buf) {
                const IO& r = mode.reads[i % mode.reads.size()];
                std::memset(buf, 0, r.len);
                ASSERT_EQ(pread(fd, buf, r.len, r.off), r.expected)
                    << "at " << r.off << ": " << std::strerror(errno);
                for (ssize_t k = 0; k < r.expected; ++k)
                    ASSERT_EQ(buf[k], PatternAt(static_cast<std::uint64_t>(r.off + k)))
                        << "byte " << k << " of the read at " << r.off;
            });
            close(fd);
            const METER_LOG log = m_pMeter->TakeLog();
            EXPECT_EQ(log.llAlreadyWrites, written);
            EXPECT_EQ(log.llAlreadyReads, read);
            ASSERT_EQ(m_pMount->Unmount(false), 0);
            const std::string onDisk = ReadAll(path);
            ASSERT_EQ(onDisk.size(), static_cast<std::size_t>(mode.size));
            for (std::size_t k = 0; k < onDisk.size(); ++k)
                ASSERT_EQ(onDisk[k], PatternAt(k)) << "byte " << k << " on the disk";
            fs::remove(path);
        }
    }
}

TEST_F(PathMountTest, ReadsAndWritesArePacedToTheirLimits) {
    METER_LIMITS limits;
    limits.uLimitReadSpeed = 4 * MiB;
    limits.uLimitWriteSpeed = 2 * MiB;
    Mount(limits);
    const std::string data(3 * MiB, 'x');
    auto t0 = Clock::now();
    WriteFile(Path("paced.bin"), data);
    const double writeSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    t0 = Clock::now();
    const std::string back = ReadAll(Path("paced.bin"));
    const double readSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
    EXPECT_EQ(back, data);
    // 3 MiB less the initial burst at 2 MiB/s and at 4 MiB/s.
    EXPECT_GT(writeSeconds, 1.2);
    EXPECT_LT(writeSeconds, 6.0);
    EXPECT_GT(readSeconds, 0.55);
    EXPECT_LT(readSeconds, 4.0);
    const METER_LOG log = m_pMeter->TakeLog();
    EXPECT_EQ(log.uWriteBytes, 3 * MiB);
    EXPECT_EQ(log.uReadBytes, 3 * MiB); // the read at the end of the file is not charged
}

TEST_F(PathMountTest, APacedReadDoesNotHoldUpOtherOperations) {
    // One serving thread: a handler that slept would stall everything else.
    WriteFile(Path("big.bin"), std::string(3 * MiB, 'r'));
    METER_LIMITS limits;
    limits.uLimitReadSpeed = 1 * MiB;
    Mount(limits, 1);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        EXPECT_EQ(ReadAll(Path("big.bin")).size(), 3 * MiB);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto t0 = Clock::now();
    for (int i = 0; i < 5; ++i) {
        WriteFile(Path("meanwhile" + std::to_string(i)), "small");
        struct stat st {};
        EXPECT_EQ(stat(Path("meanwhile" + std::to_string(i)).c_str(), &st), 0);
        EXPECT_EQ(Listing(m_Dir).size(), static_cast<std::size_t>(i + 2));
    }
    // Milliseconds each when nothing stalls them; the read takes seconds.
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 1.0);
    EXPECT_FALSE(done.load()) << "the paced read ended too early to show anything";
    reader.join();
}

TEST_F(PathMountTest, AnInterruptedPacedReadEndsAtOnceAndMovesNothing) {
    WriteFile(Path("slow.bin"), std::string(MiB, 's'));
    METER_LIMITS limits;
    limits.uLimitReadSpeed = 64 * 1024; // a 1 MiB read waits some 15 s
    Mount(limits);
    struct sigaction sa {};
    sa.sa_handler = [](int) {};
    struct sigaction old {};
    sigaction(SIGUSR1, &sa, &old); // no SA_RESTART: read(2) returns EINTR
    const int fd = open(Path("slow.bin").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::vector<char> buf(MiB);
    ssize_t n = 0;
    int err = 0;
    double seconds = 0;
    std::thread reader([&] {
        const auto t0 = Clock::now();
        n = read(fd, buf.data(), buf.size());
        err = errno;
        seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pthread_kill(reader.native_handle(), SIGUSR1);
    reader.join();
    sigaction(SIGUSR1, &old, nullptr);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(err, EINTR);
    EXPECT_LT(seconds, 3.0);
    // Its bytes went back: a small read right after does not wait for them.
    const auto t0 = Clock::now();
    EXPECT_EQ(pread(fd, buf.data(), 2048, 0), 2048);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 1.0);
    close(fd);
    EXPECT_EQ(m_pMeter->Peek().llAlreadyReads, 2048);
}

TEST_F(PathMountTest, ForbiddenDirectionsFailAndMoveNothing) {
    struct CASE {
        const char* what;
        METER_LIMITS limits;
        bool bWrite;
    };
    METER_LIMITS writeSpeedZero, writeTotalZero, readSpeedZero, readTotalZero;
    writeSpeedZero.uLimitWriteSpeed = 0;
    writeTotalZero.llLimitTotalWrites = 0;
    readSpeedZero.uLimitReadSpeed = 0;
    readTotalZero.llLimitTotalReads = 0;
    const CASE cases[] = {
        {"write speed 0", writeSpeedZero, true},
        {"write total 0", writeTotalZero, true},
        {"read speed 0", readSpeedZero, false},
        {"read total 0", readTotalZero, false},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(Path("existing.txt"), "old contents");
        Mount(c.limits);
        char buf[64] = "new contents";
        int fd = open(Path("existing.txt").c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        if (c.bWrite) {
            EXPECT_EQ(pwrite(fd, buf, 12, 0), -1);
            EXPECT_EQ(errno, EACCES);
            // A file can still be made; it stays empty.
            const int nfd = open(Path("fresh.txt").c_str(), O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(nfd, 0);
            EXPECT_EQ(write(nfd, buf, 5), -1);
            EXPECT_EQ(errno, EACCES);
            close(nfd);
            // Cutting the file short would change it as much as a write.
            EXPECT_EQ(OpenErrno(Path("existing.txt"), O_WRONLY | O_TRUNC), EACCES);
            EXPECT_EQ(truncate(Path("existing.txt").c_str(), 3), -1);
            EXPECT_EQ(errno, EACCES);
            EXPECT_EQ(pread(fd, buf, sizeof buf, 0), 12); // the other way is open
        } else {
            EXPECT_EQ(pread(fd, buf, sizeof buf, 0), -1);
            EXPECT_EQ(errno, EACCES);
            EXPECT_EQ(pwrite(fd, "NEW", 3, 0), 3);
        }
        close(fd);
        const METER_LOG log = m_pMeter->TakeLog();
        EXPECT_EQ(c.bWrite ? log.llAlreadyWrites : log.llAlreadyReads, 0);
        ASSERT_EQ(m_pMount->Unmount(false), 0);
        EXPECT_EQ(ReadAll(Path("existing.txt")), c.bWrite ? "old contents" : "NEW contents");
        if (c.bWrite) {
            EXPECT_EQ(fs::file_size(Path("fresh.txt")), 0u);
        }
        fs::remove(Path("fresh.txt"));
    }
}

TEST_F(PathMountTest, TotalsStopExactlyAtTheirLimit) {
    // A write that would cross the total is cut to what is left; the next
    // one fails with EDQUOT. Buffered and O_DIRECT writers alike (O_DIRECT
    // needs the odd tail written another way).
    for (int flags : {0, O_DIRECT}) {
        SCOPED_TRACE(flags ? "O_DIRECT" : "buffered");
        METER_LIMITS limits;
        limits.llLimitTotalWrites = 10000;
        limits.llLimitTotalReads = 5000;
        limits.llAlreadyWrites = 0;
        Mount(limits);
        const int fd = open(Path("quota.bin").c_str(), O_RDWR | O_CREAT | O_TRUNC | flags, 0644);
        ASSERT_GE(fd, 0) << std::strerror(errno);
        void* mem = nullptr;
        ASSERT_EQ(posix_memalign(&mem, 4096, 4096), 0);
        std::unique_ptr<char, decltype(&std::free)> buf(static_cast<char*>(mem), &std::free);
        std::memset(buf.get(), 'q', 4096);
        EXPECT_EQ(pwrite(fd, buf.get(), 4096, 0), 4096);
        EXPECT_EQ(pwrite(fd, buf.get(), 4096, 4096), 4096);
        EXPECT_EQ(pwrite(fd, buf.get(), 4096, 8192), 10000 - 8192);
        EXPECT_EQ(pwrite(fd, buf.get(), 4096, 10000), -1);
        EXPECT_EQ(errno, EDQUOT);
        EXPECT_EQ(ftruncate(fd, 0), -1);
        EXPECT_EQ(errno, EDQUOT);
        // Reads: 5000 of them, then EACCES.
        EXPECT_EQ(pread(fd, buf.get(), 4096, 0), 4096);
        EXPECT_EQ(pread(fd, buf.get(), 4096, 4096), 5000 - 4096);
        EXPECT_EQ(pread(fd, buf.get(), 4096, 8192), -1);
        EXPECT_EQ(errno, EACCES);
        close(fd);
        const METER_LOG log = m_pMeter->TakeLog();
        EXPECT_EQ(log.llAlreadyWrites, 10000);
        EXPECT_EQ(log.llAlreadyReads, 5000);
        ASSERT_EQ(m_pMount->Unmount(false), 0);
        EXPECT_EQ(fs::file_size(Path("quota.bin")), 10000u);
        EXPECT_EQ(ReadAll(Path("quota.bin")), std::string(10000, 'q'));
    }
}

TEST_F(PathMountTest, RequestsRunWithTheCallersIdentity) {
    chmod(m_Dir.c_str(), 01777);
    WriteFile(Path("root-only.txt"), "secret");
    chmod(Path("root-only.txt").c_str(), 0600);
    WriteFile(Path("group.txt"), "for the group");
    chown(Path("group.txt").c_str(), 0, SHARED_GID);
    chmod(Path("group.txt").c_str(), 0640);
    Mount(METER_LIMITS{});

    // Files and folders made through the mount belong to their maker, with
    // the mode the maker's umask gives (applied once, not twice).
    EXPECT_EQ(AsUser(OTHER_UID, OTHER_GID, {}, 002,
                     [&] {
                         WriteFile(Path("mine.txt"), "mine");
                         return mkdir(Path("mydir").c_str(), 0777) == 0 ? 0 : 1;
                     }),
              0);
    for (const char* name : {"mine.txt", "mydir"}) {
        struct stat st {};
        ASSERT_EQ(lstat(Path(name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_uid, OTHER_UID) << name;
        EXPECT_EQ(st.st_gid, OTHER_GID) << name;
        EXPECT_EQ(st.st_mode & 0777, S_ISDIR(st.st_mode) ? 0775u : 0664u) << name;
    }

    // Permissions hold: the other user cannot read root's file nor change
    // its owner, and reads the group's file only as a member of the group.
    struct CASE {
        const char* what;
        std::vector<gid_t> groups;
        std::function<int()> fn;
        int expected;
    };
    auto openErrno = [&](const char* name) { return OpenErrno(Path(name), O_RDONLY); };
    const CASE cases[] = {
        {"root's file", {}, [&] { return openErrno("root-only.txt"); }, EACCES},
        {"group file, member", {SHARED_GID}, [&] { return openErrno("group.txt"); }, 0},
        {"group file, stranger", {}, [&] { return openErrno("group.txt"); }, EACCES},
        {"chown root's file",
         {},
         [&] {
             return chown(Path("root-only.txt").c_str(), OTHER_UID, OTHER_GID) == 0 ? 0 : errno;
         },
         EPERM},
        {"remove root's file in a sticky folder",
         {},
         [&] { return unlink(Path("root-only.txt").c_str()) == 0 ? 0 : errno; },
         EPERM},
        {"label root's file",
         {},
         [&] {
             return setxattr(Path("root-only.txt").c_str(), "user.x", "1", 1, 0) == 0 ? 0 : errno;
         },
         EACCES},
        {"access(2) for writing root's file",
         {},
         [&] { return access(Path("root-only.txt").c_str(), W_OK) == 0 ? 0 : errno; },
         EACCES},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(AsUser(OTHER_UID, OTHER_GID, c.groups, 022, c.fn), c.expected) << c.what;

    ASSERT_EQ(m_pMount->Unmount(false), 0);
    struct stat st {};
    ASSERT_EQ(stat(Path("mine.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, OTHER_UID);
    EXPECT_TRUE(fs::exists(Path("root-only.txt")));
}

TEST_F(PathMountTest, BadDirectoriesAreRefused) {
    WriteFile(Path("plain.txt"), "not a directory");
    struct CASE {
        std::string dir;
        int expected;
    };
    const CASE cases[] = {
        {m_Dir + "/missing/", ENOENT},
        {m_Dir + "/plain.txt", ENOTDIR},
        {"relative/dir/", EINVAL},
        {"", EINVAL},
    };
    for (const CASE& c : cases) {
        int err = 0;
        auto mount = CPathMount::Mount(c.dir, std::make_shared<CFlowMeter>(METER_LIMITS{}),
                                       PATH_MOUNT_OPTIONS{}, err);
        EXPECT_FALSE(mount) << c.dir;
        EXPECT_EQ(err, c.expected) << c.dir;
    }
}

TEST_F(PathMountTest, APathThroughASymbolicLinkMountsTheRealFolder) {
    fs::create_directory(Path("real"));
    fs::create_directory_symlink(Path("real"), Path("alias"));
    int err = 0;
    auto mount = CPathMount::Mount(Path("alias/"), std::make_shared<CFlowMeter>(METER_LIMITS{}),
                                   PATH_MOUNT_OPTIONS{}, err);
    ASSERT_TRUE(mount) << std::strerror(err);
    EXPECT_EQ(mount->Dir(), Path("real"));
    EXPECT_TRUE(InMountTable(Path("real")));
    WriteFile(Path("alias/through.txt"), "x");
    EXPECT_EQ(mount->Unmount(false), 0);
    EXPECT_FALSE(InMountTable(Path("real")));
    EXPECT_TRUE(fs::exists(Path("real/through.txt")));
}

TEST_F(PathMountTest, BusyMountIsDetachedLazily) {
    WriteFile(Path("open.txt"), "still readable");
    Mount(METER_LIMITS{});
    const int fd = open(Path("open.txt").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(m_pMount->Unmount(false), EBUSY);
    EXPECT_TRUE(InMountTable(m_Dir));
    EXPECT_EQ(m_pMount->Unmount(true), 0);
    EXPECT_FALSE(InMountTable(m_Dir));
    // New opens see the real directory; the open file is served to the end.
    WriteFile(Path("after.txt"), "direct");
    char buf[32] = {};
    EXPECT_EQ(pread(fd, buf, sizeof buf, 0), 14);
    EXPECT_STREQ(buf, "still readable");
    close(fd);
    EXPECT_EQ(m_pMeter->Peek().llAlreadyWrites, 0);
}

TEST(PathMountStale, LeftoverMountsAreRemoved) {
    if (const char* why = WhyNoFuse())
        GTEST_SKIP() << why;
    // A private mount namespace, so that mounts of other tests running at the
    // same time are out of reach; a mount without a server stands for one
    // left by a crashed service.
    char tmpl[] = "/tmp/quorbel-stale-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const pid_t pid = fork();
    if (pid == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr))
            _exit(10);
        const int fuseFd = open("/dev/fuse", O_RDWR);
        const std::string opts =
            "fd=" + std::to_string(fuseFd) + ",rootmode=40000,user_id=0,group_id=0";
        if (mount("quorbel", dir.c_str(), "fuse.quorbel", 0, opts.c_str()) != 0)
            _exit(11);
        close(fuseFd); // the server is gone
        if (!InMountTable(dir))
            _exit(12);
        // Copies of mounts held by tests running meanwhile may count too;
        // in this namespace, taking them away does not touch the originals.
        if (CPathMount::UnmountStale() < 1)
            _exit(13);
        _exit(InMountTable(dir) ? 14 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    rmdir(dir.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
