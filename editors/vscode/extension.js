// The QJScript extension: starts qjintp as the language server of .scr files, and as the
// debug adapter of launch configurations of type "qjintp".
const vscode = require("vscode");
const { LanguageClient, TransportKind } = require("vscode-languageclient/node");

let client;

// The qjintp the user named in the settings, else the one on PATH.
function qjintpPath() {
  return vscode.workspace.getConfiguration("qjscript").get("qjintpPath") || "qjintp";
}

function activate(context) {
  const server = { command: qjintpPath(), args: ["--lsp"], transport: TransportKind.stdio };
  client = new LanguageClient("qjscript", "QJScript", server, {
    documentSelector: [
      { scheme: "file", language: "qjscript" },
      { scheme: "untitled", language: "qjscript" },
    ],
  });
  client.start().catch((error) =>
    vscode.window.showErrorMessage(
      `QJScript: cannot start '${qjintpPath()} --lsp' (${error.message}); ` +
        "set qjscript.qjintpPath to the qjintp program"));

  context.subscriptions.push(
    vscode.debug.registerDebugAdapterDescriptorFactory("qjintp", {
      createDebugAdapterDescriptor: () => new vscode.DebugAdapterExecutable(qjintpPath(), ["--dap"]),
    }));
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
