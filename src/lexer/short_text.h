// Names and fixed texts are a few bytes long: they are compared and hashed a machine word at a
// time, inline, reading only bytes of the text itself (two overlapping words cover a text of
// four to sixteen bytes).
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace short_text {

inline uint64_t Load64(const char* p) {
    uint64_t n;
    std::memcpy(&n, p, sizeof n);
    return n;
}
inline uint32_t Load32(const char* p) {
    uint32_t n;
    std::memcpy(&n, p, sizeof n);
    return n;
}

// The bytes of a text of up to eight bytes, or a digest of its words, as one number: equal
// texts give equal numbers, and texts of up to eight bytes and the same length give equal
// numbers only when they are equal.
inline uint64_t Fold(const char* p, size_t n) {
    if (n >= 8) {
        uint64_t nFold = 0;
        for (size_t i = 0; i + 8 < n; i += 8) nFold = (nFold ^ Load64(p + i)) * 0x100000001B3ull;
        return nFold ^ Load64(p + n - 8);
    }
    if (n >= 4) return Load32(p) | (uint64_t{Load32(p + n - 4)} << 32);
    const auto Byte = [p](size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
    if (n == 1) return Byte(0);  // the common loop counter
    if (n == 0) return 0;
    return Byte(0) | Byte(n / 2) << 8 | Byte(n - 1) << 16;
}

// Texts of up to this many bytes fold without loss: two of the same length are equal exactly
// when their folds are.
constexpr size_t EXACT_FOLD = 8;

}  // namespace short_text

inline bool SameText(std::string_view a, std::string_view b) {
    const size_t n = a.size();
    if (n != b.size()) return false;
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) {
            if (short_text::Load64(a.data() + i) != short_text::Load64(b.data() + i)) return false;
        }
        return short_text::Load64(a.data() + n - 8) == short_text::Load64(b.data() + n - 8);
    }
    if (n >= 4) {
        return short_text::Load32(a.data()) == short_text::Load32(b.data()) &&
               short_text::Load32(a.data() + n - 4) == short_text::Load32(b.data() + n - 4);
    }
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// A hash for the identifier table from a text's fold and length, multiplied into 128 bits
// whose halves are folded together, so that every bit of the text reaches the low bits that
// pick a slot.
inline size_t HashFold(uint64_t nFold, size_t nLen) {
    const unsigned __int128 nProduct =
        static_cast<unsigned __int128>(nFold ^ nLen ^ 0x243F6A8885A308D3ull) *
        0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(static_cast<uint64_t>(nProduct) ^
                               static_cast<uint64_t>(nProduct >> 64));
}

inline size_t HashText(std::string_view text) {
    return HashFold(short_text::Fold(text.data(), text.size()), text.size());
}

// Whether two texts whose folds are equal are equal: only texts longer than EXACT_FOLD bytes
// need a look at their bytes.
inline bool SameFoldedText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.size() <= short_text::EXACT_FOLD || SameText(a, b));
}
