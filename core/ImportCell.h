// The strict storing of one cell of text, shared by import and the table view's paste.
#pragma once

#include "core/Latin1.h"

#include <algorithm>
#include <string>

template <class R>
std::string StoreStrictly(const FieldDef<R>& f, R& record, const std::string& text)
{
    const std::string field = std::string(f.name) + ": ";
    if (f.width == FieldWidth::Text) {
        Latin1Result name = Utf8ToLatin1(text);
        if (!name.ok)
            return field + "'" + name.refused + "' cannot be stored in a name (Latin-1 only)";
        if (name.text.size() > static_cast<std::size_t>(NameLength))
            return field + "a name holds at most 15 characters";
        if (name.text.find('\0') != std::string::npos)
            return field + "a name cannot hold a zero character";
        // A name the file holds may be repeated as it is, whatever bytes it has.
        if (OrbName(name.text) != record.*f.text && HasControlCharacter(name.text))
            return field + ControlCharacterProblem(name.text);
        record.*f.text = name.text;
        return {};
    }
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits && text.size() > 1 && text[0] == '-' && text.find_first_not_of("0123456789", 1) == std::string::npos)
        return field + "'" + text + "' is a negative number, and no field holds one";  // -0 as much as -1
    if (!digits)
        return field + "'" + text + "' is not a plain decimal number";
    // However many digits: any more than nine are above every bound.
    const std::string significant = text.substr(std::min(text.find_first_not_of('0'), text.size() - 1));
    const bool huge = significant.size() > 9;
    const uint32_t value = huge ? 0 : static_cast<uint32_t>(std::stoul(significant));
    if (!f.editable())
        return !huge && value == f.number(record)
                   ? std::string()
                   : field.substr(0, field.size() - 2) + " is edited by no page: it may only repeat the stored " +
                         std::to_string(f.number(record));
    // A stored value above what a commit stores may be repeated unchanged, as the editor keeps it.
    if (huge || (value > StoredMaximum(f) && value != f.number(record)))
        return field + text + " is above " + std::to_string(StoredMaximum(f));
    f.setNumber(record, value);
    return {};
}
