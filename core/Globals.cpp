#include "core/Globals.h"

#include <cstdlib>

OrbData Orb;
OrbImage FileImage;
uint16_t CurrentFileNumber = 0;
uint8_t CurrentUnit = 1;
uint8_t CurrentWeapon = 1;
uint8_t CurrentFormation = 1;
uint8_t CurrentPage = pcLoad;
bool FileLoaded = false;
std::string CurrentDirectory;
std::string ProgramDirectory;
std::array<bool, 100> FileExistsTable{};

void ResetProgramState()
{
    Orb = OrbData{};
    FileImage = OrbImage{};
    CurrentFileNumber = 0;
    CurrentUnit = CurrentWeapon = CurrentFormation = 1;
    CurrentPage = pcLoad;
    FileLoaded = false;
    CurrentDirectory.clear();
    ProgramDirectory.clear();
    FileExistsTable.fill(false);
}

namespace {
template <std::size_t N>
std::string lookup(const char* const (&table)[N], unsigned code, const char* fallback)
{
    return code < N && table[code] ? table[code] : fallback;
}
}  // namespace

std::string GetWeaponClassName(uint8_t code)
{
    static const char* const names[] = {
        nullptr,
        "Small Arms (Rifles, SMGs etc)",
        "Light Infantry Support (LMGs, LAWs etc)",
        "Heavy Infantry Support (MMGs, Mortars, etc)",
        "FLAK, AA capable MG/Autocannon",
        "Tank MG,AutoCannon (CMG, BMG)",
        "Guns,Howitzers < c. 101mm",
        "Guns,Howitzers > c. 101mm",
        "Flame",
        "Howitzer (indirect capable arty)",
        "Naval Artillery",
        "Aircraft Weapon",
        "Surface to Air Missile",
        "Anti Tank Missile",
        "Aircraft Cluster Bomb, MLRS",
        "Other Cluster Munition, FASCAM etc",
        "Anti Radiation Missile",
        "Air to Surface Missile, LGB",
        "Napalm",
    };
    return lookup(names, code, "Unknown Class");
}

std::string GetMovementClassName(uint8_t code)
{
    static const char* const names[] = {"Default", nullptr, "Wheel", "A/T Wheel", "Track", nullptr, nullptr, "Ship"};
    return lookup(names, code, "UNKNOWN");
}

std::string GetNationName(uint16_t code)
{
    static const char* const modern[] = {
        "West Germany", "Egypt", "Poland", "Syria", "Israel", "Japan", "France", "United Kingdom",
        "PLO", "Jordan", "Iran", "USSR/CIS/Russia", "USA", "USMC", "China", "Australia",
        "Gulf States", "Iraq", "India", "North Korea", "South Korea", "Taiwan", "Afghan Mujhadeen",
        "North Vietnam/VC/VM", "ARVN", "Pakistan", "Afghan Govt.", "Belgium", "Netherlands", "Norway",
        "Canada", "Greece", "Turkey", "Spain", "Italy", "Denmark", "East Germany", "Czechoslovakia",
        "Hungary", "Rumania", "Libya", "Generic Green", "Generic Green 2", "Generic Red",
    };
    static const char* const ww2[] = {
        "Nazi Germany", "Finland", "Italy", "Rumania", "Hungary", "Japan", "Vichy France?", "Britain",
        "Belgium", "Netherlands", "Poland", "USSR", "USA", "USMC", "China", "Greece",
        "Norway", "Yugoslavia", "Canada", "India", "ANZAC", "France 2",
    };
    if (code < 44)
        return modern[code];
    if (code >= 70 && code <= 91)
        return ww2[code - 70];
    return "Unknown";
}

std::string GetUnitClassName(uint8_t code)
{
    static const char* const names[] = {
        "Fort", "Infantry", "Inf - AT", "Cavalry", "Machine Gun", "Mortar", "AT Gun",
        "Infantry Gun/AGL", "Flak", "Howitzer", "Naval Artillery", "Armoured Car", "Light Tank",
        "Main Battle Tank", "Heavy Tank", "Close Support Tank", "Long Range SAM", "Flame Tank",
        "Airborne AT", "SP ATGW", "Engineer", "SP Artillery", "SP Flak", "APC (Wheel)",
        "APC (Halftrack)", "APC (Track)", "Utility Vehicle", "Medium Truck", "Heavy Truck",
        "Manpack SAM", "SP SAM", "Rocket Arty", "Scout Vehicle", "Light Ambhibian",
        "Heavy Ambhibian", "Amphibian Tank", "Mine Clearing Tank", "Engineer Tank", "SP Mortar",
        "SP AT Gun", "Heavy Infantry", "Landing Barge", "Assault Boat", "LCS", "Aircraft", "Sniper",
        "LCG", "Transport Helicopter", "Barge Carrier", "Motorcycle", "Attack Helicopter",
        "Light Infantry", "AT - Wheeled", "Utility Helo - Do NOT use", "Crew", "HQ", "Ammo Carrier",
        "FO Vehicle", "Scout", "Airborne IFV", "Tank Destroyer", "Class 61", "Class 62",
        "Infantry Tank", "Cruiser Tank", "Command Tank", "Ammo Dump", "Warship", "HQ Fuel Dump",
    };
    return lookup(names, code, "Unknown Class");
}

std::string GetPurchasePageName(uint8_t code)
{
    static const char* const names[] = {"Default", "Armour", "Artillery", "Infantry", "Misc.", nullptr,
                                        nullptr,   nullptr,  nullptr,     nullptr,    "Battalion HQ."};
    return lookup(names, code, "Unknown");
}

std::string GetFormationTypeName(uint8_t code)
{
    static const char* const names[] = {nullptr, "Company/Platoon", "Battalion", nullptr, "Naval", "Bn HQ"};
    return lookup(names, code, "Unknown");
}

std::string StripNonDigits(const std::string& text)
{
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits.empty() ? "0" : digits;
}

std::string LimitNumberText(int32_t limit, const std::string& text)
{
    const std::string digits = StripNonDigits(text);
    int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 2147483647)
            throw ConversionError("'" + digits + "' is not a valid integer value");
    }
    return std::to_string(value > limit ? limit : value);
}
