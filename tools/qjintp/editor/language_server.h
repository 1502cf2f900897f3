// qjintp --lsp: the language server an editor starts, speaking the Language Server Protocol
// on standard input and output.
#pragma once

// Serves until the editor says exit; the exit status: 0 after an orderly shutdown, else 1.
int RunLanguageServer();
