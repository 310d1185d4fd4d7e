// Reading what comes back: a spreadsheet's CSV in whatever encoding and with whatever separator
// the program saved it, the JSON that WriteJson writes, or a workbook (WorkbookRead.cpp).
#include "exchange/Exchange.h"

#include "core/Csv.h"
#include "core/TextDecode.h"
#include "exchange/ExchangeInternal.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

namespace {
using Json = nlohmann::ordered_json;

// Where each integer -0 stands among the numbers of a JSON text, first to last: the parser reads
// it as 0, which would import as 0 where -1 is refused.
std::vector<bool> negativeZeros(const std::string& text)
{
    std::vector<bool> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i)
                i += text[i] == '\\';
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const std::size_t end = std::min(text.find_first_not_of("+-.eE0123456789", i), text.size());
            out.push_back(text.compare(i, end - i, "-0") == 0);
            i = end - 1;
        }
    }
    return out;
}

// What a JSON text's parse shows as it goes: a key that comes twice in one object (the parser
// keeps the last, as a second CSV column of one field would quietly win), and each integer -0,
// kept apart from 0.
class JsonWatch {
public:
    JsonWatch(const std::string& source, const std::string& text) : source_(source), zeros_(negativeZeros(text)) {}
    // "units[0]": "a second 'Cost' key"; at the top, "'f.json'": "a second 'units' table".
    const std::vector<ImportError>& twice() const { return twice_; }

    bool see(Json::parse_event_t event, Json& parsed)
    {
        switch (event) {
        case Json::parse_event_t::object_start:
        case Json::parse_event_t::array_start:
            frames_.push_back({event == Json::parse_event_t::object_start, here(), {}, {}, 0});
            break;
        case Json::parse_event_t::object_end:
        case Json::parse_event_t::array_end:
            frames_.pop_back();
            break;
        case Json::parse_event_t::key: {
            Frame& in = frames_.back();
            in.key = parsed.get<std::string>();
            if (!in.keys.insert(in.key).second)
                twice_.push_back(frames_.size() == 1 ? ImportError{"'" + source_ + "'", "a second '" + in.key + "' table"}
                                                     : ImportError{in.at, "a second '" + in.key + "' key"});
            break;
        }
        case Json::parse_event_t::value:
            here();
            if (parsed.is_number() && numbers_ < zeros_.size() && zeros_[numbers_++])
                parsed = -0.0;
            break;
        }
        return true;
    }

private:
    struct Frame {
        bool object;
        std::string at;  // the path to it: "units[3]"
        std::set<std::string> keys;
        std::string key;  // the last one
        int count;        // an array's elements so far
    };
    // The path of a value that starts in the innermost container.
    std::string here()
    {
        if (frames_.empty())
            return {};
        Frame& in = frames_.back();
        if (in.object)
            return in.at + (in.at.empty() ? "" : ".") + in.key;
        return in.at + "[" + std::to_string(in.count++) + "]";
    }

    std::string source_;
    std::vector<Frame> frames_;
    std::vector<ImportError> twice_;
    std::vector<bool> zeros_;
    std::size_t numbers_ = 0;
};

Json parseJson(const std::string& source, const std::string& text)
{
    JsonWatch watch(source, text);
    Json doc;
    try {
        doc = Json::parse(text, [&watch](int, Json::parse_event_t event, Json& parsed) { return watch.see(event, parsed); });
    } catch (const Json::parse_error& e) {
        const std::string what = e.what();
        Refuse("'" + source + "' is not CSV or JSON: " + what.substr(what.find(']') + 2));
    } catch (const Json::out_of_range& e) {
        // A number past what a double holds (1e400).
        const std::string what = e.what();
        Refuse("'" + source + "' cannot be read: " + what.substr(what.find(']') + 2) + " (no field holds such a number)");
    } catch (const Json::exception& e) {
        const std::string what = e.what();
        Refuse("'" + source + "' cannot be read: " + what.substr(what.find(']') + 2));
    }
    if (!watch.twice().empty()) {
        std::vector<ImportError> twice;
        for (std::size_t i = 0; i < watch.twice().size() && i < MaxImportErrors; ++i)
            twice.push_back(watch.twice()[i]);
        Refuse(NothingImported(twice));
    }
    return doc;
}

// A JSON number as a cell: as written, -0 too.
std::string numberText(const Json& v)
{
    return v.is_number_float() && v.get<double>() == 0 && std::signbit(v.get<double>()) ? "-0" : v.dump();
}

// The tables of a dump's JSON as sheets: a header of every key the entries use, a row an entry.
std::vector<ImportSheet> jsonSheets(const std::string& source, const std::string& text, std::optional<TableId> only)
{
    const Json doc = parseJson(source, text);
    if (!doc.is_object())
        Refuse("'" + source + "' is JSON, but not as dump writes it: an object of tables (\"units\": [...])");
    std::vector<ImportSheet> sheets;
    for (const auto& [key, entries] : doc.items()) {
        const std::optional<TableId> table = ParseTable(key);
        if (!table)
            Refuse("'" + source + "': no table is called '" + key + "'");
        if (only && *only != *table)
            continue;
        if (!entries.is_array())
            Refuse("'" + source + "': " + key + " is not a list of entries");
        auto header = std::make_shared<std::vector<std::string>>();
        for (const Json& e : entries) {
            if (!e.is_object())
                Refuse("'" + source + "': " + key + " holds something other than entries");
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
                else if (it->is_number())
                    row.cells.push_back(numberText(*it)), row.kinds.push_back(CellKind::Number);
                else
                    row.cells.push_back(it->dump()), row.kinds.push_back(CellKind::Other);
            }
            sheet.rows.push_back(std::move(row));
        }
        sheets.push_back(std::move(sheet));
    }
    if (sheets.empty())
        Refuse("'" + source + "' holds no table" + (only ? std::string(" called ") + TableName(*only) : std::string()));
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
            Refuse("'" + source + "' is not CSV or JSON: its first row names no field of " + TableName(table) +
                 " (it begins '" + row.cells.front().substr(0, 40) + "')");
        return;
    }
}

std::vector<ImportSheet> csvSheets(const std::string& source, const std::string& text, std::optional<TableId> table,
                                   std::vector<std::string>& notes)
{
    if (!table)
        Refuse("a CSV holds one table: name it (import FILE TABLE " + source + ")");
    const char separator = CsvSeparator(text);
    if (separator != ',')
        notes.push_back("'" + source + "' is read with " + (separator == ';' ? "';'" : "tabs") + " as the separator");
    CsvTable csv = ReadCsv(text, separator);
    if (!csv.error.empty())
        Refuse(NothingImported({{CsvPlace(csv.errorLine, csv.errorColumn), csv.error}}));
    requireHeader(source, *table, csv);
    return {CsvSheet(*table, std::move(csv))};
}
}  // namespace

ExchangeRead ReadExchange(const std::string& source, const std::string& bytes, std::optional<TableId> table)
{
    ExchangeRead read;
    try {
        if (IsWorkbook(bytes)) {
            read.sheets = WorkbookSheets(source, bytes, table, read.notes);
            return read;
        }
        const DecodedText text = DecodeText(bytes);
        if (text.utf8.find('\0') != std::string::npos)
            Refuse("'" + source + "' is not CSV or JSON: it holds zero bytes (a data file?)");
        if (!text.readAs.empty())
            read.notes.push_back(DecodeNote(text, source));
        const std::size_t first = text.utf8.find_first_not_of(" \t\r\n");
        const bool json = first != std::string::npos && (text.utf8[first] == '{' || text.utf8[first] == '[');
        read.sheets = json ? jsonSheets(source, text.utf8, table) : csvSheets(source, text.utf8, table, read.notes);
    } catch (const Refusal& r) {
        read.sheets.clear();
        read.error = r.why;
    }
    return read;
}

std::string NothingImported(const std::vector<ImportError>& errors, bool more)
{
    std::string message = "nothing was imported:";
    for (const ImportError& e : errors)
        message += "\n  " + e.where + ": " + e.message;
    if (more)
        message += "\n  (and more errors)";
    return message;
}

bool IsWorkbook(const std::string& bytes)
{
    return bytes.compare(0, 4, "PK\x03\x04", 4) == 0;
}
