#include "core/Tables.h"

#include <cctype>
#include <cstdio>

std::optional<TableId> ParseTable(const std::string& name)
{
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "units" || lower == "unit")
        return TableId::Units;
    if (lower == "weapons" || lower == "weapon")
        return TableId::Weapons;
    if (lower == "formations" || lower == "formation")
        return TableId::Formations;
    return std::nullopt;
}

const char* TableName(TableId t)
{
    return t == TableId::Units ? "units" : t == TableId::Weapons ? "weapons" : "formations";
}

bool PlainDigits(const std::string& text, std::size_t maxDigits)
{
    // Leading zeros do not count: "017" and "0017" are 17 as much as "17" is.
    if (text.empty())
        return false;
    const std::size_t first = text.find_first_not_of('0');
    if ((first == std::string::npos ? 1 : text.size() - first) > maxDigits)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string EntryNumberText(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", n);
    return buf;
}

int TableCount(TableId t)
{
    return t == TableId::Formations ? FormationCount : t == TableId::Units ? UnitCount : WeaponCount;
}
