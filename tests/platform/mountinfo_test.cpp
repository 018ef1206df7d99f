// Reading the kernel's mount table: escaped names, optional fields, lines
// that are not in its format, and the table of the machine itself.
#include "platform/MountInfo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <unistd.h>

using platform::MOUNTINFO_ENTRY;

TEST(MountInfo, ReadsEveryLineWithItsEscapesUndone) {
    const char* text = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                       // No optional fields; a blank, a tab, a line feed and a backslash.
                       "40 22 8:2 / /home/my\\040disk\\011x\\012y\\134z rw - xfs /dev/sdb1 rw\n"
                       "\n"
                       // Several optional fields, a network share with a blank in its source.
                       "41 22 0:50 / /srv/share rw shared:7 master:2 propagate_from:3 - cifs "
                       "//nas/my\\040files rw\n"
                       // No source at all.
                       "42 22 0:51 / /odd rw - weirdfs\n"
                       // Tabs between fields.
                       "43\t22\t0:52\t/\t/tabbed\trw\t-\ttmpfs\ttmpfs\trw\n";
    std::vector<MOUNTINFO_ENTRY> entries;
    ASSERT_TRUE(platform::ParseMountInfo(text, entries));
    ASSERT_EQ(entries.size(), 5u);
    const struct {
        const char* pszPoint;
        const char* pszType;
        const char* pszSource;
    } expected[] = {
        {"/", "ext4", "/dev/sda1"},
        {"/home/my disk\tx\ny\\z", "xfs", "/dev/sdb1"},
        {"/srv/share", "cifs", "//nas/my files"},
        {"/odd", "weirdfs", ""},
        {"/tabbed", "tmpfs", "tmpfs"},
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].strMountPoint, expected[i].pszPoint);
        EXPECT_EQ(entries[i].strFsType, expected[i].pszType);
        EXPECT_EQ(entries[i].strSource, expected[i].pszSource);
    }
}

TEST(MountInfo, OnlyWholeOctalEscapesAreUndone) {
    const struct {
        const char* pszField;
        const char* pszPlain;
    } cases[] = {
        {"/a\\040b", "/a b"},     {"/a\\04", "/a\\04"}, // cut short
        {"/a\\400b", "/a\\400b"},                       // above a byte
        {"/a\\08x", "/a\\08x"},   {"\\134\\134", "\\\\"}, {"/end\\", "/end\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::UnescapeMountField(c.pszField), c.pszPlain) << c.pszField;
}

TEST(MountInfo, ALineNotInTheFormatRefusesTheTableAndKeepsTheLastOne) {
    std::vector<MOUNTINFO_ENTRY> entries{{"/kept", "ext4", "/dev/sda1"}};
    for (const char* text : {"22 1 8:1 / / rw\n",                         // too few fields
                             "22 1 8:1 / / rw shared:1 ext4 /dev/sda1\n", // no separator
                             "22 1 8:1 / / rw shared:1 -\n",              // nothing after it
                             "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n1 2 3\n"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(platform::ParseMountInfo(text, entries));
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].strMountPoint, "/kept");
    }
}

TEST(MountInfo, ReadsFilesAndNamesWhatWentWrong) {
    std::vector<MOUNTINFO_ENTRY> entries;
    EXPECT_EQ(platform::ReadMountInfo("/nonexistent/mountinfo", entries), ENOENT);
    // The machine's own table holds the root.
    ASSERT_EQ(platform::ReadMountInfo(platform::MOUNTINFO_PATH, entries), 0);
    bool bRoot = false;
    for (const MOUNTINFO_ENTRY& e : entries)
        bRoot = bRoot || e.strMountPoint == "/";
    EXPECT_TRUE(bRoot);

    const std::string strBad = testing::TempDir() + "mountinfo-bad-" + std::to_string(getpid());
    std::ofstream(strBad) << "not a mount table\n";
    EXPECT_EQ(platform::ReadMountInfo(strBad, entries), EBADMSG);
    const std::string strEmpty = strBad + "-empty";
    std::ofstream(strEmpty).flush();
    EXPECT_EQ(platform::ReadMountInfo(strEmpty, entries), 0);
    EXPECT_TRUE(entries.empty());
    unlink(strBad.c_str());
    unlink(strEmpty.c_str());
}

TEST(MountInfo, NetworkFileSystemsAreKnownByType) {
    for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "9p", "fuse.rclone"})
        EXPECT_TRUE(platform::IsNetworkFsType(type)) << type;
    for (const char* type : {"ext4", "xfs", "tmpfs", "fuse.quorbel", "fuse", "", "nfsd"})
        EXPECT_FALSE(platform::IsNetworkFsType(type)) << type;
}
