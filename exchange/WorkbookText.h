// The text rules of a workbook's XML that its libraries leave to us: the _xHHHH_ escapes of
// strings, and which number formats show a date.
#pragma once

#include <string>

// A string as the workbook holds it (UTF-8, its characters escaped as _xHHHH_, an underscore
// before such a look-alike as _x005F_) as the text it stands for.
std::string DecodeEscapes(const std::string& text);
// Text (UTF-8) readied for libxlsxwriter, which escapes control characters itself but leaves a
// name that reads like an escape (_x0041_) as it is, for every reader to take for "A".
std::string EscapeLookAlikes(const std::string& text);
// Whether a cell of number format id (and its code, "" for a built-in one) shows a date or a
// time: built-in ids 14 to 22 and 45 to 47, or a code with d, m, y, h or s outside quotes.
bool IsDateFormat(int id, const std::string& code);
