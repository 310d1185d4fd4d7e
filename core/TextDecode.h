// Text files as other programs save them (a spreadsheet's CSV, a patch from a Windows editor),
// turned into the UTF-8 the readers take.
#pragma once

#include <string>
#include <vector>

struct DecodedText {
    std::string utf8;
    // How the bytes were read when not as UTF-8: "UTF-16LE", "UTF-16BE" or "Windows-1252".
    std::string readAs;
    bool noByteOrderMark = false;  // UTF-16 told from its zero bytes
    // The lines (from 1) read as Windows-1252 in a text whose other lines are UTF-8; readAs is
    // then "Windows-1252" too.
    std::vector<int> lines;
};

// UTF-8 with or without a byte order mark, UTF-16 with one or with the zero bytes of ASCII text
// on one side of every pair, and anything else as Windows-1252, which is what a spreadsheet on
// Windows writes as plain CSV. A text that is UTF-8 but for some lines (a name pasted from
// elsewhere) is read line by line, so that the names that were UTF-8 never change. The byte order
// mark is dropped.
DecodedText DecodeText(const std::string& bytes);

// What the user is told of how source was read ("read 'units.csv' as Windows-1252 (it is not
// UTF-8)"), or "" when it was UTF-8.
std::string DecodeNote(const DecodedText& text, const std::string& source);

// Whether bytes are well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool IsUtf8(const std::string& bytes);

// The Windows-1252 bytes that UTF-8 text would be read from by a program taking it for
// Windows-1252, when they are UTF-8 themselves and differ from it: the name as it was before a
// spreadsheet opened a UTF-8 CSV with the wrong character set ("JÃ¤ger" gives "Jäger"). Else "".
std::string MisreadUtf8(const std::string& utf8);
