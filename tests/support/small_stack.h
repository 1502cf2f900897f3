// Work run on a thread of its own with a stack of a given size, as a host with a small stack
// would run it.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <functional>

// False when no thread with such a stack could be started.
inline bool RunOnStack(std::size_t nBytes, std::function<void()> fnWork) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    auto pfnStart = [](void* pWork) -> void* {
        (*static_cast<std::function<void()>*>(pWork))();
        return nullptr;
    };
    pthread_t thread;
    const bool bStarted = pthread_attr_setstacksize(&attr, nBytes) == 0 &&
                          pthread_create(&thread, &attr, pfnStart, &fnWork) == 0;
    if (bStarted) pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    return bStarted;
}
