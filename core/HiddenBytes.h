// The bytes of an image that no value shows: those after a name's end within its field (a save
// writes them as zeros) and those no field holds. Text for them, so that a diff of two files'
// shown text, or their differences, leave no changed byte unseen.
#pragma once

#include "data/Types.h"

#include <array>
#include <string>
#include <vector>

// Lines for show: "units 017 Name after its end: 41 42 00 ..." for each name with a byte other
// than zero after its end, then "bytes 000032 no field holds: 00 .. 7f" for each row of 32 bytes
// holding such a byte other than zero ("..": a byte some field holds).
std::string HiddenBytesText(const OrbData& orb);

// A name whose field holds bytes other than zero after the name's end, as an image held it: where
// the field lies and its bytes.
struct NameTail {
    std::size_t at = 0;
    std::array<uint8_t, NameLength> bytes{};
};
std::vector<NameTail> NameTails(const OrbData& orb);
// How many of those names image (packed for a save) no longer holds as they were: a byte after
// the name's end made zero. A save writes zeros there, so that a name's field holds it alone.
std::size_t NameTailsCleared(const std::vector<NameTail>& tails, const uint8_t* image);

// Lines for diff, one for each name whose bytes after its end differ and each row of 32 bytes
// whose bytes no field holds differ: "... after its end: 41 42 -> none".
std::vector<std::string> HiddenBytesDifferences(const OrbData& a, const OrbData& b);
