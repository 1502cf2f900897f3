// The identifier table: names to records, constants, decimal conversion, clean-up after a run.
#include <bit>
#include <cctype>

#include "host/engine.h"
#include "lexer/short_text.h"

namespace {
bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Four to eight digits and nothing else, a word at a time, with no branch on the bytes: the
// text, read as two overlapping words, fills the top of one word behind leading zeros (the
// first character in the lowest byte still used); its bytes are checked at once, then joined
// into pairs of digits, fours and the eight. Answers true, with the value set, for such a text.
bool WordDigits(std::string_view text, int32_t& nValue) {
    static_assert(std::endian::native == std::endian::little, "the word holds its text in order");
    constexpr uint64_t ZEROS = 0x3030303030303030ull;
    constexpr uint64_t HIGH_NIBBLES = 0xF0F0F0F0F0F0F0F0ull;
    const size_t n = text.size();
    const unsigned nPad = static_cast<unsigned>(8 * (8 - n));
    const uint64_t nWord = uint64_t{short_text::Load32(text.data())} << nPad |
                           uint64_t{short_text::Load32(text.data() + n - 4)} << 32 |
                           (ZEROS & ~(~0ull << nPad));
    // "0" to "9" are 0x30 to 0x39: the high nibble is 3, and stays 3 with six added.
    const bool bDigits = ((nWord & HIGH_NIBBLES) == ZEROS) &
                         (((nWord + 0x0606060606060606ull) & HIGH_NIBBLES) == ZEROS);
    uint64_t nSum = ((nWord & 0x0F0F0F0F0F0F0F0Full) * (10 * 256 + 1)) >> 8;
    nSum = ((nSum & 0x00FF00FF00FF00FFull) * (100 * 65536 + 1)) >> 16;
    nSum = ((nSum & 0x0000FFFF0000FFFFull) * ((10000ull << 32) + 1)) >> 32;
    nValue = static_cast<int32_t>(nSum);
    return bDigits;
}

// Up to nine digits and nothing else: the common number literal, which cannot overflow.
// Sets the value and answers true for such a text.
bool ShortDigits(std::string_view text, int32_t& nValue) {
    const size_t n = text.size();
    if (n >= 4 && n <= 8) return WordDigits(text, nValue);
    if (n == 0 || n > 9) return false;
    const auto Digit = [&text](size_t i) {
        return static_cast<unsigned char>(text[i]) - static_cast<uint32_t>('0');
    };
    // Two digits a step; an odd count takes its first digit alone.
    uint32_t nSum = 0;
    size_t i = n % 2;
    if (i != 0) {
        nSum = Digit(0);
        if (nSum > 9) return false;
    }
    for (; i < n; i += 2) {
        const uint32_t nHigh = Digit(i);
        const uint32_t nLow = Digit(i + 1);
        if (nHigh > 9 || nLow > 9) return false;
        nSum = nSum * 100 + nHigh * 10 + nLow;
    }
    nValue = static_cast<int32_t>(nSum);
    return true;
}

// Decimal as strtol reads it: leading white space, one sign, digits; nothing may follow. A
// text without digits is not taken at all, so only the empty text gives 0. Out of the way of
// the short digit runs that nearly every number is.
[[gnu::noinline]] int32_t ConvertDecimal(CScriptEngine& engine, std::string_view text) {
    constexpr int64_t LIMIT = int64_t{INT32_MAX} + 1;
    const char* p = text.data();
    const char* const pEnd = p + text.size();
    if (p != pEnd && !IsDigit(*p)) {
        while (p != pEnd && std::isspace(static_cast<unsigned char>(*p))) ++p;
    }
    const bool bNegative = p != pEnd && *p == '-';
    if (p != pEnd && (*p == '+' || *p == '-')) ++p;
    if (p == pEnd || !IsDigit(*p)) {
        if (!text.empty()) engine.Raise(text, ERR_CONVERT_NUMBER);
        return 0;
    }
    int64_t nValue = 0;
    for (; p != pEnd && IsDigit(*p); ++p) {
        // Past the limit the value only has to stay past it.
        if (nValue <= LIMIT) nValue = nValue * 10 + (*p - '0');
    }
    if (p != pEnd || nValue > (bNegative ? LIMIT : LIMIT - 1))
        engine.Raise(text, ERR_CONVERT_NUMBER);
    return static_cast<int32_t>(bNegative ? -nValue : nValue);
}

// More names than this, and a run's end builds the index of names afresh.
constexpr size_t REINDEX_AFTER = 1024;
}  // namespace

int32_t CScriptEngine::ToNumber(std::string_view text) {
    int32_t nShort;
    if (ShortDigits(text, nShort)) return nShort;
    return ConvertDecimal(*this, text);
}

CScriptVar* CScriptEngine::FindIdent(std::string_view name) const {
    if (!m_identIndex.IsValid()) IndexIdents();
    const CIdentIndex::Entry* pEntry = m_identIndex.Find(name);
    return pEntry != nullptr ? pEntry->second.get() : nullptr;
}

void CScriptEngine::IndexIdents() const {
    m_identIndex.Reset(m_mapIdent.size());
    for (const CIdentIndex::Entry& entry : m_mapIdent) m_identIndex.Add(entry);
}

std::string CScriptEngine::GetIdentName(const CScriptVar* pVar) const {
    return pVar != nullptr ? std::string(pVar->Name()) : std::string();
}

CScriptVar* CScriptEngine::SetIdent(const std::string& strName, std::unique_ptr<CScriptVar> pVar) {
    auto [it, bNew] = m_mapIdent.try_emplace(strName);
    pVar->m_pName = &it->first;
    it->second = std::move(pVar);
    if (bNew && m_identIndex.IsValid()) m_identIndex.Add(*it);
    return it->second.get();
}

void CScriptEngine::AddConstant(const char* pszName, int32_t nValue) {
    auto pVar = std::make_unique<CScriptVar>(VAR_CONST);
    pVar->SetNumber(nValue);
    SetIdent(pszName, std::move(pVar));
}

void CScriptEngine::ClearRunData() {
    // The names of a small script leave the index one by one; after a large one the index is
    // built afresh, and smaller, from the built-ins and constants that remain.
    if (m_mapIdent.size() > REINDEX_AFTER) m_identIndex.Invalidate();
    for (auto it = m_mapIdent.begin(); it != m_mapIdent.end();) {
        const CScriptVar* pVar = it->second.get();
        if (pVar != nullptr && (pVar->m_nType == VAR_FUNC || pVar->m_nType == VAR_CONST)) {
            ++it;
            continue;
        }
        if (m_identIndex.IsValid()) m_identIndex.Remove(*it);
        it = m_mapIdent.erase(it);
    }
}

void CScriptEngine::DeleteAllIdents() {
    m_mapIdent.clear();
    m_identIndex.Invalidate();
}
