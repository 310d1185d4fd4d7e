// import: a table or a whole file brought back from a spreadsheet's CSV, a workbook, or the JSON
// that dump writes, in whatever encoding and with whatever separator the program saved it.
#include "tools/cli/Commands.h"

#include "core/Csv.h"
#include "core/Import.h"
#include "core/OrbDiff.h"
#include "core/TextDecode.h"
#include "tools/cli/Workbook.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>

namespace {
using Json = nlohmann::ordered_json;

// The tables of a dump's JSON as sheets: a header of every key the entries use, a row an entry.
std::vector<ImportSheet> jsonSheets(const std::string& source, const std::string& text, std::optional<TableId> only)
{
    Json doc;
    try {
        doc = Json::parse(text);
    } catch (const Json::parse_error& e) {
        const std::string what = e.what();
        Fail("'" + source + "' is not CSV or JSON: " + what.substr(what.find(']') + 2));
    }
    if (!doc.is_object())
        Fail("'" + source + "' is JSON, but not as dump writes it: an object of tables (\"units\": [...])");
    std::vector<ImportSheet> sheets;
    for (const auto& [key, entries] : doc.items()) {
        const std::optional<TableId> table = ParseTable(key);
        if (!table)
            Fail("'" + source + "': no table is called '" + key + "'");
        if (only && *only != *table)
            continue;
        if (!entries.is_array())
            Fail("'" + source + "': " + key + " is not a list of entries");
        auto header = std::make_shared<std::vector<std::string>>();
        for (const Json& e : entries) {
            if (!e.is_object())
                Fail("'" + source + "': " + key + " holds something other than entries");
            for (const auto& item : e.items())
                if (std::find(header->begin(), header->end(), item.key()) == header->end())
                    header->push_back(item.key());
        }
        ImportSheet sheet{*table, {ImportRow{0, *header, {}}}, [key = key, header](const ImportRow& row, int column) {
                              std::string at = key;
                              if (row.line > 0)
                                  at += "[" + std::to_string(row.line - 1) + "]";
                              if (column > 0)
                                  at += "." + (*header)[static_cast<std::size_t>(column - 1)];
                              return at;
                          }};
        int index = 0;
        for (const Json& e : entries) {
            ImportRow row{++index, {}, {}};
            for (const std::string& name : *header) {
                const auto it = e.find(name);
                if (it == e.end())
                    row.cells.emplace_back(), row.kinds.push_back(CellKind::Missing);
                else if (it->is_string())
                    row.cells.push_back(it->get<std::string>()), row.kinds.push_back(CellKind::Text);
                else
                    row.cells.push_back(it->dump()), row.kinds.push_back(it->is_number() ? CellKind::Number : CellKind::Other);
            }
            sheet.rows.push_back(std::move(row));
        }
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty())
        Fail("'" + source + "' holds no table" + (only ? std::string(" called ") + TableName(*only) : std::string()));
    return sheets;
}

// A CSV whose first row names no field of the table is not the table's CSV at all.
void requireHeader(const std::string& source, TableId table, const CsvTable& csv)
{
    for (const CsvRow& row : csv.rows) {
        if (std::all_of(row.cells.begin(), row.cells.end(), [](const std::string& c) { return c.empty(); }))
            continue;
        bool known = false;
        WithTable(table, [&](const auto& fields, auto) {
            for (const std::string& c : row.cells)
                known = known || SameNameIgnoringCase(c, "number") || FindField(fields, c);
        });
        if (!known)
            Fail("'" + source + "' is not CSV or JSON: its first row names no field of " + TableName(table) +
                 " (it begins '" + row.cells.front().substr(0, 40) + "')");
        return;
    }
}

std::vector<ImportSheet> csvSheets(const std::string& source, const std::string& text, std::optional<TableId> table)
{
    if (!table)
        Fail("a CSV holds one table: name it (import FILE TABLE " + source + ")");
    const char separator = CsvSeparator(text);
    if (separator != ',')
        CliNotes() += "orbtool-cli: '" + source + "' is read with " + (separator == ';' ? "';'" : "tabs") +
                      " as the separator\n";
    CsvTable csv = ReadCsv(text, separator);
    if (!csv.error.empty())
        Fail("nothing was imported:\n  " + CsvPlace(csv.errorLine, csv.errorColumn) + ": " + csv.error);
    requireHeader(source, *table, csv);
    return {CsvSheet(*table, std::move(csv))};
}
}  // namespace

int CmdImport(const std::string& file, const std::vector<std::string>& words, bool dryRun, std::string& out)
{
    if (words.empty() || words.size() > 2)
        Fail("import takes FILE [TABLE] SOURCE");
    const std::optional<TableId> table = words.size() == 2 ? std::optional<TableId>(TableArg(words[0])) : std::nullopt;
    const std::string& source = words.back();
    Loaded data = LoadData(file, !dryRun);
    const std::string bytes = ReadText(source);
    std::vector<ImportSheet> sheets;
    if (IsWorkbook(bytes)) {
        sheets = WorkbookSheets(source, bytes, table);
    } else {
        const DecodedText text = DecodeText(bytes);
        if (text.utf8.find('\0') != std::string::npos)
            Fail("'" + source + "' is not CSV or JSON: it holds zero bytes (a data file?)");
        if (!text.readAs.empty())
            CliNotes() += "orbtool-cli: read '" + source + "' as " + text.readAs +
                          (text.readAs == "Windows-1252" ? " (it is not UTF-8)" : "") + "\n";
        const std::size_t first = text.utf8.find_first_not_of(" \t\r\n");
        const bool json = first != std::string::npos && (text.utf8[first] == '{' || text.utf8[first] == '[');
        sheets = json ? jsonSheets(source, text.utf8, table) : csvSheets(source, text.utf8, table);
    }
    OrbData before = data.orb;
    ImportResult r = ImportSheets(data.orb, sheets);
    if (!r.errors.empty()) {
        std::string msg = "nothing was imported:";
        for (const ImportError& e : r.errors)
            msg += "\n  " + e.where + ": " + e.message;
        if (r.moreErrors)
            msg += "\n  (and more errors)";
        Fail(msg);
    }
    if (dryRun) {
        for (const FieldDifference& d : DiffFields(before, data.orb))
            out += DifferenceLine(d);
        out += "would change " + CountText(r.entries, "entry", "entries") + ", " + CountText(r.fields, "field", "fields") + "\n";
        return 0;
    }
    if (r.fields > 0)
        SaveData(file, data);  // an import that changes nothing leaves the file untouched
    out += "changed " + CountText(r.entries, "entry", "entries") + ", " + CountText(r.fields, "field", "fields") + "\n";
    return 0;
}
