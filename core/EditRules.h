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
    uint32_t v = static_cast<uint32_t>(std::stoul(LimitNumberText(static_cast<int32_t>(bound), text)));
    if (width == FieldWidth::U16)
        v = std::min<uint32_t>(v, 65535);
    else if (width == FieldWidth::U8)
        v = std::min<uint32_t>(v, 255);
    return v;
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
