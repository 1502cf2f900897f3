// The language server's loop: reads the editor's messages, keeps the open scripts, checks each
// on open and on every change, and answers the requests about them.
#include "editor/language_server.h"

#include <cstdio>
#include <map>
#include <stdexcept>

#include "editor/lsp_features.h"
#include "editor/message_stream.h"
#include "host_os.h"
#include "process_env.h"
#include "qjintp32.h"

using nlohmann::json;

namespace {
// Protocol error codes.
constexpr int ERROR_METHOD_NOT_FOUND = -32601;
constexpr int ERROR_INVALID_PARAMS = -32602;
// The whole text of a script comes with every change.
constexpr int SYNC_FULL = 1;

class CLanguageServer {
public:
    CLanguageServer() : m_stream(stdin, stdout) {}

    int Serve();

private:
    // The result of a request; throws json's errors on missing or mistyped parameters.
    json Answer(const std::string& strMethod, const json& params);
    void Notice(const std::string& strMethod, const json& params);
    void Open(const std::string& strUri, const std::string& strText);
    const COpenScript& Script(const json& params) const;
    json Reply(const json& id, const std::string& strMethod, const json& params);
    // Answers a request or takes in a notice; false when the answer cannot be written.
    bool Handle(const json& message);

    CMessageStream m_stream;
    CScriptCheck m_check;
    std::map<std::string, COpenScript> m_mapScripts;
    bool m_bShutdown = false;
    bool m_bExit = false;
};

json Capabilities() {
    return {{"capabilities",
             {{"textDocumentSync", SYNC_FULL},
              {"hoverProvider", true},
              {"completionProvider", json::object()},
              {"definitionProvider", true},
              {"documentSymbolProvider", true}}},
            {"serverInfo", {{"name", "qjintp"}, {"version", QJINTP32_VERSION}}}};
}

CTextPosition PositionOf(const json& params) {
    const json& position = params.at("position");
    return {position.at("line").get<int>(), position.at("character").get<int>()};
}

std::string UriOf(const json& params) {
    return params.at("textDocument").at("uri").get<std::string>();
}

// The name a script's errors carry: the last part of its address.
std::string ScriptName(const std::string& strUri) {
    return strUri.substr(strUri.find_last_of('/') + 1);
}
}  // namespace

const COpenScript& CLanguageServer::Script(const json& params) const {
    static const COpenScript s_empty;
    auto it = m_mapScripts.find(UriOf(params));
    return it != m_mapScripts.end() ? it->second : s_empty;
}

void CLanguageServer::Open(const std::string& strUri, const std::string& strText) {
    COpenScript& script = m_mapScripts[strUri];
    const std::optional<CScriptProblem> problem = m_check.Check(strText, ScriptName(strUri));
    script.arrLines = SplitLines(strText);
    script.outline = ReadOutline(m_check.Engine(), script.arrLines);
    m_stream.Write(
        {{"jsonrpc", "2.0"},
         {"method", "textDocument/publishDiagnostics"},
         {"params", {{"uri", strUri}, {"diagnostics", Diagnostics(problem, script.arrLines)}}}});
}

void CLanguageServer::Notice(const std::string& strMethod, const json& params) {
    if (strMethod == "exit") {
        m_bExit = true;
    } else if (strMethod == "textDocument/didOpen") {
        Open(UriOf(params), params.at("textDocument").at("text").get<std::string>());
    } else if (strMethod == "textDocument/didChange") {
        const json& changes = params.at("contentChanges");
        if (!changes.empty()) Open(UriOf(params), changes.back().at("text").get<std::string>());
    } else if (strMethod == "textDocument/didClose") {
        m_mapScripts.erase(UriOf(params));
        // A closed script keeps no diagnostics.
        m_stream.Write({{"jsonrpc", "2.0"},
                        {"method", "textDocument/publishDiagnostics"},
                        {"params", {{"uri", UriOf(params)}, {"diagnostics", json::array()}}}});
    }
}

json CLanguageServer::Answer(const std::string& strMethod, const json& params) {
    if (strMethod == "initialize") return Capabilities();
    if (strMethod == "shutdown") {
        m_bShutdown = true;
        return nullptr;
    }
    if (strMethod == "textDocument/hover") return Hover(Script(params), PositionOf(params));
    if (strMethod == "textDocument/completion") return Completion(Script(params), m_check.Engine());
    if (strMethod == "textDocument/definition")
        return Definition(Script(params), PositionOf(params), UriOf(params));
    if (strMethod == "textDocument/documentSymbol") return DocumentSymbols(Script(params));
    throw std::invalid_argument("unknown method " + strMethod);
}

json CLanguageServer::Reply(const json& id, const std::string& strMethod, const json& params) {
    json reply = {{"jsonrpc", "2.0"}, {"id", id}};
    try {
        reply["result"] = Answer(strMethod, params);
    } catch (const json::exception& ex) {
        reply["error"] = {{"code", ERROR_INVALID_PARAMS}, {"message", ex.what()}};
    } catch (const std::invalid_argument& ex) {
        reply["error"] = {{"code", ERROR_METHOD_NOT_FOUND}, {"message", ex.what()}};
    }
    return reply;
}

bool CLanguageServer::Handle(const json& message) {
    const std::string strMethod = message.at("method").get<std::string>();
    const json params = message.value("params", json::object());
    if (message.contains("id")) return m_stream.Write(Reply(message["id"], strMethod, params));
    Notice(strMethod, params);
    return true;
}

int CLanguageServer::Serve() {
    json message;
    std::string strProblem;
    while (!m_bExit && m_stream.Read(message, strProblem)) {
        try {
            if (!Handle(message)) return 1;
        } catch (const json::exception& ex) {
            // A message of the wrong form is left unanswered; the editor's next one is read.
            std::fprintf(stderr, "qjintp: a message is ignored: %s\n", ex.what());
        }
    }
    if (!strProblem.empty()) std::fprintf(stderr, "qjintp: %s\n", strProblem.c_str());
    return m_bExit && m_bShutdown ? 0 : 1;
}

int RunLanguageServer() {
    // Standard output carries the protocol alone: the checks' start and end messages and their
    // errors, which the diagnostics carry, go nowhere.
    qjcommon::SetProcessEnv("QJ_TRACE", NullDevice());
    qjcommon::SetProcessEnv("QJ_LOG", NullDevice());
    CLanguageServer server;
    return server.Serve();
}
