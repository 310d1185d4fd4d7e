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

template <class E>
void copyIn(PasteBufferTable<E>& table)
{
    for (int n = 1; n <= CountOf<E>; ++n) {
        auto& slot = table[static_cast<std::size_t>(n - 1)];
        slot.Entry = Orb.get<E>(n);
        slot.Used = true;
        slot.SourceFile = CurrentFileNumber;
    }
}

template <class E>
void copyOut(const PasteBufferTable<E>& table)
{
    for (int n = 1; n <= CountOf<E>; ++n)
        Orb.set(n, table[static_cast<std::size_t>(n - 1)].Entry);
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
    case xkUnit: copyIn(UnitPasteBuffers); break;
    case xkWeapon: copyIn(WeaponPasteBuffers); break;
    case xkFormation: copyIn(FormationPasteBuffers); break;  // slots 200..249 stay
    }
}

void PasteBuffersToTable(XferKind kind)
{
    switch (kind) {
    case xkUnit: copyOut(UnitPasteBuffers); break;
    case xkWeapon: copyOut(WeaponPasteBuffers); break;
    case xkFormation: copyOut(FormationPasteBuffers); break;
    }
}
