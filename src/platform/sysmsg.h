// The operating system's own message text for a status code, where the system keeps one.
#pragma once

#include <cstdint>
#include <string>

// True when the system has a text for sc; strOut then holds it without its trailing line
// breaks. False leaves strOut unchanged.
bool GetSystemMessageText(int32_t sc, std::string& strOut);
