#include "core/FileList.h"

#include "core/Globals.h"

int FileNumberOfListLine(int line)
{
    return line < 44 ? line : line + 26;
}

int ListLineOfFileNumber(int n)
{
    if (n >= 0 && n <= 43)
        return n;
    if (n >= 70 && n <= 91)
        return n - 26;
    return -1;
}

std::string OrbListLine(int n, bool exists)
{
    std::string line = exists ? "" : " ? ";
    line += n < 10 ? "Orb0" : "Orb";
    line += std::to_string(n);
    line += n < 44 ? " - MOD - " : " - WW2 - ";
    line += GetNationName(static_cast<uint16_t>(n));
    return line;
}

int FirstExistingListLine(const std::array<bool, 100>& exists)
{
    for (int line = 0; line < OrbListLineCount; ++line)
        if (exists[static_cast<std::size_t>(FileNumberOfListLine(line))])
            return line;
    return -1;
}

std::vector<std::string> OrbListLines(const std::array<bool, 100>& exists)
{
    std::vector<std::string> lines;
    if (FirstExistingListLine(exists) < 0)
        return lines;
    for (int line = 0; line < OrbListLineCount; ++line) {
        int n = FileNumberOfListLine(line);
        lines.push_back(OrbListLine(n, exists[static_cast<std::size_t>(n)]));
    }
    return lines;
}
