#include "tools/SampleData.h"

#include "core/FormationTotals.h"

#include <cstring>

namespace {
// A small linear congruential generator: the same file number always gives the same bytes.
class Dice {
public:
    explicit Dice(uint32_t seed) : state_(seed * 2654435761u + 12345u) {}
    uint32_t next()
    {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint32_t>(hi - lo + 1)); }
    template <std::size_t N>
    const char* pick(const char* const (&list)[N]) { return list[next() % N]; }

private:
    uint32_t state_;
};

// Names are Latin-1 bytes; "\xe4" and friends are deliberate characters above 127.
const char* const kInfantry[] = {"Rifle Squad", "MG Team", "Mortar Sect", "AT Team", "Scout Team", "HQ Section",
                                 "Engineer Sqd", "Sniper Team", "J\xe4ger Squad", "Pionier-Zug", "Ca\xf1on Crew",
                                 "Recon Patrol", "Assault Squad", "Heavy MG Team", "Flamethrower Tm"};
const char* const kVehicles[] = {"Kestrel", "Marten", "Badger", "Lynx", "Osprey", "Heron", "Bison",
                                 "Wolverine", "Stoat", "Falke", "B\xe4r", "Corsair", "Ferret", "Mammoth"};
const char* const kVariants[] = {" A1", " A2", " Mk2", " Mk3", " IFV", " APC", " SPG", " (HQ)", " B", " TD"};
const char* const kWeapons[] = {"7.62mm Rifle", "5.56mm Rifle", "7.62mm MG", "12.7mm HMG", "60mm Mortar",
                                "81mm Mortar", "120mm Mortar", "20mm Cannon", "30mm Autocannon", "75mm Gun",
                                "105mm Howitzer", "120mm Gun", "Hawkeye ATGM", "Stinger-ish SAM", "Flammenwerfer",
                                "RPG Launcher", "155mm Howitzer", "Rocket Pod", "M\xe9tis AT Rkt", "Napalm Canister"};
const char* const kFormations[] = {"Rifle Platoon", "Tank Platoon", "Recon Section", "Mortar Platoon",
                                   "AT Platoon", "Engineer Plt", "HQ Company", "Tank Company",
                                   "Mech Infantry Co", "Artillery Bty", "Battalion HQ", "Sch\xfctzen Zug",
                                   "Support Company", "Air Defence Plt"};

void makeUnits(OrbData& orb, int file, Dice& d, int used, int weapons)
{
    bool ww2 = file >= 70;
    for (int n = 1; n <= used; ++n) {
        UnitRecord u;
        bool infantry = d.range(0, 2) == 0;
        if (n % 17 == 0)
            u.Name = "Wolverine IFV A";  // exactly fifteen characters
        else
            u.Name = OrbName(infantry ? d.pick(kInfantry) : std::string(d.pick(kVehicles)) + d.pick(kVariants));
        u.Class = static_cast<uint8_t>(infantry ? d.range(1, 7) : d.range(11, 68));
        u.Icon = static_cast<uint16_t>(d.range(1, 900) + (n % 11 == 0 ? 4000 : 0));
        u.LBM = static_cast<uint16_t>(d.range(1, 700));
        u.Size = static_cast<uint8_t>(d.range(0, 6));
        u.Crew = static_cast<uint8_t>(infantry ? d.range(4, 12) : d.range(2, 5));
        uint8_t* wpn[] = {&u.Wpn1, &u.Wpn2, &u.Wpn3, &u.Wpn4};
        uint8_t* he[] = {&u.Wpn1HEAmmo, &u.Wpn2HEAmmo, &u.Wpn3HEAmmo, &u.Wpn4HEAmmo};
        uint8_t* ap[] = {&u.Wpn1APAmmo, &u.Wpn2APAmmo, &u.Wpn3APAmmo, &u.Wpn4APAmmo};
        int slots = d.range(1, 4);
        for (int k = 0; k < slots; ++k) {
            *wpn[k] = static_cast<uint8_t>(d.range(1, weapons));
            *he[k] = static_cast<uint8_t>(d.range(0, 60));
            *ap[k] = static_cast<uint8_t>(d.range(0, 40));
        }
        u.Speed = static_cast<uint8_t>(infantry ? d.range(4, 8) : d.range(10, 60));
        uint8_t* armour[] = {&u.SteelHF, &u.SteelHS, &u.SteelHR, &u.SteelTF, &u.SteelTS, &u.SteelTR, &u.SteelTop,
                             &u.HEATHF,  &u.HEATHS,  &u.HEATHR,  &u.HEATTF,  &u.HEATTS,  &u.HEATTR,  &u.HEATTop};
        for (uint8_t* a : armour)
            *a = static_cast<uint8_t>(infantry ? 0 : d.range(0, 80));
        if (!ww2 && !infantry && d.range(0, 3) == 0) {
            uint8_t* era[] = {&u.ERAHF, &u.ERAHS, &u.ERAHR, &u.ERATF, &u.ERATS, &u.ERATR, &u.ERATop};
            for (uint8_t* a : era)
                *a = static_cast<uint8_t>(d.range(0, 30));
        }
        u.Radio = static_cast<uint8_t>(d.range(0, 100));
        u.YrAvail = static_cast<uint8_t>(ww2 ? d.range(36, 44) : d.range(50, 95));
        u.YrUnavail = static_cast<uint8_t>(ww2 ? d.range(u.YrAvail + 1, 46) : d.range(u.YrAvail + 1, 120));
        u.Cost = static_cast<uint8_t>(d.range(5, 250));
        u.Nation = static_cast<uint8_t>(n % 23 == 0 ? (ww2 ? 71 : 41) : file);
        u.FC = static_cast<uint8_t>(d.range(0, 30));
        u.SabotAmmo = static_cast<uint8_t>(infantry ? 0 : d.range(0, 20));
        u.HEATAmmo = static_cast<uint8_t>(infantry ? 0 : d.range(0, 20));
        u.Stabiliser = static_cast<uint8_t>(d.range(0, 3));
        u.HiddenByte = static_cast<uint8_t>(d.range(0, 255));
        u.Vision = static_cast<uint8_t>(d.range(0, 40));
        u.Swim = static_cast<uint8_t>(d.range(0, 2));
        u.SD = static_cast<uint8_t>(d.range(0, 5));
        u.ROF = static_cast<uint8_t>(d.range(1, 12));
        u.Carry = static_cast<uint8_t>(infantry ? 0 : d.range(0, 12));
        u.Weight = static_cast<uint8_t>(d.range(1, 70));
        u.EW = static_cast<uint8_t>(d.range(0, 3));
        u.RF = static_cast<uint8_t>(d.range(0, 10));
        static const uint8_t moves[] = {0, 2, 3, 4};
        u.MC = infantry ? 0 : moves[d.next() % 4];
        u.MonthAvail = static_cast<uint8_t>(ww2 ? d.range(1, 12) : 0);
        orb.setUnit(n, u);
    }
}

void makeWeapons(OrbData& orb, Dice& d, int used)
{
    for (int n = 1; n <= used; ++n) {
        WeaponRecord w;
        w.Name = n % 29 == 0 ? OrbName("Twin 23mm AA Gn") : OrbName(d.pick(kWeapons));
        w.Class = static_cast<uint8_t>(d.range(1, 18));
        w.Size = static_cast<uint8_t>(d.range(1, 155));
        w.WarheadSize = static_cast<uint8_t>(d.range(0, 40));
        w.HEPen = static_cast<uint8_t>(d.range(0, 60));
        w.HEKill = static_cast<uint8_t>(d.range(0, 90));
        w.APPen = static_cast<uint8_t>(n % 13 == 0 ? 222 : d.range(0, 200));
        w.APKill = static_cast<uint8_t>(d.range(0, 90));
        w.Accuracy = static_cast<uint8_t>(d.range(1, 30));
        w.Range = static_cast<uint8_t>(d.range(4, 250));
        w.SabotRange = static_cast<uint8_t>(d.range(0, 60));
        w.SabotPen = static_cast<uint8_t>(d.range(0, 120));
        w.HEATPen = static_cast<uint8_t>(d.range(0, 150));
        orb.setWeapon(n, w);
    }
}

void makeFormations(OrbData& orb, int file, Dice& d, int used, int units)
{
    bool ww2 = file >= 70;
    for (int n = 1; n <= used; ++n) {
        FormationRecord f;
        f.Name = n % 19 == 0 ? OrbName("Armoured Cav Sq") : OrbName(d.pick(kFormations));
        f.Nation = static_cast<uint8_t>(file);
        f.Avail = static_cast<uint8_t>(ww2 ? d.range(36, 44) : d.range(50, 95));
        f.Until = static_cast<uint8_t>(ww2 ? 46 : d.range(f.Avail + 1, 120));
        static const uint8_t pages[] = {0, 1, 2, 3, 4, 10};
        f.Page = pages[d.next() % 6];
        f.Type = static_cast<uint8_t>(d.range(1, 5));
        if (f.Type == 3)
            f.Type = 2;  // the type table names no type 3
        int members = d.range(1, 10);
        for (int k = 1; k <= members; ++k) {
            // Slot 1 is always a unit; later slots may name an earlier formation as a sub-formation.
            bool sub = k > 1 && n > 3 && d.range(0, 4) == 0;
            formationSlot(f, k) = static_cast<uint16_t>(sub ? FormationSlotBase + d.range(1, n - 1) : d.range(1, units));
            formationCode(f, k) = static_cast<uint8_t>(d.range(0, 4));
        }
        // Sub-formations that take the formation past what the game allows become that unit
        // number instead, the last first, so that the samples keep the rules.
        for (int k = members; k > 1 && CountFormationUnits(orb, f, n).units > MaxFormationUnits; --k)
            if (formationSlot(f, k) > FormationSlotBase)
                formationSlot(f, k) = static_cast<uint16_t>(formationSlot(f, k) - FormationSlotBase);
        f.MonthAvail = static_cast<uint8_t>(ww2 ? d.range(1, 12) : 0);
        f.Special = static_cast<uint8_t>(d.range(0, 9) == 0 ? d.range(1, 5) : 0);
        orb.setFormation(n, f);
    }
}
}  // namespace

const std::vector<int>& SampleFileNumbers()
{
    static const std::vector<int> numbers = {5, 12, 70, 81};
    return numbers;
}

std::vector<uint8_t> MakeSampleImage(int n)
{
    Dice d(static_cast<uint32_t>(n) + 1);
    std::vector<uint8_t> image(OrbImageSize);
    // Noise first: the tables overwrite their own columns, the rest keeps these bytes.
    for (auto& b : image)
        b = static_cast<uint8_t>(d.next() | 1);
    // The tables go over the noise: every entry's fields cleared, then the used entries made.
    OrbData orb;
    UnpackImage(image.data(), orb);
    for (int n = 1; n <= UnitCount; ++n)
        orb.setUnit(n, UnitRecord{});
    for (int n = 1; n <= WeaponCount; ++n)
        orb.setWeapon(n, WeaponRecord{});
    for (int n = 1; n <= FormationCount; ++n)
        orb.setFormation(n, FormationRecord{});
    int units = d.range(120, 200);
    int weapons = d.range(80, 160);
    int formations = d.range(60, 150);
    makeWeapons(orb, d, weapons);
    makeUnits(orb, n, d, units, weapons);
    makeFormations(orb, n, d, formations, units);
    PackImage(orb, image.data());
    return image;
}
