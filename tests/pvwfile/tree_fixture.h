// Real temporary trees for the file library's tests, and the library put back to its
// defaults before each test (its settings outlive every operation).
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <map>
#include <span>
#include <string>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

// A tree as text: "name" -> content for files, "@target" for links, "<dir>" for directories.
using Tree = std::map<std::string, std::string>;
using Str = const std::string&;

// An operation on two trees made afresh: what it returns, both trees after it, and a text its
// notes must hold.
struct TreeCase {
    const char* pszName;
    Tree source, target;                     // before
    std::function<int(Str s, Str d)> fnRun;  // on the source and target roots
    int nResult;
    Tree sourceAfter, targetAfter;
    std::string strNote = "";
};

class CTreeTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    fs::path Src() const { return m_root / "src"; }
    fs::path Dst() const { return m_dst.empty() ? m_root / "dst" : m_dst; }
    std::string S() const { return Src().string(); }
    std::string D() const { return Dst().string(); }

    // Every setting, filter and fault back to its default, with this test's notification target.
    void Reset();
    static void Make(const fs::path& dir, const Tree& tree);
    // Both trees made afresh (the target only when it has entries), the defaults and no notes.
    void Remake(const Tree& source, const Tree& target);
    // Each case on its trees.
    void RunCases(std::span<const TreeCase> cases);
    // Deletions confirmed, empty folders too; 0, to be added to a result.
    static int DeleteConfirmed();
    static Tree Read(const fs::path& dir);
    static void Write(const fs::path& path, const std::string& strContent);
    // Moves a file's modification time by nSeconds from now.
    static void SetAge(const fs::path& path, int nSeconds);
    // The exit status of the child pid once it has ended, -1 when a signal ended it.
    static int ExitStatus(pid_t pid);
    // fn's result, which must lie between 0 and 254, as a child process returned it.
    static int InChild(const std::function<int()>& fn);
    // Names of leftover temporary files anywhere under dir.
    static std::string Temporaries(const fs::path& dir);
    // The content of the "leaf" at the bottom of a chain of nDepth folders strName/strName/...
    // below dir, empty when the chain is not whole; with bMake the chain and its leaf are made
    // first. A level at a time, by relative names: the leaf's path may exceed the system's limit.
    static std::string Chain(const fs::path& dir, const std::string& strName, int nDepth,
                             bool bMake);
    // The notification lines the operations sent so far, and whether they hold a text.
    std::string Notes() const { return ReadText(m_root / "notes"); }
    bool Noted(const std::string& strText) const {
        return Notes().find(strText) != std::string::npos;
    }

    fs::path m_root;
    fs::path m_dst;  // the target's root where it is not m_root/dst
    int m_nNotifyFd = -1;
};

using Op = int (*)(Str s, Str d);
// An entry on the two roots with its flags and patterns, and the same with deletions confirmed.
template <auto fnEntry, int nFlags, const char* pszPatterns = nullptr>
int Both(Str s, Str d) {
    return fnEntry(s.c_str(), d.c_str(), nFlags, pszPatterns);
}
template <Op fnRun>
int Confirmed(Str s, Str d) {
    return CTreeTest::DeleteConfirmed() + fnRun(s, d);
}
