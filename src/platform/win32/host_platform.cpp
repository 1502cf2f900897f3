// The window-message pump between lines and the local time text on Windows.
#include "platform/host_platform.h"

#include <windows.h>

#include <ctime>

namespace platform {

// Takes and dispatches waiting messages of any window of the calling thread, as a host's own
// message loop would. A quit message is put back for the host's loop and ends the pumping.
int PumpWindowMessages(int nMax) {
    MSG msg;
    int nDone = 0;
    while (nDone < nMax && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++nDone;
    }
    return nDone;
}

void FormatLocalTime(char* pszBuf, size_t nSize) {
    pszBuf[0] = '\0';
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_s(&local, &now) != 0) return;
    // "#" asks the runtime library for the long date and time form of the locale.
    if (std::strftime(pszBuf, nSize, "%#c", &local) == 0) pszBuf[0] = '\0';
}

}  // namespace platform
