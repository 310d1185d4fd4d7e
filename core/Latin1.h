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

// Whether Latin-1 bytes hold a control character: below 32, DEL (127) or a C1 control (128 to
// 159, of which 133 ends a line for some readers). No name may, since no edit types one.
bool HasControlCharacter(const std::string& latin1);
// Why a name of Latin-1 bytes cannot be stored for its control characters, naming the first as
// \xNN; "" when it holds none.
std::string ControlCharacterProblem(const std::string& latin1);
// UTF-8 text for a line of output: backslashes doubled and control characters (below 32, DEL and
// the C1 controls U+0080 to U+009F) written as \xNN with the Latin-1 byte, so that any name a file
// holds stays on one line and reads back exactly.
std::string EscapeControls(const std::string& utf8);
