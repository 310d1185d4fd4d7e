#include "core/TextDecode.h"

#include <cstdint>

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

std::string fromUtf16(const std::string& bytes, bool bigEndian)
{
    std::string out;
    auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    std::size_t i = 2;
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
    if (bytes.compare(0, 3, "\xef\xbb\xbf") == 0 && IsUtf8(bytes.substr(3)))
        return {bytes.substr(3), ""};
    if (bytes.compare(0, 2, "\xff\xfe") == 0)
        return {fromUtf16(bytes, false), "UTF-16LE"};
    if (bytes.compare(0, 2, "\xfe\xff") == 0)
        return {fromUtf16(bytes, true), "UTF-16BE"};
    if (IsUtf8(bytes))
        return {bytes, ""};
    DecodedText d{{}, "Windows-1252"};
    d.utf8.reserve(bytes.size() + bytes.size() / 4);
    for (unsigned char c : bytes)
        putUtf8(d.utf8, c >= 0x80 && c < 0xa0 ? kHigh1252[c - 0x80] : c);
    return d;
}
