#include "core/Import.h"

#include "core/CodeNames.h"
#include "core/CountText.h"
#include "core/Csv.h"
#include "core/Latin1.h"
#include "core/OrbDiff.h"

#include <algorithm>
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

// Why a cell of this kind cannot be read into field f, or "".
template <class R>
std::string kindProblem(const FieldDef<R>& f, CellKind kind, const std::string& text)
{
    switch (kind) {
    case CellKind::Formula:
        return std::string(f.name) + ": a formula, not a value (import takes values)";
    case CellKind::Missing:
        return std::string(f.name) + ": no value";
    case CellKind::Other:
        return std::string(f.name) + ": '" + text + "' is neither a number nor text";
    case CellKind::Number:
        if (f.width == FieldWidth::Text)
            return std::string(f.name) + ": the number " + text +
                   " where a name belongs; a spreadsheet turns names such as 0012 into numbers: format the cell as text";
        return {};
    default:
        return {};
    }
}

struct Importer {
    ImportResult& result;
    const ImportSheet& sheet;

    bool full() const { return result.errors.size() >= MaxImportErrors; }
    void error(const ImportRow& row, int column, std::string message)
    {
        if (full()) {
            result.moreErrors = true;
            return;
        }
        result.errors.push_back({sheet.where(row, column), std::move(message)});
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
            result.errors.push_back({sheet.where(ImportRow{1, {}, {}}, 0), "no header row"});
            return;
        }
        const ImportRow& header = sheet.rows[headerAt];
        int numberColumn = -1;
        std::vector<const FieldDef<R>*> columns(header.cells.size(), nullptr);
        std::set<std::string> seen;
        for (std::size_t c = 0; c < header.cells.size(); ++c) {
            const std::string& name = header.cells[c];
            const int col = static_cast<int>(c + 1);
            if (SameNameIgnoringCase(name, "number")) {
                if (numberColumn >= 0)
                    error(header, col, "a second 'number' column");
                numberColumn = static_cast<int>(c);
                continue;
            }
            if (std::any_of(fields.begin(), fields.end(), [&](const FieldDef<R>& f) {
                    return HasCodeName(f) && SameNameIgnoringCase(name, CodeNameColumn(f).c_str());
                }))
                continue;  // names shown beside codes, for reading only
            const FieldDef<R>* f = FindField(fields, name);
            if (!f) {
                error(header, col, "no field of " + std::string(TableName(sheet.table)) + " is called '" + name + "'");
                continue;
            }
            if (!seen.insert(f->name).second)
                error(header, col, std::string("a second '") + f->name + "' column");
            columns[c] = f;
        }
        if (numberColumn < 0)
            error(header, 0, "no 'number' column names the entries");
        if (!result.errors.empty())
            return;

        std::set<int> numbers;
        for (std::size_t r = next(headerAt + 1); r < sheet.rows.size(); r = next(r + 1)) {
            const ImportRow& row = sheet.rows[r];
            if (row.cells.size() != header.cells.size()) {
                error(row, 0, CountText(row.cells.size(), "cell", "cells") + " where the header has " +
                                  std::to_string(header.cells.size()));
                continue;
            }
            const auto numberAt = static_cast<std::size_t>(numberColumn);
            const std::string& numberText = row.cells[numberAt];
            const CellKind numberKind = kindOf(row, numberAt);
            int number = PlainDigits(numberText, kMaxDigits) && numberKind != CellKind::Formula ? std::stoi(numberText) : 0;
            if (number < 1 || number > count) {
                error(row, numberColumn + 1,
                      "'" + numberText + "' is no entry number (1 to " + std::to_string(count) + ")");
                continue;
            }
            if (!numbers.insert(number).second) {
                error(row, numberColumn + 1, "entry " + std::to_string(number) + " comes twice");
                continue;
            }
            R record = entry(orb, number);
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                if (!columns[c])
                    continue;
                std::string why = kindProblem(*columns[c], kindOf(row, c), row.cells[c]);
                if (why.empty())
                    why = StoreStrictly(*columns[c], record, row.cells[c]);
                if (!why.empty())
                    error(row, static_cast<int>(c + 1), why);
            }
            entry.set(orb, number, record);
        }
    }
};
}  // namespace

ImportResult ImportSheets(OrbData& orb, const std::vector<ImportSheet>& sheets)
{
    ImportResult result;
    OrbData changed = orb;
    for (const ImportSheet& sheet : sheets) {
        Importer importer{result, sheet};
        WithTable(sheet.table, [&](const auto& fields, auto entry) {
            importer.run(fields, entry, changed, TableCount(sheet.table));
        });
    }
    if (!result.errors.empty())
        return result;
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
