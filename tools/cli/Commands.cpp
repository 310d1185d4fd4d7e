#include "tools/cli/Commands.h"

#include "core/Csv.h"
#include "core/EditRules.h"
#include "core/FileList.h"
#include "core/Filter.h"
#include "core/HiddenBytes.h"
#include "core/Import.h"
#include "core/Latin1.h"
#include "core/OrbDiff.h"
#include "core/OrbFile.h"
#include "core/Renumber.h"
#include "core/Tables.h"
#include "data/ORBIO.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <type_traits>

namespace fs = std::filesystem;


namespace {
// A name as a line of text shows it: control characters escaped, so that it stays on one line.
std::string nameText(const OrbName& name)
{
    return EscapeControls(Latin1ToUtf8(name));
}

// Field f of r as get and set print it.
template <class R>
std::string valueText(const R& r, const FieldDef<R>& f)
{
    return f.width == FieldWidth::Text ? nameText(r.*f.text) : std::to_string(f.number(r));
}

const char* widthName(FieldWidth w)
{
    return w == FieldWidth::Text ? "text" : w == FieldWidth::U16 ? "u16" : "u8";
}

}  // namespace

int EntryArg(TableId t, const std::string& text)
{
    int n = PlainDigits(text, 3) ? std::stoi(text) : 0;
    if (n < 1 || n > TableCount(t))
        Fail("entry number must be from 1 to " + std::to_string(TableCount(t)) + ", not '" + text + "'");
    return n;
}

std::string DifferenceLine(const FieldDifference& d)
{
    return std::string(d.table) + " " + EntryNumberText(d.number) + " " + d.field + ": " + EscapeControls(d.before) +
           " -> " + EscapeControls(d.after) + "\n";
}

int CmdList(const std::string& dir, std::string& out)
{
    std::error_code ec;
    if (!fs::is_directory(fs::u8path(dir), ec))
        Fail("'" + dir + "' is not a directory");
    fs::directory_iterator readable(fs::u8path(dir), ec);
    if (ec)
        Fail("cannot read the folder '" + dir + "': " + ec.message());
    for (const auto& line : OrbListLines(ScanOrbFiles(fs::u8path(dir))))
        out += line + "\n";
    return 0;
}

int CmdFields(const std::string& tableName, std::string& out)
{
    out += "table       field         width  bound  edited\n";
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations}) {
        if (!tableName.empty() && TableArg(tableName) != t)
            continue;
        WithTable(t, [&](const auto& fields, auto) {
            for (const auto& f : fields) {
                char line[128];
                std::snprintf(line, sizeof line, "%-11s %-13s %-6s %-6s %s\n", TableName(t), f.name,
                              widthName(f.width), f.editable() ? std::to_string(StoredMaximum(f)).c_str() : "-",
                              f.editable() ? "yes" : "no");
                out += line;
            }
        });
    }
    return 0;
}

namespace {
// The entries a command acts on: the one numbered, or every one that --where's filter matches.
std::vector<int> chosenEntries(TableId t, const std::string& number, const std::string& where, const OrbData& orb)
{
    if (where.empty())
        return {EntryArg(t, number)};

    FieldFilter f = ParseFieldFilter(t, where);
    if (!f.error.empty())
        Fail("--where " + f.error);
    std::vector<int> out;
    for (int n = 1; n <= TableCount(t); ++n)
        if (FilterMatches(f, orb, t, n))
            out.push_back(n);
    return out;
}
}  // namespace

namespace {
// With --where no NUMBER is written, so the first word after TABLE is a field (or FIELD=TEXT).
std::vector<std::string> withFirst(const std::string& number, const std::string& where, std::vector<std::string> words)
{
    if (!where.empty() && !number.empty())
        words.insert(words.begin(), number);
    return words;
}
}  // namespace

int CmdGet(const std::string& file, const std::string& tableName, const std::string& numberText,
           const std::string& where, const std::vector<std::string>& fieldNames, std::string& out)
{
    const std::vector<std::string> names = withFirst(numberText, where, fieldNames);
    const std::string number = where.empty() ? numberText : std::string();
    TableId t = TableArg(tableName);
    if (where.empty())
        EntryArg(t, number);  // a wrong number is refused before the file is read
    Loaded data = LoadData(file, false);
    const std::vector<int> entries = chosenEntries(t, number, where, data.orb);
    WithTable(t, [&](const auto& fields, auto entry) {
        std::vector<const std::remove_reference_t<decltype(fields.front())>*> shown;
        for (const auto& f : fields)
            if (names.empty())
                shown.push_back(&f);
        for (const std::string& name : names) {
            const auto* f = FindField(fields, name);
            if (!f)
                Fail("unknown field '" + name + "' of " + TableName(t));
            shown.push_back(f);
        }
        for (int n : entries) {
            const auto r = entry(data.orb, n);
            // With --where, each line names its entry.
            const std::string prefix = where.empty() ? std::string() : EntryNumberText(n) + " ";
            for (const auto* f : shown)
                out += prefix + f->name + "=" + valueText(r, *f) + "\n";
        }
    });
    if (!where.empty())
        CliNotes() += CountText(entries.size(), "entry matches", "entries match") + "\n";
    return 0;
}

int CmdSet(const std::string& file, const std::string& tableName, const std::string& numberText,
           const std::string& where, const std::vector<std::string>& given, std::string& out, std::string& warnings)
{
    const std::vector<std::string> assignments = withFirst(numberText, where, given);
    const std::string number = where.empty() ? numberText : std::string();
    TableId t = TableArg(tableName);
    if (where.empty())
        EntryArg(t, number);
    if (assignments.empty())
        Fail("set needs FIELD=TEXT");
    Loaded data = LoadData(file, true);
    const std::vector<int> entries = chosenEntries(t, number, where, data.orb);
    WithTable(t, [&](const auto& fields, auto entry) {
        for (int n : entries) {
            auto r = entry(data.orb, n);
            const std::string prefix = where.empty() ? std::string() : EntryNumberText(n) + " ";
            for (const std::string& a : assignments) {
                std::size_t eq = a.find('=');
                if (eq == std::string::npos || eq == 0)
                    Fail("expected FIELD=TEXT, got '" + a + "'");
                std::string name = a.substr(0, eq), text = a.substr(eq + 1);
                const auto* f = FindField(fields, name);
                if (IsWorkingField(name) || (f && !f->editable()))
                    Fail("field '" + name + "' cannot be set: no page of the editor edits it");
                if (!f)
                    Fail("unknown field '" + name + "' of " + TableName(t));
                std::string stored = text;
                if (f->width == FieldWidth::Text) {
                    // A name is one byte per character: only Latin-1 characters have one.
                    Latin1Result latin1 = Utf8ToLatin1(text);
                    if (!latin1.ok)
                        Fail(std::string(f->name) + ": '" + latin1.refused +
                             "' cannot be stored in a name (Latin-1 characters only)");
                    const std::string control = ControlCharacterProblem(latin1.text);
                    if (!control.empty())
                        Fail(std::string(f->name) + ": " + control);
                    stored = latin1.text;
                }
                StoreFieldText(r, *f, stored);
                const std::string now = FieldValueText(r, *f);
                // Nothing typed stores 0, as Commit stores it: said, since no digit asked for it.
                const bool emptyNumber = text.empty() && f->width != FieldWidth::Text;
                if (emptyNumber || !StoredAsTyped(f->width, text, now))
                    warnings += prefix + StoredNote(f->name, f->width, text, now) + "\n";
                out += prefix + f->name + "=" + valueText(r, *f) + "\n";
            }
            entry.set(data.orb, n, r);
        }
    });
    if (!entries.empty())
        SaveData(file, data);
    if (!where.empty())
        out += "set " + CountText(entries.size(), "entry", "entries") + "\n";
    return 0;
}

void ForEachTailPiece(const Loaded& data, const std::function<void(const char*, std::size_t)>& piece)
{
    if (!data.image.tailSize) {
        if (!data.stdinTail.empty())
            piece(data.stdinTail.data(), data.stdinTail.size());
        return;
    }
    std::ifstream in(data.image.source, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(OrbImageSize));
    std::vector<char> buf(1 << 16);
    for (std::uint64_t left = data.image.tailSize; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
        if (!in.read(buf.data(), static_cast<std::streamsize>(n)))
            Fail("cannot read the bytes past " + std::to_string(OrbImageSize) + " of '" + data.name + "'");
        piece(buf.data(), n);
        left -= n;
    }
}

bool SameTail(const Loaded& a, const Loaded& b)
{
    if (LengthOf(a) != LengthOf(b))
        return false;
    // b's tail read alongside a's, a piece at a time.
    std::string pending;
    bool same = true;
    std::ifstream in;
    if (b.image.tailSize) {
        in.open(b.image.source, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(OrbImageSize));
    }
    std::size_t offset = 0;
    ForEachTailPiece(a, [&](const char* bytes, std::size_t n) {
        if (!same)
            return;
        pending.resize(n);
        if (b.image.tailSize) {
            if (!in.read(pending.data(), static_cast<std::streamsize>(n)))
                Fail("cannot read the bytes past " + std::to_string(OrbImageSize) + " of '" + b.name + "'");
        } else {
            pending.assign(b.stdinTail, offset, n);
        }
        offset += n;
        same = std::equal(bytes, bytes + n, pending.begin());
    });
    return same;
}

int CmdDiff(const std::string& a, const std::string& b, const std::string& tableName, const std::string& formatText,
            std::string& out)
{
    const std::string format = FormatArg(formatText, {"text", "json"});
    std::vector<std::string> tables;
    if (!tableName.empty())
        tables.push_back(TableName(TableArg(tableName)));
    Loaded la = LoadData(a, false), lb = LoadData(b, false);
    std::vector<FieldDifference> diffs = DiffFields(la.orb, lb.orb, tables);
    // Bytes no value shows: after a name's end, and where no field is (not with --table).
    const std::vector<std::string> hidden = tables.empty() ? HiddenBytesDifferences(la.orb, lb.orb) : std::vector<std::string>();
    // The files themselves: their lengths, and what a long file holds past the image.
    std::vector<std::pair<std::string, std::string>> file;
    if (LengthOf(la) != LengthOf(lb))
        file.emplace_back("length", std::to_string(LengthOf(la)) + " -> " + std::to_string(LengthOf(lb)) + " bytes");
    else if (LengthOf(la) > OrbImageSize && !SameTail(la, lb))
        file.emplace_back("tail", "the bytes past " + std::to_string(OrbImageSize) + " differ");
    if (format == "json") {
        nlohmann::json doc = nlohmann::json::array();
        for (const FieldDifference& d : diffs) {
            // Numbers as JSON numbers, names as strings, as dump writes them.
            const bool name = WithTable(*ParseTable(d.table), [&](const auto& fields, auto) {
                const auto* f = FindField(fields, d.field);
                return f && f->width == FieldWidth::Text;
            });
            const auto value = [name](const std::string& v) {
                return name ? nlohmann::json(v) : nlohmann::json(std::stoul(v));
            };
            doc.push_back({{"table", d.table}, {"number", d.number}, {"field", d.field}, {"a", value(d.before)},
                           {"b", value(d.after)}});
        }
        for (const std::string& line : hidden)
            doc.push_back({{"table", "file"}, {"field", "hidden bytes"}, {"text", line}});
        if (!file.empty() && file.front().first == "length")
            doc.push_back({{"table", "file"}, {"field", "length"}, {"a", LengthOf(la)}, {"b", LengthOf(lb)}});
        else if (!file.empty())
            doc.push_back({{"table", "file"}, {"field", "tail"}, {"a", "differs"}, {"b", "differs"}});
        out += doc.dump(2) + "\n";
    } else {
        for (const FieldDifference& d : diffs)
            out += DifferenceLine(d);
        for (const std::string& line : hidden)
            out += line + "\n";
        for (const auto& [what, text] : file)
            out += "file " + what + ": " + text + "\n";
    }
    return diffs.empty() && file.empty() && hidden.empty() ? 0 : 1;
}

int CmdRenumber(const std::string& file, const std::string& from, const std::string& to, std::string& out)
{
    auto code = [](const std::string& text) {
        if (!PlainDigits(text, 2))
            Fail("renumber takes nation codes 0 to 99, as the editor's Renumber does, not '" + text + "'");
        return static_cast<uint8_t>(std::stoi(text));
    };
    uint8_t f = code(from), t = code(to);
    Loaded data = LoadData(file, true);
    // A nation a short file cuts off cannot be seen: renumbering would pass its entries over.
    for (TableId table : {TableId::Units, TableId::Formations})
        WithTable(table, [&](const auto& fields, auto) {
            const auto* nation = FindField(fields, "Nation");
            for (int n = 1; n <= TableCount(table); ++n)
                if (nation->pastEnd(n, data.image.bytesRead))
                    Fail(PastEndText(file, data.image.bytesRead, TableName(table), n, "Nation") + " and cannot be renumbered");
        });
    RenumberResult r = RenumberNation(data.orb, f, t);
    if (r.changed())
        SaveData(file, data);
    char codes[32];
    std::snprintf(codes, sizeof codes, " from %02d to %02d\n", f, t);
    out += "Renumbered " + CountText(r.changed() ? r.units.size() : 0, "unit", "units") + " and " +
           CountText(r.changed() ? r.formations.size() : 0, "formation", "formations") + codes;
    return 0;
}

int CmdCopy(const std::string& src, const std::string& tableName, const std::string& number, const std::string& dst,
            const std::string& number2, std::string& out)
{
    TableId t = TableArg(tableName);
    int from = EntryArg(t, number);
    int to = number2.empty() ? from : EntryArg(t, number2);
    Loaded ls = LoadData(src, false);
    Loaded ld = LoadData(dst, true);
    // A value past the end of a short source was never in it: copying it as 0 would wipe the target.
    WithTable(t, [&](const auto& fields, auto) {
        for (const auto& f : fields)
            if (f.editable() && f.pastEnd(from, ls.image.bytesRead))
                Fail(PastEndText(src, ls.image.bytesRead, TableName(t), from, f.name));
    });
    bool changed = WithTable(t, [&](const auto&, auto entry) {
        auto target = entry(ld.orb, to);
        const auto before = target;
        CopyPageFields(entry(ls.orb, from), target);
        entry.set(ld.orb, to, target);
        return !SameEntry(before, target);
    });
    if (changed)
        SaveData(dst, ld);
    out += std::string("copied ") + TableName(t) + " " + EntryNumberText(from) + " to " + EntryNumberText(to) +
           (changed ? "" : " (no field changed)") + "\n";
    return 0;
}

namespace {
// An empty --where would leave the entry number to be read from the next word: refused.
CLI::Validator someCondition()
{
    return CLI::Validator(
        [](std::string& text) {
            return text.find_first_not_of(" \t") == std::string::npos
                       ? std::string("needs at least one condition, e.g. \"Nation=12\"")
                       : std::string();
        },
        "CONDITIONS");
}
}  // namespace

void AddFileCommands(std::vector<CommandSpec>& to)
{
    to.push_back({"list", "The 66 data file list lines of DIR, as the editor's Load page shows them", [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("DIR", w->dir, "The folder (default: the working folder)");
                      return CommandRun([w](std::string& out, std::string&) { return CmdList(w->dir, out); });
                  }});
    to.push_back({"fields", "Each field of a table: its width, the largest value a commit stores, and whether a page of the editor edits it",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("TABLE", w->table, "units, weapons or formations (default: all three)");
                      return CommandRun([w](std::string& out, std::string&) { return CmdFields(w->table, out); });
                  }});
    to.push_back({"get", "FIELD=VALUE lines of one entry, or with --where of every entry that matches (all fields when "
                         "none are named)",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      c->add_option("TABLE", w->table)->required();
                      c->add_option("NUMBER", w->number, "The entry (none with --where)");
                      c->add_option("FIELD", w->words, "Field names, in any letter case");
                      c->add_option("--where", w->where, "Conditions that must all hold, e.g. \"Nation=12 Cost>100 Name~tank\"")
                          ->check(someCondition());
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdGet(w->file, w->table, w->number, w->where, w->words, out);
                      });
                  }});
    to.push_back({"set", "Stores values as the editor's Commit does, in one entry or with --where in every entry that "
                         "matches, and says what it stored",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      c->add_option("TABLE", w->table)->required();
                      c->add_option("NUMBER", w->number, "The entry (none with --where)");
                      c->add_option("FIELD=TEXT", w->words, "e.g. Cost=120 Name=\"Rifle Sqd\"");
                      c->add_option("--where", w->where, "Conditions that must all hold, e.g. \"Class=13\"")->check(someCondition());
                      return CommandRun([w](std::string& out, std::string& warnings) {
                          return CmdSet(w->file, w->table, w->number, w->where, w->words, out, warnings);
                      });
                  }});
    to.push_back({"import", "Brings back a table's CSV (a header row with 'number' and any fields by the names dump uses), "
                            "or all tables from a workbook or dump's JSON, strictly checked",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      c->add_option("[TABLE] SOURCE", w->words,
                                    "TABLE and a CSV (UTF-8, UTF-16 or Windows-1252; comma, semicolon or tab), or a "
                                    "workbook (.xlsx) or JSON, with or without TABLE; - reads standard input")
                          ->expected(1, 2)
                          ->required();
                      c->add_flag("--dry-run", w->dryRun, "Print the changes and write nothing");
                      c->add_flag("--force", w->force,
                                  "Store names that look like UTF-8 read as Windows-1252 (\"J\u00c3\u00a4ger\") as they are");
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdImport(w->file, w->words, w->dryRun, w->force, out);
                      });
                  }});
    to.push_back({"diff", "Every field that differs between two data files; exit 1 when any", [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("A", w->file)->required();
                      c->add_option("B", w->file2)->required();
                      c->add_option("--table", w->table, "units, weapons or formations (default: all three)");
                      c->add_option("--format", w->format, "text (default) or json");
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdDiff(w->file, w->file2, w->table, w->format.empty() ? "text" : w->format, out);
                      });
                  }});
    to.push_back({"renumber", "Gives every unit and formation of nation FROM the nation TO", [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      c->add_option("FROM", w->from)->required();
                      c->add_option("TO", w->to)->required();
                      return CommandRun([w](std::string& out, std::string&) { return CmdRenumber(w->file, w->from, w->to, out); });
                  }});
    to.push_back({"copy", "Entry NUMBER of SRC into entry NUMBER2 (default NUMBER) of DST, as the editor's Copy, Paste and Commit carry it",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("SRC", w->file)->required();
                      c->add_option("TABLE", w->table)->required();
                      c->add_option("NUMBER", w->number)->required();
                      c->add_option("DST", w->file2)->required();
                      c->add_option("NUMBER2", w->number2);
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdCopy(w->file, w->table, w->number, w->file2, w->number2, out);
                      });
                  }});
}
