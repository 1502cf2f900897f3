// The structure pass: checks the block structure of the whole script once, before anything
// runs, and on the way registers Main and the procedures, runs the declarations and the
// directives.
#include "host/engine.h"
#include "lexer/expect.h"
#include "lexer/tokens.h"

namespace {
// The block state while no top-level block is open; no token has this code.
constexpr int32_t NO_BLOCK = 0;

// The state of one pass over the file. The If and While depths, and the depth of the other
// kind saved by the latest If and While, run over the whole file: the end of a top-level
// block does not reset them, and one saved value of each kind stands in for a stack.
class CStructurePass {
public:
    explicit CStructurePass(CScriptEngine& engine) : m_engine(engine) {}

    // Checks one line whose first token has been read, and does the work it asks for.
    void ScanLine(int32_t nCode, const std::string& strKeyword);
    // The checks after the last line.
    void CheckEnd() const;

private:
    bool InBody() const { return m_nBlock == TK_MAIN || m_nBlock == TK_PROC; }
    // A keyword in the wrong place is unexpected, before anything after it is read.
    void RequireBlock(bool bAllowed, const std::string& strKeyword) const;
    // The rest of the line must be empty.
    void RequireAlone() const { ExpectToken(m_engine, TK_END); }
    // The keyword needs a token after it; without one, the error names the keyword.
    std::string RequireOperand(const std::string& strKeyword, int nCode) const;
    void OpenBlock(int32_t nBlock, const std::string& strKeyword);
    void CloseBlock(int32_t nBlock, const std::string& strKeyword);
    void OpenIf(const std::string& strKeyword);
    void OpenWhile(const std::string& strKeyword);
    void CloseIf(const std::string& strKeyword);
    void CloseWhile(const std::string& strKeyword);

    CScriptEngine& m_engine;
    int32_t m_nBlock = NO_BLOCK;
    int32_t m_nIfDepth = 0;
    int32_t m_nWhileDepth = 0;
    int32_t m_nWhileDepthAtIf = 0;
    int32_t m_nIfDepthAtWhile = 0;
};

void CStructurePass::ScanLine(int32_t nCode, const std::string& strKeyword) {
    switch (nCode) {
        case TK_END:
            break;
        case TK_DIRECTIVE:
            m_engine.ProcessDirective();
            break;
        case TK_IDENT:  // a statement; it is looked at when it runs
            RequireBlock(InBody(), strKeyword);
            break;
        case TK_MAIN:
            OpenBlock(TK_MAIN, strKeyword);
            break;
        case TK_PROC:
            RequireBlock(m_nBlock == NO_BLOCK, strKeyword);
            m_engine.DefineProc(RequireOperand(strKeyword, ERR_UNEXPECTED));
            m_nBlock = TK_PROC;
            break;
        case TK_DECLARE:
            OpenBlock(TK_DECLARE, strKeyword);
            break;
        case TK_ENDMAIN:
            CloseBlock(TK_MAIN, strKeyword);
            break;
        case TK_ENDPROC:
            CloseBlock(TK_PROC, strKeyword);
            break;
        case TK_ENDDECLARE:
            CloseBlock(TK_DECLARE, strKeyword);
            break;
        case TK_IF:
            OpenIf(strKeyword);
            break;
        case TK_WHILE:
            OpenWhile(strKeyword);
            break;
        case TK_ENDIF:
            CloseIf(strKeyword);
            break;
        case TK_ENDWHILE:
            CloseWhile(strKeyword);
            break;
        case TK_RETURN:
            RequireBlock(InBody(), strKeyword);
            RequireAlone();
            break;
        case TK_TYPE_NUMBER:
            RequireBlock(m_nBlock == TK_DECLARE, strKeyword);
            m_engine.DeclareNumber();
            break;
        case TK_TYPE_STRING:
            RequireBlock(m_nBlock == TK_DECLARE, strKeyword);
            m_engine.DeclareString();
            break;
        case TK_TYPE_OBJECT:
            RequireBlock(m_nBlock == TK_DECLARE, strKeyword);
            m_engine.DeclareObject();
            break;
        case TK_INVALID:
            m_engine.Raise(strKeyword, ERR_INVALID_IDENT);
        default:  // a number, a string literal, Null, an operator or punctuation
            m_engine.Raise(strKeyword, ERR_UNEXPECTED);
    }
}

void CStructurePass::CheckEnd() const {
    if (m_nBlock != NO_BLOCK) m_engine.Raise("EOF", ERR_UNEXPECTED);
    if (m_nIfDepth != 0) m_engine.Raise("If", ERR_BLOCK);
    if (m_nWhileDepth != 0) m_engine.Raise("While", ERR_BLOCK);
}

void CStructurePass::RequireBlock(bool bAllowed, const std::string& strKeyword) const {
    if (!bAllowed) m_engine.Raise(strKeyword, ERR_UNEXPECTED);
}

std::string CStructurePass::RequireOperand(const std::string& strKeyword, int nCode) const {
    std::string strText;
    if (m_engine.GetToken(nullptr, strText) == TK_END) m_engine.Raise(strKeyword, nCode);
    return strText;
}

void CStructurePass::OpenBlock(int32_t nBlock, const std::string& strKeyword) {
    RequireBlock(m_nBlock == NO_BLOCK, strKeyword);
    RequireAlone();
    if (nBlock == TK_MAIN) m_engine.DefineMain(strKeyword);
    m_nBlock = nBlock;
}

void CStructurePass::CloseBlock(int32_t nBlock, const std::string& strKeyword) {
    RequireBlock(m_nBlock == nBlock, strKeyword);
    RequireAlone();
    m_nBlock = NO_BLOCK;
}

// The condition of an If or While is examined only when the line runs.
void CStructurePass::OpenIf(const std::string& strKeyword) {
    RequireBlock(InBody(), strKeyword);
    RequireOperand(strKeyword, ERR_UNEXPECTED);
    m_nWhileDepthAtIf = m_nWhileDepth;
    ++m_nIfDepth;
}

void CStructurePass::OpenWhile(const std::string& strKeyword) {
    RequireBlock(InBody(), strKeyword);
    RequireOperand(strKeyword, ERR_EXPRESSION_EXPECTED);
    m_nIfDepthAtWhile = m_nIfDepth;
    ++m_nWhileDepth;
}

// An EndIf may not close an If around a While that is still open, nor the reverse.
void CStructurePass::CloseIf(const std::string& strKeyword) {
    RequireBlock(InBody(), strKeyword);
    RequireAlone();
    if (m_nWhileDepth != m_nWhileDepthAtIf) m_engine.Raise(strKeyword, ERR_UNEXPECTED);
    --m_nIfDepth;
}

void CStructurePass::CloseWhile(const std::string& strKeyword) {
    RequireBlock(InBody(), strKeyword);
    RequireAlone();
    if (m_nIfDepth != m_nIfDepthAtWhile) m_engine.Raise(strKeyword, ERR_UNEXPECTED);
    --m_nWhileDepth;
}

// Enters a procedure record that starts at the current line.
void EnterProc(CScriptEngine& engine, const std::string& strName) {
    auto pProc = std::make_unique<CScriptVar>(VAR_PROC);
    pProc->SetProcLine(engine.m_nCurLine);
    engine.SetIdent(strName, std::move(pProc));
}
}  // namespace

void CScriptEngine::ScanStructure() {
    CStructurePass pass(*this);
    // The line array holds one empty element after the file's own lines.
    const int32_t nLines = static_cast<int32_t>(m_arrLines.size()) - 1;
    // A line names at most one identifier: the index of names grows once, not by doubling.
    if (!m_identIndex.IsValid()) IndexIdents();
    m_identIndex.Reserve(m_mapIdent.size() + m_arrLines.size());
    std::string strKeyword;
    for (int32_t i = 0; i < nLines; ++i) {
        m_nCurLine = i;
        CopyLine(i);
        int32_t nCode = GetToken(m_szLine, strKeyword);
        pass.ScanLine(nCode, strKeyword);
    }
    // An error found here names the file's last line, where m_nCurLine stays.
    pass.CheckEnd();
}

// Procedure names share one namespace with variables, built-ins and constants.
void CScriptEngine::DefineMain(const std::string& strKeyword) {
    if (FindIdent(strKeyword) != nullptr) Raise(strKeyword, ERR_REDEFINITION);
    EnterProc(*this, strKeyword);
}

void CScriptEngine::DefineProc(const std::string& strName) {
    if (FindIdent(strName) != nullptr) Raise(strName, ERR_REDEFINITION);
    ExpectToken(*this, TK_END);  // a procedure takes no parameters
    EnterProc(*this, strName);
}
