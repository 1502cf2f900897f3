// A fresh engine per test, with helpers that feed it lines and catch the script errors they
// raise: the lexer, the structure pass and the declarations tested without running a script.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/engine.h"

// What a step left behind: whether it raised, and if so the code, message and 1-based line.
struct Outcome {
    bool bRaised = false;
    int nCode = 0;
    std::string strMessage;
    int nLine = 0;
    bool operator==(const Outcome&) const = default;
};

inline void PrintTo(const Outcome& o, std::ostream* os) {
    if (o.bRaised) *os << "error " << o.nCode << " \"" << o.strMessage << "\" line " << o.nLine;
    if (!o.bRaised) *os << "passed";
}

inline const Outcome PASSED{};
// The error a step should raise: the code, the offending text and the code's text.
inline Outcome Failed(int nCode, const std::string& strDetail, const char* pszText, int nLine) {
    return {true, nCode, "'" + strDetail + "' - " + pszText, nLine};
}

class EngineTest : public ::testing::Test {
protected:
    CScriptEngine m_engine;

    // Runs a step and turns the script error it raises, if any, into an outcome.
    template <typename Step>
    Outcome Catch(Step step) {
        try {
            step();
        } catch (const CScriptError& error) {
            EXPECT_EQ(error.strMessage, m_engine.m_strError);
            return {true, m_engine.m_nError, error.strMessage, m_engine.m_nCurLine + 1};
        }
        return {};
    }

    // Scans lines as the loader leaves them: one element per line and an empty one after.
    Outcome Scan(std::vector<std::string> lines) {
        lines.emplace_back();
        m_engine.m_arrLines = std::move(lines);
        return Catch([this] { m_engine.ScanStructure(); });
    }

    // Puts one line into the line buffer, as the callers of the lexer do.
    void SetLine(const std::string& strLine) {
        std::memcpy(m_engine.m_szLine, strLine.c_str(), strLine.size() + 1);
    }
    ptrdiff_t ReadPos() const { return m_engine.m_pszPos - m_engine.m_szLine; }
    CScriptVar* Ident(const char* pszName) const { return m_engine.FindIdent(pszName); }
};
