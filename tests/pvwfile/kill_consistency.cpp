// Kills qjintp with SIGKILL at random moments of a copy, move or equalise on generated trees,
// then checks what a user would find: every file under its real name in the target is wholly
// its old or wholly its new content, no file of a move is lost, nothing outside the target
// changed, and the next run removes the temporaries and completes the job.
//   pvwfile_kill QJINTP [KILLS [SEED]]
// The same seed gives the same trees and the same moments after the start. One line per
// problem found, then a summary; exit status 0 when no kill point failed.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tree_fixture.h"

namespace {

// Trees as text, read and written as the library's tests do.
constexpr auto Read = &CTreeTest::Read;
constexpr auto Write = &CTreeTest::Write;

enum class EOp { Copy, Move, Equalize };
const char* const kOpNames[] = {"copy", "move", "equalise"};
const char* const kOpCalls[] = {"PVWCopy", "PVWMove", "PVWEqualize"};

// What can go wrong, in the order of the summary.
enum EProblem { HALF_WRITTEN, LOST, OUTSIDE_CHANGED, NOT_COMPLETED, TEMPORARIES_LEFT, PROBLEMS };
const char* const kProblemNames[] = {"half-written or foreign file", "file of a move lost",
                                     "changed outside the target", "next run did not complete",
                                     "temporaries left after the next run"};

// The library's temporaries are hidden files beside their target: ".name.pvw...".
bool IsTemporary(const fs::path& path) {
    const std::string strName = path.filename().string();
    return strName.starts_with('.') && strName.find(".pvw") != std::string::npos;
}

// The files of a tree, without folders, links and the library's temporaries.
Tree Files(const Tree& tree) {
    Tree files;
    for (const auto& [strName, strContent] : tree) {
        if (strContent != "<dir>" && !strContent.starts_with('@') && !IsTemporary(strName))
            files[strName] = strContent;
    }
    return files;
}

// Content that tells which version of which file it is, and is whole only at its full size.
std::string Content(const std::string& strName, const char* pszVersion, size_t nSize) {
    const std::string strUnit = std::string(pszVersion) + ":" + strName + ";";
    std::string strContent;
    strContent.reserve(nSize + strUnit.size());
    while (strContent.size() < nSize) strContent += strUnit;
    strContent.resize(nSize);
    return strContent;
}

// One kill point: its trees before the operation, and what a whole run makes of them.
struct CCase {
    EOp eOp;
    Tree source, target;  // files only
    Tree expected;        // the target's files after a whole run
    std::chrono::microseconds killAfter{0};
};

CCase MakeCase(std::mt19937& rng, EOp eOp) {
    CCase c;
    c.eOp = eOp;
    auto Pick = [&](int nLow, int nHigh) {
        return std::uniform_int_distribution<int>(nLow, nHigh)(rng);
    };
    const int nFiles = Pick(20, 60);
    for (int i = 0; i < nFiles; ++i) {
        std::string strName = "f" + std::to_string(i) + ".dat";
        for (int nDepth = Pick(0, 2); nDepth > 0; --nDepth)
            strName = "d" + std::to_string(Pick(0, 3)) + "/" + strName;
        // A few large files, so that kills also land inside one file's copy.
        const size_t nSize = Pick(0, 9) == 0 ? Pick(256 << 10, 2 << 20) : Pick(0, 16 << 10);
        c.source[strName] = Content(strName, "new", nSize);
        // Some names the target already has in an old version, some only the target has.
        if (Pick(0, 2) == 0) c.target[strName] = Content(strName, "old", Pick(0, 16 << 10));
        if (Pick(0, 4) == 0) c.target["x" + strName] = Content("x" + strName, "old", Pick(0, 4096));
    }
    c.expected = c.target;
    if (eOp == EOp::Equalize) c.expected.clear();
    for (const auto& [strName, strContent] : c.source) c.expected[strName] = strContent;
    return c;
}

class CKillPoint {
public:
    // The source lies under sourceRoot, the target and everything else under root.
    CKillPoint(const char* pszHost, const fs::path& root, const fs::path& sourceRoot,
               const CCase& c)
        : m_pszHost(pszHost), m_root(root), m_sourceRoot(sourceRoot), m_case(c) {}

    // Runs, kills, checks, runs again and checks; the problems found, each counted once.
    std::vector<std::pair<EProblem, std::string>> Check(bool& bKilled) {
        Prepare();
        bKilled = RunHost(m_case.killAfter) == -SIGKILL;
        CheckAfterKill();
        const int nStatus = RunHost(std::chrono::microseconds::zero());
        if (nStatus != 0) Problem(NOT_COMPLETED, "exit status " + std::to_string(nStatus));
        CheckAfterRerun();
        return m_arrProblems;
    }

    // One whole run's duration, to spread the kills over.
    std::chrono::microseconds Measure() {
        Prepare();
        const auto start = std::chrono::steady_clock::now();
        RunHost(std::chrono::microseconds::zero());
        return std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
    }

private:
    fs::path Src() const { return m_sourceRoot / "src"; }
    fs::path Dst() const { return m_root / "dst"; }
    fs::path Canary() const { return m_root / "canary"; }

    void Prepare() {
        for (const auto& [strName, strContent] : m_case.source) Write(Src() / strName, strContent);
        for (const auto& [strName, strContent] : m_case.target) Write(Dst() / strName, strContent);
        // A sibling of the target that no operation may touch, a link to it in the target.
        Write(Canary() / "keep.txt", "keep");
        fs::create_directory_symlink(Canary(), Dst() / "link");
        m_canary = Read(Canary());
        // A result below zero (the library's failure codes) ends the run with exit status 1.
        Write(m_root / "run.scr",
              "Declare\nNumber n = 0\nNumber nFailed = 0\nEndDeclare\nMain\nnFailed -= 1\n"
              "PVWSetAnswerYesForDelete(1)\nn = " +
                  std::string(kOpCalls[static_cast<int>(m_case.eOp)]) +
                  "(Param1, Param2, 1, Null)\nIf (n <= nFailed)\nExit(1)\nEndIf\nEndMain\n");
    }

    // Runs qjintp, killing it after the given time unless that is zero; answers its exit
    // status, or minus the signal that ended it.
    int RunHost(std::chrono::microseconds killAfter) {
        const std::string strParams = "\"" + Src().string() + "\" \"" + Dst().string() + "\"";
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QJ_TRACE", (m_root / "trace").c_str(), 1);
            setenv("QJ_LOG", (m_root / "log").c_str(), 1);
            execl(m_pszHost, m_pszHost, "-p", strParams.c_str(), (m_root / "run.scr").c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        if (killAfter.count() > 0) {
            std::this_thread::sleep_for(killAfter);
            kill(pid, SIGKILL);
        }
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        return WIFSIGNALED(nStatus) ? -WTERMSIG(nStatus) : WEXITSTATUS(nStatus);
    }

    void Problem(EProblem eProblem, const std::string& strWhat) {
        for (const auto& found : m_arrProblems)
            if (found.first == eProblem) return;
        m_arrProblems.emplace_back(eProblem, strWhat);
    }

    void CheckOutside() {
        if (Read(Canary()) != m_canary) Problem(OUTSIDE_CHANGED, "the canary folder");
        if (m_case.eOp != EOp::Move && Files(Read(Src())) != m_case.source)
            Problem(OUTSIDE_CHANGED, "the source");
    }

    void CheckAfterKill() {
        const Tree source = Files(Read(Src())), target = Files(Read(Dst()));
        for (const auto& [strName, strContent] : target) {
            const auto itOld = m_case.target.find(strName), itNew = m_case.source.find(strName);
            const bool bOld = itOld != m_case.target.end() && itOld->second == strContent;
            const bool bNew = itNew != m_case.source.end() && itNew->second == strContent;
            if (!bOld && !bNew) Problem(HALF_WRITTEN, strName);
        }
        CheckOutside();
        if (m_case.eOp != EOp::Move) return;
        for (const auto& [strName, strContent] : m_case.source) {
            const auto itSource = source.find(strName), itTarget = target.find(strName);
            const bool bInSource = itSource != source.end() && itSource->second == strContent;
            const bool bInTarget = itTarget != target.end() && itTarget->second == strContent;
            if (!bInSource && !bInTarget) Problem(LOST, strName);
            if (itSource != source.end() && !bInSource) Problem(LOST, strName + " (cut short)");
        }
    }

    void CheckAfterRerun() {
        const Tree target = Read(Dst());
        for (const auto& [strName, strContent] : target)
            if (IsTemporary(strName)) Problem(TEMPORARIES_LEFT, strName);
        if (Files(target) != m_case.expected)
            Problem(NOT_COMPLETED, "the target differs from the source");
        if (m_case.eOp == EOp::Move && !Files(Read(Src())).empty())
            Problem(NOT_COMPLETED, "files left in the source of the move");
        CheckOutside();
    }

    const char* m_pszHost;
    fs::path m_root, m_sourceRoot;
    const CCase& m_case;
    Tree m_canary;
    std::vector<std::pair<EProblem, std::string>> m_arrProblems;
};

// A new folder of our own under dir.
fs::path MakeRoot(const fs::path& dir) {
    std::string strTemplate = (dir / "pvwkill-XXXXXX").string();
    if (mkdtemp(strTemplate.data()) == nullptr) {
        std::perror("pvwfile_kill: cannot make a temporary folder");
        std::exit(2);
    }
    return strTemplate;
}

// Where a move's source goes: on another file system than the target when the machine has
// one in memory, so that the move copies and then removes instead of renaming.
fs::path MoveSourceDir() {
    struct stat shm = {}, temp = {};
    if (stat("/dev/shm", &shm) == 0 && stat(fs::temp_directory_path().c_str(), &temp) == 0 &&
        shm.st_dev != temp.st_dev && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

struct COutcome {
    std::chrono::microseconds duration{0};  // of a whole run, when nothing was killed
    bool bKilled = false;                   // the kill found qjintp running
    std::vector<std::pair<EProblem, std::string>> arrProblems;
};

// One kill point, or a whole run when killAfter is zero, in folders of its own.
COutcome RunPoint(const char* pszHost, const CCase& c) {
    const fs::path root = MakeRoot(fs::temp_directory_path());
    const fs::path sourceRoot = c.eOp == EOp::Move ? MakeRoot(MoveSourceDir()) : root;
    CKillPoint point(pszHost, root, sourceRoot, c);
    COutcome outcome;
    if (c.killAfter.count() == 0)
        outcome.duration = point.Measure();
    else
        outcome.arrProblems = point.Check(outcome.bKilled);
    fs::remove_all(root);
    fs::remove_all(sourceRoot);
    return outcome;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: pvwfile_kill QJINTP [KILLS [SEED]]\n");
        return 2;
    }
    const int nKills = argc > 2 ? std::atoi(argv[2]) : 50;
    const unsigned nSeed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
    // Each operation's time on a tree of this kind, taken once, bounds its kill moments.
    std::chrono::microseconds arrDuration[3];
    for (int nOp = 0; nOp < 3; ++nOp) {
        std::mt19937 rng(nSeed);
        arrDuration[nOp] = RunPoint(argv[1], MakeCase(rng, static_cast<EOp>(nOp))).duration;
    }
    int arrCount[PROBLEMS] = {}, nFailed = 0, nKilled = 0;
    for (int nKill = 0; nKill < nKills; ++nKill) {
        std::mt19937 rng(nSeed * 1000003u + static_cast<unsigned>(nKill));
        const auto eOp = static_cast<EOp>(nKill % 3);
        CCase c = MakeCase(rng, eOp);
        const auto nMax = arrDuration[nKill % 3].count();
        c.killAfter = std::chrono::microseconds(
            std::uniform_int_distribution<long long>(1, nMax > 1 ? nMax : 1)(rng));
        const COutcome outcome = RunPoint(argv[1], c);
        nKilled += outcome.bKilled;
        for (const auto& [eProblem, strWhat] : outcome.arrProblems) {
            std::printf("kill point %d (%s, killed after %lld us): %s: %s\n", nKill,
                        kOpNames[nKill % 3], static_cast<long long>(c.killAfter.count()),
                        kProblemNames[eProblem], strWhat.c_str());
            ++arrCount[eProblem];
        }
        nFailed += !outcome.arrProblems.empty();
    }
    std::printf("%d kill points (seed %u), %d of them while qjintp ran: %d failed\n", nKills, nSeed,
                nKilled, nFailed);
    for (int nProblem = 0; nProblem < PROBLEMS; ++nProblem)
        std::printf("  %-40s %d\n", kProblemNames[nProblem], arrCount[nProblem]);
    return nFailed == 0 ? 0 : 1;
}
