#include "core/Import.h"

#include "core/Csv.h"
#include "core/Latin1.h"
#include "core/OrbDiff.h"

#include <set>

namespace {
// Nine digits at most: any more could not be read as a number, and no field holds one.
constexpr std::size_t kMaxDigits = 9;

struct Importer {
    ImportResult& result;

    bool full() const { return result.errors.size() >= MaxImportErrors; }
    void error(int line, int column, std::string message)
    {
        if (full()) {
            result.moreErrors = true;
            return;
        }
        result.errors.push_back({line, column, std::move(message)});
    }

    template <class R, class Entry>
    void run(const std::vector<FieldDef<R>>& fields, Entry entry, OrbData& orb, int count, const CsvTable& csv)
    {
        const CsvRow& header = csv.rows.front();
        int numberColumn = -1;
        std::vector<const FieldDef<R>*> columns(header.cells.size(), nullptr);
        std::set<std::string> seen;
        for (std::size_t c = 0; c < header.cells.size(); ++c) {
            const std::string& name = header.cells[c];
            const int col = static_cast<int>(c + 1);
            if (SameNameIgnoringCase(name, "number")) {
                if (numberColumn >= 0)
                    error(header.line, col, "a second 'number' column");
                numberColumn = static_cast<int>(c);
                continue;
            }
            const FieldDef<R>* f = FindField(fields, name);
            if (!f) {
                error(header.line, col, "no field is called '" + name + "'");
                continue;
            }
            if (!seen.insert(f->name).second)
                error(header.line, col, std::string("a second '") + f->name + "' column");
            columns[c] = f;
        }
        if (numberColumn < 0)
            error(header.line, 0, "no 'number' column names the entries");
        if (!result.errors.empty())
            return;

        std::set<int> numbers;
        for (std::size_t r = 1; r < csv.rows.size(); ++r) {
            const CsvRow& row = csv.rows[r];
            if (row.cells.size() != header.cells.size()) {
                error(row.line, 0, std::to_string(row.cells.size()) + " cells where the header has " +
                                       std::to_string(header.cells.size()));
                continue;
            }
            const std::string& numberText = row.cells[static_cast<std::size_t>(numberColumn)];
            int number = PlainDigits(numberText, kMaxDigits) ? std::stoi(numberText) : 0;
            if (number < 1 || number > count) {
                error(row.line, numberColumn + 1,
                      "'" + numberText + "' is no entry number (1 to " + std::to_string(count) + ")");
                continue;
            }
            if (!numbers.insert(number).second) {
                error(row.line, numberColumn + 1, "entry " + std::to_string(number) + " comes twice");
                continue;
            }
            R record = entry(orb, number);
            for (std::size_t c = 0; c < row.cells.size(); ++c)
                if (columns[c])
                    cell(*columns[c], record, row.cells[c], row.line, static_cast<int>(c + 1));
            entry.set(orb, number, record);
        }
    }

    template <class R>
    void cell(const FieldDef<R>& f, R& record, const std::string& text, int line, int column)
    {
        const std::string why = StoreStrictly(f, record, text);
        if (!why.empty())
            error(line, column, why);
    }
};
}  // namespace

ImportResult ImportCsv(OrbData& orb, TableId table, const std::string& text)
{
    ImportResult result;
    CsvTable csv = ReadCsv(text);
    if (!csv.error.empty()) {
        result.errors.push_back({csv.errorLine, csv.errorColumn, csv.error});
        return result;
    }
    if (csv.rows.empty()) {
        result.errors.push_back({1, 0, "no header row"});
        return result;
    }
    OrbData changed = orb;
    Importer importer{result};
    WithTable(table, [&](const auto& fields, auto entry) {
        importer.run(fields, entry, changed, TableCount(table), csv);
    });
    if (!result.errors.empty())
        return result;
    OrbChanges entries = DiffOrb(orb, changed);
    result.entries = static_cast<int>(entries.count());
    result.fields = static_cast<int>(DiffFields(orb, changed).size());
    orb = std::move(changed);
    return result;
}
