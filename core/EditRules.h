// How the text of an edit becomes a stored value, shared by every page's commit, the copy into
// the transfer buffers and the command-line tool, so that all of them store the same value.
#pragma once

#include "core/Globals.h"
#include "data/Fields.h"

#include <algorithm>
#include <string>

// A name from edit text (one byte per character): its first 15 bytes. A name can never hold a
// zero byte (it would end the name in the file), so any that slipped in are dropped.
inline OrbName NameFromText(const std::string& text)
{
    std::string kept;
    for (char c : text)
        if (c != '\0' && kept.size() < static_cast<std::size_t>(NameLength))
            kept += c;
    return OrbName(kept);
}

// A number from edit text: digits only, empty text 0, capped at bound. A 16-bit field then caps
// the result at 65535, so a typed Icon or LBM from 65536 to 99999 stores 65535 rather than
// wrapping round to a small, unrelated number.
inline uint32_t NumberFromText(uint32_t bound, FieldWidth width, const std::string& text)
{
    // Any run of digits longer than a bound's is above it, however long: capped, never refused.
    std::string digits = StripNonDigits(text);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    uint32_t v = digits.size() > 9 ? bound
                                   : static_cast<uint32_t>(std::stoul(LimitNumberText(static_cast<int32_t>(bound), digits)));
    if (width == FieldWidth::U16)
        v = std::min<uint32_t>(v, 65535);
    else if (width == FieldWidth::U8)
        v = std::min<uint32_t>(v, 255);
    return v;
}

// Whether a stored value, as text, repeats what was typed: the same text, or for a number the same
// digits with leading zeros or none at all (empty text is 0).
inline bool StoredAsTyped(FieldWidth width, const std::string& typed, const std::string& stored)
{
    if (typed == stored)
        return true;
    if (width == FieldWidth::Text || typed.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const std::size_t first = typed.find_first_not_of('0');
    return stored == (first == std::string::npos ? std::string("0") : typed.substr(first));
}

// What the user is told of a value stored otherwise than typed: "Cost: '1e3' stored as 13", a
// stored name in quotes too. Both texts in the caller's encoding.
inline std::string StoredNote(const char* field, FieldWidth width, const std::string& typed, const std::string& stored)
{
    return std::string(field) + ": '" + typed + "' stored as " + (width == FieldWidth::Text ? "'" + stored + "'" : stored);
}

// Stores edit text into field f of r as a commit does.
template <class R>
void StoreFieldText(R& r, const FieldDef<R>& f, const std::string& text)
{
    if (f.width == FieldWidth::Text)
        r.*f.text = NameFromText(text);
    else
        f.setNumber(r, NumberFromText(f.bound, f.width, text));
}

// The text an edit shows for field f of r: the name's bytes, or the number in decimal.
template <class R>
std::string FieldText(const R& r, const FieldDef<R>& f)
{
    return f.width == FieldWidth::Text ? r.*f.text : std::to_string(f.number(r));
}
