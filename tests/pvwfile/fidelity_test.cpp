// What a copy keeps of a tree, one attribute a row, on real trees after PVWCopy (and PVWEqualize
// where a change of that attribute alone must be carried over), beside what `rsync -aHAXS` keeps
// (or its manual says); the table it prints is the README's (tools/fidelity_table refreshes it).
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>

#include "family/pvwfile.h"
#include "tree_fixture.h"

namespace {

class FidelityTest : public CTreeTest {};

struct stat St(const fs::path& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st;
}

const auto Mode = [](const fs::path& path) { return St(path).st_mode & 07777; };
const auto MTime = [](const fs::path& path) { return fs::last_write_time(path); };  // in ns

std::string Xattr(const fs::path& path, const char* pszName) {
    char szValue[256];
    ssize_t n = lgetxattr(path.c_str(), pszName, szValue, sizeof szValue);
    return n < 0 ? "<none>" : std::string(szValue, static_cast<size_t>(n));
}

// Sets an extended attribute; the reason when the file system (or this user) cannot.
std::string SetXattr(const fs::path& path, const char* pszName, const std::string& strValue) {
    if (lsetxattr(path.c_str(), pszName, strValue.data(), strValue.size(), 0) == 0) return "";
    return std::string("the temporary folder's file system refuses ") + pszName + ": " +
           std::strerror(errno);
}

// An ACL as the system stores it: owner rw, user 1000 r, group r, mask r, others nothing.
std::string Acl() {
    const std::uint16_t kEntries[][2] = {{1, 6}, {2, 4}, {4, 4}, {0x10, 4}, {0x20, 0}};
    std::string strAcl("\x02\0\0\0", 4);
    for (const auto& entry : kEntries) {
        std::uint32_t nId = entry[0] == 2 ? 1000 : 0xffffffff;
        strAcl.append(reinterpret_cast<const char*>(entry), 4);
        strAcl.append(reinterpret_cast<const char*>(&nId), 4);
    }
    return strAcl;
}

// A file of 64 MiB that holds 4 KiB, in its middle.
std::string MakeSparse(const fs::path& path) {
    CTreeTest::Write(path, "");
    fs::resize_file(path, 64 << 20);
    std::fstream(path, std::ios::in | std::ios::out).seekp(32 << 20) << std::string(4096, 'x');
    return St(path).st_blocks * 512 < (1 << 20) ? "" : "the temporary folder has no holes";
}

const std::string kRootOnly = geteuid() == 0 ? "" : "only root may give files away";

// Runs rsync -aHAXS from src to dst; false when it is not installed.
bool RunRsync(const fs::path& src, const fs::path& dst) {
    return CTreeTest::InChild([&] {
               execlp("rsync", "rsync", "-aHAXS", (src.string() + "/").c_str(), dst.c_str(),
                      nullptr);
               return 127;
           }) != 127;
}

using MakeFn = std::function<std::string(const fs::path& src)>;  // "" or why it is skipped
using KeptFn = std::function<bool(const fs::path& src, const fs::path& dst)>;

}  // namespace

TEST_F(FidelityTest, EachAttributeAgainstRsync) {
    const struct {
        const char* pszWhat;
        const char* pszRsyncManual;  // what rsync's manual says -aHAXS keeps
        MakeFn fnMake;
        KeptFn fnKept;
        MakeFn fnChange;  // a change after the copy that equalising must carry over
    } rows[] = {
        {"data", "kept", [](auto& s) { return Write(s / "f", "data"), ""; },
         [](auto&, auto& d) { return ReadText(d / "f") == "data"; }, nullptr},
        // of a file, and of one in a new folder of files only, whatever the umask takes away
        {"permissions", "kept (-p)",
         [](auto& s) {
             return chmod((s / "f").c_str(), 04750), chmod((s / "d/f").c_str(), 0444), "";
         },
         [](auto&, auto& d) { return Mode(d / "f") == 04750 && Mode(d / "d/f") == 0444; }, nullptr},
        {"modification time (ns)", "kept (-t)", [](auto& s) { return SetAge(s / "f", -5000), ""; },
         [](auto& s, auto& d) { return MTime(d / "f") == MTime(s / "f"); }, nullptr},
        {"time of a folder it makes", "kept (-t)",
         [](auto& s) { return SetAge(s / "d", -5000), ""; },
         [](auto& s, auto& d) { return MTime(d / "d") == MTime(s / "d"); }, nullptr},
        {"time of a folder that exists, changed", "kept (-t)", [](auto&) { return ""; },
         [](auto& s, auto& d) { return MTime(d / "d") == MTime(s / "d") && MTime(d) == MTime(s); },
         [](auto& s) {
             return Write(s / "d/g", "2"), SetAge(s / "d", -3000), SetAge(s, -3000), "";
         }},
        {"symbolic links", "kept (-l)",
         [](auto& s) { return fs::create_symlink("x/y", s / "l"), ""; },
         [](auto&, auto& d) { return fs::read_symlink(d / "l") == "x/y"; }, nullptr},
        {"hard links", "kept (-H)",
         [](auto& s) { return fs::create_hard_link(s / "f", s / "d/g"), ""; },
         [](auto&, auto& d) { return St(d / "f").st_ino == St(d / "d/g").st_ino; }, nullptr},
        {"holes of sparse files", "kept (-S)", [](auto& s) { return MakeSparse(s / "f"); },
         [](auto& s, auto& d) {
             return St(d / "f").st_blocks <= St(s / "f").st_blocks &&
                    ReadText(d / "f") == ReadText(s / "f");
         },
         nullptr},
        {"extended attributes (user.*)", "kept (-X)",
         [](auto& s) { return SetXattr(s / "f", "user.a", "v"); },
         [](auto&, auto& d) { return Xattr(d / "f", "user.a") == "v"; }, nullptr},
        {"a change of only extended attributes, equalised", "kept (-X)",
         [](auto& s) { return SetXattr(s / "f", "user.a", "v"); },
         [](auto&, auto& d) { return Xattr(d / "f", "user.a") == "w"; },
         [](auto& s) { return SetXattr(s / "f", "user.a", "w"); }},
        {"folder extended attributes", "kept (-X)",
         [](auto& s) { return SetXattr(s / "d", "user.a", "v"); },
         [](auto&, auto& d) { return Xattr(d / "d", "user.a") == "v"; }, nullptr},
        {"ACLs", "kept (-A)",
         [](auto& s) { return SetXattr(s / "f", "system.posix_acl_access", Acl()); },
         [](auto&, auto& d) { return Xattr(d / "f", "system.posix_acl_access") == Acl(); },
         nullptr},
        {"folder default ACLs", "kept (-A)",
         [](auto& s) { return SetXattr(s / "d", "system.posix_acl_default", Acl()); },
         [](auto&, auto& d) { return Xattr(d / "d", "system.posix_acl_default") == Acl(); },
         nullptr},
        {"extended attributes (trusted.*), as root", "kept (-X, as root)",
         [](auto& s) { return kRootOnly + SetXattr(s / "f", "trusted.a", "v"); },
         [](auto&, auto& d) { return Xattr(d / "f", "trusted.a") == "v"; }, nullptr},
        {"owner and group, as root", "kept (-o -g, as root)",
         [](auto& s) { return kRootOnly + (lchown((s / "f").c_str(), 1234, 5678) ? "chown" : ""); },
         [](auto&, auto& d) { return St(d / "f").st_uid == 1234 && St(d / "f").st_gid == 5678; },
         nullptr},
    };
    std::string strTable = "| what | qjintp | rsync -aHAXS |\n|---|---|---|\n";
    const mode_t nOldMask = umask(027);  // modes are kept whole, whatever the umask would take
    int nRow = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        fs::path src = m_root / std::to_string(++nRow), dst = src / "dst", rsynced = src / "rsync";
        Make(src / "s", {{"f", "1"}, {"d/f", "1"}});  // what each row changes
        std::string strSkip = row.fnMake(src / "s");
        std::string strOurs = "skipped: " + strSkip, strRsync = row.pszRsyncManual;
        if (strSkip.empty()) {
            EXPECT_GT(PVWCopy((src / "s").c_str(), dst.c_str(), 1, nullptr), 0);
            bool bRsync = RunRsync(src / "s", rsynced);
            if (row.fnChange) {
                ASSERT_EQ(row.fnChange(src / "s"), "");
                EXPECT_EQ(PVWEqualize((src / "s").c_str(), dst.c_str(), 1, nullptr), 1);
                bRsync = bRsync && RunRsync(src / "s", rsynced);
            }
            bool bKept = row.fnKept(src / "s", dst);
            EXPECT_TRUE(bKept);
            strOurs = bKept ? "kept" : "NOT kept";
            if (bRsync) strRsync = row.fnKept(src / "s", rsynced) ? "kept" : "not kept";
        }
        strTable += std::string("| ") + row.pszWhat + " | " + strOurs + " | " + strRsync + " |\n";
    }
    umask(nOldMask);
    if (!RunRsync(m_root / "1/s", m_root / "probe")) {
        strTable =
            "rsync is not installed here: its column says what its manual says.\n\n" + strTable;
    }
    std::cout << strTable;
}

TEST_F(FidelityTest, ATargetWithoutExtendedAttributesIsSaidOnceAndFailsNothing) {
    Make(Src(), {{"a", "1"}, {"b", "2"}});
    std::string strSkip =
        SetXattr(Src() / "a", "user.a", "v") + SetXattr(Src() / "b", "user.a", "v");
    if (!strSkip.empty()) GTEST_SKIP() << strSkip;
    // ramfs holds no extended attributes; mounted inside this test's own folder.
    fs::create_directories(Dst());
    if (mount("fidelity", Dst().c_str(), "ramfs", 0, nullptr) != 0) {
        GTEST_SKIP() << "cannot mount a ramfs here: " << std::strerror(errno);
    }
    EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 1, nullptr), 2);
    EXPECT_EQ(Read(Dst()), Read(Src()));
    umount2(Dst().c_str(), MNT_DETACH);
    std::string strNotes = Notes();
    size_t nAt = strNotes.find("kept no extended attributes");
    EXPECT_NE(nAt, std::string::npos) << strNotes;
    EXPECT_EQ(strNotes.find("kept no extended attributes", nAt + 1), std::string::npos) << strNotes;
}

// A folder of the target can give a file made in it an ACL (its default ACL) or a group (its
// set-group-ID bit) that the source lacks: the copy loses them again.
TEST_F(FidelityTest, WhatATargetFolderGivesANewFileIsTakenAway) {
    const struct {
        const char* pszWhat;
        MakeFn fnMakeFolder;  // on the target's folder
        KeptFn fnKept;
    } rows[] = {
        {"default ACL", [](auto& d) { return SetXattr(d, "system.posix_acl_default", Acl()); },
         [](auto&, auto& d) { return Xattr(d / "f", "system.posix_acl_access") == "<none>"; }},
        {"set-group-ID group",
         [](auto& d) {
             return kRootOnly +
                    (chown(d.c_str(), 0, 5678) || chmod(d.c_str(), 02755) ? "chown" : "");
         },
         [](auto& s, auto& d) { return St(d / "f").st_gid == St(s / "f").st_gid; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        Remake({{"d/f", "1"}}, {{"d", "<dir>"}});
        std::string strSkip = row.fnMakeFolder(Dst() / "d");
        if (!strSkip.empty()) {
            std::cout << "skipped: " << strSkip << "\n";
            continue;
        }
        EXPECT_EQ(PVWCopy(S().c_str(), D().c_str(), 1, nullptr), 1);
        EXPECT_TRUE(row.fnKept(Src() / "d", Dst() / "d"));
    }
}
