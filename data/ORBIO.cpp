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
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "16-bit fields are copied as the image stores them, low byte first");

// A stretch of bytes laid out the same way in every entry of the image and in the record: a lone
// field, or neighbouring fields such as the four weapons or the fourteen armour values, which
// then copy as one piece instead of byte by byte.
struct Run {
    std::size_t image;   // entry 1's first byte in the image
    std::size_t stride;  // image bytes from one entry to the next
    std::size_t record;  // first byte within the record
    std::size_t length;
};

struct NameColumn {
    std::size_t image, stride;
};

template <class R>
struct Layout {
    std::vector<Run> runs;
    std::vector<std::pair<NameColumn, OrbName R::*>> names;
};

template <class R>
Layout<R> layoutOf(const std::vector<FieldDef<R>>& fields)
{
    static const R probe{};
    const auto* origin = reinterpret_cast<const uint8_t*>(&probe);
    Layout<R> layout;
    for (const auto& f : fields) {
        const auto image = static_cast<std::size_t>(f.at(1)), stride = static_cast<std::size_t>(f.stride);
        if (f.width == FieldWidth::Text) {
            layout.names.push_back({{image, stride}, f.text});
            continue;
        }
        const uint8_t* member = f.width == FieldWidth::U8 ? &(probe.*f.u8)
                                                          : reinterpret_cast<const uint8_t*>(&(probe.*f.u16));
        const Run field{image, stride, static_cast<std::size_t>(member - origin), f.width == FieldWidth::U8 ? 1u : 2u};
        Run* last = layout.runs.empty() ? nullptr : &layout.runs.back();
        if (last && last->stride == stride && last->image + last->length == image &&
            last->record + last->length == field.record)
            last->length += field.length;
        else
            layout.runs.push_back(field);
    }
    return layout;
}

template <class R>
const Layout<R>& layout()
{
    static const Layout<R> l = layoutOf(FieldsOf<R>());
    return l;
}

template <std::size_t N>
void copyColumn(const uint8_t* from, std::size_t fromStep, uint8_t* to, std::size_t toStep, std::size_t count)
{
    for (; count; --count, from += fromStep, to += toStep)
        std::memcpy(to, from, N);
}

// Copies count pieces of length bytes. The lengths the tables have get a loop of their own, so
// that each piece moves in a move or two rather than through a call.
void copyColumn(std::size_t length, const uint8_t* from, std::size_t fromStep, uint8_t* to, std::size_t toStep,
                std::size_t count)
{
    switch (length) {
    case 1: return copyColumn<1>(from, fromStep, to, toStep, count);
    case 2: return copyColumn<2>(from, fromStep, to, toStep, count);
    case 4: return copyColumn<4>(from, fromStep, to, toStep, count);
    case 7: return copyColumn<7>(from, fromStep, to, toStep, count);
    case 8: return copyColumn<8>(from, fromStep, to, toStep, count);
    case 10: return copyColumn<10>(from, fromStep, to, toStep, count);
    case 14: return copyColumn<14>(from, fromStep, to, toStep, count);
    case 20: return copyColumn<20>(from, fromStep, to, toStep, count);
    default:
        for (; count; --count, from += fromStep, to += toStep)
            std::memcpy(to, from, length);
    }
}

template <class R, std::size_t N>
void unpackTable(const uint8_t* image, std::array<R, N>& table)
{
    auto* records = reinterpret_cast<uint8_t*>(table.data());
    for (const Run& run : layout<R>().runs)
        copyColumn(run.length, image + run.image, run.stride, records + run.record, sizeof(R), N);
    for (const auto& [column, member] : layout<R>().names) {
        const uint8_t* p = image + column.image;
        for (R& r : table) {
            // The name ends at the first zero byte; anything after it is ignored.
            r.*member = std::string_view(reinterpret_cast<const char*>(p), NameLength);
            p += column.stride;
        }
    }
}

template <class R, std::size_t N>
void packTable(const std::array<R, N>& table, uint8_t* image)
{
    const auto* records = reinterpret_cast<const uint8_t*>(table.data());
    for (const Run& run : layout<R>().runs)
        copyColumn(run.length, records + run.record, sizeof(R), image + run.image, run.stride, N);
    for (const auto& [column, member] : layout<R>().names) {
        uint8_t* p = image + column.image;
        for (const R& r : table) {
            std::memcpy(p, (r.*member).data(), NameLength);  // zero-padded, as the file holds it
            p += column.stride;
        }
    }
}

}  // namespace

// The working bytes of the 16-bit fields are the file bytes they were assembled from.
void UnpackUnits(const uint8_t* image, OrbData& orb)
{
    unpackTable(image, orb.Units);
    for (auto& u : orb.Units) {
        u.IconBytes[0] = static_cast<uint8_t>(u.Icon & 0xff);
        u.IconBytes[1] = static_cast<uint8_t>(u.Icon >> 8);
        u.LBMBytes[0] = static_cast<uint8_t>(u.LBM & 0xff);
        u.LBMBytes[1] = static_cast<uint8_t>(u.LBM >> 8);
    }
}

void UnpackWeapons(const uint8_t* image, OrbData& orb)
{
    unpackTable(image, orb.Weapons);
}

void UnpackFormations(const uint8_t* image, OrbData& orb)
{
    unpackTable(image, orb.Formations);
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
    packTable(orb.Weapons, image);
    packTable(orb.Units, image);
    packTable(orb.Formations, image);
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
