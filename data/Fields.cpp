#include "data/Fields.h"

#include <algorithm>
#include <cctype>

namespace {
template <class R>
FieldDef<R> text(const char* n, OrbName R::*m, int base)
{
    return {n, FieldWidth::Text, m, nullptr, nullptr, base, NameLength, 0, NameLength};
}
template <class R>
FieldDef<R> u8(const char* n, uint8_t R::*m, int base, int stride = 1, int offset = 0, uint32_t bound = 255)
{
    return {n, FieldWidth::U8, nullptr, m, nullptr, base, stride, offset, bound};
}
template <class R>
FieldDef<R> u16(const char* n, uint16_t R::*m, int base, int stride, int offset, uint32_t bound)
{
    return {n, FieldWidth::U16, nullptr, nullptr, m, base, stride, offset, bound};
}

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

// Icon and LBM take up to 99999 from an edit; what is stored beyond 65535 is decided in EditRules.
const std::vector<FieldDef<UnitRecord>>& UnitFields()
{
    using U = UnitRecord;
    static const std::vector<FieldDef<U>> fields = {
        text<U>("Name", &U::Name, 9250),
        u8<U>("Class", &U::Class, 13000),
        u16<U>("Icon", &U::Icon, 28500, 2, 0, 99999),
        u16<U>("LBM", &U::LBM, 25250, 2, 0, 99999),
        u8<U>("Size", &U::Size, 13500),
        u8<U>("Crew", &U::Crew, 13750),
        u8<U>("Wpn1", &U::Wpn1, 14000, 4, 0, 249),
        u8<U>("Wpn2", &U::Wpn2, 14000, 4, 1, 249),
        u8<U>("Wpn3", &U::Wpn3, 14000, 4, 2, 249),
        u8<U>("Wpn4", &U::Wpn4, 14000, 4, 3, 249),
        u8<U>("Wpn1HEAmmo", &U::Wpn1HEAmmo, 15000, 8, 0),
        u8<U>("Wpn1APAmmo", &U::Wpn1APAmmo, 15000, 8, 1),
        u8<U>("Wpn2HEAmmo", &U::Wpn2HEAmmo, 15000, 8, 2),
        u8<U>("Wpn2APAmmo", &U::Wpn2APAmmo, 15000, 8, 3),
        u8<U>("Wpn3HEAmmo", &U::Wpn3HEAmmo, 15000, 8, 4),
        u8<U>("Wpn3APAmmo", &U::Wpn3APAmmo, 15000, 8, 5),
        u8<U>("Wpn4HEAmmo", &U::Wpn4HEAmmo, 15000, 8, 6),
        u8<U>("Wpn4APAmmo", &U::Wpn4APAmmo, 15000, 8, 7),
        u8<U>("Speed", &U::Speed, 17000),
        u8<U>("SteelHF", &U::SteelHF, 17250, 14, 0),
        u8<U>("SteelHS", &U::SteelHS, 17250, 14, 1),
        u8<U>("SteelHR", &U::SteelHR, 17250, 14, 2),
        u8<U>("SteelTF", &U::SteelTF, 17250, 14, 3),
        u8<U>("SteelTS", &U::SteelTS, 17250, 14, 4),
        u8<U>("SteelTR", &U::SteelTR, 17250, 14, 5),
        u8<U>("SteelTop", &U::SteelTop, 17250, 14, 6),
        u8<U>("HEATHF", &U::HEATHF, 17250, 14, 7),
        u8<U>("HEATHS", &U::HEATHS, 17250, 14, 8),
        u8<U>("HEATHR", &U::HEATHR, 17250, 14, 9),
        u8<U>("HEATTF", &U::HEATTF, 17250, 14, 10),
        u8<U>("HEATTS", &U::HEATTS, 17250, 14, 11),
        u8<U>("HEATTR", &U::HEATTR, 17250, 14, 12),
        u8<U>("HEATTop", &U::HEATTop, 17250, 14, 13),
        u8<U>("ERAHF", &U::ERAHF, 20750, 7, 0),
        u8<U>("ERAHS", &U::ERAHS, 20750, 7, 1),
        u8<U>("ERAHR", &U::ERAHR, 20750, 7, 2),
        u8<U>("ERATF", &U::ERATF, 20750, 7, 3),
        u8<U>("ERATS", &U::ERATS, 20750, 7, 4),
        u8<U>("ERATR", &U::ERATR, 20750, 7, 5),
        u8<U>("ERATop", &U::ERATop, 20750, 7, 6),
        u8<U>("Radio", &U::Radio, 24000),
        u8<U>("YrAvail", &U::YrAvail, 24250),
        u8<U>("YrUnavail", &U::YrUnavail, 24500),
        u8<U>("Cost", &U::Cost, 24750),
        u8<U>("Nation", &U::Nation, 25000, 1, 0, 249),
        u8<U>("FC", &U::FC, 26000),
        u8<U>("SabotAmmo", &U::SabotAmmo, 26250),
        u8<U>("HEATAmmo", &U::HEATAmmo, 26500),
        u8<U>("Stabiliser", &U::Stabiliser, 27000),
        u8<U>("HiddenByte", &U::HiddenByte, 28000, 1, 0, 0),
        u8<U>("Vision", &U::Vision, 25750),
        u8<U>("Swim", &U::Swim, 29000),
        u8<U>("SD", &U::SD, 29500),
        u8<U>("ROF", &U::ROF, 26750),
        u8<U>("Carry", &U::Carry, 27750),
        u8<U>("Weight", &U::Weight, 28250),
        u8<U>("EW", &U::EW, 27500),
        u8<U>("RF", &U::RF, 27250),
        u8<U>("MC", &U::MC, 29250),
        u8<U>("MonthAvail", &U::MonthAvail, 29750),
    };
    return fields;
}

// The kill pair column starts one byte lower than the penetration pair beside it:
// APKill of weapon n is byte 5249 + 2n, HEKill byte 5250 + 2n.
const std::vector<FieldDef<WeaponRecord>>& WeaponFields()
{
    using W = WeaponRecord;
    static const std::vector<FieldDef<W>> fields = {
        text<W>("Name", &W::Name, 0),
        u8<W>("Class", &W::Class, 3750),
        u8<W>("Size", &W::Size, 4250),
        u8<W>("WarheadSize", &W::WarheadSize, 4500),
        u8<W>("HEPen", &W::HEPen, 4750, 2, 0),
        u8<W>("HEKill", &W::HEKill, 5249, 2, 1),
        u8<W>("APPen", &W::APPen, 4750, 2, 1),
        u8<W>("APKill", &W::APKill, 5249, 2, 0),
        u8<W>("Accuracy", &W::Accuracy, 5750),
        u8<W>("Range", &W::Range, 6000),
        u8<W>("SabotRange", &W::SabotRange, 6250),
        u8<W>("SabotPen", &W::SabotPen, 6500),
        u8<W>("HEATPen", &W::HEATPen, 6750),
    };
    return fields;
}

const std::vector<FieldDef<FormationRecord>>& FormationFields()
{
    using F = FormationRecord;
    static const std::vector<FieldDef<F>> fields = {
        text<F>("Name", &F::Name, 32500),
        u8<F>("Nation", &F::Nation, 35500),
        u8<F>("Avail", &F::Avail, 37700),
        u8<F>("Until", &F::Until, 37900),
        u8<F>("Page", &F::Page, 38100),
        u8<F>("Type", &F::Type, 38300),
        u16<F>("Slot1", &F::Slot1, 38500, 20, 0, 1200),
        u16<F>("Slot2", &F::Slot2, 38500, 20, 2, 1200),
        u16<F>("Slot3", &F::Slot3, 38500, 20, 4, 1200),
        u16<F>("Slot4", &F::Slot4, 38500, 20, 6, 1200),
        u16<F>("Slot5", &F::Slot5, 38500, 20, 8, 1200),
        u16<F>("Slot6", &F::Slot6, 38500, 20, 10, 1200),
        u16<F>("Slot7", &F::Slot7, 38500, 20, 12, 1200),
        u16<F>("Slot8", &F::Slot8, 38500, 20, 14, 1200),
        u16<F>("Slot9", &F::Slot9, 38500, 20, 16, 1200),
        u16<F>("Slot10", &F::Slot10, 38500, 20, 18, 1200),
        u8<F>("Code1", &F::Code1, 42500, 10, 0),
        u8<F>("Code2", &F::Code2, 42500, 10, 1),
        u8<F>("Code3", &F::Code3, 42500, 10, 2),
        u8<F>("Code4", &F::Code4, 42500, 10, 3),
        u8<F>("Code5", &F::Code5, 42500, 10, 4),
        u8<F>("Code6", &F::Code6, 42500, 10, 5),
        u8<F>("Code7", &F::Code7, 42500, 10, 6),
        u8<F>("Code8", &F::Code8, 42500, 10, 7),
        u8<F>("Code9", &F::Code9, 42500, 10, 8),
        u8<F>("Code10", &F::Code10, 42500, 10, 9),
        u8<F>("MonthAvail", &F::MonthAvail, 35700),
        u8<F>("Special", &F::Special, 35900),
    };
    return fields;
}

template <class R>
const FieldDef<R>* FindField(const std::vector<FieldDef<R>>& fields, const std::string& name)
{
    auto it = std::find_if(fields.begin(), fields.end(), [&](const FieldDef<R>& f) { return SameNameIgnoringCase(name, f.name); });
    return it == fields.end() ? nullptr : &*it;
}

template const FieldDef<UnitRecord>* FindField(const std::vector<FieldDef<UnitRecord>>&, const std::string&);
template const FieldDef<WeaponRecord>* FindField(const std::vector<FieldDef<WeaponRecord>>&, const std::string&);
template const FieldDef<FormationRecord>* FindField(const std::vector<FieldDef<FormationRecord>>&,
                                                    const std::string&);

bool IsWorkingField(const std::string& name)
{
    for (const char* w : {"IconBytes", "LBMBytes", "SlotBytes", "Spare"})
        if (SameNameIgnoringCase(name, w))
            return true;
    return false;
}
