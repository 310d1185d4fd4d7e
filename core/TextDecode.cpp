#include "core/TextDecode.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {
void putUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

// Windows-1252 from 0x80 to 0x9f; the five bytes it leaves undefined read as the C1 controls of
// the same number, as Windows itself reads them.
const uint16_t kHigh1252[32] = {0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021,
                                0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008d, 0x017d, 0x008f,
                                0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
                                0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};

std::string fromUtf16(const std::string& bytes, bool bigEndian, std::size_t start)
{
    std::string out;
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    std::size_t i = start;
    for (; i + 1 < bytes.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xd800 && c < 0xdc00 && i + 3 < bytes.size() && unit(i + 2) >= 0xdc00 && unit(i + 2) < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (unit(i + 2) - 0xdc00);
            i += 2;
        } else if (c >= 0xd800 && c < 0xe000) {
            c = 0xfffd;  // half a pair: no character
        }
        putUtf8(out, c);
    }
    if (i < bytes.size())
        putUtf8(out, 0xfffd);  // an odd byte at the end
    return out;
}

// UTF-16 without a byte order mark, as some programs save it: the zero bytes of ASCII and Latin-1
// text stand on one side of every pair (the second in little-endian order), and on no first side.
// A data file has zeros on both. Returns 'L', 'B' or 0.
char utf16Order(const std::string& bytes)
{
    std::size_t zeros[2] = {0, 0};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        zeros[i % 2] += bytes[i] == '\0';
    const std::size_t pairs = bytes.size() / 2;
    if (zeros[0] == 0 && zeros[1] > 0 && zeros[1] * 2 >= pairs)
        return 'L';
    if (zeros[1] == 0 && zeros[0] > 0 && zeros[0] * 2 >= pairs)
        return 'B';
    return 0;
}

void put1252(std::string& out, unsigned char c)
{
    putUtf8(out, c >= 0x80 && c < 0xa0 ? kHigh1252[c - 0x80] : c);
}

// The code point at i of well-formed UTF-8, and its length.
uint32_t codeAt(const std::string& s, std::size_t i, std::size_t& len)
{
    const auto c = static_cast<unsigned char>(s[i]);
    len = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3 : 4;
    uint32_t code = len == 1 ? c : c & (0x7f >> len);
    for (std::size_t k = 1; k < len; ++k)
        code = code << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3fu);
    return code;
}
}  // namespace

bool IsUtf8(const std::string& bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3 : (c & 0xf8) == 0xf0 ? 4 : 0;
        if (len == 0 || i + len > bytes.size())
            return false;
        uint32_t code = c & (0x7f >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xc0) != 0x80)
                return false;
            code = code << 6 | (b & 0x3fu);
        }
        const uint32_t least = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
        if (code < least || code > 0x10ffff || (code >= 0xd800 && code < 0xe000))
            return false;
        i += len;
    }
    return true;
}

DecodedText DecodeText(const std::string& bytes)
{
    if (bytes.compare(0, 2, "\xff\xfe") == 0)
        return {fromUtf16(bytes, false, 2), "UTF-16LE", false, {}};
    if (bytes.compare(0, 2, "\xfe\xff") == 0)
        return {fromUtf16(bytes, true, 2), "UTF-16BE", false, {}};
    if (const char order = utf16Order(bytes))
        return {fromUtf16(bytes, order == 'B', 0), order == 'B' ? "UTF-16BE" : "UTF-16LE", true, {}};
    // A byte order mark says UTF-8 even where a line is not.
    const std::size_t start = bytes.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    if (IsUtf8(bytes.substr(start)))
        return {bytes.substr(start), "", false, {}};
    DecodedText d{{}, "Windows-1252", false, {}};
    d.utf8.reserve(bytes.size() + bytes.size() / 4);
    bool someUtf8 = false;  // a line of UTF-8 beyond ASCII: then the others are named
    int number = 1;
    for (std::size_t at = start; at < bytes.size(); ++number) {
        const std::size_t end = std::min(bytes.find('\n', at), bytes.size() - 1) + 1;
        const std::string line = bytes.substr(at, end - at);
        at = end;
        if (IsUtf8(line)) {
            someUtf8 = someUtf8 || std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
            d.utf8 += line;
            continue;
        }
        d.lines.push_back(number);
        for (unsigned char c : line)
            put1252(d.utf8, c);
    }
    if (!someUtf8)
        d.lines.clear();
    return d;
}

std::string DecodeNote(const DecodedText& text, const std::string& source)
{
    if (text.readAs.empty())
        return {};
    const std::string quoted = "'" + source + "'";
    if (text.noByteOrderMark)
        return "read " + quoted + " as " + text.readAs + ": it has no byte order mark, but its zero bytes are those of " +
               text.readAs;
    if (text.lines.empty())
        return "read " + quoted + " as " + text.readAs + (text.readAs == "Windows-1252" ? " (it is not UTF-8)" : "");
    if (text.lines.size() == 1)
        return "read line " + std::to_string(text.lines.front()) + " of " + quoted + " as Windows-1252 (it is not UTF-8)";
    // A few of the lines by number; a file of many is read as one anyway.
    constexpr std::size_t kNamed = 10;
    const std::size_t named = std::min(text.lines.size(), kNamed);
    std::string list;
    for (std::size_t i = 0; i < named; ++i)
        list += (i == 0 ? "" : i + 1 == named && named == text.lines.size() ? " and " : ", ") + std::to_string(text.lines[i]);
    if (named < text.lines.size())
        list += " and " + std::to_string(text.lines.size() - named) + " more";
    return "read lines " + list + " of " + quoted + " as Windows-1252 (they are not UTF-8)";
}

std::string MisreadUtf8(const std::string& utf8)
{
    if (!IsUtf8(utf8))
        return {};
    std::string bytes;
    for (std::size_t i = 0, len = 0; i < utf8.size(); i += len) {
        const uint32_t c = codeAt(utf8, i, len);
        if (c < 0x100) {
            bytes += static_cast<char>(c);  // the C1 controls too, as a Latin-1 reading gives them
            continue;
        }
        const uint16_t* at = std::find(std::begin(kHigh1252), std::end(kHigh1252), c);
        if (at == std::end(kHigh1252))
            return {};  // no Windows-1252 byte reads as it
        bytes += static_cast<char>(0x80 + (at - kHigh1252));
    }
    return bytes != utf8 && IsUtf8(bytes) ? bytes : std::string();
}
