// Shared ground of the action module's tests: a module object, the trace lines that it wrote
// during a test, a scratch folder, and the checks that nothing is left behind.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "family/qjcwract.h"

class ActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_nTraceStart = TraceFileText().size();
        std::string strTemplate =
            (std::filesystem::temp_directory_path() / "qjact.XXXXXX").string();
        ASSERT_NE(::mkdtemp(strTemplate.data()), nullptr);
        m_dir = strTemplate;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    // What the module traced since the test began.
    std::string NewTrace() const { return TraceFileText().substr(m_nTraceStart); }

    // True when this process has no child at all, ended or not.
    static bool NoChildLeft() {
        int nStatus;
        return ::waitpid(-1, &nStatus, WNOHANG) == -1 && errno == ECHILD;
    }

    char m_szOut[32768] = {};
    CActionModule m_action;
    std::filesystem::path m_dir;

private:
    static std::string TraceFileText() {
        std::ifstream file(std::getenv("QJ_TRACE"));
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::size_t m_nTraceStart = 0;
};
