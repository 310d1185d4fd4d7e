// Bringing an edited spreadsheet back: rows of cells (a CSV, a workbook's sheet, a dump's JSON),
// strictly checked, into OrbData.
#pragma once

#include "core/Tables.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a cell was in a source that says (a workbook, JSON); a CSV cannot, so its cells are Unknown.
// A Date is a number a workbook shows as a date or a time.
enum class CellKind : uint8_t { Unknown, Text, Number, Formula, Other, Missing, Boolean, Date };

struct ImportRow {
    int line = 0;  // where the row is in its source: a CSV's line, a sheet's row, an array's index
    std::vector<std::string> cells;  // as UTF-8
    std::vector<CellKind> kinds;     // one a cell, or empty: all Unknown
};

struct ImportSheet {
    TableId table = TableId::Units;
    std::vector<ImportRow> rows;  // the header first; rows of empty cells are passed over
    // Where a cell is, for messages ("line 3, column 2", "units!C3"); column from 1, 0 for the row.
    std::function<std::string(const ImportRow& row, int column)> where;
};

struct ImportError {
    std::string where, message;
};

struct ImportResult {
    std::vector<ImportError> errors;  // the first 50 at most; nothing was changed when any
    bool moreErrors = false;          // there were more than those
    int entries = 0;                  // entries that changed
    int fields = 0;                   // fields that changed
    // Cells passed over that say what the import does not do: a name beside a code that names
    // neither that code as the file had it nor the code as the import leaves it.
    std::vector<ImportError> notes;
};

constexpr std::size_t MaxImportErrors = 50;

// One cell of text (UTF-8) stored into field f of record as import stores it: a number of plain
// digits no larger than what a commit stores (or repeating the stored value), a name of at most
// 15 Latin-1 characters without control characters (or repeating the stored name); a field no
// page edits may only repeat its value. Returns why not, leaving record as it was, or "".
template <class R>
std::string StoreStrictly(const FieldDef<R>& f, R& record, const std::string& text);

// Reads the sheets (each a header row naming "number" and any of its table's fields by the names
// a dump uses, and a code's name column, which is passed over, noted where it names another
// code; then one row an entry) into orb. A number must be plain decimal digits no larger than
// what a commit stores in the field; a name at most 15 Latin-1 characters, and a text cell where
// the source tells; a field no page edits may only repeat the value already stored. A cell the
// source calls a formula, a date or TRUE/FALSE is refused. A name that would change into what
// UTF-8 read as Windows-1252 looks like ("JÃ¤ger") is refused unless forced. Every sheet's errors
// are listed, the first MaxImportErrors in all; any error leaves orb as it was.
ImportResult ImportSheets(OrbData& orb, const std::vector<ImportSheet>& sheets, bool force = false);

struct CsvTable;
// A CSV read by ReadCsv as a sheet of table t, its cells placed by line and column.
ImportSheet CsvSheet(TableId t, CsvTable&& csv);
// "line 3, column 2" (column 0: "line 3"), as a CSV's cells are placed.
std::string CsvPlace(int line, int column);

// A CSV of one table (UTF-8, any separator ReadCsv takes), as ImportSheets reads it.
ImportResult ImportCsv(OrbData& orb, TableId table, const std::string& csv, char separator = ',');

#include "core/ImportCell.h"
