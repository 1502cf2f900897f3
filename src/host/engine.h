// The one interpreter object: all state of a script run and every step of it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "exec/debug_hook.h"
#include "exec/ident_index.h"
#include "exec/scriptvar.h"
#include "family/qjcwract.h"
#include "host/errors.h"
#include "lexer/keyword_line.h"
#include "lexer/short_text.h"
#include "lexer/token_text.h"

// Lookup by exact, case-sensitive text without building a string for the key.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view sv) const { return HashText(sv); }
};

struct TextEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return SameText(a, b); }
};

using IdentMap = std::unordered_map<std::string, std::unique_ptr<CScriptVar>, TextHash, TextEqual>;
using TokenMap = std::unordered_map<std::string, int32_t, TextHash, TextEqual>;

// A line, and so the line buffer, holds at most this many characters.
constexpr int MAX_LINE = 32767;
// If and While bodies and procedure calls nest at most this deep.
constexpr int MAX_NESTING = 4096;
// Stack kept free below the deepest block, for the calls a line makes (the modules a built-in
// calls, the trace, the unwinding of a script error). A run that starts with less than twice
// this left keeps half of what is left, but never less than the least a line may need: with
// less than that, the run ends with the nesting error at its first block.
constexpr size_t STACK_RESERVE = 256 * 1024;
constexpr size_t MIN_STACK_RESERVE = 16 * 1024;

// A While loop whose body is running: its line and the text of its condition.
struct CWhileLoop {
    int32_t nLine;
    std::string_view condition;
};

class CScriptEngine {
public:
    CScriptEngine();
    virtual ~CScriptEngine();
    CScriptEngine(const CScriptEngine&) = delete;
    CScriptEngine& operator=(const CScriptEngine&) = delete;

    // --- runs, options, parameters, cancel
    int Run(const char* pszScript, const char* pszOptions, const char* pszParams);
    void Break();
    void ParseOptions(const char* pszOptions);
    void SetParams(const char* pszParams);
    void PumpMessages(int nMax);

    // --- loading, errors and messages
    void LoadScript(const char* pszScript);
    [[noreturn]] void Raise(const char* pszText, int nCode);
    [[noreturn]] void Raise(const std::string& strText, int nCode) {
        Raise(strText.c_str(), nCode);
    }
    [[noreturn]] void Raise(std::string_view text, int nCode) { Raise(std::string(text), nCode); }
    [[noreturn]] void Raise(const CTokenText& text, int nCode) { Raise(text.View(), nCode); }
    void Report(const char* pszText, bool bLine);

    // --- tokens and lexer
    void InitTokenTable();
    int32_t ClassifyToken(std::string_view text) const;
    CScriptVar* FindIdent(std::string_view name) const;
    // Builds the index of FindIdent over the identifier table afresh.
    [[gnu::noinline, gnu::cold]] void IndexIdents() const;
    int32_t GetToken(char* pszStart, std::string& strText);
    // The same, with the token's text as a view where it can be: for the per-line path.
    int32_t GetToken(char* pszStart, CTokenText& text);
    // The same, found at once when the token is the punctuation character ch, which is always a
    // token of its own, of the code nCode: where a line's form expects it.
    int32_t GetPunctuation(char* pszStart, char ch, int32_t nCode, CTokenText& text);
    // The first token of the line in the buffer, found at once when the line is the keyword
    // alone that the block expects.
    int32_t GetLineToken(const CKeywordLine& expected, CTokenText& text);
    void ProcessDirective();

    // --- structure pass and declarations
    void ScanStructure();
    void DefineMain(const std::string& strKeyword);
    void DefineProc(const std::string& strName);
    void DeclareNumber();
    void DeclareString();
    void DeclareObject();

    // --- identifier records
    int32_t ToNumber(const char* pszText) { return ToNumber(std::string_view(pszText)); }
    int32_t ToNumber(std::string_view text);
    // A number token's value: the one it carries from the lexer, else its text converted.
    int32_t ToNumber(const CTokenText& text) {
        return text.Value() != CTokenText::NO_VALUE ? text.Value() : ToNumber(text.View());
    }
    std::string GetIdentName(const CScriptVar* pVar) const;
    void AddConstant(const char* pszName, int32_t nValue);
    // Stores a record under a name, deleting any record stored there before.
    CScriptVar* SetIdent(const std::string& strName, std::unique_ptr<CScriptVar> pVar);
    void ClearRunData();
    void DeleteAllIdents();

    // --- conditions, assignments, argument lists
    // The text must be followed by a NUL, as the end of a line is.
    bool EvalCondition(std::string_view condition);
    void AssignNumber(CScriptVar* pTarget);
    void AssignString(CScriptVar* pTarget);
    int ParseArgs(CScriptArg* pSlots);
    // A copy of a literal argument's text that lasts until the call is over, kept for the
    // slot of that number.
    const char* KeepLiteral(int nSlot, std::string_view text);

    // --- statements and procedures
    bool RunMain();
    // The lines after m_nCurLine up to the end token; returns the index of the line it ended
    // on. The body of a While loop runs all its passes in one block, which pLoop describes.
    int32_t RunBlock(int32_t nEndToken, const CWhileLoop* pLoop = nullptr);
    int32_t FindBlockEnd(int32_t nEndToken);
    void CheckAllProcs();
    // The calls stay out of line in the assignments, whose own steps are compiled in. An
    // assignment names the result type it needs, which the built-in must have; a call whose
    // result is dropped names none.
    [[gnu::noinline]] int32_t CallBuiltin(CScriptVar* pFunc, std::string& strResult,
                                          int32_t nWanted = VAR_NONE);
    void TraceCall(std::string_view name, const CScriptArg* pSlots, int nCount);

    // --- automation objects
    [[gnu::noinline]] int32_t CallObject(CScriptVar* pObject, std::string& strResult,
                                         int nResultKind);

    // --- built-ins
    void RegisterBuiltins();
    // Carries out the built-in of the record, whose descriptor the caller has read.
    int32_t ExecBuiltin(CScriptVar* pFunc, const CFuncDesc& desc, CScriptArg* pSlots,
                        std::string& strResult);

    // Members, in the order of the run state they describe.
    int32_t m_nCurLine = 0;
    bool m_bError = false;
    std::atomic_flag m_bBusy = ATOMIC_FLAG_INIT;
    bool m_bCheckOnly = false;
    bool m_bSimulate = false;
    // Set by the editor's check, which must not act: an object declaration creates no object
    // and a member access is read for its form alone. Not a run option: runs leave it as set.
    bool m_bFormOnly = false;
    std::atomic<bool> m_bCancel{false};
    bool m_bTrace = true;
    bool m_bLogAsError = false;
    bool m_bEscapes = true;
    char m_szLine[MAX_LINE + 1] = {};
    char* m_pszPos = m_szLine;
    std::string m_strError;
    std::string m_strScript;
    std::string m_strSource;
    std::string m_strReturnLabel;
    CActionModule m_action;
    IdentMap m_mapIdent;
    // How FindIdent reaches the entries of m_mapIdent; built on first use.
    mutable CIdentIndex m_identIndex;
    TokenMap m_mapToken;
    std::vector<std::string> m_arrLines;
    int32_t m_nError = ERR_NONE_YET;

    // Scratch texts of the executor, kept here so that executing a line allocates nothing.
    // Where the tokens the executor holds at one time are built when an escape sequence changes
    // them: no step that holds tokens lexes a line with a nested step meanwhile.
    enum BuiltText {
        BUILT_FIRST,  // the first token of the line being dispatched
        BUILT_LEFT,   // a condition's operands, operator and the rest
        BUILT_COMPARE,
        BUILT_RIGHT,
        BUILT_OTHER,
        BUILT_OPERATOR,  // an assignment's operator and value
        BUILT_VALUE,
        BUILT_ARGUMENT,  // the token of an argument list being read
        BUILT_COPIED,    // a token whose text is copied out as soon as it is read
        BUILT_TEXTS
    };
    std::array<std::string, BUILT_TEXTS> m_aBuiltTexts;
    // The tokens the executor holds, each with its text above, made once with the engine, so
    // that reading a line sets tokens and makes none. The first token of the line being
    // dispatched: no line needs it once a nested block runs.
    CTokenText m_tokFirst{m_aBuiltTexts[BUILT_FIRST]};
    CTokenText m_tokLeft{m_aBuiltTexts[BUILT_LEFT]};
    CTokenText m_tokCompare{m_aBuiltTexts[BUILT_COMPARE]};
    CTokenText m_tokRight{m_aBuiltTexts[BUILT_RIGHT]};
    CTokenText m_tokOther{m_aBuiltTexts[BUILT_OTHER]};
    CTokenText m_tokOperator{m_aBuiltTexts[BUILT_OPERATOR]};
    CTokenText m_tokValue{m_aBuiltTexts[BUILT_VALUE]};
    CTokenText m_tokArgument{m_aBuiltTexts[BUILT_ARGUMENT]};
    // The texts of the literal arguments of the call being read, by slot.
    std::array<std::string, MAX_ARGS> m_aLiteralArgs;
    // In check mode every If body is entered, so a procedure that calls itself would never
    // end; one that is running already is not entered again. These are the procedures running
    // in check mode, innermost last; a run that fails leaves them, so each run starts afresh.
    std::vector<const CScriptVar*> m_arrCheckedProcs;
    // The debugger attached to the runs of this engine; null for none.
    CDebugHook* m_pDebugHook = nullptr;

private:
    void RunGuarded(const char* pszScript);
    // The general case of GetToken, character by character: literals, escape sequences,
    // comments, text glued to quotes.
    [[gnu::noinline]] int32_t CutToken(char* pTokenStart, CTokenText& text);
    // ClassifyToken of a run of letters, digits and "_" that starts with a letter or "_".
    int32_t ClassifyName(std::string_view text) const;
    // ClassifyToken of an operator or punctuation token: one character, or one and "=".
    int32_t ClassifyOperator(std::string_view text) const;
    // Reports a failure that is not a script error as an internal error; returns 0.
    int ReportFailure(const char* pszDetail) noexcept;
    // Clears the run's data and flags and reports the end message.
    void EndRun() noexcept;
    void CopyLine(int32_t nLine);
    // Nesting depth of RunBlock calls and the procedures run in them, and the lowest stack
    // address a nested block may use (0 where the stack is not known), against scripts that
    // would exhaust the stack.
    int m_nDepth = 0;
    uintptr_t m_nStackLimit = 0;
    // A procedure called from a running block runs in that block rather than a block of its
    // own, as one more nesting level: it starts after its opening line, which CallProc
    // returns, and the line of the call, kept here by level, is where the block goes on when
    // it has ended (ReturnFromProc).
    int32_t CallProc(CScriptVar* pProc, int32_t nCallLine);
    int32_t ReturnFromProc();
    std::array<int32_t, MAX_NESTING> m_aCallLines;
};

// The engine of the module, used by the exports; and the engine through which records raise.
extern CScriptEngine* g_pEngine;
extern CScriptEngine* g_pCurEngine;
