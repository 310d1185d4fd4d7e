// Program-wide data (the loaded tables, the file image and the editor's state values),
// the tables that name every numeric code, and the lenient reading of numbers from edit text.
#pragma once

#include "core/OrbFile.h"
#include "data/ORBIO.h"
#include "data/Types.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

// ---- Program-wide state: one of each for the whole run ----
extern OrbData Orb;
// What the last load read: bytesRead is the count it placed in Orb, source and tailSize where a
// long file's tail lies. Its bytes are what the last save wrote; the loaded bytes are in Orb.
extern OrbImage FileImage;
extern uint16_t CurrentFileNumber;
extern uint8_t CurrentUnit;
extern uint8_t CurrentWeapon;
extern uint8_t CurrentFormation;
extern uint8_t CurrentPage;  // 1 Weapons, 2 Units, 3 Formations, 4 Load
extern bool FileLoaded;
extern std::string CurrentDirectory;
extern std::string ProgramDirectory;
extern std::array<bool, 100> FileExistsTable;

enum PageCode : uint8_t { pcWeapons = 1, pcUnits = 2, pcFormations = 3, pcLoad = 4 };

// Puts every state value back to its start-up value (a fresh run; tests use it between cases).
void ResetProgramState();

// ---- Code names ----
std::string GetWeaponClassName(uint8_t code);
std::string GetMovementClassName(uint8_t code);
std::string GetNationName(uint16_t code);
std::string GetUnitClassName(uint8_t code);
std::string GetPurchasePageName(uint8_t code);
std::string GetFormationTypeName(uint8_t code);

// ---- Numbers from edit text ----
// The error a digit string too large for a signed 32-bit number raises.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The decimal digits of text in order; "0" when there are none.
std::string StripNonDigits(const std::string& text);
// The digits of text as a number, capped at limit, as decimal text. Throws ConversionError
// ("'%s' is not a valid integer value") when the digits exceed 2147483647.
std::string LimitNumberText(int32_t limit, const std::string& text);
