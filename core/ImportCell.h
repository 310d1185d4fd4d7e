// The strict storing of one cell of text, shared by import and the table view's paste.
#pragma once

#include "core/Latin1.h"

#include <string>

template <class R>
std::string StoreStrictly(const FieldDef<R>& f, R& record, const std::string& text)
{
    if (f.width == FieldWidth::Text) {
        Latin1Result name = Utf8ToLatin1(text);
        if (!name.ok)
            return "'" + name.refused + "' cannot be stored in a name (Latin-1 only)";
        if (name.text.size() > static_cast<std::size_t>(NameLength))
            return "a name holds at most 15 characters";
        if (name.text.find('\0') != std::string::npos)
            return "a name cannot hold a zero character";
        // A name the file holds may be repeated as it is, whatever bytes it has.
        if (HasControlCharacter(name.text) && OrbName(name.text) != record.*f.text)
            return "a name cannot hold control characters (line ends, tabs)";
        record.*f.text = name.text;
        return {};
    }
    if (!PlainDigits(text, 9))
        return std::string(f.name) + ": '" + text + "' is not a plain decimal number";
    const uint32_t value = static_cast<uint32_t>(std::stoul(text));
    if (!f.editable())
        return value == f.number(record) ? std::string()
                                          : std::string(f.name) + " is edited by no page: it may only repeat the stored " +
                                                std::to_string(f.number(record));
    // A stored value above what a commit stores may be repeated unchanged, as the editor keeps it.
    if (value > StoredMaximum(f) && value != f.number(record))
        return std::string(f.name) + ": " + text + " is above " + std::to_string(StoredMaximum(f));
    f.setNumber(record, value);
    return {};
}
