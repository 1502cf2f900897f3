// Script-level cases kept as data. Each file under cases/ holds one group of behaviour; each
// case in it is a script with its run options and the trace, log and result the run must give.
//
//   === case-name
//   options: C              run options; without this line "NT", or "" when a trace is given
//   params: "a" "b"         run parameters (optional)
//   result: 0               expected result; without this line 1 when no log is expected, else 0
//   --- script              the lines of t.scr
//   --- trace               expected trace between the start and the end message (optional)
//   --- log                 expected log (optional; none by default)
//
// Lines before the first case and "#" lines in a case's header are comments. Trailing empty
// lines of a section are dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>

#include "support/script_runner.h"

namespace {

struct ScriptCase {
    std::string strName;
    std::optional<std::string> options;
    std::optional<std::string> params;
    std::optional<int> result;
    std::string strScript;
    std::optional<std::string> trace;
    std::string strLog;
    std::string strFault;  // what is wrong with the case file itself
};

void PrintTo(const ScriptCase& c, std::ostream* pOut) {
    *pOut << c.strName;
}

std::string TestName(const std::string& strGroup, const std::string& strCase) {
    std::string strName = strGroup + "_" + strCase;
    std::ranges::replace_if(
        strName, [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
    return strName;
}

void DropTrailingEmptyLines(std::string& strText) {
    while (strText.ends_with("\n\n")) strText.pop_back();
    if (strText == "\n") strText.clear();
}

// Reads one header line of a case: a key, a blank and the value.
void ReadHeader(ScriptCase& c, const std::string& strLine) {
    auto valueOf = [&](std::string_view key) -> std::optional<std::string> {
        if (!strLine.starts_with(key)) return std::nullopt;
        std::string strValue = strLine.substr(key.size());
        if (!strValue.empty() && strValue.front() == ' ') strValue.erase(0, 1);
        return strValue;
    };
    if (strLine.empty() || strLine.front() == '#') return;
    if (auto value = valueOf("options:")) {
        c.options = *value;
    } else if (auto params = valueOf("params:")) {
        c.params = *params;
    } else if (auto result = valueOf("result:")) {
        c.result = std::stoi(*result);
    } else {
        c.strFault += "unknown header line: " + strLine + "\n";
    }
}

std::vector<ScriptCase> LoadGroup(const std::filesystem::path& path) {
    std::vector<ScriptCase> cases;
    std::ifstream in(path);
    std::string* pSection = nullptr;
    bool bInCase = false;
    auto finish = [&] {
        if (cases.empty()) return;
        ScriptCase& c = cases.back();
        DropTrailingEmptyLines(c.strScript);
        DropTrailingEmptyLines(c.strLog);
        if (c.trace) DropTrailingEmptyLines(*c.trace);
        if (c.strScript.empty()) c.strFault += "no script\n";
    };
    for (std::string strLine; std::getline(in, strLine);) {
        if (strLine.starts_with("=== ")) {
            finish();
            cases.push_back({});
            cases.back().strName = TestName(path.stem().string(), strLine.substr(4));
            pSection = nullptr;
            bInCase = true;
        } else if (!bInCase) {
            continue;
        } else if (strLine.starts_with("--- ")) {
            ScriptCase& c = cases.back();
            const std::string strSection = strLine.substr(4);
            if (strSection == "script") {
                pSection = &c.strScript;
            } else if (strSection == "log") {
                pSection = &c.strLog;
            } else if (strSection == "trace") {
                c.trace.emplace();
                pSection = &*c.trace;
            } else {
                c.strFault += "unknown section: " + strSection + "\n";
                pSection = nullptr;
            }
        } else if (pSection != nullptr) {
            *pSection += strLine + "\n";
        } else {
            ReadHeader(cases.back(), strLine);
        }
    }
    finish();
    return cases;
}

std::vector<ScriptCase> LoadCases() {
    const std::filesystem::path dir = QJ_SOURCE_DIR "/tests/exec/cases";
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.path().extension() == ".cases") files.push_back(entry.path());
    }
    if (files.empty()) {
        ScriptCase missing;
        missing.strName = "missing";
        missing.strFault = "no cases in " + dir.string();
        return {missing};
    }
    std::ranges::sort(files);
    std::vector<ScriptCase> cases;
    for (const auto& file : files) std::ranges::move(LoadGroup(file), std::back_inserter(cases));
    return cases;
}

// The trace texts of the run without its start and end messages, which come first and last.
std::string TraceBetweenStartAndEnd() {
    const auto& trace = family_double::g_trace;
    std::string strText;
    for (size_t i = 1; i + 1 < trace.size(); ++i) strText += trace[i].strText;
    return strText;
}

class ScriptCaseTest : public testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptCaseTest, GivesItsTraceLogAndResult) {
    const ScriptCase& c = GetParam();
    ASSERT_EQ(c.strFault, "");
    const std::string strOptions = c.options.value_or(c.trace ? "" : "NT");
    ScriptRunner runner;
    ScriptRun run =
        runner.Run(c.strScript, strOptions.c_str(), c.params ? c.params->c_str() : nullptr);
    if (c.trace) {
        EXPECT_EQ(TraceBetweenStartAndEnd(), *c.trace);
    }
    EXPECT_EQ(run.strLog, c.strLog);
    EXPECT_EQ(run.nResult, c.result.value_or(c.strLog.empty() ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptCaseTest, testing::ValuesIn(LoadCases()),
                         [](const testing::TestParamInfo<ScriptCase>& info) {
                             return info.param.strName;
                         });

}  // namespace
