// The settings file's reading rules: one reader, plain C++, for every system the editor builds for.
#pragma once

#include <string>

// The value of key in [section] of an INI text, or fallback when the key is not there. Section and
// key match in any letter case; ';' and '#' start comment lines, ';' after a space starts an inline
// comment (but not on an indented line, which continues the previous key's value, joined by a line
// break); a key given twice joins its values the same way. Reading stops at a zero byte.
std::string IniValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& fallback);
