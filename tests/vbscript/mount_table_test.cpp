// The drives of the file system objects: parsing the mount table (escapes,
// separators, malformed lines), which file systems count as drives, which mount
// holds a path (longest mount point, not a mere text prefix; the later of two
// mounts on one point), and the DriveType of each kind of mount.
#include "support/scratch.h"

#include "vbscript/objects/drive_object.h"
#include "vbscript/objects/mount_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace ob::vbscript::objects;

std::string Describe(const std::vector<MountEntry>& entries) {
    std::string out;
    for (const MountEntry& e : entries) {
        out += "[" + e.source + "|" + e.mountPoint + "|" + e.type + "]";
    }
    return out;
}

TEST(MountTable, ParsesLinesAndEscapes) {
    struct Case {
        const char* name;
        std::string text;
        std::string entries;
    };
    const Case cases[] = {
        {"two ordinary lines", "/dev/sda1 / ext4 rw,relatime 0 0\nproc /proc proc rw 0 0\n",
         "[/dev/sda1|/|ext4][proc|/proc|proc]"},
        {"no final line feed", "/dev/sdb1 /data xfs rw 0 0", "[/dev/sdb1|/data|xfs]"},
        {"space, tab, line feed and backslash escapes",
         "/dev/sdc1 /media/My\\040Disk\\011x\\012y\\134z vfat rw 0 0\n",
         "[/dev/sdc1|/media/My Disk\tx\ny\\z|vfat]"},
        {"escaped source", "//server/my\\040share /mnt/s cifs rw 0 0\n",
         "[//server/my share|/mnt/s|cifs]"},
        {"tabs and repeated spaces between fields", "tmpfs\t/run  \ttmpfs rw 0 0\n",
         "[tmpfs|/run|tmpfs]"},
        {"a backslash that starts no escape stays", "a\\9 /x\\08 ext4 rw\n", "[a\\9|/x\\08|ext4]"},
        {"an escape above 255 stays as written", "a /x\\777 ext4 rw\n", "[a|/x\\777|ext4]"},
        {"an escape at the very end", "a /x\\04 ext4\n", "[a|/x\\04|ext4]"},
        {"short, blank and relative lines are skipped",
         "\n  \nonly two\nsrc rel/path ext4 rw 0 0\n/dev/sda1 / ext4 rw 0 0\n",
         "[/dev/sda1|/|ext4]"},
        {"CRLF is no line end of the table", "a /x ext4 rw 0 0\r\n", "[a|/x|ext4]"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(ParseMounts(c.text)), c.entries) << c.name;
    }
}

TEST(MountTable, TellsVirtualFileSystemsFromDrives) {
    for (const char* type : {"proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "mqueue",
                             "debugfs", "tracefs", "securityfs", "pstore", "bpf", "configfs",
                             "fusectl", "hugetlbfs", "autofs", "binfmt_misc", "nsfs"}) {
        EXPECT_TRUE(IsVirtualFileSystem(type)) << type;
    }
    for (const char* type : {"ext4", "xfs", "btrfs", "tmpfs", "nfs4", "cifs", "vfat", "iso9660",
                             "overlay", "fuse.sshfs", "", "PROC", "procfs"}) {
        EXPECT_FALSE(IsVirtualFileSystem(type)) << type;
    }
}

TEST(MountTable, FindsTheMountHoldingAPath) {
    const std::vector<MountEntry> mounts = {
        {"/dev/sda1", "/", "ext4"},        {"/dev/sda2", "/home", "ext4"},
        {"server:/w", "/homework", "nfs"}, {"/dev/sdb1", "/home/a/b", "xfs"},
        {"tmpfs", "/run", "tmpfs"},        {"/dev/sdc1", "/run", "ext4"},
    };
    struct Case {
        const char* path;
        const char* source; // nullptr: none
    };
    const Case cases[] = {
        {"/", "/dev/sda1"},
        {"/etc/passwd", "/dev/sda1"},
        {"/home", "/dev/sda2"},
        {"/home/x/y", "/dev/sda2"},
        {"/homework", "server:/w"}, // not inside /home
        {"/homework/doc", "server:/w"},
        {"/homes", "/dev/sda1"}, // a text prefix of /home is not inside it
        {"/home/a", "/dev/sda2"},
        {"/home/a/b", "/dev/sdb1"},
        {"/home/a/bc", "/dev/sda2"},
        {"/run/lock", "/dev/sdc1"}, // the later of two mounts on one point
        {"relative", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const MountEntry* found = MountHolding(mounts, c.path);
        if (c.source == nullptr) {
            EXPECT_EQ(found, nullptr) << c.path;
        } else {
            ASSERT_NE(found, nullptr) << c.path;
            EXPECT_EQ(found->source, c.source) << c.path;
        }
    }
    EXPECT_EQ(MountHolding({}, "/"), nullptr);
}

TEST(MountTable, ListsRealFileSystemsOnFolders) {
    ob::test::ScratchDir scratch;
    const std::string a = scratch / "a";
    const std::string b = scratch / "b";
    const std::string file = scratch / "file";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    std::ofstream(file) << "x";
    const std::vector<MountEntry> mounts = {
        {"/dev/sda1", a, "ext4"},
        {"proc", b, "proc"},
        {"tmpfs", b, "tmpfs"},
        {"/dev/sda1", file, "ext4"},
        {"x", scratch / "missing", "ext4"},
        {"/dev/sdb1", a, "xfs"},
        {"cgroup", a + "/cg", "cgroup"},
    };
    // The file, the missing folder and the virtual ones go; the second mount on
    // `a` takes the first one's place.
    EXPECT_EQ(Describe(DriveMounts(mounts)), "[/dev/sdb1|" + a + "|xfs][tmpfs|" + b + "|tmpfs]");
}

TEST(MountTable, ReadsThisProcessTable) {
    // Every Linux process has a root mount; its drive list holds it.
    const std::vector<MountEntry> table = ReadMountTable();
    ASSERT_FALSE(table.empty());
    const MountEntry* root = MountHolding(table, "/");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->mountPoint, "/");
    bool listed = false;
    for (const MountEntry& drive : DriveMounts(table)) {
        EXPECT_FALSE(IsVirtualFileSystem(drive.type)) << drive.mountPoint;
        listed = listed || drive.mountPoint == "/";
    }
    EXPECT_TRUE(listed);
}

TEST(DriveObject, ClassifiesMounts) {
    struct Case {
        MountEntry mount;
        long type;
        const char* volume;
    };
    const Case cases[] = {
        {{"server:/export", "/mnt/n", "nfs"}, drive_type::kNetwork, ""},
        {{"server:/export", "/mnt/n", "nfs4"}, drive_type::kNetwork, ""},
        {{"//host/share", "/mnt/s", "cifs"}, drive_type::kNetwork, ""},
        {{"user@host:", "/mnt/h", "fuse.sshfs"}, drive_type::kNetwork, ""},
        {{"/dev/sr0", "/media/cd", "iso9660"}, drive_type::kCdRom, "/dev/sr0"},
        {{"/dev/sr0", "/media/dvd", "udf"}, drive_type::kCdRom, "/dev/sr0"},
        {{"tmpfs", "/run", "tmpfs"}, drive_type::kRamDisk, ""},
        {{"none", "/r", "ramfs"}, drive_type::kRamDisk, ""},
        {{"/dev/obtest-no-such-disk", "/", "ext4"}, drive_type::kFixed, "/dev/obtest-no-such-disk"},
        {{"overlay", "/", "overlay"}, drive_type::kFixed, ""},
        {{"x", "/y", ""}, drive_type::kUnknown, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriveTypeOf(c.mount), c.type) << c.mount.type << " " << c.mount.source;
        EXPECT_EQ(VolumeNameOf(c.mount), c.volume) << c.mount.source;
    }
}

} // namespace
