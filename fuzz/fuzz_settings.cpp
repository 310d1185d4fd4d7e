// A settings file of any bytes, read as the window reads it, and its DefaultDir resolved. With LF
// or CRLF line ends the folder is the same; a relative value gives an absolute, clean folder that
// resolves to itself; an empty one stays empty. The reader of the Windows build, which has no
// settings library, reads every value as the library does.
#include "FuzzCommon.h"

#include "core/IniText.h"
#include "core/Settings.h"

#include <INIReader.h>

#include <filesystem>

namespace {
std::string defaultDirOf(const std::string& text)
{
    INIReader settings(text.data(), text.size());
    return ResolveDefaultDir(settings.ParseError() < 0 ? std::string() : settings.Get("Orbtool", "DefaultDir", ""),
                             "/opt/orbtool/Orbtool.ini");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::string lf, crlf;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            continue;
        lf += c;
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    const std::string dir = defaultDirOf(lf);
    Require(defaultDirOf(crlf) == dir, "CRLF line ends read as LF ones");

    INIReader settings(lf.data(), lf.size());
    const std::string value = settings.Get("Orbtool", "DefaultDir", "");
    for (const std::string& text : {lf, crlf, std::string(reinterpret_cast<const char*>(data), size)}) {
        INIReader library(text.data(), text.size());
        Require(IniValue(text, "Orbtool", "DefaultDir", "-") == library.Get("Orbtool", "DefaultDir", "-") &&
                    IniValue(text, "", "a", "-") == library.Get("", "a", "-") &&
                    IniValue(text, "s", "k", "-") == library.Get("s", "k", "-"),
                "the Windows build's reader reads as the library does");
    }
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
