// One table per record type: every field that has a column in the data file, in declaration
// order, with where its bytes stand and the largest value an edit may store in it.
// The reader, the writer, the command-line tool and the editor pages all walk these tables.
#pragma once

#include "data/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FieldWidth { Text, U8, U16 };

template <class R>
struct FieldDef {
    const char* name;
    FieldWidth width;
    OrbName R::*text;
    uint8_t R::*u8;
    uint16_t R::*u16;
    int base;    // column base offset in the image
    int stride;  // bytes per entry in that column
    int offset;  // first byte of this field within the entry
    // Largest value an edit stores (for names: the character count); 0 for a field no page edits.
    uint32_t bound;

    // File offset of the first byte of entry n's value.
    int at(int n) const { return base + n * stride + offset; }
    // How many bytes one value takes.
    int size() const { return width == FieldWidth::Text ? NameLength : width == FieldWidth::U16 ? 2 : 1; }
    // Whether entry n's value does not lie wholly within a file's first `length` bytes.
    bool pastEnd(int n, std::size_t length) const { return static_cast<std::size_t>(at(n) + size()) > length; }
    bool editable() const { return bound != 0; }
    uint32_t number(const R& r) const
    {
        return width == FieldWidth::U16 ? r.*u16 : width == FieldWidth::U8 ? r.*u8 : 0u;
    }
    // Stores v in the field, keeping only as many low bits as the field holds.
    void setNumber(R& r, uint32_t v) const
    {
        if (width == FieldWidth::U16)
            r.*u16 = static_cast<uint16_t>(v);
        else if (width == FieldWidth::U8)
            r.*u8 = static_cast<uint8_t>(v);
    }
};

const std::vector<FieldDef<UnitRecord>>& UnitFields();
const std::vector<FieldDef<WeaponRecord>>& WeaponFields();
const std::vector<FieldDef<FormationRecord>>& FormationFields();

// The table of a record type, for code written once for all three.
template <class R>
const std::vector<FieldDef<R>>& FieldsOf();
template <>
inline const std::vector<FieldDef<UnitRecord>>& FieldsOf<UnitRecord>() { return UnitFields(); }
template <>
inline const std::vector<FieldDef<WeaponRecord>>& FieldsOf<WeaponRecord>() { return WeaponFields(); }
template <>
inline const std::vector<FieldDef<FormationRecord>>& FieldsOf<FormationRecord>() { return FormationFields(); }

// Whether two names are the same but for the letter case of A to Z.
bool SameNameIgnoringCase(const std::string& a, const char* b);

// Looks a field up by its name, ignoring letter case; nullptr when there is none.
template <class R>
const FieldDef<R>* FindField(const std::vector<FieldDef<R>>& fields, const std::string& name);

// Names of scratch bytes (the two bytes of a 16-bit value as the format describes them) and the
// weapons' spare byte: they have no column of their own and no control, and are never shown, set
// or dumped.
bool IsWorkingField(const std::string& name);
