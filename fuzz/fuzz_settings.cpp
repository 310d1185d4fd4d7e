// A settings file of any bytes, read as the window reads it, and its DefaultDir resolved. With LF
// or CRLF line ends every value is the same; reading stops at a zero byte; names match in any
// letter case; a value found does not depend on the fallback, and each of its lines is trimmed; a
// one-line value written back reads as written. A relative DefaultDir gives an absolute, clean
// folder that resolves to itself; an empty one stays empty.
#include "FuzzCommon.h"

#include "core/IniText.h"
#include "core/Settings.h"

#include <cctype>
#include <filesystem>

namespace {
bool space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Every line of a value, as the reader joins them, without spaces at either end.
bool linesTrimmed(const std::string& value)
{
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = std::min(value.find('\n', from), value.size());
        if (end > from && (space(value[from]) || space(value[end - 1])))
            return false;
        if (end == value.size())
            return true;
        from = end + 1;
    }
}

// The first line of the input made into a value a user could write on one line: no zero byte, no
// spaces at its ends, no inline comment, short enough for the line to fit.
std::string oneLineValue(const std::string& text)
{
    std::string v = text.substr(0, std::min(text.find_first_of(std::string("\n\0", 2)), std::size_t(150)));
    for (std::size_t i = 1; i < v.size(); ++i)
        if (v[i] == ';' && space(v[i - 1])) {
            v.resize(i);
            break;
        }
    while (!v.empty() && space(v.back()))
        v.pop_back();
    while (!v.empty() && space(v.front()))
        v.erase(0, 1);
    return v;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    std::string lf, crlf;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = raw[i];
        if (c == '\r' && i + 1 < size && raw[i + 1] == '\n')
            continue;
        lf += c;
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    const std::pair<const char*, const char*> names[] = {{"Orbtool", "DefaultDir"}, {"", "a"}, {"s", "k"}};
    for (const auto& [section, key] : names) {
        const std::string value = IniValue(lf, section, key, "\x01");
        Require(IniValue(crlf, section, key, "\x01") == value, "CRLF line ends read as LF ones");
        const std::string other = IniValue(lf, section, key, "\x02");
        Require(other == value || (value == "\x01" && other == "\x02"), "a value found is the same for any fallback");
        Require(value.find('\0') == std::string::npos && linesTrimmed(value), "a value's lines are trimmed");
        Require(IniValue(lf + "\n; a note\n\n", section, key, "\x01") == value, "comments and blank lines add nothing");
    }
    Require(IniValue(raw, "Orbtool", "DefaultDir", "-") == IniValue(raw.substr(0, raw.find('\0')), "Orbtool", "DefaultDir", "-"),
            "reading stops at a zero byte");
    Require(IniValue(lf, "ORBTOOL", "defaultdir", "-") == IniValue(lf, "Orbtool", "DefaultDir", "-"),
            "names match in any letter case");
    const std::string written = oneLineValue(raw);
    Require(IniValue("[Orbtool]\nDefaultDir=" + written + "\n", "Orbtool", "DefaultDir", "-") == written,
            "a one-line value reads back as written");

    const std::string value = IniValue(lf, "Orbtool", "DefaultDir", "");
    const std::string dir = ResolveDefaultDir(value, "/opt/orbtool/Orbtool.ini");
    Require(value.empty() == dir.empty(), "only an empty DefaultDir gives no folder");
    if (value.empty() || std::filesystem::u8path(value).is_absolute())
        return 0;
    const std::filesystem::path p = std::filesystem::u8path(dir);
    Require(p.is_absolute(), "a relative DefaultDir gives an absolute folder");
    for (const auto& step : p)
        Require(step != "." && step != "..", "the folder has no . or .. steps");
    Require(dir == "/" || dir.back() != '/', "the folder has no separator at its end");
    Require(ResolveDefaultDir(dir, "/elsewhere/Orbtool.ini") == dir, "the folder resolves to itself");
    return 0;
}
