// A line that holds one keyword and nothing else, recognised in the line buffer as a whole by
// two masked machine words instead of a token cut character by character: how a block finds
// the line that ends it.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "lexer/short_text.h"

class CKeywordLine {
public:
    // The bytes looked at: the keyword and the zero that ends the line must fit.
    static constexpr size_t IMAGE_BYTES = 16;

    // The line of a keyword shorter than IMAGE_BYTES characters, whose token code is nCode.
    CKeywordLine(std::string_view keyword, int32_t nCode)
        : m_nLength(keyword.size()), m_nCode(nCode) {
        assert(m_nLength < IMAGE_BYTES);
        char aImage[IMAGE_BYTES] = {};
        char aMask[IMAGE_BYTES] = {};
        std::memcpy(aImage, keyword.data(), m_nLength);
        std::memset(aMask, 0xFF, m_nLength + 1);
        for (size_t i = 0; i < WORDS; ++i) {
            m_anImage[i] = short_text::Load64(aImage + 8 * i);
            m_anMask[i] = short_text::Load64(aMask + 8 * i);
        }
    }

    // Whether the zero-terminated line at pszLine, of which IMAGE_BYTES bytes can be read, is
    // the keyword alone: exactly the lines the lexer would cut into this keyword and the end.
    bool Matches(const char* pszLine) const {
        const uint64_t nDiff = ((short_text::Load64(pszLine) ^ m_anImage[0]) & m_anMask[0]) |
                               ((short_text::Load64(pszLine + 8) ^ m_anImage[1]) & m_anMask[1]);
        return nDiff == 0;
    }
    size_t Length() const { return m_nLength; }
    int32_t Code() const { return m_nCode; }

private:
    static constexpr size_t WORDS = IMAGE_BYTES / 8;
    uint64_t m_anImage[WORDS];
    uint64_t m_anMask[WORDS];
    size_t m_nLength;
    int32_t m_nCode;
};

// The line of a block's end keyword: EndMain, EndProc, EndIf or EndWhile by its token code.
const CKeywordLine& BlockEndLine(int32_t nEndToken);
