// The texts of one language module: string ids with their translated texts.
#pragma once

#include <cstddef>

struct LangString {
    int nId;
    const char* pszText;
};

// Every language module has one table, written one entry a line ({id, "text"},) in UTF-8, so
// that a Windows string table can be generated from the same lines.
extern const LangString g_aLangStrings[];
extern const std::size_t g_nLangStrings;
