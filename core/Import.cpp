#include "core/Import.h"

#include "core/CodeNames.h"
#include "core/CountText.h"
#include "core/Csv.h"
#include "core/Latin1.h"
#include "core/OrbDiff.h"
#include "core/TextDecode.h"

#include <algorithm>
#include <functional>
#include <set>

namespace {
// Nine digits at most: any more could not be read as a number, and no field holds one.
constexpr std::size_t kMaxDigits = 9;

bool blank(const ImportRow& row)
{
    return std::all_of(row.cells.begin(), row.cells.end(), [](const std::string& c) { return c.empty(); });
}

CellKind kindOf(const ImportRow& row, std::size_t c)
{
    return c < row.kinds.size() ? row.kinds[c] : CellKind::Unknown;
}

// Why a cell of this kind cannot be read into the field called field, where a name belongs or a
// number, or "".
std::string kindProblem(const std::string& field, bool name, CellKind kind, const std::string& text)
{
    switch (kind) {
    case CellKind::Formula:
        return field + ": a formula, not a value (import takes values)";
    case CellKind::Missing:
        return field + ": no value";
    case CellKind::Other:
        return field + ": '" + text + "' is neither a number nor text";
    case CellKind::Boolean:
        return name ? field + ": a TRUE/FALSE cell where a name belongs; a spreadsheet turns the names TRUE and FALSE "
                              "into such cells: format the cell as text"
                    : field + ": a TRUE/FALSE cell, not a number";
    case CellKind::Date:
        // Whatever its value: a date's number of days (or a time's fraction) is no field's value.
        return name ? field + ": a date where a name belongs; a spreadsheet turns names such as 3/4 into dates: "
                              "format the cell as text"
                    : field + ": a date, not a number: format the cell as a number";
    case CellKind::Number:
        if (name)
            return field + ": the number " + text +
                   " where a name belongs; a spreadsheet turns names such as 0012 into numbers: format the cell as text";
        return {};
    default:
        return {};
    }
}

template <class R>
std::string kindProblem(const FieldDef<R>& f, CellKind kind, const std::string& text)
{
    return kindProblem(f.name, f.width == FieldWidth::Text, kind, text);
}

// A name column's cell, checked once the import is done against the name of the code beside it.
using NameCheck = std::function<void(const OrbData& after, std::vector<ImportError>& notes)>;

struct Importer {
    ImportResult& result;
    const ImportSheet& sheet;
    const OrbData& before;
    std::vector<NameCheck>& nameChecks;
    bool force;
    std::size_t found = 0;  // this sheet's errors, listed or not

    bool full() const { return result.errors.size() >= MaxImportErrors; }
    void error(const ImportRow& row, int column, std::string message)
    {
        ++found;
        if (full()) {
            result.moreErrors = true;
            return;
        }
        result.errors.push_back({sheet.where(row, column), std::move(message)});
    }

    // A spreadsheet that opened a UTF-8 CSV as Windows-1252 and saved it again turns "Jäger" into
    // "JÃ¤ger": a name that changes into that pattern is refused, unless forced.
    template <class R>
    static std::string misread(const FieldDef<R>& f, const R& stored, const R& record, const std::string& text)
    {
        if (f.width != FieldWidth::Text || SameField(stored, record, f))
            return {};
        const std::string was = MisreadUtf8(text);
        if (was.empty())
            return {};
        return std::string(f.name) + ": '" + text + "' looks like UTF-8 read as Windows-1252; it would be '" + was +
               "' (--force stores it as it is)";
    }

    // Whether the first column counts the rows from 0, as pandas writes its index beside a table.
    bool countsFromZero(std::size_t headerAt) const
    {
        int k = 0;
        for (std::size_t r = headerAt + 1; r < sheet.rows.size(); ++r) {
            const ImportRow& row = sheet.rows[r];
            if (!blank(row) && (row.cells.empty() || row.cells[0] != std::to_string(k++)))
                return false;
        }
        return k > 0;
    }

    // Notes the name column's cell of the field f in row of entry number when it names neither
    // the code the entry had (the cell as written, not updated for the code typed beside it) nor
    // the code it has after the import (a name typed to match).
    template <class R, class Entry>
    void checkName(const FieldDef<R>& f, const ImportRow& row, std::size_t c, Entry entry, int number)
    {
        const Latin1Result typed = Utf8ToLatin1(row.cells[c]);
        if (typed.ok && typed.text == CodeName(f, f.number(entry(before, number)), before))
            return;
        nameChecks.push_back([&f, entry, number, typed, said = row.cells[c], where = sheet.where(row, int(c + 1))](
                                 const OrbData& after, std::vector<ImportError>& notes) {
            const uint32_t code = f.number(entry(after, number));
            const std::string name = CodeName(f, code, after);
            if (typed.ok && typed.text == name)
                return;
            const std::string which = "code " + std::to_string(code);
            notes.push_back({where, "'" + CodeNameColumn(f) + "' says '" + said + "', " +
                                        (name.empty() ? "but " + which + " has no name"
                                                      : "not the name of " + which + " ('" + Latin1ToUtf8(name) + "')") +
                                        "; the code is what is imported"});
        });
    }

    // What each column of the header is: the number, a field, or the names beside a field's codes.
    template <class R>
    struct Columns {
        int number = -1;
        std::vector<const FieldDef<R>*> fields, names;
    };

    template <class R>
    Columns<R> readHeader(const std::vector<FieldDef<R>>& fields, std::size_t headerAt)
    {
        const ImportRow& header = sheet.rows[headerAt];
        Columns<R> columns{-1, std::vector<const FieldDef<R>*>(header.cells.size()), std::vector<const FieldDef<R>*>(header.cells.size())};
        std::set<std::string> seen;
        for (std::size_t c = 0; c < header.cells.size(); ++c) {
            const std::string& name = header.cells[c];
            const int col = static_cast<int>(c + 1);
            if (SameNameIgnoringCase(name, "number")) {
                if (columns.number >= 0)
                    error(header, col, "a second 'number' column");
                columns.number = static_cast<int>(c);
                continue;
            }
            const auto named = std::find_if(fields.begin(), fields.end(), [&](const FieldDef<R>& f) {
                return HasCodeName(f) && SameNameIgnoringCase(name, CodeNameColumn(f).c_str());
            });
            if (named != fields.end()) {
                columns.names[c] = &*named;  // names shown beside codes, for reading only
                continue;
            }
            if (name.empty() && c == 0 && countsFromZero(headerAt)) {
                error(header, col, "a column without a heading, numbered 0, 1, 2...: pandas' index column; "
                                   "write the sheet without it (index=False in to_excel)");
                continue;
            }
            const FieldDef<R>* f = FindField(fields, name);
            if (!f) {
                error(header, col, "no field of " + std::string(TableName(sheet.table)) + " is called '" + name + "'");
                continue;
            }
            if (!seen.insert(f->name).second)
                error(header, col, std::string("a second '") + f->name + "' column");
            columns.fields[c] = f;
        }
        if (columns.number < 0)
            error(header, 0, "no 'number' column names the entries");
        return columns;
    }

    template <class R, class Entry>
    void run(const std::vector<FieldDef<R>>& fields, Entry entry, OrbData& orb, int count)
    {
        auto next = [&](std::size_t r) {
            while (r < sheet.rows.size() && blank(sheet.rows[r]))
                ++r;
            return r;
        };
        const std::size_t headerAt = next(0);
        if (headerAt == sheet.rows.size()) {
            error(ImportRow{1, {}, {}}, 0, "no header row");
            return;
        }
        const std::size_t width = sheet.rows[headerAt].cells.size();
        const Columns<R> columns = readHeader(fields, headerAt);
        if (found)
            return;  // the rows cannot be read; the other sheets still are

        std::set<int> numbers;
        for (std::size_t r = next(headerAt + 1); r < sheet.rows.size(); r = next(r + 1)) {
            const ImportRow& row = sheet.rows[r];
            if (row.cells.size() != width) {
                error(row, 0, CountText(row.cells.size(), "cell", "cells") + " where the header has " + std::to_string(width));
                continue;
            }
            const auto numberAt = static_cast<std::size_t>(columns.number);
            const std::string& numberText = row.cells[numberAt];
            if (std::string why = kindProblem("number", false, kindOf(row, numberAt), numberText); !why.empty()) {
                error(row, columns.number + 1, why);
                continue;
            }
            const int number = PlainDigits(numberText, kMaxDigits) ? std::stoi(numberText) : 0;
            if (number < 1 || number > count) {
                error(row, columns.number + 1, "'" + numberText + "' is no entry number (1 to " + std::to_string(count) + ")");
                continue;
            }
            if (!numbers.insert(number).second) {
                error(row, columns.number + 1, "entry " + std::to_string(number) + " comes twice");
                continue;
            }
            const R stored = entry(orb, number);
            R record = stored;
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                if (columns.names[c])
                    checkName(*columns.names[c], row, c, entry, number);
                const FieldDef<R>* f = columns.fields[c];
                if (!f)
                    continue;
                std::string why = kindProblem(*f, kindOf(row, c), row.cells[c]);
                if (why.empty())
                    why = StoreStrictly(*f, record, row.cells[c]);
                if (why.empty() && !force)
                    why = misread(*f, stored, record, row.cells[c]);
                if (!why.empty())
                    error(row, static_cast<int>(c + 1), why);
            }
            entry.set(orb, number, record);
        }
    }
};
}  // namespace

ImportResult ImportSheets(OrbData& orb, const std::vector<ImportSheet>& sheets, bool force)
{
    ImportResult result;
    OrbData changed = orb;
    std::vector<NameCheck> nameChecks;
    for (const ImportSheet& sheet : sheets) {
        Importer importer{result, sheet, orb, nameChecks, force};
        WithTable(sheet.table, [&](const auto& fields, auto entry) {
            importer.run(fields, entry, changed, TableCount(sheet.table));
        });
    }
    if (!result.errors.empty())
        return result;
    for (const NameCheck& check : nameChecks)
        check(changed, result.notes);
    result.entries = static_cast<int>(DiffOrb(orb, changed).count());
    result.fields = static_cast<int>(DiffFields(orb, changed).size());
    orb = std::move(changed);
    return result;
}

std::string CsvPlace(int line, int column)
{
    return "line " + std::to_string(line) + (column ? ", column " + std::to_string(column) : std::string());
}

ImportSheet CsvSheet(TableId t, CsvTable&& csv)
{
    ImportSheet sheet{t, {}, [](const ImportRow& row, int column) { return CsvPlace(row.line, column); }};
    for (CsvRow& row : csv.rows)
        sheet.rows.push_back({row.line, std::move(row.cells), {}});
    return sheet;
}

ImportResult ImportCsv(OrbData& orb, TableId table, const std::string& text, char separator)
{
    CsvTable csv = ReadCsv(text, separator);
    if (!csv.error.empty()) {
        ImportResult result;
        result.errors.push_back({CsvPlace(csv.errorLine, csv.errorColumn), csv.error});
        return result;
    }
    return ImportSheets(orb, {CsvSheet(table, std::move(csv))});
}
