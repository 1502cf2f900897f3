// GetMountedDrives and Dismount against the system's own mount table.
#include <sys/mount.h>

#include <fstream>

#include "action_fixture.h"

namespace {

// The mount points of a GetMountedDrives list ("a;b;c"), empty ones included.
std::vector<std::string> Points(const std::string& strList) {
    std::vector<std::string> arrPoints;
    for (size_t nStart = 0; nStart <= strList.size();) {
        size_t nEnd = std::min(strList.find(';', nStart), strList.size());
        arrPoints.push_back(strList.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return arrPoints;
}

bool Mounted(const char* pszList, const std::string& strPoint) {
    const std::vector<std::string> arrPoints = Points(pszList);
    return std::find(arrPoints.begin(), arrPoints.end(), strPoint) != arrPoints.end();
}

TEST_F(ActionTest, MountedDrivesAreTheMountTable) {
    m_action.GetMountedDrives(m_szOut);
    std::ifstream table("/proc/self/mounts");
    size_t nLines = 0;
    for (std::string strLine; std::getline(table, strLine);) ++nLines;
    EXPECT_EQ(Points(m_szOut).size(), nLines);
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
