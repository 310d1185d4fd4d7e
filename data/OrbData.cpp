// Records put together from the columns, and the image copied whole between the tables and a file's.
#include "data/Fields.h"
#include "data/ORBIO.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "16-bit fields are copied as the image stores them, low byte first");

// A stretch of bytes laid out the same way in every entry of the columns and in the record: a
// lone field, or neighbouring fields such as the four weapons or the fourteen armour values, which
// then copy as one piece instead of byte by byte.
struct Run {
    std::size_t column;  // entry 1's first byte in the columns
    std::size_t stride;  // bytes from one entry to the next
    std::size_t record;  // first byte within the record
    std::size_t length;
};

template <class R>
struct Layout {
    std::vector<Run> runs;
    std::vector<const FieldDef<R>*> names;
};

template <class R>
Layout<R> layoutOf(const std::vector<FieldDef<R>>& fields)
{
    static const R probe{};
    const auto* origin = reinterpret_cast<const uint8_t*>(&probe);
    Layout<R> layout;
    for (const auto& f : fields) {
        if (f.width == FieldWidth::Text) {
            layout.names.push_back(&f);
            continue;
        }
        const uint8_t* member = f.width == FieldWidth::U8 ? &(probe.*f.u8)
                                                          : reinterpret_cast<const uint8_t*>(&(probe.*f.u16));
        const Run field{static_cast<std::size_t>(f.at(1)), static_cast<std::size_t>(f.stride),
                        static_cast<std::size_t>(member - origin), f.width == FieldWidth::U8 ? 1u : 2u};
        Run* last = layout.runs.empty() ? nullptr : &layout.runs.back();
        if (last && last->stride == field.stride && last->column + last->length == field.column &&
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

}  // namespace

template <class R>
const R OrbData::get(int n) const
{
    R r;
    auto* record = reinterpret_cast<uint8_t*>(&r);
    const std::size_t entry = static_cast<std::size_t>(n - 1);
    for (const Run& run : layout<R>().runs)
        std::memcpy(record + run.record, bytes_.data() + run.column + entry * run.stride, run.length);
    for (const FieldDef<R>* f : layout<R>().names)
        // The name ends at the first zero byte; anything after it is ignored.
        r.*(f->text) = std::string_view(reinterpret_cast<const char*>(bytes_.data() + f->at(n)), NameLength);
    return r;
}

template <class R>
void OrbData::set(int n, const R& r)
{
    const auto* record = reinterpret_cast<const uint8_t*>(&r);
    const std::size_t entry = static_cast<std::size_t>(n - 1);
    for (const Run& run : layout<R>().runs)
        std::memcpy(bytes_.data() + run.column + entry * run.stride, record + run.record, run.length);
    for (const FieldDef<R>* f : layout<R>().names)
        std::memcpy(bytes_.data() + f->at(n), (r.*(f->text)).data(), NameLength);  // zero-padded
}

template <class R>
std::string_view OrbData::name(int n) const
{
    const FieldDef<R>* f = layout<R>().names.front();
    const char* p = reinterpret_cast<const char*>(bytes_.data() + f->at(n));
    const void* end = std::memchr(p, 0, NameLength);
    return {p, end ? static_cast<std::size_t>(static_cast<const char*>(end) - p) : NameLength};
}

template const UnitRecord OrbData::get(int) const;
template const WeaponRecord OrbData::get(int) const;
template const FormationRecord OrbData::get(int) const;
template void OrbData::set(int, const UnitRecord&);
template void OrbData::set(int, const WeaponRecord&);
template void OrbData::set(int, const FormationRecord&);
template std::string_view OrbData::name<UnitRecord>(int) const;
template std::string_view OrbData::name<WeaponRecord>(int) const;
template std::string_view OrbData::name<FormationRecord>(int) const;

namespace {
void checkImageSize(const std::vector<uint8_t>& image)
{
    if (image.size() != OrbImageSize)
        throw std::length_error("a data file's image holds 44500 bytes");
}
}  // namespace

OrbData::OrbData(std::vector<uint8_t>&& image) : bytes_((checkImageSize(image), std::move(image))) {}

void OrbData::swapImage(std::vector<uint8_t>& image)
{
    checkImageSize(image);
    bytes_.swap(image);
}

void UnpackImage(const uint8_t* image, OrbData& orb)
{
    std::memcpy(orb.bytes(), image, OrbImageSize);
}

namespace {
// Zeroes a name's bytes from its first zero byte on. Names are many and short, so the fifteen
// bytes are taken as two overlapping eight-byte words (bytes 0-7 and 7-14), not byte by byte.
void clearAfterEnd(uint8_t* name)
{
    static_assert(NameLength == 15, "two words of eight bytes cover a name");
    constexpr uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
    // The index of a word's first zero byte, 8 when it has none. The lowest byte the bit trick
    // flags is always a zero byte; flags above it may be false, and are not used.
    auto firstZero = [](uint64_t w) {
        const uint64_t flags = (w - ones) & ~w & highs;
        return flags ? __builtin_ctzll(flags) / 8 : 8;
    };
    // A word's first count bytes kept, the rest zero.
    auto keep = [](int count) { return count >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * count)) - 1; };
    uint64_t low, high;
    std::memcpy(&low, name, 8);
    std::memcpy(&high, name + 7, 8);
    int end = firstZero(low);
    if (end == 8)
        end = 7 + firstZero(high);  // byte 7 is not zero: the first zero, or 15 for none
    if (end == NameLength)
        return;
    low &= keep(end);
    high &= end > 7 ? keep(end - 7) : 0;
    std::memcpy(name, &low, 8);
    std::memcpy(name + 7, &high, 8);
}

// A name is written as its characters followed by zeros: whatever a file held after a name's
// first zero byte is not written back.
template <class R>
void clearAfterNameEnds(uint8_t* image)
{
    for (const FieldDef<R>* f : layout<R>().names)
        for (int n = 1; n <= CountOf<R>; ++n)
            clearAfterEnd(image + f->at(n));
}
}  // namespace

void PackImage(const OrbData& orb, uint8_t* image)
{
    std::memcpy(image, orb.bytes(), OrbImageSize);
    clearAfterNameEnds<UnitRecord>(image);
    clearAfterNameEnds<WeaponRecord>(image);
    clearAfterNameEnds<FormationRecord>(image);
}
