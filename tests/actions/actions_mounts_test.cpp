// GetMountedDrives and Dismount against the system's own mount table.
#include <sys/mount.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "action_fixture.h"

namespace {

// Whether a GetMountedDrives list ("a;b;c") names the mount point.
bool Mounted(const char* pszList, const std::string& strPoint) {
    return (";" + std::string(pszList) + ";").find(";" + strPoint + ";") != std::string::npos;
}

TEST_F(ActionTest, MountedDrivesAreTheMountTable) {
    m_action.GetMountedDrives(m_szOut);
    std::ifstream table("/proc/self/mounts");
    const std::string strList = m_szOut;
    EXPECT_EQ(std::count(strList.begin(), strList.end(), ';') + 1,
              std::count(std::istreambuf_iterator<char>(table), {}, '\n'));
    EXPECT_TRUE(Mounted(m_szOut, "/"));
}

// Mounting needs privileges that most users lack; the test then only checks the refusals.
TEST_F(ActionTest, DismountUnmountsOrGivesTheSystemsReason) {
    EXPECT_EQ(m_action.Dismount(nullptr), 0);
    EXPECT_NE(NewTrace().find("Dismount NULL: not unmounted: no path given"), std::string::npos);
    std::filesystem::path mountPoint = m_dir / "with space";
    std::filesystem::create_directory(mountPoint);
    if (::mount("qjact", mountPoint.c_str(), "tmpfs", 0, nullptr) != 0) {
        EXPECT_EQ(m_action.Dismount("/"), 0);
        EXPECT_NE(NewTrace().find("Dismount \"/\": not unmounted: "), std::string::npos);
        GTEST_SKIP() << "no right to mount here";
    }
    m_action.GetMountedDrives(m_szOut);
    EXPECT_TRUE(Mounted(m_szOut, mountPoint.string()));
    EXPECT_EQ(m_action.Dismount(mountPoint.c_str()), 1);
    m_action.GetMountedDrives(m_szOut);
    EXPECT_FALSE(Mounted(m_szOut, mountPoint.string()));
    EXPECT_EQ(m_action.Dismount(mountPoint.c_str()), 0);
    EXPECT_NE(NewTrace().find("not unmounted: Invalid argument"), std::string::npos);
}

}  // namespace
