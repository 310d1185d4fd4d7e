// Transfer buffers: 249 numbered slots per kind of entry, alive for the whole run and untouched by
// loads, so that entries can travel between entry numbers and between data files.
#pragma once

#include "data/Types.h"

#include <array>
#include <cstdint>

constexpr int PasteBufferCount = 249;

template <class E>
struct PasteBufferSlot {
    E Entry{};
    int32_t SourceFile = 0;  // the data file the entry came from; 99 in a slot never filled
    bool Used = false;       // once filled, filled for the rest of the run
};

// The kinds and actions of the buffer selection dialog.
enum XferKind : uint8_t { xkWeapon = 0, xkUnit = 1, xkFormation = 2 };
enum XferAction : uint8_t { xaPaste = 0, xaCopy = 1 };

template <class E>
using PasteBufferTable = std::array<PasteBufferSlot<E>, PasteBufferCount>;

extern PasteBufferTable<UnitRecord> UnitPasteBuffers;  // slot n is element n - 1
extern PasteBufferTable<WeaponRecord> WeaponPasteBuffers;
extern PasteBufferTable<FormationRecord> FormationPasteBuffers;
// Between a page and a slot an entry always passes through the transfer record of its kind.
extern PasteBufferSlot<UnitRecord> UnitXferBuffer;
extern PasteBufferSlot<WeaponRecord> WeaponXferBuffer;
extern PasteBufferSlot<FormationRecord> FormationXferBuffer;

// Everything zero, as at program start.
void ClearPasteBuffers();
// Marks every slot as never filled.
void MarkPasteBuffersUnused();

// Transfer record into slot n (1..249), replacing whatever the slot held.
void StoreUnitSlot(int n);
void StoreWeaponSlot(int n);
void StoreFormationSlot(int n);
// Slot n into the transfer record, if the slot was ever filled; the record's SourceFile stays.
void LoadUnitSlot(int n);
void LoadWeaponSlot(int n);
void LoadFormationSlot(int n);

// Every entry of the kind's table in Orb into slots 1..N, with CurrentFileNumber as source.
void CopyTableToBuffers(XferKind kind);
// Slots 1..N back into the kind's table in Orb, filled or not.
void PasteBuffersToTable(XferKind kind);
