// Built-ins that forward their arguments to the family's file library, environment module and
// action module, and bring output texts back into the script's variables.
#include <iterator>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>

#include "builtins/builtins.h"
#include "family/pvwfile.h"
#include "family/qjcwract.h"
#include "family/qjenv.h"
#include "res/strings.h"

namespace {

// One argument in the form the entry's parameter takes: a Number by value, a String as its
// text or a null pointer for Null, and the result buffer where the entry writes its output.
template <typename P>
P ReadArg(CScriptArg& slot, char* pszBuffer) {
    if constexpr (std::is_same_v<P, int>) {
        return slot.GetNumber();
    } else if constexpr (std::is_same_v<P, const char*>) {
        return slot.GetString();
    } else {
        static_assert(std::is_same_v<P, char*>, "entries take numbers, texts and buffers");
        return pszBuffer;
    }
}

// Calls an entry with the arguments in the order of its parameters; an entry without result
// gives 0.
template <typename... P, typename Entry>
int32_t Invoke(Entry entry, CScriptArg* pSlots, char* pszBuffer) {
    return [&]<size_t... I>(std::index_sequence<I...>)->int32_t {
        // A braced list reads the slots from left to right.
        std::tuple<P...> args{ReadArg<P>(pSlots[I], pszBuffer)...};
        if constexpr (std::is_void_v<std::invoke_result_t<Entry, P...>>) {
            std::apply(entry, args);
            return 0;
        } else {
            return std::apply(entry, args);
        }
    }
    (std::index_sequence_for<P...>{});
}

template <typename R, typename... P>
int32_t CallEntry(R (*pfnEntry)(P...), CBuiltinCall& call, char* pszBuffer) {
    return Invoke<P...>(pfnEntry, call.pSlots, pszBuffer);
}

template <typename R, typename... P>
int32_t CallEntry(R (CActionModule::*pfnMethod)(P...), CBuiltinCall& call, char* pszBuffer) {
    CActionModule& action = call.engine.m_action;
    auto method = [&](P... args) { return (action.*pfnMethod)(args...); };
    return Invoke<P...>(method, call.pSlots, pszBuffer);
}

using EntryCaller = int32_t (*)(CBuiltinCall& call, char* pszBuffer);

template <auto pEntry>
int32_t Call(CBuiltinCall& call, char* pszBuffer) {
    return CallEntry(pEntry, call, pszBuffer);
}

// When the buffer's text goes into the output variable, by the entry's result.
enum class Store { NEVER, IF_NOT_ZERO, IF_THREE, ALWAYS };

struct Forward {
    int32_t nFuncId;
    EntryCaller pfnCall;
    Store eStore = Store::NEVER;
    int nSizeArg = 0;  // the argument giving the output's capacity, checked before the call
};

// The capacity argument of the environment's output entries.
constexpr int SIZE_ARG = 3;

constexpr Forward s_aForwards[] = {
    // file library
    {1, Call<&PVWScanDifference>},
    {2, Call<&PVWCopy>},
    {3, Call<&PVWMove>},
    {4, Call<&PVWEqualize>},
    {5, Call<&PVWDelete>},
    {6, Call<&PVWCreateDirectory>},
    {7, Call<&PVWChangeAttrib>},
    {8, Call<&PVWSetSimulation>},
    {9, Call<&PVWSetIgnoreErrors>},
    {10, Call<&PVWSetAnswerYesForDelete>},
    {11, Call<&PVWSetShowProgress>},
    {12, Call<&PVWBreak>},
    {13, Call<&PVWAddFileIncludeFilter>},
    {14, Call<&PVWAddFileExcludeFilter>},
    {15, Call<&PVWAddDirExcludeFilter>},
    {16, Call<&PVWSetIncludeAttributes>},
    {17, Call<&PVWSetExcludeAttributes>},
    {18, Call<&PVWSetNotifyWindow>},
    {19, Call<&PVWSetReservedSpace>},
    {20, Call<&PVWSetProcessEmptyDirs>},
    {21, Call<&PVWSetFileTimeFilter>},
    {22, Call<&PVWAddCopyFile>},
    {23, Call<&PVWCopyFiles>},
    {24, Call<&PVWUpdate>},
    {25, Call<&PVWSetSuppressErrorBox>},
    // environment module
    {100, Call<&PVEnvInit>},
    {101, Call<&PVEnvSet>},
    {102, Call<&PVEnvGet>, Store::IF_NOT_ZERO, SIZE_ARG},
    {103, Call<&PVEnvStrToRealStr>, Store::IF_NOT_ZERO, SIZE_ARG},
    {104, Call<&PVEnvPathStrToEnvStr>, Store::ALWAYS, SIZE_ARG},
    {107, Call<&PVEnvFree>},
    // action module
    {200, Call<&CActionModule::ActRun>, Store::IF_NOT_ZERO},
    {201, Call<&CActionModule::ActIDRun>, Store::IF_THREE},
    {202, Call<&CActionModule::GetParam>, Store::ALWAYS},
    {203, Call<&CActionModule::GetMountedDrives>, Store::ALWAYS},
    {204, Call<&CActionModule::Dismount>},
    {205, Call<&CActionModule::CloseMeldStart>},
};

const Forward* FindForward(int32_t nFuncId) {
    for (const Forward& forward : s_aForwards) {
        if (forward.nFuncId == nFuncId) return &forward;
    }
    return nullptr;
}

bool ShouldStore(Store eStore, int32_t nResult) {
    switch (eStore) {
        case Store::IF_NOT_ZERO:
            return nResult != 0;
        case Store::IF_THREE:
            return nResult == 3;
        case Store::ALWAYS:
            return true;
        case Store::NEVER:
            break;
    }
    return false;
}

// The argument whose variable receives the output: the built-in's one output parameter.
int OutputArg(CScriptVar* pFunc) {
    const CFuncDesc* pDesc = pFunc->GetFuncDesc();
    for (int k = 0; k < pDesc->m_nParams; ++k) {
        if (pDesc->m_abByRef[k] != 0) return k + 1;
    }
    return 0;
}

// A capacity must leave room for the terminating zero in the result buffer.
void CheckSize(CBuiltinCall& call, int nSizeArg) {
    int32_t nSize = call.Number(nSizeArg);
    if (nSize >= 1 && nSize < RESULT_BUFFER_SIZE) return;
    std::string strText = call.engine.GetIdentName(call.pFunc) + " " +
                          LoadResString(IDS_PARAMETER) + " " + std::to_string(nSizeArg);
    call.engine.Raise(strText.c_str(), ERR_INVALID_SIZE);
}

}  // namespace

std::optional<int32_t> ExecForwardBuiltin(int32_t nFuncId, CBuiltinCall& call) {
    const Forward* pForward = FindForward(nFuncId);
    if (pForward == nullptr) return std::nullopt;
    if (pForward->nSizeArg != 0) CheckSize(call, pForward->nSizeArg);

    // Off the stack: a host thread's whole stack may be smaller than the buffer.
    auto pBuffer = std::make_unique_for_overwrite<char[]>(RESULT_BUFFER_SIZE);
    pBuffer[0] = '\0';
    int32_t nResult = pForward->pfnCall(call, pBuffer.get());
    if (ShouldStore(pForward->eStore, nResult)) {
        int nOutArg = OutputArg(call.pFunc);
        if (nOutArg != 0) call.Variable(nOutArg).SetString(pBuffer.get());
    }
    return nResult;
}
