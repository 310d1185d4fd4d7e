// Names are single bytes shown through Latin-1; text from outside (arguments, CSV) is UTF-8.
#pragma once

#include <string>

// The UTF-8 form of Latin-1 bytes.
std::string Latin1ToUtf8(const std::string& latin1);

struct Latin1Result {
    bool ok = false;
    std::string text;     // the Latin-1 bytes, when ok
    std::string refused;  // otherwise: the first character that has no Latin-1 byte, as UTF-8
};
// UTF-8 text as Latin-1 bytes; fails on a character above U+00FF or bytes that are not UTF-8.
Latin1Result Utf8ToLatin1(const std::string& utf8);

// Whether text holds a control character (a byte below 32): no name may, since no edit types one.
bool HasControlCharacter(const std::string& text);
// Text for a line of output: backslashes doubled and control characters (bytes below 32, and
// 127) written as \xNN, so that any name a file holds stays on one line and reads back exactly.
std::string EscapeControls(const std::string& text);
