// Mods as text: a patch holds the fields one file changes from another, each with its value in
// both, and applies onto any file that still holds the old values. `show` text is every field of
// a file in the same form, for diffs of whole files.
#pragma once

#include "core/Tables.h"
#include "data/Types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The first line of every patch: the format and its version.
inline constexpr const char* PatchHeader = "orbtool-patch 1";

// A stored value: a number, or a name's bytes.
struct FieldValue {
    bool isName = false;
    uint32_t number = 0;
    std::string name;
    bool operator==(const FieldValue& o) const { return isName == o.isName && number == o.number && name == o.name; }
    bool operator!=(const FieldValue& o) const { return !(*this == o); }
};

// One line of a patch: field `field` of entry `entry` goes from `before` to `after`.
struct PatchLine {
    TableId table = TableId::Units;
    int entry = 0;
    std::string field;  // as the field table spells it
    FieldValue before, after;
    int line = 0;  // in the patch's text, from 1
};

struct Patch {
    std::string source;  // where it was read from, for messages
    std::vector<PatchLine> lines;
};

// A name as a patch and `show` write it: in quotes, with `"`, `\` and bytes that have no printable
// form (below 32, 127 to 159) escaped as \" \\ \xNN; other bytes as their Latin-1 characters in
// UTF-8.
std::string QuotedName(std::string_view bytes);
// A value as a patch writes it.
std::string ValueText(const FieldValue& v);

// The patch that turns stock into modded: every field that differs, by table, entry and field.
// A field past either file's end (the lengths: how many bytes of the image each holds) is no
// change the mod made, only a value the file lacks: it is left out, and counted in leftOut.
std::string PatchText(const OrbData& stock, const OrbData& modded, std::size_t stockLength = OrbImageSize,
                      std::size_t moddedLength = OrbImageSize, std::size_t* leftOut = nullptr);
// Every field of every entry, one line each ("units 017 Cost 120").
std::string ShowText(const OrbData& orb);

struct PatchRead {
    Patch patch;
    std::vector<std::string> errors;  // "mod.patch:3: ...", empty when the text was read
    std::string readAs;               // the encoding, when the text was not UTF-8 (DecodeText)
    std::string note;                 // what the user is told of it (DecodeNote), or ""
};
// Reads a patch strictly: the header, then lines of known tables, entries and fields with values
// in their field's range. `#` starts a comment outside quotes; CRLF line ends are read too. As a
// text editor may save it: in UTF-8 with a byte order mark, UTF-16 or Windows-1252, with blank
// and comment lines before the header and spaces around it.
PatchRead ReadPatch(const std::string& bytes, const std::string& source);

struct PatchApplied {
    // "units 017 Cost: the patch changes 122 -> 99, the file holds 130"; when any, orb is unchanged.
    std::vector<std::string> conflicts;
    std::vector<std::string> changes;  // the lines that changed a value, as in the patch
    // Lines no file could take: a new value above what a Commit stores in its field, a field past
    // a short file's end. When any, orb is unchanged.
    std::vector<std::string> refused;
};
// Applies patches in order, all or nothing: a line applies where the field holds its old value,
// is already done where it holds the new one, and conflicts otherwise. length is how many bytes
// of the image the file holds.
PatchApplied ApplyPatches(OrbData& orb, const std::vector<Patch>& patches, std::size_t length = OrbImageSize);
