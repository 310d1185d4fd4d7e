#include "data/ORBIO.h"

#include "data/Fields.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

std::string OrbFileName(int n)
{
    return (n < 10 ? "ORB0" : "ORB") + std::to_string(n);
}

namespace {
// Each column is walked with its own tight loop: the kind of field is decided once per column.
template <class R, std::size_t N>
void unpackTable(const uint8_t* image, std::array<R, N>& table, const std::vector<FieldDef<R>>& fields)
{
    for (const auto& f : fields) {
        const uint8_t* p = image + f.at(1);
        const std::size_t stride = static_cast<std::size_t>(f.stride);
        switch (f.width) {
        case FieldWidth::Text:
            for (R& r : table) {
                // The name ends at the first zero byte; anything after it is ignored.
                std::size_t len = 0;
                while (len < static_cast<std::size_t>(NameLength) && p[len])
                    ++len;
                (r.*f.text).assign(reinterpret_cast<const char*>(p), len);
                p += stride;
            }
            break;
        case FieldWidth::U8: {
            auto member = f.u8;
            for (R& r : table) {
                r.*member = *p;
                p += stride;
            }
            break;
        }
        case FieldWidth::U16: {
            auto member = f.u16;
            for (R& r : table) {
                r.*member = static_cast<uint16_t>(p[0] | (p[1] << 8));
                p += stride;
            }
            break;
        }
        }
    }
}

template <class R, std::size_t N>
void packTable(const std::array<R, N>& table, uint8_t* image, const std::vector<FieldDef<R>>& fields)
{
    for (const auto& f : fields) {
        uint8_t* p = image + f.at(1);
        const std::size_t stride = static_cast<std::size_t>(f.stride);
        switch (f.width) {
        case FieldWidth::Text:
            for (const R& r : table) {
                const OrbName& name = r.*f.text;
                std::size_t len = std::min<std::size_t>(name.size(), NameLength);
                std::memcpy(p, name.data(), len);
                std::memset(p + len, 0, NameLength - len);
                p += stride;
            }
            break;
        case FieldWidth::U8: {
            auto member = f.u8;
            for (const R& r : table) {
                *p = r.*member;
                p += stride;
            }
            break;
        }
        case FieldWidth::U16: {
            auto member = f.u16;
            for (const R& r : table) {
                p[0] = static_cast<uint8_t>(r.*member & 0xff);
                p[1] = static_cast<uint8_t>(r.*member >> 8);
                p += stride;
            }
            break;
        }
        }
    }
}

}  // namespace

// The working bytes of the 16-bit fields are the file bytes they were assembled from.
void UnpackUnits(const uint8_t* image, OrbData& orb)
{
    unpackTable(image, orb.Units, UnitFields());
    for (auto& u : orb.Units) {
        u.IconBytes[0] = static_cast<uint8_t>(u.Icon & 0xff);
        u.IconBytes[1] = static_cast<uint8_t>(u.Icon >> 8);
        u.LBMBytes[0] = static_cast<uint8_t>(u.LBM & 0xff);
        u.LBMBytes[1] = static_cast<uint8_t>(u.LBM >> 8);
    }
}

void UnpackWeapons(const uint8_t* image, OrbData& orb)
{
    unpackTable(image, orb.Weapons, WeaponFields());
}

void UnpackFormations(const uint8_t* image, OrbData& orb)
{
    unpackTable(image, orb.Formations, FormationFields());
    static const auto& slot1 = *FindField(FormationFields(), "Slot1");
    for (int n = 1; n <= FormationCount; ++n)
        std::memcpy(orb.formation(n).SlotBytes, image + slot1.at(n), sizeof orb.formation(n).SlotBytes);
}

void UnpackImage(const uint8_t* image, OrbData& orb)
{
    UnpackUnits(image, orb);
    UnpackWeapons(image, orb);
    UnpackFormations(image, orb);
}

void PackImage(const OrbData& orb, uint8_t* image)
{
    packTable(orb.Weapons, image, WeaponFields());
    packTable(orb.Units, image, UnitFields());
    packTable(orb.Formations, image, FormationFields());
}

namespace {
// The number of a name of the form ORBdd (any letter case) among 0..99, or -1.
int orbNumberOf(const std::string& name)
{
    if (name.size() != 5)
        return -1;
    if (std::toupper(static_cast<unsigned char>(name[0])) != 'O' ||
        std::toupper(static_cast<unsigned char>(name[1])) != 'R' ||
        std::toupper(static_cast<unsigned char>(name[2])) != 'B')
        return -1;
    if (!std::isdigit(static_cast<unsigned char>(name[3])) || !std::isdigit(static_cast<unsigned char>(name[4])))
        return -1;
    return (name[3] - '0') * 10 + (name[4] - '0');
}

bool isRegularFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}
}  // namespace

fs::path FindOrbFile(const fs::path& dir, int n)
{
    // The usual spelling first: it spares a directory scan.
    fs::path exact = dir / OrbFileName(n);
    if (isRegularFile(exact))
        return exact;
    std::error_code ec;
    fs::path found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (orbNumberOf(p.filename().string()) == n && isRegularFile(p)) {
            // Several case variants can coexist on a case-sensitive file system: take the first by
            // name, so that the choice does not depend on the order the directory lists them in.
            if (found.empty() || p.filename() < found.filename())
                found = p;
        }
    }
    return found;
}

bool OrbFileExists(int n)
{
    std::error_code ec;
    return !FindOrbFile(fs::current_path(ec), n).empty();
}

std::array<bool, 100> ScanOrbFiles(const fs::path& dir)
{
    std::array<bool, 100> flags{};
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        int n = orbNumberOf(it->path().filename().string());
        if (n >= 0 && isRegularFile(it->path()))
            flags[static_cast<std::size_t>(n)] = true;
    }
    return flags;
}

namespace {
template <class R>
void collectPastEnd(const uint8_t* image, std::size_t end, const char* table, int count,
                    const std::vector<FieldDef<R>>& fields, std::vector<PastEndValue>& out)
{
    for (const auto& f : fields) {
        const int width = f.width == FieldWidth::Text ? NameLength : f.width == FieldWidth::U16 ? 2 : 1;
        for (int n = 1; n <= count; ++n) {
            const std::size_t first = static_cast<std::size_t>(f.at(n));
            for (std::size_t i = std::max(first, end); i < first + static_cast<std::size_t>(width); ++i)
                if (image[i]) {
                    out.push_back({table, n, f.name});
                    break;
                }
        }
    }
}
}  // namespace

std::vector<PastEndValue> ValuesPastEnd(const uint8_t* image, std::size_t bytesRead)
{
    std::vector<PastEndValue> out;
    if (bytesRead >= OrbImageSize)
        return out;
    collectPastEnd(image, bytesRead, "units", UnitCount, UnitFields(), out);
    collectPastEnd(image, bytesRead, "weapons", WeaponCount, WeaponFields(), out);
    collectPastEnd(image, bytesRead, "formations", FormationCount, FormationFields(), out);
    return out;
}

std::string DescribePastEnd(const std::vector<PastEndValue>& values)
{
    std::string text;
    for (const char* table : {"units", "weapons", "formations"}) {
        std::vector<int> entries;
        for (const PastEndValue& v : values)
            if (std::string(v.table) == table)
                entries.push_back(v.entry);
        if (entries.empty())
            continue;
        std::sort(entries.begin(), entries.end());
        entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
        text += text.empty() ? "" : "; ";
        text += table;
        // Runs of consecutive numbers as first-last.
        for (std::size_t i = 0; i < entries.size();) {
            std::size_t j = i;
            while (j + 1 < entries.size() && entries[j + 1] == entries[j] + 1)
                ++j;
            text += (i ? ", " : " ") + std::to_string(entries[i]);
            if (j > i)
                text += "-" + std::to_string(entries[j]);
            i = j + 1;
        }
    }
    return text;
}
