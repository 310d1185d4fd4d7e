#include "exchange/WorkbookText.h"

#include <string_view>

namespace {
// The character an escape at text[at] stands for ("_x0041_": 0x41), or -1 where none begins there.
long escapeAt(const std::string& text, std::size_t at)
{
    if (text.compare(at, 2, "_x") != 0 || at + 7 > text.size() || text[at + 6] != '_')
        return -1;
    long value = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

void appendUtf8(std::string& out, long c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
}  // namespace

std::string DecodeEscapes(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const long c = escapeAt(text, i);
        if (c < 0 || (c >= 0xD800 && c <= 0xDFFF)) {  // half of a character is none: left as written
            out += text[i++];
            continue;
        }
        appendUtf8(out, c);
        i += 7;
    }
    return out;
}

std::string EscapeLookAlikes(const std::string& text)
{
    // The look-alike's x is written as an escape of its own. The format's way, _x005F_ for the
    // underscore, does not survive openpyxl, which drops every "x005F_" it reads, so that "x005F_"
    // in a name is written the same way. Both read back as written wherever escapes are read.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool lookAlike = i > 0 && escapeAt(text, i - 1) >= 0;
        if (text[i] == 'x' && (lookAlike || text.compare(i, 6, "x005F_") == 0))
            out += "_x0078_";
        else
            out += text[i];
    }
    return out;
}

bool IsDateFormat(int id, const std::string& code)
{
    if (code.empty())
        return (id >= 14 && id <= 22) || (id >= 45 && id <= 47);
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            i = code.find('"', i + 1);  // shown as it is
            if (i == std::string::npos)
                return false;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;  // the next character shown, a space as wide as it, or a fill
        } else if (c == '[') {
            // [h]:mm counts hours past a day; [Red], [>100] and [$-409] say nothing of dates.
            const std::size_t end = code.find(']', i);
            if (end == std::string::npos)
                return false;
            const std::string_view inside = std::string_view(code).substr(i + 1, end - i - 1);
            if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos)
                return true;
            i = end;
        } else if (std::string_view("dmyhsDMYHS").find(c) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}
