// The index through which every executed name finds its record: an open-addressing array over
// the identifier table's entries, a power of two long and at most half full, probed slot by
// slot. It points at the table's own entries, which stay where they are while the table holds
// them, so replacing a record needs no change here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exec/scriptvar.h"
#include "lexer/short_text.h"

class CIdentIndex {
public:
    // An entry of the identifier table: the name and its record.
    using Entry = std::pair<const std::string, std::unique_ptr<CScriptVar>>;

    bool IsValid() const { return m_bValid; }
    // After entries were removed from the table: the index is built afresh before its next use.
    void Invalidate() { m_bValid = false; }
    // Empties the index and makes it valid, with room for twice nEntries entries, so that a
    // table that keeps growing has its index built afresh only each time it doubles.
    void Reset(size_t nEntries) {
        size_t nSlots = MIN_SLOTS;
        while (nSlots < 4 * nEntries) nSlots *= 2;
        m_aSlots.assign(nSlots, Slot{});
        m_nMask = nSlots - 1;
        m_nUsed = 0;
        m_bValid = true;
    }
    // Adds an entry the table has just made; false when the index is full and must be reset.
    bool Add(const Entry& entry) {
        if (2 * (m_nUsed + 1) > m_aSlots.size()) return false;
        const uint64_t nHash = HashText(entry.first);
        size_t i = nHash & m_nMask;
        while (m_aSlots[i].pEntry != nullptr) i = (i + 1) & m_nMask;
        m_aSlots[i] = Slot{nHash, &entry};
        ++m_nUsed;
        return true;
    }
    // The entry of the name, or null when the table has no such name.
    const Entry* Find(std::string_view name) const {
        const uint64_t nHash = HashText(name);
        for (size_t i = nHash & m_nMask;; i = (i + 1) & m_nMask) {
            const Slot& slot = m_aSlots[i];
            if (slot.pEntry == nullptr) return nullptr;
            if (slot.nHash == nHash && SameText(slot.pEntry->first, name)) return slot.pEntry;
        }
    }

private:
    static constexpr size_t MIN_SLOTS = 256;
    struct Slot {
        uint64_t nHash = 0;
        const Entry* pEntry = nullptr;
    };

    std::vector<Slot> m_aSlots;
    size_t m_nMask = 0;
    size_t m_nUsed = 0;
    bool m_bValid = false;
};
