// Marks the functions and classes that a shared module offers to other modules.
#pragma once

#if defined(_WIN32)
#define QJ_EXPORT __declspec(dllexport)
#else
#define QJ_EXPORT __attribute__((visibility("default")))
#endif
