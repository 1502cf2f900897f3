// Fuzz target: the line lexer over arbitrary lines. The first byte chooses whether escape
// sequences are on; the rest is the line, cut to the longest line a script may hold. Every
// token is pulled until the end of the line or a script error; a "#" line also goes through
// the directive handler, as the structure pass would take it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/engine.h"
#include "lexer/tokens.h"

namespace {
CScriptEngine& Engine() {
    static CScriptEngine* s_pEngine = new CScriptEngine();  // lives as long as the process
    return *s_pEngine;
}

// The lexer must stay inside the line, consume something for every token it delivers, and
// deliver the end of the line with an empty text.
void CheckToken(const CScriptEngine& engine, const char* pBefore, size_t nLen, int32_t nCode,
                const std::string& strToken) {
    const char* pPos = engine.m_pszPos;
    if (pPos < engine.m_szLine || pPos > engine.m_szLine + nLen) std::abort();
    if (nCode != TK_END && pPos <= pBefore) std::abort();
    if (nCode == TK_END && !strToken.empty()) std::abort();
}

void LexLine(CScriptEngine& engine, size_t nLen) {
    std::string strToken;
    const char* pBefore = engine.m_szLine;
    int32_t nCode = engine.GetToken(engine.m_szLine, strToken);
    CheckToken(engine, pBefore, nLen, nCode, strToken);
    if (nCode == TK_DIRECTIVE) {
        engine.ProcessDirective();
        return;
    }
    while (nCode != TK_END) {
        pBefore = engine.m_pszPos;
        nCode = engine.GetToken(nullptr, strToken);
        CheckToken(engine, pBefore, nLen, nCode, strToken);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize == 0) return 0;
    CScriptEngine& engine = Engine();
    engine.m_bEscapes = (pData[0] & 1) != 0;
    const size_t nCopy = std::min(nSize - 1, static_cast<size_t>(MAX_LINE));
    std::memcpy(engine.m_szLine, pData + 1, nCopy);
    engine.m_szLine[nCopy] = '\0';
    try {
        // A NUL byte ends the line, as it does for every reader of the line buffer.
        LexLine(engine, std::strlen(engine.m_szLine));
    } catch (const CScriptError&) {
        // an escape sequence or a directive the lexer refuses
    }
    return 0;
}
