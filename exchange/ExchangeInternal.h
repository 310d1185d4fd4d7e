// What the exchange library's files share and its callers never see.
#pragma once

#include "core/Import.h"

#include <optional>
#include <string>
#include <vector>

// A source that cannot be read, said deep inside a reader: the reading stops there, and the
// call the caller made returns why (ReadExchange). It never leaves the library.
struct Refusal {
    std::string why;
};
[[noreturn]] inline void Refuse(const std::string& why)
{
    throw Refusal{why};
}

// A workbook's sheets named units, weapons and formations (or only table's) as import reads them,
// every cell with its kind; other sheets are passed over with a note. Refuses bytes that are no
// workbook, and every workbook in a build without the libraries (WorkbookRead.cpp).
std::vector<ImportSheet> WorkbookSheets(const std::string& source, const std::string& bytes, std::optional<TableId> table,
                                        std::vector<std::string>& notes);
