#include "core/PasteBuffers.h"

#include "core/Globals.h"

PasteBufferTable<UnitRecord> UnitPasteBuffers;
PasteBufferTable<WeaponRecord> WeaponPasteBuffers;
PasteBufferTable<FormationRecord> FormationPasteBuffers;
PasteBufferSlot<UnitRecord> UnitXferBuffer;
PasteBufferSlot<WeaponRecord> WeaponXferBuffer;
PasteBufferSlot<FormationRecord> FormationXferBuffer;

namespace {
template <class E>
void store(PasteBufferTable<E>& table, const PasteBufferSlot<E>& xfer, int n)
{
    auto& slot = table[static_cast<std::size_t>(n - 1)];
    slot.Used = true;
    slot.SourceFile = xfer.SourceFile;
    slot.Entry = xfer.Entry;
}

template <class E>
void load(const PasteBufferTable<E>& table, PasteBufferSlot<E>& xfer, int n)
{
    const auto& slot = table[static_cast<std::size_t>(n - 1)];
    if (slot.Used)
        xfer.Entry = slot.Entry;
}

template <class E, std::size_t N>
void copyIn(PasteBufferTable<E>& table, const std::array<E, N>& entries)
{
    for (std::size_t i = 0; i < N; ++i) {
        table[i].Entry = entries[i];
        table[i].Used = true;
        table[i].SourceFile = CurrentFileNumber;
    }
}

template <class E, std::size_t N>
void copyOut(const PasteBufferTable<E>& table, std::array<E, N>& entries)
{
    for (std::size_t i = 0; i < N; ++i)
        entries[i] = table[i].Entry;
}
}  // namespace

void ClearPasteBuffers()
{
    UnitPasteBuffers = {};
    WeaponPasteBuffers = {};
    FormationPasteBuffers = {};
    UnitXferBuffer = {};
    WeaponXferBuffer = {};
    FormationXferBuffer = {};
}

void MarkPasteBuffersUnused()
{
    auto mark = [](auto& table) {
        for (auto& slot : table) {
            slot.Used = false;
            slot.SourceFile = 99;
        }
    };
    mark(UnitPasteBuffers);
    mark(WeaponPasteBuffers);
    mark(FormationPasteBuffers);
}

void StoreUnitSlot(int n) { store(UnitPasteBuffers, UnitXferBuffer, n); }
void StoreWeaponSlot(int n) { store(WeaponPasteBuffers, WeaponXferBuffer, n); }
void StoreFormationSlot(int n) { store(FormationPasteBuffers, FormationXferBuffer, n); }
void LoadUnitSlot(int n) { load(UnitPasteBuffers, UnitXferBuffer, n); }
void LoadWeaponSlot(int n) { load(WeaponPasteBuffers, WeaponXferBuffer, n); }
void LoadFormationSlot(int n) { load(FormationPasteBuffers, FormationXferBuffer, n); }

void CopyTableToBuffers(XferKind kind)
{
    switch (kind) {
    case xkUnit: copyIn(UnitPasteBuffers, Orb.Units); break;
    case xkWeapon: copyIn(WeaponPasteBuffers, Orb.Weapons); break;
    case xkFormation: copyIn(FormationPasteBuffers, Orb.Formations); break;  // slots 200..249 stay
    }
}

void PasteBuffersToTable(XferKind kind)
{
    switch (kind) {
    case xkUnit: copyOut(UnitPasteBuffers, Orb.Units); break;
    case xkWeapon: copyOut(WeaponPasteBuffers, Orb.Weapons); break;
    case xkFormation: copyOut(FormationPasteBuffers, Orb.Formations); break;
    }
}
