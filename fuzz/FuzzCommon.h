// Shared by the fuzz targets: the generated file they work on, the CSV a dump writes, and a stop
// that says which property failed, so that a finding reads as a fault, not only as a crash.
#pragma once

#include "core/Csv.h"
#include "core/Latin1.h"
#include "core/Tables.h"
#include "tools/SampleData.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

[[noreturn]] inline void Broken(const char* property)
{
    std::fprintf(stderr, "property failed: %s\n", property);
    std::abort();
}
inline void Require(bool holds, const char* property)
{
    if (!holds)
        Broken(property);
}

// Generated file 12, built once: every run starts from a copy of it.
inline const OrbData& SampleOrb()
{
    static const OrbData orb = [] {
        auto image = MakeSampleImage(12);
        return OrbData(std::vector<uint8_t>(image.begin(), image.end()));
    }();
    return orb;
}

// Whether byte i of a file of `size` bytes lies inside a name field, after a zero byte of that
// field: a name ends there, so a save may clear what follows. Bytes past the end count as zero,
// as the reader fills them.
inline bool AfterZeroInName(const uint8_t* data, std::size_t size, std::size_t i)
{
    struct Names {
        std::size_t first, count;
    };
    static const Names names[] = {
        {static_cast<std::size_t>(FindField(WeaponFields(), "Name")->at(1)), WeaponCount},
        {static_cast<std::size_t>(FindField(UnitFields(), "Name")->at(1)), UnitCount},
        {static_cast<std::size_t>(FindField(FormationFields(), "Name")->at(1)), FormationCount},
    };
    for (const Names& n : names) {
        if (i < n.first || i >= n.first + n.count * NameLength)
            continue;
        const std::size_t start = n.first + (i - n.first) / NameLength * NameLength;
        for (std::size_t k = start; k < i; ++k)
            if (k >= size || data[k] == 0)
                return true;
    }
    return false;
}

inline bool SameImage(const OrbData& a, const OrbData& b)
{
    return std::memcmp(a.bytes(), b.bytes(), OrbImageSize) == 0;
}

// The CSV `dump --format csv` writes for the given entries of a table (all when `only` is empty).
inline std::string DumpCsv(const OrbData& orb, TableId table, const std::vector<int>& only = {})
{
    return WithTable(table, [&](const auto& fields, auto entry) {
        std::string out = "number";
        for (const auto& f : fields)
            out += std::string(",") + f.name;
        out += "\r\n";
        auto row = [&](int n) {
            const auto r = entry(orb, n);
            out += std::to_string(n);
            for (const auto& f : fields)
                out += "," + (f.width == FieldWidth::Text ? CsvCell(Latin1ToUtf8(r.*f.text)) : std::to_string(f.number(r)));
            out += "\r\n";
        };
        if (only.empty())
            for (int n = 1; n <= TableCount(table); ++n)
                row(n);
        for (int n : only)
            row(n);
        return out;
    });
}
