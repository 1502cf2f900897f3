// Fuzz target: whole runs. The input's first line is the option string, its second line the
// parameter string, the rest the script. The family modules are the recording doubles of the
// unit tests, and the sample automation server answers object declarations (D-Bus objects find
// no bus). A watchdog cancels any run that takes longer than its budget, so an endless loop ends
// with the cancel error like any other run; what it cannot end, a built-in that never returns,
// is a hang that the fuzzer reports.
//
// After every run the engine must be idle again and hold only the built-ins and constants.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "doubles/family_double.h"
#include "host/engine.h"

namespace {
// A run may take this long before the watchdog cancels it.
constexpr auto RUN_BUDGET = std::chrono::milliseconds(50);

// Calls Break on the engine once the run in progress has used up its budget.
class CWatchdog {
public:
    explicit CWatchdog(CScriptEngine& engine) : m_engine(engine) {
        std::thread([this] { Watch(); }).detach();  // lives as long as the process
    }
    void Start() {
        std::lock_guard lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + RUN_BUDGET;
        m_bRunning = true;
        ++m_nRun;
        m_wake.notify_one();
    }
    void Stop() {
        std::lock_guard lock(m_mutex);
        m_bRunning = false;
        m_wake.notify_one();
    }

private:
    void Watch() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_bRunning; });
            // A run may end and the next begin before this thread wakes: the count tells.
            const uint64_t nRun = m_nRun;
            auto over = [this, nRun] { return !m_bRunning || m_nRun != nRun; };
            // The cancel is made under the lock, so it cannot reach a later run.
            if (!m_wake.wait_until(lock, m_deadline, over)) m_engine.Break();
            m_wake.wait(lock, over);
        }
    }

    CScriptEngine& m_engine;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_bRunning = false;
    uint64_t m_nRun = 0;  // runs started so far
};

struct CFuzzState {
    CScriptEngine engine;
    CWatchdog watchdog{engine};
    std::string strScript;
    size_t nIdents = engine.m_mapIdent.size();  // the built-ins and constants
};
CFuzzState* g_pState = nullptr;
std::string g_strDir;

void RemoveDir() {
    std::filesystem::remove_all(g_strDir);
}

// Cuts the next line off the input; the last line is the rest.
std::string_view TakeLine(std::string_view& input) {
    size_t nEnd = input.find('\n');
    std::string_view line = input.substr(0, nEnd);
    input.remove_prefix(nEnd == std::string_view::npos ? input.size() : nEnd + 1);
    return line;
}

// What every run leaves behind: an idle engine with the built-ins and constants only.
void CheckIdle(CScriptEngine& engine, size_t nIdents, int nResult) {
    if (nResult != 0 && nResult != 1) std::abort();
    if (nResult == 1 && engine.m_nError != ERR_NONE_YET) std::abort();
    if (engine.m_bBusy.test_and_set()) std::abort();
    engine.m_bBusy.clear();
    if (!engine.m_arrLines.empty() || engine.m_mapIdent.size() != nIdents) std::abort();
    for (const auto& [strName, pVar] : engine.m_mapIdent) {
        if (pVar->m_nType != VAR_FUNC && pVar->m_nType != VAR_CONST) std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The runs' script file and a class registry that names the sample server only.
    char szDir[] = "/tmp/qjfuzz-XXXXXX";
    if (mkdtemp(szDir) == nullptr) std::abort();
    g_strDir = szDir;
    std::atexit(RemoveDir);
    std::ofstream(g_strDir + "/classes")
        << "QJSample.Server {5A3C1E20-7B4D-4F6A-9C2E-1D8B0F3A6E51} " QJ_FUZZ_SAMPLE_SERVER "\n";
    setenv("QJ_CLASSES", (g_strDir + "/classes").c_str(), 1);
    // A fuzzed "dbus:" declaration must not reach a bus of the machine.
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + g_strDir + "/no-bus").c_str(), 1);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + g_strDir + "/no-bus").c_str(), 1);
    g_pState = new CFuzzState();
    g_pState->strScript = g_strDir + "/t.scr";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    std::string_view input(reinterpret_cast<const char*>(pData), nSize);
    const std::string strOptions(TakeLine(input));
    const std::string strParams(TakeLine(input));
    std::ofstream(g_pState->strScript, std::ios::binary | std::ios::trunc) << input;

    family_double::Reset();
    g_pState->watchdog.Start();
    int nResult =
        g_pState->engine.Run(g_pState->strScript.c_str(), strOptions.c_str(), strParams.c_str());
    g_pState->watchdog.Stop();
    CheckIdle(g_pState->engine, g_pState->nIdents, nResult);
    return 0;
}
