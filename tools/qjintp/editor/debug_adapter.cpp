// The requests of a debug session and the events it sends: launch, breakpoints, run control,
// the stack and the variables; the script runs on a thread of its own.
#include "editor/debug_adapter.h"

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>

#include "editor/debug_output.h"
#include "editor/debugger.h"
#include "editor/executable_lines.h"
#include "editor/message_stream.h"
#include "host/engine.h"

namespace {
using nlohmann::json;

// The one thread the editor is shown: the run.
constexpr int THREAD_ID = 1;

// A request the session refuses, with the reason the editor shows.
struct CRequestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Breakpoints are kept by the file they are in, however the editor spells its path.
std::string PathKey(const std::string& strPath) {
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::weakly_canonical(strPath, ec);
    return ec ? strPath : path.string();
}

// The run's parameters as the engine takes them: each value in double quotes.
std::string ParamsText(const json& values, int& nCount) {
    if (!values.is_array()) throw CRequestError("\"args\" must be a list of values");
    std::string strParams;
    nCount = 0;
    for (const json& value : values) {
        const std::string strValue = value.is_string() ? value.get<std::string>() : value.dump();
        if (strValue.find('"') != std::string::npos)
            throw CRequestError("a run parameter cannot hold a double quote: " + strValue);
        strParams += (nCount++ > 0 ? " \"" : "\"") + strValue + '"';
    }
    return strParams;
}

const char* NullIfEmpty(const std::string& strText) {
    return strText.empty() ? nullptr : strText.c_str();
}

class CDebugAdapter {
public:
    CDebugAdapter()
        : m_stream(stdin, stdout),
          m_debugger(m_engine, [this](const char* pszReason,
                                      const std::string& strText) { OnStop(pszReason, strText); }),
          m_output([this](const char* pszCategory, const std::string& strText) {
              SendEvent("output", {{"category", pszCategory}, {"output", strText}});
          }) {}
    ~CDebugAdapter() { EndRun(); }
    CDebugAdapter(const CDebugAdapter&) = delete;
    CDebugAdapter& operator=(const CDebugAdapter&) = delete;

    int Serve();

private:
    using Handler = void (CDebugAdapter::*)(const json& args, json& body);
    void Dispatch(const json& request);
    void Send(json message);
    void SendEvent(const char* pszEvent, json body);
    void OnStop(const char* pszReason, const std::string& strText);
    void StartRunIfReady();
    void RunScript();
    void EndRun();

    void Initialize(const json& args, json& body);
    void Launch(const json& args, json& body);
    void SetBreakpoints(const json& args, json& body);
    void ConfigurationDone(const json& args, json& body);
    void Threads(const json& args, json& body);
    void StackTrace(const json& args, json& body);
    void Scopes(const json& args, json& body);
    void Variables(const json& args, json& body);
    void Continue(const json& args, json& body);
    void Next(const json&, json&) { m_debugger.Resume(CDebugger::Step::Over); }
    void StepIn(const json&, json&) { m_debugger.Resume(CDebugger::Step::In); }
    void StepOut(const json&, json&) { m_debugger.Resume(CDebugger::Step::Out); }
    void Pause(const json&, json&) { m_debugger.Pause(); }
    void Terminate(const json&, json&) { m_debugger.Terminate(); }
    void Disconnect(const json& args, json& body);

    // Reads the breakpoints' lines; an engine of its own, so that a run is never disturbed.
    CScriptEngine m_scratch;
    CScriptEngine m_engine;
    CMessageStream m_stream;
    std::mutex m_sendLock;
    int m_nSeq = 0;
    CDebugger m_debugger;
    CDebugOutput m_output;
    std::map<std::string, std::set<int32_t>> m_breakpoints;
    std::string m_strProgram;
    std::string m_strOptions;
    std::string m_strParams;
    int m_nParams = 0;
    bool m_bLaunched = false;
    bool m_bConfigured = false;
    bool m_bNoDebug = false;  // the run goes without the debugger: it never stops
    bool m_bDone = false;
    std::thread m_run;
};

int CDebugAdapter::Serve() {
    json message;
    std::string strProblem;
    while (!m_bDone && m_stream.Read(message, strProblem)) {
        if (message.value("type", "") == "request") Dispatch(message);
    }
    EndRun();
    if (strProblem.empty()) return 0;
    std::fprintf(stderr, "qjintp: %s\n", strProblem.c_str());
    return 1;
}

void CDebugAdapter::Dispatch(const json& request) {
    static const std::map<std::string, Handler, std::less<>> s_handlers = {
        {"initialize", &CDebugAdapter::Initialize},
        {"launch", &CDebugAdapter::Launch},
        {"setBreakpoints", &CDebugAdapter::SetBreakpoints},
        {"configurationDone", &CDebugAdapter::ConfigurationDone},
        {"threads", &CDebugAdapter::Threads},
        {"stackTrace", &CDebugAdapter::StackTrace},
        {"scopes", &CDebugAdapter::Scopes},
        {"variables", &CDebugAdapter::Variables},
        {"continue", &CDebugAdapter::Continue},
        {"next", &CDebugAdapter::Next},
        {"stepIn", &CDebugAdapter::StepIn},
        {"stepOut", &CDebugAdapter::StepOut},
        {"pause", &CDebugAdapter::Pause},
        {"terminate", &CDebugAdapter::Terminate},
        {"disconnect", &CDebugAdapter::Disconnect},
    };
    const std::string strCommand = request.value("command", "");
    json response = {{"type", "response"},
                     {"request_seq", request.value("seq", 0)},
                     {"command", strCommand},
                     {"success", true}};
    try {
        const auto it = s_handlers.find(strCommand);
        if (it == s_handlers.end()) throw CRequestError("qjintp does not serve " + strCommand);
        json body = json::object();
        (this->*it->second)(request.value("arguments", json::object()), body);
        response["body"] = std::move(body);
    } catch (const std::exception& ex) {
        response["success"] = false;
        response["message"] = ex.what();
    }
    Send(std::move(response));
    // The editor sends its configuration once it knows the session is ready for it.
    if (strCommand == "initialize") SendEvent("initialized", json::object());
    // The run starts only once the response that made it ready is out, so that no event of
    // the run comes before it.
    StartRunIfReady();
}

void CDebugAdapter::Send(json message) {
    std::lock_guard<std::mutex> guard(m_sendLock);
    message["seq"] = ++m_nSeq;
    m_stream.Write(message);
}

void CDebugAdapter::SendEvent(const char* pszEvent, json body) {
    Send({{"type", "event"}, {"event", pszEvent}, {"body", std::move(body)}});
}

void CDebugAdapter::OnStop(const char* pszReason, const std::string& strText) {
    // What the run wrote before it stopped is shown before the stop.
    m_output.Drain();
    json body = {{"reason", pszReason}, {"threadId", THREAD_ID}, {"allThreadsStopped", true}};
    if (!strText.empty()) body["description"] = body["text"] = strText;
    SendEvent("stopped", std::move(body));
}

void CDebugAdapter::StartRunIfReady() {
    if (!m_bLaunched || !m_bConfigured || m_run.joinable()) return;
    std::string strProblem;  // the run itself reports a script it cannot load
    m_debugger.Prepare(ExecutableLines(m_scratch, m_strProgram, strProblem),
                       m_breakpoints[PathKey(m_strProgram)], m_nParams);
    if (!m_bNoDebug) m_engine.m_pDebugHook = &m_debugger;
    m_run = std::thread([this] { RunScript(); });
}

void CDebugAdapter::RunScript() {
    const int nResult =
        m_engine.Run(m_strProgram.c_str(), NullIfEmpty(m_strOptions), NullIfEmpty(m_strParams));
    m_output.Drain();
    SendEvent("exited", {{"exitCode", nResult == 1 ? 0 : 1}});
    SendEvent("terminated", json::object());
}

void CDebugAdapter::EndRun() {
    if (!m_run.joinable()) return;
    m_debugger.Terminate();
    m_run.join();
}

void CDebugAdapter::Initialize(const json&, json& body) {
    body = {{"supportsConfigurationDoneRequest", true},
            {"supportsTerminateRequest", true},
            {"supportTerminateDebuggee", true}};
}

void CDebugAdapter::Launch(const json& args, json&) {
    if (m_bLaunched) throw CRequestError("this session has launched its script already");
    m_strProgram = args.value("program", "");
    if (m_strProgram.empty()) throw CRequestError("launch needs the script's path as \"program\"");
    m_strOptions = args.value("options", "");
    m_bNoDebug = args.value("noDebug", false);
    m_strParams = ParamsText(args.value("args", json::array()), m_nParams);
    std::string strReason;
    if (!m_output.Start(strReason)) throw CRequestError(strReason);
    m_bLaunched = true;
}

void CDebugAdapter::SetBreakpoints(const json& args, json& body) {
    const std::string strPath = args.at("source").value("path", "");
    std::string strProblem;
    const std::set<int32_t> executable = ExecutableLines(m_scratch, strPath, strProblem);
    if (strProblem.empty()) strProblem = "not a statement of Main or a procedure";
    std::set<int32_t> lines;
    json breakpoints = json::array();
    for (const json& breakpoint : args.value("breakpoints", json::array())) {
        const int32_t nLine = breakpoint.value("line", 0);
        json shown = {{"line", nLine}, {"verified", executable.contains(nLine - 1)}};
        if (shown["verified"]) {
            lines.insert(nLine - 1);
        } else {
            shown["message"] = strProblem;
        }
        breakpoints.push_back(std::move(shown));
    }
    const std::string strKey = PathKey(strPath);
    if (m_run.joinable() && strKey == PathKey(m_strProgram)) m_debugger.SetBreakpoints(lines);
    m_breakpoints[strKey] = std::move(lines);
    body["breakpoints"] = std::move(breakpoints);
}

void CDebugAdapter::ConfigurationDone(const json&, json&) {
    m_bConfigured = true;
}

void CDebugAdapter::Threads(const json&, json& body) {
    body["threads"] = json::array({{{"id", THREAD_ID}, {"name", "Main"}}});
}

void CDebugAdapter::StackTrace(const json&, json& body) {
    const std::vector<CDebugger::Frame> frames = m_debugger.Frames();
    const json source = {{"name", std::filesystem::path(m_strProgram).filename().string()},
                         {"path", m_strProgram}};
    json shown = json::array();
    // The innermost procedure first.
    for (size_t i = frames.size(); i-- > 0;) {
        shown.push_back({{"id", i},
                         {"name", frames[i].strName},
                         {"line", frames[i].nLine + 1},
                         {"column", 1},
                         {"source", source}});
    }
    body["totalFrames"] = frames.size();
    body["stackFrames"] = std::move(shown);
}

void CDebugAdapter::Scopes(const json&, json& body) {
    // Every variable of the language is global: each procedure sees the same scopes.
    const std::pair<const char*, int> scopes[] = {
        {"Variables", CDebugger::SCOPE_VARIABLES},
        {"Parameters", CDebugger::SCOPE_PARAMETERS},
        {m_engine.m_strReturnLabel.c_str(), CDebugger::SCOPE_RESULT},
    };
    body["scopes"] = json::array();
    for (const auto& [pszName, nScope] : scopes)
        body["scopes"].push_back(
            {{"name", pszName}, {"variablesReference", nScope}, {"expensive", false}});
}

void CDebugAdapter::Variables(const json& args, json& body) {
    body["variables"] = json::array();
    for (const CDebugger::Value& value : m_debugger.Values(args.value("variablesReference", 0))) {
        body["variables"].push_back({{"name", value.strName},
                                     {"value", value.strValue},
                                     {"type", value.strType},
                                     {"variablesReference", 0}});
    }
}

void CDebugAdapter::Continue(const json&, json& body) {
    m_debugger.Resume(CDebugger::Step::Continue);
    body["allThreadsContinued"] = true;
}

void CDebugAdapter::Disconnect(const json&, json&) {
    EndRun();
    m_bDone = true;
}
}  // namespace

int RunDebugAdapter() {
    // Two engines and their line buffers: on the heap rather than the stack.
    auto pAdapter = std::make_unique<CDebugAdapter>();
    return pAdapter->Serve();
}
