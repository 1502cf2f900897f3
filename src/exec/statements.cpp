// Statement execution: the lines of Main and of the procedures, one statement per line. If
// bodies and While loops run as nested blocks, a procedure in the block that calls it; built-in
// calls are checked, traced and carried out here.
//
// Each nesting level costs a RunBlock frame and the frame of the step that opened it, so both
// are kept small: the If and While steps, the assignments and the calls are functions of
// their own, and the texts a line needs only until it has been dispatched live in per-thread
// buffers. The rest of a line's work, the lexer included, is compiled into RunBlock itself.
#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <string_view>
#include <vector>

#include "host/engine.h"
#include "lexer/tokens.h"
#include "res/strings.h"

namespace {
// OLE variant type asked of an object access whose result is not wanted.
constexpr int VT_EMPTY = 0;
// How often the host's window messages are pumped before each line.
constexpr int PUMP_MESSAGES = 3;

// The debug prints, whose trace line is their whole effect and which have no result line.
constexpr std::string_view DEBUG_PRINT_NUM = "DebugPrintNum";
constexpr std::string_view DEBUG_PRINT_STR = "DebugPrintStr";
// The error of a block or procedure call nested past MAX_NESTING levels.
constexpr char NESTING_TOO_DEEP[] = "Nesting too deep";
// The source name a debug print shows for a literal argument.
constexpr char LITERAL_NAME[] = "Literal";
// How a Null text argument is shown in a trace line.
constexpr char NULL_TEXT[] = "NULL";

// Every string holds room for at least this many characters and its terminating zero: the
// room a string of the standard libraries the module is built with keeps within itself.
constexpr size_t SHORT_LINE = 15;

// The line array holds one empty element after the file's own lines.
int32_t FileLineCount(const CScriptEngine& engine) {
    return static_cast<int32_t>(engine.m_arrLines.size()) - 1;
}

// A block that runs past the end of the file; the error names the file's last line.
[[noreturn]] void RaiseEndMissing(CScriptEngine& engine) {
    engine.m_nCurLine = std::max(FileLineCount(engine) - 1, 0);
    engine.Raise("End", ERR_MISSING);
}

// A procedure's block, starting after its opening line. Only the check and a debugger run a
// procedure as a block of its own; any other run takes its lines into the calling block.
void RunProcBlock(CScriptEngine& engine, CScriptVar* pProc) {
    engine.m_nCurLine = pProc->GetProcLine();
    engine.RunBlock(TK_ENDPROC);
}

// A procedure's block in check mode, unless the procedure is running already.
[[gnu::noinline]] void CheckProc(CScriptEngine& engine, CScriptVar* pProc) {
    std::vector<const CScriptVar*>& chain = engine.m_arrCheckedProcs;
    if (std::ranges::find(chain, pProc) != chain.end()) return;
    chain.push_back(pProc);
    RunProcBlock(engine, pProc);
    chain.pop_back();
}

// A procedure's block with the debugger told of the call and the return.
[[gnu::noinline, gnu::cold]] void DebugProc(CScriptEngine& engine, CScriptVar* pProc) {
    engine.m_pDebugHook->OnEnterProc(pProc);
    RunProcBlock(engine, pProc);
    engine.m_pDebugHook->OnLeaveProc();
}

// A procedure call in check mode or with a debugger attached.
void RunProc(CScriptEngine& engine, CScriptVar* pProc) {
    if (engine.m_bCheckOnly) {
        CheckProc(engine, pProc);
    } else {
        DebugProc(engine, pProc);
    }
}

// A built-in or object call as a statement of its own; its result is dropped.
[[gnu::noinline]] void RunCall(CScriptEngine& engine, CScriptVar* pVar) {
    std::string strScratch;
    if (pVar->m_nType == VAR_FUNC) {
        engine.CallBuiltin(pVar, strScratch);
    } else {
        engine.CallObject(pVar, strScratch, VT_EMPTY);
    }
}

// A line that begins with a name: an assignment, a procedure call, a built-in or object call.
// Returns the procedure the block that read the line is to run in itself (see CallProc), or
// null when the line has been carried out here.
CScriptVar* RunName(CScriptEngine& engine, std::string_view strName) {
    CScriptVar* pVar = engine.FindIdent(strName);
    if (pVar == nullptr) engine.Raise(strName, ERR_UNKNOWN_IDENT);
    // Most lines assign a Number or call a procedure: each decided by one test, not through
    // the jump of the switch.
    if (pVar->m_nType == VAR_NUMBER) {
        engine.AssignNumber(pVar);
        return nullptr;
    }
    if (pVar->m_nType == VAR_PROC && !engine.m_bCheckOnly && engine.m_pDebugHook == nullptr)
        return pVar;
    switch (pVar->m_nType) {
        case VAR_STRING:
            engine.AssignString(pVar);
            break;
        case VAR_PROC:
            RunProc(engine, pVar);
            break;
        case VAR_FUNC:
        case VAR_OBJECT:
            RunCall(engine, pVar);
            break;
        case VAR_CONST:  // a constant cannot be assigned
            engine.Raise(strName, ERR_UNEXPECTED);
        default:
            engine.Raise(strName, ERR_INTERNAL);
    }
    return nullptr;
}

// The condition of an If or While line: the line's text behind its keyword, which ends
// nOffset characters into the line. The line array does not change during a run, so a loop
// reads the same text before every pass, from the line array itself.
std::string_view LineCondition(const CScriptEngine& engine, int32_t nLine, size_t nOffset) {
    return std::string_view(engine.m_arrLines[static_cast<size_t>(nLine)]).substr(nOffset);
}

// Where the condition of the line just read begins.
size_t ConditionOffset(const CScriptEngine& engine) {
    return static_cast<size_t>(engine.m_pszPos - engine.m_szLine);
}

// An If line; returns the index of the line the block ended on. In check mode the body runs
// whatever the condition.
[[gnu::noinline]] int32_t RunIf(CScriptEngine& engine, int32_t nIfLine) {
    if (!engine.EvalCondition(LineCondition(engine, nIfLine, ConditionOffset(engine))) &&
        !engine.m_bCheckOnly)
        return engine.FindBlockEnd(TK_ENDIF);
    return engine.RunBlock(TK_ENDIF);
}

// A While line; returns the index of the line the loop ended on. The passes run in one block,
// which evaluates the condition again where a pass ends (see NextPass). In check mode the body
// runs exactly once.
[[gnu::noinline]] int32_t RunWhile(CScriptEngine& engine, int32_t nWhileLine) {
    const CWhileLoop loop{nWhileLine, LineCondition(engine, nWhileLine, ConditionOffset(engine))};
    if (!engine.EvalCondition(loop.condition) && !engine.m_bCheckOnly)
        return engine.FindBlockEnd(TK_ENDWHILE);
    engine.m_nCurLine = nWhileLine;
    return engine.RunBlock(TK_ENDWHILE, &loop);
}

// Whether a While loop runs another pass, asked where a pass ends: at its EndWhile or at a
// "Return", which counts as any other end of a pass; only a false condition lets the "Return"
// take effect outside. An error here names the line that ended the pass. Out of line, so
// that the condition's steps do not widen the block's frame.
[[gnu::noinline]] bool NextPass(CScriptEngine& engine, const CWhileLoop& loop) {
    return !engine.m_bCheckOnly && engine.EvalCondition(loop.condition);
}

// The text of one argument in a call's trace line.
void AppendArgument(std::string& strLine, const CScriptArg& slot) {
    if (slot.m_nType == VAR_NUMBER) {
        strLine += std::to_string(slot.GetNumber());
        return;
    }
    const char* pszText = slot.GetString();
    if (pszText == nullptr) {
        strLine += NULL_TEXT;
    } else {
        strLine += '"';
        strLine += pszText;
        strLine += '"';
    }
}

// "name = value" of a debug print: the variable it was given, or a literal.
std::string DebugPrintLine(CScriptEngine& engine, const CScriptArg& slot) {
    std::string strLine =
        slot.m_pSource != nullptr ? engine.GetIdentName(slot.m_pSource) : LITERAL_NAME;
    strLine += " = ";
    AppendArgument(strLine, slot);
    return strLine;
}

// Every argument must have its parameter's type, and an output parameter needs a variable.
void CheckArguments(CScriptEngine& engine, std::string_view name, const CFuncDesc& desc,
                    const CScriptArg* pSlots) {
    for (int k = 0; k < desc.m_nParams; ++k) {
        int nCode;
        if (pSlots[k].m_nType != desc.m_anParamType[k]) {
            nCode = ERR_TYPE_MISMATCH;
        } else if (desc.m_abByRef[k] != 0 && pSlots[k].m_pSource == nullptr) {
            nCode = ERR_NEED_VARIABLE;
        } else {
            continue;
        }
        engine.Raise(
            std::string(name) + " " + LoadResString(IDS_PARAMETER) + " " + std::to_string(k + 1),
            nCode);
    }
}

// A built-in of the other result type or of none on the right of an assignment.
[[noreturn, gnu::noinline, gnu::cold]] void RaiseResultType(CScriptEngine& engine,
                                                            CScriptVar* pFunc, int32_t nRetType,
                                                            int32_t nWanted) {
    const std::string strName = engine.GetIdentName(pFunc);
    if (nRetType == VAR_NONE) engine.Raise(strName, ERR_VOID_ASSIGNMENT);
    engine.Raise(strName, nWanted == VAR_NUMBER ? ERR_RETURNS_STRING : ERR_RETURNS_NUMBER);
}

// The line that shows a built-in's result: a Number as it is, a String in double quotes.
void TraceResult(CScriptEngine& engine, std::string_view name, int32_t nRetType, int32_t nResult,
                 const std::string& strResult) {
    if (nRetType != VAR_NUMBER && nRetType != VAR_STRING) return;
    std::string strLine = std::string(name) + " - " + engine.m_strReturnLabel + ": ";
    if (nRetType == VAR_NUMBER) {
        strLine += std::to_string(nResult);
    } else {
        strLine += '"';
        strLine += strResult;
        strLine += '"';
    }
    engine.Report(strLine.c_str(), true);
}
}  // namespace

void CScriptEngine::CopyLine(int32_t nLine) {
    const std::string& strLine = m_arrLines[static_cast<size_t>(nLine)];
    const size_t nSize = strLine.size();
    // Most lines are short, and a string never holds room for fewer than SHORT_LINE characters
    // and its terminating zero: one fixed-size copy, made inline, takes the whole line with the
    // string's own zero. The line's first words are read as a whole next (CKeywordLine), which
    // is fast only when one store wrote them: no second store may end the line.
    if (nSize <= SHORT_LINE) {
        assert(strLine.capacity() >= SHORT_LINE);
        std::memcpy(m_szLine, strLine.data(), SHORT_LINE + 1);
        return;
    }
    // A line up to twice as long: two such copies, the one of the line's end with the string's
    // zero first, so that the first words are again those of one store.
    constexpr size_t WORD = SHORT_LINE + 1;
    if (nSize < 2 * WORD) {
        std::memcpy(m_szLine + nSize + 1 - WORD, strLine.data() + nSize + 1 - WORD, WORD);
        std::memcpy(m_szLine, strLine.data(), WORD);
        return;
    }
    // The loader keeps every line within the buffer; the bound only guards the copy.
    const size_t nLen = std::min(nSize, static_cast<size_t>(MAX_LINE));
    std::memcpy(m_szLine, strLine.data(), nLen);
    m_szLine[nLen] = '\0';
}

bool CScriptEngine::RunMain() {
    CScriptVar* pMain = FindIdent("Main");
    if (pMain == nullptr) Raise("Main", ERR_MISSING);
    m_arrCheckedProcs.clear();
    m_nCurLine = pMain->GetProcLine();
    RunBlock(TK_ENDMAIN);
    if (m_bCheckOnly) CheckAllProcs();
    return true;
}

[[gnu::flatten]] int32_t CScriptEngine::RunBlock(int32_t nEndToken, const CWhileLoop* pLoop) {
    // Procedures run in this block count as levels too; leaving the block leaves them.
    struct DepthGuard {
        int& nDepth;
        const int nOuter;
        explicit DepthGuard(int& n) : nDepth(n), nOuter(n) { ++nDepth; }
        ~DepthGuard() { nDepth = nOuter; }
    } guard(m_nDepth);
    // A host thread with a small stack reaches its end before the depth limit: stop first. Only
    // the address of the probe is taken, never its value.
    char chProbe;
    if (m_nDepth > MAX_NESTING || reinterpret_cast<uintptr_t>(&chProbe) < m_nStackLimit)
        Raise(NESTING_TOO_DEEP, ERR_BLOCK);

    CTokenText& strToken = m_tokFirst;
    const int32_t nLines = FileLineCount(*this);
    // The procedures called from this block that are running in it (see CallProc); while one
    // runs, its EndProc or a Return at its own level ends it, and no loop pass ends there.
    int32_t nCalls = 0;
    // The line that ends what runs now: the block's own end, or the running procedure's.
    const CKeywordLine& blockEnd = BlockEndLine(nEndToken);
    const CKeywordLine* pEnd = &blockEnd;
    int32_t i = m_nCurLine;
    const auto LeaveProc = [&] {
        i = ReturnFromProc();
        if (--nCalls == 0) pEnd = &blockEnd;
    };
    for (;;) {
        if (++i >= nLines) RaiseEndMissing(*this);
        m_nCurLine = i;
        CopyLine(i);
        // A debugger may keep the run here, and end it through the cancel flag.
        if (m_pDebugHook != nullptr) m_pDebugHook->OnLine(i);
        if (m_bCancel) Raise("", ERR_CANCELLED);
        PumpMessages(PUMP_MESSAGES);

        const int32_t nCode = GetLineToken(*pEnd, strToken);
        if (nCode == pEnd->Code()) {
            if (nCalls > 0) {
                LeaveProc();
                continue;
            }
            if (pLoop == nullptr || !NextPass(*this, *pLoop)) return i;
            i = pLoop->nLine;
            continue;
        }
        switch (nCode) {
            case TK_END:
                break;
            case TK_DIRECTIVE:
                ProcessDirective();
                break;
            case TK_RETURN:
                if (nCalls > 0) {
                    LeaveProc();
                    break;
                }
                // The caller goes on after the returned index, meets the "Return" again and
                // ends in the same way, up to the procedure's own block.
                if (pLoop == nullptr || !NextPass(*this, *pLoop)) return i - 1;
                i = pLoop->nLine;
                break;
            case TK_IF:
                i = RunIf(*this, i);
                break;
            case TK_WHILE:
                i = RunWhile(*this, i);
                break;
            case TK_IDENT:
                if (CScriptVar* pProc = RunName(*this, strToken)) {
                    i = CallProc(pProc, i);
                    ++nCalls;
                    pEnd = &BlockEndLine(TK_ENDPROC);
                }
                break;
            case TK_INVALID:
                Raise(strToken, ERR_INVALID_IDENT_EXEC);
            default:  // a literal, an operator, a misplaced keyword or a type name
                Raise(strToken, ERR_UNEXPECTED);
        }
    }
}

int32_t CScriptEngine::CallProc(CScriptVar* pProc, int32_t nCallLine) {
    const int32_t nProcLine = pProc->GetProcLine();
    if (m_nDepth >= MAX_NESTING) {
        m_nCurLine = nProcLine;
        Raise(NESTING_TOO_DEEP, ERR_BLOCK);
    }
    m_aCallLines[static_cast<size_t>(m_nDepth++)] = nCallLine;
    return nProcLine;
}

int32_t CScriptEngine::ReturnFromProc() {
    return m_aCallLines[static_cast<size_t>(--m_nDepth)];
}

int32_t CScriptEngine::FindBlockEnd(int32_t nEndToken) {
    // Skipped lines are only looked at: no cancel test, no directives.
    CTokenText& strToken = m_tokFirst;
    const int32_t nLines = FileLineCount(*this);
    int32_t nIfDepth = 0;
    int32_t nWhileDepth = 0;
    for (int32_t i = m_nCurLine + 1; i < nLines; ++i) {
        m_nCurLine = i;
        CopyLine(i);
        const int32_t nCode = GetToken(m_szLine, strToken);
        if (nCode == nEndToken && nIfDepth == 0 && nWhileDepth == 0) return i;
        switch (nCode) {
            case TK_IF:
                ++nIfDepth;
                break;
            case TK_ENDIF:
                --nIfDepth;
                break;
            case TK_WHILE:
                ++nWhileDepth;
                break;
            case TK_ENDWHILE:
                --nWhileDepth;
                break;
            default:
                break;
        }
    }
    RaiseEndMissing(*this);
}

void CScriptEngine::CheckAllProcs() {
    // In the order of the procedures in the file, so that a check run is repeatable.
    std::vector<CScriptVar*> procs;
    for (const auto& [strName, pVar] : m_mapIdent) {
        if (pVar != nullptr && pVar->m_nType == VAR_PROC && strName != "Main")
            procs.push_back(pVar.get());
    }
    std::ranges::sort(procs, {}, &CScriptVar::m_nLine);
    for (CScriptVar* pProc : procs) RunProc(*this, pProc);
}

int32_t CScriptEngine::CallBuiltin(CScriptVar* pFunc, std::string& strResult, int32_t nWanted) {
    // The descriptor is read once, for the result type, the arguments and the call itself.
    const CFuncDesc* pDesc = pFunc->GetFuncDesc();
    if (nWanted != VAR_NONE && pDesc->m_nRetType != nWanted)
        RaiseResultType(*this, pFunc, pDesc->m_nRetType, nWanted);
    const int nParams = pDesc->m_nParams;
    if (nParams > MAX_ARGS) Raise("Too many parameters", ERR_INTERNAL);
    const std::string_view name = pFunc->Name();

    std::array<CScriptArg, MAX_ARGS> slots;  // filled by the parser as far as the call goes
    if (ParseArgs(slots.data()) != nParams) Raise(name, ERR_PARAM_COUNT);
    CheckArguments(*this, name, *pDesc, slots.data());
    if (m_bCheckOnly) return 0;

    if (m_bTrace) TraceCall(name, slots.data(), nParams);
    if (m_bSimulate) return 0;
    const int32_t nResult = ExecBuiltin(pFunc, *pDesc, slots.data(), strResult);
    if (m_bTrace && name != DEBUG_PRINT_NUM && name != DEBUG_PRINT_STR)
        TraceResult(*this, name, pDesc->m_nRetType, nResult, strResult);
    if (m_pDebugHook != nullptr)
        m_pDebugHook->OnResult(name, pDesc->m_nRetType, nResult, strResult);
    return nResult;
}

void CScriptEngine::TraceCall(std::string_view name, const CScriptArg* pSlots, int nCount) {
    std::string strLine;
    if (name == DEBUG_PRINT_NUM || name == DEBUG_PRINT_STR) {
        strLine = DebugPrintLine(*this, pSlots[0]);
    } else {
        strLine = std::string(name) + "( ";
        for (int k = 0; k < nCount; ++k) {
            if (k > 0) strLine += ", ";
            AppendArgument(strLine, pSlots[k]);
        }
        strLine += " )";
    }
    Report(strLine.c_str(), true);
}
