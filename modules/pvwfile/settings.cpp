// The library's settings, kept under one lock, and the cancel request.
#include "settings.h"

#include <cctype>
#include <mutex>

#include "entry.h"

namespace pvw {

namespace {
std::mutex g_lock;
CSettings g_settings;
std::atomic<bool> g_bCancel{false};
// Hosts call PVWBreak from signal handlers: the request must be a plain store.
static_assert(std::atomic<bool>::is_always_lock_free);
}  // namespace

CSettings SnapshotSettings() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_settings;
}

void ChangeSettings(const std::function<void(CSettings&)>& fnChange) {
    std::lock_guard<std::mutex> guard(g_lock);
    fnChange(g_settings);
}

void RequestCancel() {
    g_bCancel.store(true);
}

bool TakeCancel() {
    return g_bCancel.exchange(false);
}

bool ParseAttributeLetters(const char* pszText, unsigned& nBits) {
    nBits = 0;
    for (const char* p = pszText; p != nullptr && *p != '\0'; ++p) {
        switch (std::toupper(static_cast<unsigned char>(*p))) {
            case 'R':
                nBits |= ATTR_R;
                break;
            case 'H':
                nBits |= ATTR_H;
                break;
            case 'S':
                nBits |= ATTR_S;
                break;
            case 'A':
                nBits |= ATTR_A;
                break;
            default:
                return false;
        }
    }
    return true;
}

}  // namespace pvw
