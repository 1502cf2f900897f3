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
    // The index is built afresh from the table before its next use.
    void Invalidate() { m_bValid = false; }
    // Empties the index, with room for nEntries entries, and makes it valid.
    void Reset(size_t nEntries) {
        m_aSlots = std::vector<Slot>(SlotsFor(nEntries));
        m_nMask = m_aSlots.size() - 1;
        m_nUsed = 0;
        m_bValid = true;
    }
    // Makes room for nEntries entries at once, before a table grows by many.
    void Reserve(size_t nEntries) {
        if (SlotsFor(nEntries) > m_aSlots.size()) Rehash(SlotsFor(nEntries));
    }
    // Adds an entry the table has just made, whose record is set. A full index doubles, moving
    // its slots by the hashes they hold. A name of the script takes its first slot from a
    // built-in or constant found there, which moves on along its run: the names a script's
    // lines use most are found at the first slot looked at, whatever the built-ins' names hash
    // to.
    void Add(const Entry& entry) {
        if (2 * (m_nUsed + 1) > m_aSlots.size()) Rehash(2 * m_aSlots.size());
        const uint64_t nFold = short_text::Fold(entry.first.data(), entry.first.size());
        Slot slot{HashFold(nFold, entry.first.size()), nFold, &entry};
        Slot& home = m_aSlots[slot.nHash & Mask()];
        if (home.pEntry != nullptr && IsScriptName(entry) && !IsScriptName(*home.pEntry))
            std::swap(slot, home);
        Place(slot);
        ++m_nUsed;
    }
    // Removes an entry the table is about to delete. The slots after it in its run move back
    // where their probe allows, so that no run of slots is broken.
    void Remove(const Entry& entry) {
        const size_t nMask = Mask();
        size_t i = HashText(entry.first) & nMask;
        while (m_aSlots[i].pEntry != &entry) {
            if (m_aSlots[i].pEntry == nullptr) return;
            i = (i + 1) & nMask;
        }
        for (size_t j = (i + 1) & nMask; m_aSlots[j].pEntry != nullptr; j = (j + 1) & nMask) {
            // The slot at j may fill the hole at i unless its home lies after i, up to j.
            const size_t nHome = m_aSlots[j].nHash & nMask;
            if (((j - nHome) & nMask) >= ((j - i) & nMask)) {
                m_aSlots[i] = m_aSlots[j];
                i = j;
            }
        }
        m_aSlots[i] = Slot{};
        --m_nUsed;
    }
    // The entry of the name, or null when the table has no such name. A slot holds the fold
    // of its name, which for most names decides without a look at the name's bytes.
    const Entry* Find(std::string_view name) const {
        const uint64_t nFold = short_text::Fold(name.data(), name.size());
        const size_t nMask = Mask();
        for (size_t i = HashFold(nFold, name.size()) & nMask;; i = (i + 1) & nMask) {
            const Slot& slot = m_aSlots[i];
            if (slot.pEntry == nullptr) return nullptr;
            if (slot.nFold == nFold && SameFoldedText(slot.pEntry->first, name)) return slot.pEntry;
        }
    }

private:
    static constexpr size_t MIN_SLOTS = 256;
    struct Slot {
        uint64_t nHash = 0;
        uint64_t nFold = 0;
        const Entry* pEntry = nullptr;
    };

    size_t Mask() const { return m_nMask; }
    static bool IsScriptName(const Entry& entry) {
        const CScriptVar* pVar = entry.second.get();
        return pVar != nullptr && pVar->m_nType != VAR_FUNC && pVar->m_nType != VAR_CONST;
    }
    void Place(const Slot& slot) {
        const size_t nMask = Mask();
        size_t i = slot.nHash & nMask;
        while (m_aSlots[i].pEntry != nullptr) i = (i + 1) & nMask;
        m_aSlots[i] = slot;
    }
    static size_t SlotsFor(size_t nEntries) {
        size_t nSlots = MIN_SLOTS;
        while (nSlots < 2 * nEntries) nSlots *= 2;
        return nSlots;
    }
    [[gnu::noinline]] void Rehash(size_t nSlots) {
        std::vector<Slot> aOld(nSlots);
        aOld.swap(m_aSlots);
        m_nMask = m_aSlots.size() - 1;
        for (const Slot& slot : aOld) {
            if (slot.pEntry != nullptr) Place(slot);
        }
    }

    std::vector<Slot> m_aSlots;
    // The slot count less one, kept apart from the vector so that a lookup need not work it out.
    size_t m_nMask = 0;
    size_t m_nUsed = 0;
    bool m_bValid = false;
};
