#include "core/Latin1.h"

#include <algorithm>

std::string Latin1ToUtf8(const std::string& latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

Latin1Result Utf8ToLatin1(const std::string& utf8)
{
    Latin1Result r;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::size_t len = c < 0x80 ? 1 : (c & 0xe0) == 0xc0 ? 2 : (c & 0xf0) == 0xe0 ? 3 : (c & 0xf8) == 0xf0 ? 4 : 0;
        bool wellFormed = len > 0 && i + len <= utf8.size();
        for (std::size_t k = 1; wellFormed && k < len; ++k)
            wellFormed = (static_cast<unsigned char>(utf8[i + k]) & 0xc0) == 0x80;
        if (!wellFormed) {
            r.refused = "byte " + std::to_string(c) + " (not UTF-8)";
            return r;
        }
        if (len == 1) {
            r.text += static_cast<char>(c);
        } else if (len == 2 && c <= 0xc3) {
            unsigned code = ((c & 0x1fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3fu);
            if (code < 0x80) {  // an overlong form of an ASCII character
                r.refused = utf8.substr(i, len);
                return r;
            }
            r.text += static_cast<char>(code);
        } else {
            r.refused = utf8.substr(i, len);
            return r;
        }
        i += len;
    }
    r.ok = true;
    return r;
}

bool HasControlCharacter(const std::string& latin1)
{
    return std::any_of(latin1.begin(), latin1.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 32 || (b >= 127 && b < 160);
    });
}

std::string ControlCharacterProblem(const std::string& latin1)
{
    if (!HasControlCharacter(latin1))
        return {};
    const char first = *std::find_if(latin1.begin(), latin1.end(), [](char c) { return HasControlCharacter({c}); });
    return "a name cannot hold control characters (line ends, tabs, U+007F to U+009F): it holds " +
           EscapeControls(Latin1ToUtf8({first}));
}

std::string EscapeControls(const std::string& utf8)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        // A C1 control is 0xc2 and 0x80 to 0x9f in UTF-8: written as its one Latin-1 byte.
        const bool c1 = c == 0xc2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(utf8[i + 1]) < 0xa0;
        if (c1)
            c = static_cast<unsigned char>(utf8[++i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 32 || c == 127 || c1) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
