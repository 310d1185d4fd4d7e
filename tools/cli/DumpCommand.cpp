// orbtool-cli dump: every value of a file as JSON or a workbook, or one table as CSV, written as it goes.
#include "tools/cli/Commands.h"

#include "core/Csv.h"
#include "core/Latin1.h"
#include "core/Tables.h"
#include "tools/cli/Workbook.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>

namespace {
// Output is written as it goes, through one buffer of fixed size, never held whole: a whole file
// is some 40000 values, 335 KB of JSON, and a dump of it takes 1.7 ms from start to exit.
class Writer {
public:
    using Sink = std::function<void(const char*, std::size_t)>;
    explicit Writer(Sink sink) : sink_(std::move(sink)) {}
    ~Writer() { flush(); }
    void put(const std::string& s) { put(s.data(), s.size()); }
    void put(const char* s, std::size_t n)
    {
        if (static_cast<std::size_t>(std::end(buffer_) - p_) < n)
            flush();
        if (n > sizeof buffer_) {
            sink_(s, n);
            return;
        }
        std::memcpy(p_, s, n);
        p_ += n;
    }
    // A name as a JSON string: its Latin-1 bytes as UTF-8, quotes, backslashes and control
    // characters escaped.
    void jsonName(std::string_view name)
    {
        static const char hex[] = "0123456789abcdef";
        char text[2 + NameLength * 6];  // each byte takes at most six: \u001f
        name = name.substr(0, NameLength);
        char* t = text;
        *t++ = '"';
        for (char c : name) {
            const auto b = static_cast<unsigned char>(c);
            const char shortEscape = b == '"' ? '"' : b == '\\' ? '\\' : b == '\b' ? 'b' : b == '\t' ? 't'
                                   : b == '\n' ? 'n' : b == '\f' ? 'f' : b == '\r' ? 'r' : 0;
            if (shortEscape) {
                *t++ = '\\';
                *t++ = shortEscape;
            } else if (b < 0x20) {
                t = std::copy_n("\\u00", 4, t);
                *t++ = hex[b >> 4];
                *t++ = hex[b & 15];
            } else if (b >= 0x80) {
                *t++ = static_cast<char>(0xc0 | (b >> 6));
                *t++ = static_cast<char>(0x80 | (b & 0x3f));
            } else {
                *t++ = static_cast<char>(b);
            }
        }
        *t++ = '"';
        put(text, static_cast<std::size_t>(t - text));
    }
    void number(uint32_t v)
    {
        if (std::end(buffer_) - p_ < 10)
            flush();
        p_ = std::to_chars(p_, p_ + 10, v).ptr;
    }
    void flush()
    {
        if (p_ != buffer_)
            sink_(buffer_, static_cast<std::size_t>(p_ - buffer_));
        p_ = buffer_;
    }

private:
    Sink sink_;
    char buffer_[1 << 16];
    char* p_ = buffer_;
};

// Field f of entry n, read from the image's column: a dump walks every value once, and needs
// no record put together for it.
template <class R>
uint32_t columnValue(const OrbData& orb, const FieldDef<R>& f, int n)
{
    const uint8_t* at = orb.bytes() + f.at(n);
    return f.width == FieldWidth::U16 ? uint32_t(at[0] | at[1] << 8) : at[0];
}

template <class R>
void dumpJson(Writer& w, const char* key, const OrbData& orb)
{
    std::vector<std::string> prefix;  // ', "Cost": ' and the like, made once
    for (const auto& f : FieldsOf<R>())
        prefix.emplace_back(std::string(", \"") + f.name + "\": ");
    w.put(std::string("  \"") + key + "\": [");
    for (int n = 1; n <= CountOf<R>; ++n) {
        w.put(n > 1 ? ",\n    {\"number\": " : "\n    {\"number\": ", n > 1 ? 17 : 16);
        w.number(static_cast<uint32_t>(n));
        std::size_t k = 0;
        for (const auto& f : FieldsOf<R>()) {
            w.put(prefix[k++]);
            if (f.width == FieldWidth::Text)
                w.jsonName(orb.name<R>(n));
            else
                w.number(columnValue(orb, f, n));
        }
        w.put("}", 1);
    }
    w.put("\n  ]", 4);
}

template <class R>
void dumpCsv(Writer& w, const OrbData& orb)
{
    w.put("number", 6);
    for (const auto& f : FieldsOf<R>())
        w.put(std::string(",") + f.name);
    w.put("\r\n", 2);
    for (int n = 1; n <= CountOf<R>; ++n) {
        const R r = orb.get<R>(n);
        w.number(static_cast<uint32_t>(n));
        for (const auto& f : FieldsOf<R>()) {
            w.put(",", 1);
            if (f.width == FieldWidth::Text)
                w.put(CsvCell(Latin1ToUtf8(r.*f.text)));
            else
                w.number(f.number(r));
        }
        w.put("\r\n", 2);
    }
}

}  // namespace

namespace {
void dumpText(const std::string& format, bool all, TableId which, const OrbData& orb, const Writer::Sink& out);
}

int CmdDump(const std::string& file, const std::string& tableName, const std::string& formatText, std::FILE* out,
            const std::string& output)
{
    const std::string format = FormatArg(formatText, {"json", "csv", "xlsx"});
    bool all = tableName.empty();
    TableId which = all ? TableId::Units : TableArg(tableName);
    if (all && format == "csv")
        Fail("csv holds one table: choose it with --table");
    if (format == "xlsx" && !WorkbooksBuiltIn())
        WriteWorkbook(output, {}, std::nullopt);  // says why not
    Loaded data = LoadData(file, false);
    if (format == "xlsx") {
        const std::optional<TableId> only = all ? std::nullopt : std::optional<TableId>(which);
        // A workbook is an archive, written whole and then put in place: never to a pipe.
        if (output.empty())
            Fail("a workbook is written to a file: give -o FILE.xlsx");
        WriteWorkbook(output, data.orb, only);
        return 0;
    }
    if (output.empty()) {
        dumpText(format, all, which, data.orb, [out](const char* s, std::size_t n) { Emit(out, s, n); });
        return 0;
    }
    // To a file: made whole (a third of a megabyte at most), then put in place in one piece.
    std::string text;
    dumpText(format, all, which, data.orb, [&text](const char* s, std::size_t n) { text.append(s, n); });
    WriteOutputFile(output, text);
    return 0;
}

namespace {
void dumpText(const std::string& format, bool all, TableId which, const OrbData& orb, const Writer::Sink& out)
{
    Writer w(out);
    if (format == "csv") {
        if (which == TableId::Units)
            dumpCsv<UnitRecord>(w, orb);
        else if (which == TableId::Weapons)
            dumpCsv<WeaponRecord>(w, orb);
        else
            dumpCsv<FormationRecord>(w, orb);
        return;
    }
    w.put("{\n", 2);
    bool first = true;
    auto section = [&](TableId t, auto&& write) {
        if (!all && which != t)
            return;
        if (!first)
            w.put(",\n", 2);
        first = false;
        write();
    };
    section(TableId::Units, [&] { dumpJson<UnitRecord>(w, "units", orb); });
    section(TableId::Weapons, [&] { dumpJson<WeaponRecord>(w, "weapons", orb); });
    section(TableId::Formations, [&] { dumpJson<FormationRecord>(w, "formations", orb); });
    w.put("\n}\n", 3);
}
}  // namespace


void AddDumpCommand(std::vector<CommandSpec>& to)
{
    to.push_back({"dump", "Every entry of a file as JSON or a workbook, or one table as CSV", [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file, "The data file; - reads it from standard input")->required();
                      c->add_option("--table", w->table, "units, weapons or formations (CSV needs one)");
                      c->add_option("--format", w->format, "json (default), csv, or xlsx (a workbook), in any letter case")
                          ->default_str("json");
                      c->add_option("-o,--output", w->output, "Write to this file instead of standard output");
                      return CommandRun([w](std::string&, std::string&) {
                          return CmdDump(w->file, w->table, w->format.empty() ? "json" : w->format, stdout, w->output);
                      });
                  }});
}
