// Workbooks (.xlsx): a file's tables as sheets a spreadsheet keeps exactly, and read back.
#pragma once

#include "core/Import.h"
#include "data/Types.h"

#include <optional>
#include <string>
#include <vector>

// Whether bytes are a zip archive, as every workbook is.
bool IsWorkbook(const std::string& bytes);
// The sheets named units, weapons and formations (or only table's) as import reads them, every
// cell with its kind; other sheets are passed over with a note. Fails when the bytes are no workbook.
std::vector<ImportSheet> WorkbookSheets(const std::string& source, const std::string& bytes, std::optional<TableId> table);
// Writes the tables (or only table's) to path: one sheet each, the dump's columns, names as text
// cells, numbers as numbers, the header row frozen, and beside each code its name, which typing
// cannot change. Fails with why.
void WriteWorkbook(const std::string& path, const OrbData& orb, std::optional<TableId> table);
// Whether this build reads and writes workbooks (a build without the libraries does not).
bool WorkbooksBuiltIn();
