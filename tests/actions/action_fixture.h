// Shared ground of the action module's tests: a module object, the trace lines that it wrote
// during a test, a scratch folder, and the checks that nothing is left behind.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "family/qjcwract.h"
#include "support/temp_dir.h"

class ActionTest : public ::testing::Test {
protected:
    // What the module traced since the test began.
    std::string NewTrace() const { return ReadText(std::getenv("QJ_TRACE")).substr(m_nTraceStart); }

    // True when this process has no child at all, ended or not.
    static bool NoChildLeft() {
        int nStatus;
        return ::waitpid(-1, &nStatus, WNOHANG) == -1 && errno == ECHILD;
    }

    char m_szOut[32768] = {};
    CActionModule m_action;
    const CTempDir m_temp{"qjact"};
    const std::filesystem::path& m_dir = m_temp.Path();

private:
    std::size_t m_nTraceStart = ReadText(std::getenv("QJ_TRACE")).size();
};

// The name of a parametrised case: its pszName.
inline const auto CaseName = [](const auto& info) { return std::string(info.param.pszName); };
