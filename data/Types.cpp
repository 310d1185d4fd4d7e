#include "data/Types.h"

namespace {
template <class F>
auto& slotRef(F& f, int k)
{
    switch (k) {
    case 1: return f.Slot1;
    case 2: return f.Slot2;
    case 3: return f.Slot3;
    case 4: return f.Slot4;
    case 5: return f.Slot5;
    case 6: return f.Slot6;
    case 7: return f.Slot7;
    case 8: return f.Slot8;
    case 9: return f.Slot9;
    default: return f.Slot10;
    }
}

template <class F>
auto& codeRef(F& f, int k)
{
    switch (k) {
    case 1: return f.Code1;
    case 2: return f.Code2;
    case 3: return f.Code3;
    case 4: return f.Code4;
    case 5: return f.Code5;
    case 6: return f.Code6;
    case 7: return f.Code7;
    case 8: return f.Code8;
    case 9: return f.Code9;
    default: return f.Code10;
    }
}
}  // namespace

uint16_t& formationSlot(FormationRecord& f, int k) { return slotRef(f, k); }
uint16_t formationSlot(const FormationRecord& f, int k) { return slotRef(f, k); }
uint8_t& formationCode(FormationRecord& f, int k) { return codeRef(f, k); }
uint8_t formationCode(const FormationRecord& f, int k) { return codeRef(f, k); }
