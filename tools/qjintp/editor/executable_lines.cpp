// Finds the statements of a script's Main and procedure bodies by the first token of each line.
#include "editor/executable_lines.h"

#include <cstring>

#include "host/engine.h"
#include "lexer/tokens.h"

namespace {
// A line whose first token has this code is a statement when it is inside a body.
bool IsStatement(int32_t nCode) {
    return nCode == TK_IDENT || nCode == TK_IF || nCode == TK_WHILE || nCode == TK_RETURN ||
           nCode == TK_DIRECTIVE;
}
}  // namespace

std::set<int32_t> ExecutableLines(CScriptEngine& engine, const std::string& strPath,
                                  std::string& strProblem) {
    std::set<int32_t> lines;
    try {
        engine.LoadScript(strPath.c_str());
        bool bInBody = false;
        std::string strToken;
        for (size_t i = 0; i < engine.m_arrLines.size(); ++i) {
            const std::string& strLine = engine.m_arrLines[i];
            std::memcpy(engine.m_szLine, strLine.c_str(), strLine.size() + 1);
            const int32_t nCode = engine.GetToken(engine.m_szLine, strToken);
            if (nCode == TK_MAIN || nCode == TK_PROC) {
                bInBody = true;
            } else if (nCode == TK_ENDMAIN || nCode == TK_ENDPROC) {
                bInBody = false;
            } else if (bInBody && IsStatement(nCode)) {
                lines.insert(static_cast<int32_t>(i));
            }
        }
    } catch (const CScriptError& error) {
        strProblem = error.strMessage;
    }
    engine.m_arrLines.clear();
    return lines;
}
