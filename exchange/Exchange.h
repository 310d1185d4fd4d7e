// The formats a file's tables go out in and come back from, for every front end: the JSON of
// all tables or one, a table's CSV (in whatever encoding and with whatever separator a
// spreadsheet saved it), and workbooks (.xlsx). Each call returns what it made together with
// what it has to say; none throws, and none writes anywhere but to its sink or its result.
#pragma once

#include "core/Import.h"
#include "data/Types.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ExchangeRead {
    std::vector<ImportSheet> sheets;  // as ImportSheets takes them; none when error is set
    // What the reading did that is no error, each a line of its own: "'f.csv' is read with ';' as
    // the separator", a sheet passed over. Kept when an error follows.
    std::vector<std::string> notes;
    // Why nothing can be imported, or "": about the source as a whole ("'f' is not CSV or JSON:
    // ..."), or "nothing was imported:" and a line for each place that is wrong.
    std::string error;
};

// The bytes of a source (sourceName is how messages name it: a path, or "-") as sheets: a
// workbook's sheets named for the tables, the tables of a JSON as WriteJson writes it (with
// table, only that one's), or a CSV of table, which a CSV needs.
ExchangeRead ReadExchange(const std::string& sourceName, const std::string& bytes, std::optional<TableId> table);

// Errors (of ImportSheets, say) said as ReadExchange says its own: "nothing was imported:", then
// "  WHERE: MESSAGE" a line each, and "  (and more errors)" where there were more.
std::string NothingImported(const std::vector<ImportError>& errors, bool more = false);

// Hands on bytes as they are made, in pieces of up to 64 KB: a whole file's JSON is 335 KB.
using ExchangeSink = std::function<void(const char* bytes, std::size_t n)>;
// Every value of every table (or of table's alone) as JSON: an object of tables, each a list of
// entries with their number and every field; names as their Latin-1 characters.
void WriteJson(const OrbData& orb, std::optional<TableId> table, const ExchangeSink& sink);
// One table as CSV: a header of number and the field names, a line (CRLF) an entry.
void WriteCsv(const OrbData& orb, TableId table, const ExchangeSink& sink);

struct MadeWorkbook {
    std::string bytes;  // the whole workbook, to be written where the user named
    std::string error;  // why none was made, or ""
    // Whether error is about writing the workbook ("Error creating output xlsx file..."), to be
    // said after the file's name, rather than about what it needs.
    bool writing = false;
};
// The tables (or only table's) as a workbook: one sheet each, the JSON's columns, names as text
// cells, numbers as numbers, the header row frozen, and beside each code its name, which typing
// cannot change.
MadeWorkbook MakeWorkbook(const OrbData& orb, std::optional<TableId> table);

// Whether bytes are a zip archive, as every workbook is.
bool IsWorkbook(const std::string& bytes);
// Whether this build reads and writes workbooks (a build without their libraries does not).
bool WorkbooksBuiltIn();
