#include "core/HiddenBytes.h"

#include "core/Merge.h"
#include "core/Tables.h"

#include <algorithm>

namespace {
constexpr std::size_t kRow = 32;

std::string hex(const uint8_t* bytes, std::size_t n, const std::vector<bool>* held = nullptr, std::size_t at = 0)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        if (i)
            out += ' ';
        if (held && (*held)[at + i]) {
            out += "..";
        } else {
            out += digits[bytes[i] >> 4];
            out += digits[bytes[i] & 15];
        }
    }
    return out;
}

// The bytes of a name's field after the zero that ends the name, or none when all are zero.
template <class R>
std::string afterEnd(const OrbData& orb, const FieldDef<R>& f, int n)
{
    const uint8_t* field = orb.bytes() + f.at(n);
    const auto size = static_cast<std::size_t>(f.size());
    const std::size_t end = static_cast<std::size_t>(std::find(field, field + size, 0) - field);
    const std::size_t after = std::min(end + 1, size);  // a name of all 15 bytes has no zero to skip
    if (std::all_of(field + after, field + size, [](uint8_t b) { return b == 0; }))
        return {};
    return hex(field + after, size - after);
}

// Calls fn(label, text) for each name field of every entry.
template <class Fn>
void eachName(const OrbData& orb, Fn&& fn)
{
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
        WithTable(t, [&](const auto& fields, auto) {
            for (const auto& f : fields)
                if (f.width == FieldWidth::Text)
                    for (int n = 1; n <= TableCount(t); ++n)
                        fn(std::string(TableName(t)) + " " + EntryNumberText(n) + " " + f.name, afterEnd(orb, f, n));
        });
}

std::string offsetText(std::size_t at)
{
    std::string s = std::to_string(at);
    return std::string(s.size() < 6 ? 6 - s.size() : 0, '0') + s;
}

// The row of bytes no field holds from offset at, or none when all are zero.
std::string unheldRow(const OrbData& orb, std::size_t at)
{
    const std::vector<bool>& held = FieldBytes();
    const std::size_t n = std::min(kRow, OrbImageSize - at);
    bool any = false;
    for (std::size_t i = at; i < at + n; ++i)
        any = any || (!held[i] && orb.bytes()[i] != 0);
    return any ? hex(orb.bytes() + at, n, &held, at) : std::string();
}
}  // namespace

std::string HiddenBytesText(const OrbData& orb)
{
    std::string out;
    eachName(orb, [&](const std::string& label, const std::string& bytes) {
        if (!bytes.empty())
            out += label + " after its end: " + bytes + "\n";
    });
    for (std::size_t at = 0; at < OrbImageSize; at += kRow) {
        const std::string row = unheldRow(orb, at);
        if (!row.empty())
            out += "bytes " + offsetText(at) + " no field holds: " + row + "\n";
    }
    return out;
}

std::vector<NameTail> NameTails(const OrbData& orb)
{
    std::vector<NameTail> out;
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
        WithTable(t, [&](const auto& fields, auto) {
            for (const auto& f : fields)
                if (f.width == FieldWidth::Text)
                    for (int n = 1; n <= TableCount(t); ++n) {
                        const uint8_t* field = orb.bytes() + f.at(n);
                        const uint8_t* end = std::find(field, field + NameLength, 0);
                        if (std::any_of(end, field + NameLength, [](uint8_t b) { return b != 0; })) {
                            NameTail tail{static_cast<std::size_t>(f.at(n)), {}};
                            std::copy_n(field, NameLength, tail.bytes.begin());
                            out.push_back(tail);
                        }
                    }
        });
    return out;
}

std::size_t NameTailsCleared(const std::vector<NameTail>& tails, const uint8_t* image)
{
    std::size_t cleared = 0;
    for (const NameTail& tail : tails) {
        const auto end = static_cast<std::size_t>(std::find(tail.bytes.begin(), tail.bytes.end(), 0) - tail.bytes.begin());
        bool lost = false;
        for (std::size_t i = end; i < tail.bytes.size() && !lost; ++i)
            lost = tail.bytes[i] != 0 && image[tail.at + i] == 0;
        cleared += lost;
    }
    return cleared;
}

std::vector<std::string> HiddenBytesDifferences(const OrbData& a, const OrbData& b)
{
    std::vector<std::string> out, before;
    eachName(a, [&](const std::string&, const std::string& bytes) { before.push_back(bytes); });
    std::size_t k = 0;
    eachName(b, [&](const std::string& label, const std::string& bytes) {
        const std::string& was = before[k++];
        if (was != bytes)
            out.push_back(label + " after its end: " + (was.empty() ? "none" : was) + " -> " +
                          (bytes.empty() ? "none" : bytes));
    });
    for (std::size_t at = 0; at < OrbImageSize; at += kRow) {
        const std::string x = unheldRow(a, at), y = unheldRow(b, at);
        if (x != y)
            out.push_back("bytes " + offsetText(at) + " no field holds: " + (x.empty() ? "none" : x) + " -> " +
                          (y.empty() ? "none" : y));
    }
    return out;
}
