// GetMountedDrives and Dismount against the system's own mount table.
#include <sys/mount.h>

#include <fstream>

#include "action_fixture.h"

namespace {

std::vector<std::string> MountedPoints(const char* pszList) {
    std::vector<std::string> arrPoints;
    std::string strList = pszList;
    for (size_t nStart = 0; nStart <= strList.size();) {
        size_t nEnd = std::min(strList.find(';', nStart), strList.size());
        arrPoints.push_back(strList.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return arrPoints;
}

size_t MountTableLines() {
    std::ifstream table("/proc/self/mounts");
    size_t nLines = 0;
    for (std::string strLine; std::getline(table, strLine);) ++nLines;
    return nLines;
}

bool Contains(const std::vector<std::string>& arr, const std::string& str) {
    return std::find(arr.begin(), arr.end(), str) != arr.end();
}

TEST_F(ActionTest, MountedDrivesAreTheMountTable) {
    m_action.GetMountedDrives(m_szOut);
    std::vector<std::string> arrPoints = MountedPoints(m_szOut);
    EXPECT_EQ(arrPoints.size(), MountTableLines());
    EXPECT_TRUE(Contains(arrPoints, "/"));
}

// Mounting needs privileges that most users lack; the test then only checks the refusal.
TEST_F(ActionTest, DismountUnmountsOrGivesTheSystemsReason) {
    std::filesystem::path mountPoint = m_dir / "with space";
    std::filesystem::create_directory(mountPoint);
    if (::mount("qjact", mountPoint.c_str(), "tmpfs", 0, nullptr) != 0) {
        EXPECT_EQ(m_action.Dismount("/"), 0);
        EXPECT_NE(NewTrace().find("Dismount \"/\": not unmounted: "), std::string::npos);
        GTEST_SKIP() << "no right to mount here";
    }
    m_action.GetMountedDrives(m_szOut);
    EXPECT_TRUE(Contains(MountedPoints(m_szOut), mountPoint.string()));
    EXPECT_EQ(m_action.Dismount(mountPoint.c_str()), 1);
    m_action.GetMountedDrives(m_szOut);
    EXPECT_FALSE(Contains(MountedPoints(m_szOut), mountPoint.string()));
    EXPECT_EQ(m_action.Dismount(mountPoint.c_str()), 0);
    EXPECT_NE(NewTrace().find("not unmounted: Invalid argument"), std::string::npos);
}

TEST_F(ActionTest, DismountOfNothingIsRefused) {
    EXPECT_EQ(m_action.Dismount("/qj-no-such-dir"), 0);
    EXPECT_EQ(m_action.Dismount(nullptr), 0);
    EXPECT_NE(NewTrace().find("\"/qj-no-such-dir\": not unmounted: No such file or directory"),
              std::string::npos);
    EXPECT_NE(NewTrace().find("Dismount NULL: not unmounted: no path given"), std::string::npos);
}

}  // namespace
