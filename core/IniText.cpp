#include "core/IniText.h"

#include <cctype>
#include <cstring>
#include <map>

namespace {
// The reader's limits, kept from the settings library earlier Linux builds read with, so that a
// settings file reads as it did there: a line of up to 199 bytes (the rest of a longer line is read
// as a line of its own), names of sections and continued keys kept to 49 bytes.
constexpr std::size_t LineBytes = 199, NameBytes = 49;

bool space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string trimmed(const std::string& s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && space(s[a]))
        ++a;
    while (b > a && space(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

// Where s first holds one of chars, or an inline comment (';' after a space); s.size() for none.
std::size_t charsOrComment(const std::string& s, std::size_t from, const char* chars)
{
    bool wasSpace = false;
    for (std::size_t i = from; i < s.size(); ++i) {
        if ((chars && std::strchr(chars, s[i])) || (wasSpace && s[i] == ';'))
            return i;
        wasSpace = space(s[i]);
    }
    return s.size();
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

std::string IniValue(const std::string& whole, const std::string& section, const std::string& key,
                     const std::string& fallback)
{
    const std::string text = whole.substr(0, whole.find('\0'));
    std::map<std::string, std::string> values;
    auto store = [&values](const std::string& sec, const std::string& name, const std::string& value) {
        std::string& v = values[lower(sec) + "=" + lower(name)];
        if (!v.empty())
            v += "\n";
        v += value;
    };
    std::string current, previous;
    std::size_t at = 0;
    for (int lineNumber = 1; at < text.size(); ++lineNumber) {
        std::size_t end = at;
        while (end < text.size() && end - at < LineBytes && text[end] != '\n')
            ++end;
        if (end < text.size() && text[end] == '\n' && end - at < LineBytes)
            ++end;  // the line break belongs to the line
        std::string line = text.substr(at, end - at);
        at = end;
        std::size_t skip = lineNumber == 1 && line.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
        const std::string rest = line.substr(skip);
        const std::string start = trimmed(rest);
        const bool indented = skip > 0 || (!start.empty() && space(rest[0]));
        if (start.empty() || start[0] == ';' || start[0] == '#')
            continue;
        if (!previous.empty() && indented) {
            store(current, previous, start);  // a continued line keeps its inline comment
        } else if (start[0] == '[') {
            const std::size_t close = charsOrComment(start, 1, "]");
            if (close < start.size() && start[close] == ']') {
                current = start.substr(1, close - 1).substr(0, NameBytes);
                previous.clear();
            }
        } else {
            const std::size_t sep = charsOrComment(start, 0, "=:");
            if (sep < start.size() && (start[sep] == '=' || start[sep] == ':')) {
                const std::string name = trimmed(start.substr(0, sep));
                std::string value = start.substr(sep + 1);
                value = trimmed(value.substr(0, charsOrComment(value, 0, nullptr)));
                previous = name.substr(0, NameBytes);
                store(current, name, value);
            }
        }
    }
    const auto found = values.find(lower(section) + "=" + lower(key));
    return found == values.end() ? fallback : found->second;
}
