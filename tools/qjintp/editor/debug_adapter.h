// The debugger as the editor reaches it: the Debug Adapter Protocol over standard input and
// output, one session, one script run.
#pragma once

// Serves one debug session on standard input and output until the editor disconnects or
// the input ends; the exit status of qjintp.
int RunDebugAdapter();
