// What the walk promises on hostile or extreme trees: a directory swapped for a link between
// the walk and the action makes the action fail and never takes it elsewhere; no depth of tree
// exhausts a small stack, nor do paths longer than the system's limit stop a copy; deleting
// stops at another file system mounted inside the tree.
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <sys/mount.h>

#include <atomic>
#include <functional>
#include <thread>

#include "family/pvwfile.h"
#include "tree_fixture.h"

namespace {

class WalkTest : public CTreeTest {};

// Swaps two names back and forth until stopped, as an attacker racing the library would.
class CSwapper {
public:
    CSwapper(const fs::path& a, const fs::path& b)
        : m_thread([this, a, b] {
              while (!m_bStop) renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
          }) {}
    ~CSwapper() {
        m_bStop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

// Runs fn on a thread with a stack of nBytes, as a host with a small stack would.
void OnSmallStack(size_t nBytes, const std::function<void()>& fn) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, nBytes);
    pthread_t thread;
    auto pfnStart = [](void* p) -> void* {
        (*static_cast<const std::function<void()>*>(p))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, pfnStart, const_cast<std::function<void()>*>(&fn)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

}  // namespace

TEST_F(WalkTest, ADirectorySwappedForALinkNeverRedirectsAnAction) {
    const Tree kVictim = {{"f", "victim"}, {"x0", "v"}, {"x1", "v"}, {"x2", "v"}, {"x3", "v"}};
    const fs::path victim = m_root / "victim", link = m_root / "link";
    Make(victim, kVictim);
    PVWSetAnswerYesForDelete(1);
    PVWSetIgnoreErrors(1);
    for (int nRound = 0; nRound < 100; ++nRound) {
        fs::remove_all(Dst());
        fs::remove_all(link);
        Make(Src(), {{"sub/f", "new " + std::to_string(nRound)}});
        Make(Dst(), {{"sub/f", "old"}, {"sub/x0", "o"}, {"sub/x1", "o"}, {"sub/x2", "o"}});
        fs::create_directory_symlink(victim, link);
        {
            CSwapper swapper(Dst() / "sub", link);
            PVWEqualize(S().c_str(), D().c_str(), 1, nullptr);
        }
        ASSERT_EQ(Read(victim), kVictim) << "round " << nRound;
    }
}

TEST_F(WalkTest, ADeepTreeIsWalkedOnASmallStack) {
    // Recursion filled a 256 KB stack at about 350 levels; far deeper trees cost the kernel
    // much time to remove, not the library to walk. The leaf's path, 6,000 bytes, is longer
    // than the system's limit.
    const int nDepth = 3000;
    MakeChain(Src(), "d", nDepth);
    int nResult = 0;
    OnSmallStack(256 << 10, [&] { nResult = PVWCopy(S().c_str(), D().c_str(), 1, nullptr); });
    EXPECT_EQ(nResult, 1);
    EXPECT_EQ(ChainLeaf(Dst(), "d", nDepth), "deep");
    RemoveChain(Src(), "d", nDepth);
    RemoveChain(Dst(), "d", nDepth);
}

TEST_F(WalkTest, DeletingLeavesAnotherFileSystemMountedInsideAlone) {
    Make(Src(), {{"a", "1"}});
    Make(Dst(), {{"mnt", "<dir>"}, {"old", "o"}});
    if (mount("tmpfs", (Dst() / "mnt").c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "no file system may be mounted here";
    }
    Write(Dst() / "mnt/kept", "k");
    PVWSetAnswerYesForDelete(1);
    PVWSetProcessEmptyDirs(1);
    EXPECT_EQ(PVWEqualize(S().c_str(), D().c_str(), 1, nullptr), 2);  // a copied, old deleted
    EXPECT_EQ(PVWDelete(D().c_str(), 1, nullptr), 1);                 // a
    EXPECT_EQ(Slurp(Dst() / "mnt/kept"), "k");
    EXPECT_NE(Notes().find("left alone (another file system is mounted there) " + D() + "/mnt"),
              std::string::npos);
    umount2((Dst() / "mnt").c_str(), MNT_DETACH);
}
