// Text files as other programs save them (a spreadsheet's CSV, a patch from a Windows editor),
// turned into the UTF-8 the readers take.
#pragma once

#include <string>

struct DecodedText {
    std::string utf8;
    // How the bytes were read when not as UTF-8: "UTF-16LE", "UTF-16BE" or "Windows-1252".
    std::string readAs;
};

// UTF-8 with or without a byte order mark, UTF-16 with one, and anything else as Windows-1252,
// which is what a spreadsheet on Windows writes as plain CSV. The byte order mark is dropped.
DecodedText DecodeText(const std::string& bytes);

// Whether bytes are well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool IsUtf8(const std::string& bytes);
