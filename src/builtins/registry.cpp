// The table of built-in functions, entered as identifiers, and the executor that runs one.
#include <iterator>

#include "builtins/builtins.h"

namespace {

// The most parameters any built-in takes.
constexpr int MAX_BUILTIN_PARAMS = 8;

// Parameter and result types.
constexpr int32_t NONE = 0;
constexpr int32_t NUM = VAR_NUMBER;
constexpr int32_t STR = VAR_STRING;
// Marks of the parameters: an output, or one passed by value that precedes an output.
constexpr int32_t OUT = 1;
constexpr int32_t VAL = 2;

// The debug prints do their work in the trace line written before the call.
constexpr int32_t FUNC_DEBUG_PRINT_NUM = 10000;
constexpr int32_t FUNC_DEBUG_PRINT_STR = 10001;

struct BuiltinRow {
    const char* pszName;
    int32_t nFuncId;
    int32_t nRetType;
    int32_t anParamType[MAX_BUILTIN_PARAMS + 1];  // zero-terminated
    int32_t anMarks[MAX_BUILTIN_PARAMS + 1];      // zero-terminated
};

// In the order of registration. The numbers select the work in ExecBuiltin.
constexpr BuiltinRow s_aBuiltins[] = {
    // file library
    {"PVWScanDifference", 1, NUM, {STR, STR, NUM, STR}, {}},
    {"PVWMove", 3, NUM, {STR, STR, NUM, STR}, {}},
    {"PVWCopy", 2, NUM, {STR, STR, NUM, STR}, {}},
    {"PVWEqualize", 4, NUM, {STR, STR, NUM, STR}, {}},
    {"PVWUpdate", 24, NUM, {STR, STR, NUM, STR}, {}},
    {"PVWDelete", 5, NUM, {STR, NUM, STR}, {}},
    {"PVWChangeAttrib", 7, NUM, {STR, STR, NUM, STR}, {}},
    {"PVWCreateDirectory", 6, NUM, {STR}, {}},
    {"PVWSetSimulation", 8, NONE, {NUM}, {}},
    {"PVWSetShowProgress", 11, NONE, {NUM}, {}},
    {"PVWSetIgnoreErrors", 9, NONE, {NUM}, {}},
    {"PVWSetAnswerYesForDelete", 10, NONE, {NUM}, {}},
    {"PVWBreak", 12, NONE, {}, {}},
    {"PVWSetReservedSpace", 19, NONE, {NUM}, {}},
    {"PVWSetProcessEmptyDirs", 20, NONE, {NUM}, {}},
    {"PVWSetSuppressErrorBox", 25, NONE, {NUM}, {}},
    {"PVWSetFileTimeFilter", 21, NONE, {NUM}, {}},
    {"PVWSetNotifyWindow", 18, NONE, {NUM}, {}},
    {"PVWAddFileIncludeFilter", 13, NONE, {STR}, {}},
    {"PVWAddFileExcludeFilter", 14, NONE, {STR}, {}},
    {"PVWAddDirExcludeFilter", 15, NONE, {STR}, {}},
    {"PVWSetIncludeAttributes", 16, NONE, {STR, NUM}, {}},
    {"PVWSetExcludeAttributes", 17, NONE, {STR, NUM}, {}},
    {"PVWAddCopyFile", 22, NONE, {STR, STR, NUM}, {}},
    {"PVWCopyFiles", 23, NUM, {STR}, {}},
    // environment module
    {"PVEnvInit", 100, NUM, {STR}, {}},
    {"PVEnvSet", 101, NUM, {STR, STR}, {}},
    {"PVEnvGet", 102, NUM, {STR, STR, NUM}, {VAL, OUT}},
    {"PVEnvStrToRealStr", 103, NUM, {STR, STR, NUM}, {VAL, OUT}},
    {"PVEnvPathStrToEnvStr", 104, NONE, {STR, STR, NUM}, {VAL, OUT}},
    {"PVEnvFree", 107, NONE, {}, {}},
    // action module
    {"ActRun", 200, NUM, {NUM, STR, STR, STR, NUM, STR, NUM}, {VAL, VAL, VAL, VAL, VAL, OUT}},
    {"ActIDRun",
     201,
     NUM,
     {STR, NUM, STR, STR, NUM, STR, NUM, STR},
     {VAL, VAL, VAL, VAL, VAL, OUT}},
    {"GetParam", 202, NONE, {STR}, {OUT}},
    {"GetMountedDrives", 203, NONE, {STR}, {OUT}},
    {"Dismount", 204, NUM, {STR}, {}},
    {"CloseMeldStart", 205, NONE, {}, {}},
    // texts and numbers
    {"GetLenght", 300, NUM, {STR}, {}},
    {"IsEmpty", 301, NUM, {STR}, {}},
    {"Empty", 302, NONE, {STR}, {OUT}},
    {"Concat", 303, NONE, {STR, STR}, {OUT}},
    {"Compare", 304, NUM, {STR, STR}, {}},
    {"CompareNoCase", 305, NUM, {STR, STR}, {}},
    {"MakeUpper", 306, NONE, {STR}, {OUT}},
    {"MakeLower", 307, NONE, {STR}, {OUT}},
    {"TrimLeft", 308, NONE, {STR}, {OUT}},
    {"TrimRight", 309, NONE, {STR}, {OUT}},
    {"TrimLeftStr", 310, NONE, {STR, STR}, {OUT}},
    {"TrimRightStr", 311, NONE, {STR, STR}, {OUT}},
    {"Itoa", 314, STR, {NUM}, {}},
    {"Atoi", 315, NUM, {STR}, {}},
    // paths, cutting, ending the script
    {"GetFileName", 500, STR, {STR}, {}},
    {"GetPath", 501, STR, {STR}, {}},
    {"StripCharLeft", 502, STR, {STR, STR, NUM}, {}},
    {"StripCharRight", 503, STR, {STR, STR, NUM}, {}},
    {"Exit", 504, NONE, {NUM}, {}},
    // debug prints
    {"DebugPrintNum", FUNC_DEBUG_PRINT_NUM, NONE, {NUM}, {}},
    {"DebugPrintStr", FUNC_DEBUG_PRINT_STR, NONE, {STR}, {}},
};
static_assert(std::size(s_aBuiltins) == 58);

}  // namespace

void CScriptEngine::RegisterBuiltins() {
    for (const BuiltinRow& row : s_aBuiltins) {
        auto pVar = std::make_unique<CScriptVar>(VAR_FUNC);
        pVar->SetFuncDesc(new CFuncDesc(row.nRetType, row.anParamType, row.nFuncId, row.anMarks));
        SetIdent(row.pszName, std::move(pVar));
    }
}

int32_t CScriptEngine::ExecBuiltin(CScriptVar* pFunc, const CFuncDesc& desc, CScriptArg* pSlots,
                                   std::string& strResult) {
    const int32_t nFuncId = desc.m_nFuncId;
    if (nFuncId == FUNC_DEBUG_PRINT_NUM || nFuncId == FUNC_DEBUG_PRINT_STR) return 0;

    CBuiltinCall call{*this, pFunc, pSlots, strResult};
    if (std::optional<int32_t> nResult = ExecStringBuiltin(nFuncId, call)) return *nResult;
    if (std::optional<int32_t> nResult = ExecForwardBuiltin(nFuncId, call)) return *nResult;
    Raise(GetIdentName(pFunc).c_str(), ERR_FUNC_NOT_IMPLEMENTED);
}
