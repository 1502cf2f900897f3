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
#include <map>
#include <optional>

#include "support/script_runner.h"

namespace {

struct ScriptCase {
    std::string strName;
    std::map<std::string, std::string> header;    // "options", "params", "result"
    std::map<std::string, std::string> sections;  // "script", "trace", "log"
    std::string strFault;                         // what is wrong with the case file itself
};

void PrintTo(const ScriptCase& c, std::ostream* pOut) {
    *pOut << c.strName;
}

void ReadLine(ScriptCase& c, std::string*& pSection, const std::string& strLine) {
    static const std::string kKeys[] = {"options", "params", "result"};
    static const std::string kSections[] = {"script", "trace", "log"};
    if (pSection != nullptr && !strLine.starts_with("--- ")) {
        *pSection += strLine + "\n";
    } else if (strLine.starts_with("--- ")) {
        const std::string strSection = strLine.substr(4);
        pSection = &c.sections[strSection];
        if (std::ranges::find(kSections, strSection) == std::end(kSections))
            c.strFault += "unknown section: " + strSection + "\n";
    } else if (!strLine.empty() && strLine.front() != '#') {
        const std::string strKey = strLine.substr(0, strLine.find(':'));
        if (std::ranges::find(kKeys, strKey) == std::end(kKeys)) {
            c.strFault += "unknown header line: " + strLine + "\n";
        } else {
            std::string strValue = strLine.substr(strKey.size() + 1);
            c.header[strKey] = strValue.starts_with(' ') ? strValue.substr(1) : strValue;
        }
    }
}

std::vector<ScriptCase> LoadCases() {
    const std::filesystem::path dir = QJ_SOURCE_DIR "/tests/exec/cases";
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error))
        if (entry.path().extension() == ".cases") files.push_back(entry.path());
    if (files.empty()) return {{"missing", {}, {}, "no cases in " + dir.string()}};
    std::ranges::sort(files);
    std::vector<ScriptCase> cases;
    for (const auto& file : files) {
        std::ifstream in(file);
        std::string* pSection = nullptr;
        bool bInCase = false;
        for (std::string strLine; std::getline(in, strLine);) {
            if (strLine.starts_with("=== ")) {
                std::string strName = file.stem().string() + "_" + strLine.substr(4);
                std::ranges::replace_if(
                    strName, [](unsigned char ch) { return !std::isalnum(ch); }, '_');
                cases.push_back({strName, {}, {}, {}});
                pSection = nullptr;
                bInCase = true;
            } else if (bInCase) {
                ReadLine(cases.back(), pSection, strLine);
            }
        }
    }
    for (ScriptCase& c : cases) {
        for (auto& [strSection, strText] : c.sections) {
            while (strText.ends_with("\n\n")) strText.pop_back();
            if (strText == "\n") strText.clear();
        }
        if (c.sections["script"].empty()) c.strFault += "no script\n";
    }
    return cases;
}

class ScriptCaseTest : public testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptCaseTest, GivesItsTraceLogAndResult) {
    ScriptCase c = GetParam();
    ASSERT_EQ(c.strFault, "");
    const bool bTrace = c.sections.contains("trace");
    if (!c.header.contains("options")) c.header["options"] = bTrace ? "" : "NT";
    ScriptRunner runner;
    ScriptRun run = runner.Run(c.sections["script"], c.header["options"].c_str(),
                               c.header.contains("params") ? c.header["params"].c_str() : nullptr);
    if (bTrace) {
        // The trace without its start and end messages, which come first and last.
        const auto& trace = family_double::g_trace;
        std::string strTrace;
        for (size_t i = 1; i + 1 < trace.size(); ++i) strTrace += trace[i].strText;
        EXPECT_EQ(strTrace, c.sections["trace"]);
    }
    EXPECT_EQ(run.strLog, c.sections["log"]);
    const int nResult = c.sections["log"].empty() ? 1 : 0;
    EXPECT_EQ(run.nResult, c.header.contains("result") ? std::stoi(c.header["result"]) : nResult);
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptCaseTest, testing::ValuesIn(LoadCases()),
                         [](const testing::TestParamInfo<ScriptCase>& info) {
                             return info.param.strName;
                         });

}  // namespace
