// Bringing an edited spreadsheet back: a CSV of one table, strictly checked, into OrbData.
#pragma once

#include "core/Tables.h"

#include <string>
#include <vector>

struct ImportError {
    int line, column;  // from 1; column 0 when the whole line is meant
    std::string message;
};

struct ImportResult {
    std::vector<ImportError> errors;  // the first 50 at most; nothing was changed when any
    bool moreErrors = false;          // there were more than those
    int entries = 0;                  // entries that changed
    int fields = 0;                   // fields that changed
};

constexpr std::size_t MaxImportErrors = 50;

// One cell of text (UTF-8) stored into field f of record as import stores it: a number of plain
// digits no larger than what a commit stores (or repeating the stored value), a name of at most
// 15 Latin-1 characters without control characters (or repeating the stored name); a field no
// page edits may only repeat its value. Returns why not, leaving record as it was, or "".
template <class R>
std::string StoreStrictly(const FieldDef<R>& f, R& record, const std::string& text);

// Reads csv (a header row naming "number" and any of the table's fields by the names a dump uses,
// then one row an entry) into orb. A number must be plain decimal digits no larger than what a
// commit stores in the field; a name at most 15 Latin-1 characters; a field no page edits may only
// repeat the value already stored. Any error leaves orb as it was.
ImportResult ImportCsv(OrbData& orb, TableId table, const std::string& csv);

#include "core/ImportCell.h"
