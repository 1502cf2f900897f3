// The host's side on Windows: notification lines sent to a window as WM_COPYDATA, and
// whether stderr is a console.
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "../platform.h"

namespace pvw {

void NotifyHost(int nTarget, const std::string& strLine) {
    HWND hWnd = reinterpret_cast<HWND>(static_cast<std::intptr_t>(nTarget));
    COPYDATASTRUCT data;
    data.dwData = 0;
    data.cbData = static_cast<DWORD>(strLine.size() + 1);
    data.lpData = const_cast<char*>(strLine.c_str());
    DWORD_PTR nResult = 0;
    // A window that does not answer within a second must not hold the operation up.
    SendMessageTimeoutA(hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                        SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &nResult);
}

bool StderrIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

}  // namespace pvw
