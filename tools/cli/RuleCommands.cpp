// check: the rules a data file should keep, run over a file or every data file of a folder; refs
// and move: what names an entry, and moving it with all that names it.
#include "tools/cli/Commands.h"

#include "core/References.h"
#include "core/Rules.h"
#include "data/ORBIO.h"
#include "script/ScriptRules.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
std::set<std::string> ruleCodes(const std::string& list, const ScriptRuleSet* scripted)
{
    std::set<std::string> codes;
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string code = list.substr(start, end - start);
        if (!FindRule(code) && !(scripted && scripted->find(code)))
            Fail("no rule is called '" + code + "' (orbtool-cli check --list-rules names them)");
        codes.insert(code);
        start = end + 1;
    }
    return codes;
}

// The data files a check names: each file given, and every entry of each folder whose name is a
// data file's in any letter case (ORB05 and orb05 both), by number. A folder that cannot be read,
// or holds no data file, is named in unread.
std::vector<std::string> filesOf(const std::vector<std::string>& paths, std::vector<std::string>& unread)
{
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(fs::u8path(path), ec)) {
            files.push_back(path);  // the load says why, when it is no data file
            continue;
        }
        std::vector<std::pair<int, std::string>> found;
        fs::directory_iterator it(fs::u8path(path), ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const int n = OrbNumberOf(it->path().filename().u8string());
            if (n >= 0)
                found.emplace_back(n, it->path().u8string());  // a folder so named too: the load names it
        }
        if (ec)
            unread.push_back("cannot read the folder '" + path + "': " + ec.message());
        else if (found.empty())
            unread.push_back("'" + path + "' holds no data file (ORB05, ORB12, ...)");
        std::sort(found.begin(), found.end());
        for (auto& f : found)
            files.push_back(std::move(f.second));
    }
    return files;
}
}  // namespace

int CmdCheck(const std::vector<std::string>& paths, const std::string& formatText, const std::string& rules,
             const std::string& ignore, bool listRules, const std::string& rulesFrom, std::string& out)
{
    const std::unique_ptr<ScriptRuleSet> scripted = rulesFrom.empty() ? nullptr : LoadRuleFiles(rulesFrom);
    if (listRules) {
        std::vector<const Rule*> listed;
        for (const Rule& r : AllRules())
            listed.push_back(&r);
        if (scripted)
            listed.insert(listed.end(), scripted->rules().begin(), scripted->rules().end());
        for (const Rule* r : listed)
            out += std::string(r->code) + "  " + SeverityName(r->severity) + (r->byDefault ? "" : " (asked for by name)") +
                   "  " + r->about + "\n";
        return 0;
    }
    if (paths.empty())
        Fail("check needs a FILE or a folder");
    const std::string format = FormatArg(formatText, {"text", "json"});
    const RuleSelection selection{ruleCodes(rules, scripted.get()), ruleCodes(ignore, scripted.get())};
    nlohmann::json doc = nlohmann::json::array();
    bool errors = false;
    auto report = [&](const std::string& file, const char* table, int number, const std::string& field,
                      Severity severity, const char* code, const std::string& message) {
        errors = errors || severity == Severity::Error;
        if (format == "json")
            doc.push_back({{"file", file}, {"table", table}, {"number", number}, {"field", field},
                           {"severity", SeverityName(severity)}, {"code", code}, {"message", message}});
        else
            out += file + ":" + table + ":" + std::to_string(number) + ":" + field + ": " + SeverityName(severity) + " " +
                   code + ": " + message + "\n";
    };
    const char* fileRule = ScriptRuleSet::FileRule().code;  // a rule file that failed: said once
    if (scripted && !selection.ignore.count(fileRule))
        for (const RuleFileFailure& f : scripted->failures())
            report(f.path, "rules", f.line, "", Severity::Error, fileRule, f.message);
    // What cannot be read is named and the others are checked all the same; the exit status says it.
    std::vector<std::string> unread;
    for (const std::string& file : filesOf(paths, unread)) {
        Loaded data;
        try {
            data = LoadData(file, false);
        } catch (const CliError& e) {
            unread.push_back(e.what());
            continue;
        }
        // A short file is itself an error: the game reads values past its end that it never held.
        if (data.image.bytesRead < OrbImageSize && !selection.ignore.count("file-short"))
            report(file, "file", 0, "length", Severity::Error, "file-short",
                   "only " + std::to_string(data.image.bytesRead) + " of " + std::to_string(OrbImageSize) + " bytes");
        std::vector<Finding> found = RunRules(data.orb, selection);
        if (scripted) {
            const std::vector<Finding> more = scripted->check(data.orb, ScriptFileOf(file), selection);
            found.insert(found.end(), more.begin(), more.end());
            CliNotes() += scripted->takeOutput();
        }
        for (const Finding& f : found)
            report(file, TableName(f.table), f.number, f.field, f.rule->severity, f.rule->code, f.message);
    }
    if (format == "json")
        out += doc.dump(2) + "\n";
    for (const std::string& why : unread)
        CliNotes() += "orbtool-cli: " + why + ": not checked\n";
    return !unread.empty() ? 2 : errors ? 1 : 0;
}


int CmdRefs(const std::string& file, const std::string& table, const std::string& number, std::string& out)
{
    const TableId t = TableArg(table);
    const int n = EntryArg(t, number);
    const Loaded data = LoadData(file, false);
    for (const Reference& r : FindReferences(data.orb, t, n))
        out += ReferenceText(r) + "\n";
    return 0;
}

int CmdMove(const std::string& file, const std::string& table, const std::string& from, const std::string& to, bool swap,
            std::string& out)
{
    const TableId t = TableArg(table);
    const int a = EntryArg(t, from), b = EntryArg(t, to);
    Loaded data = LoadData(file, true);
    // An entry a short file cuts off is not there to move: moving its zeros would say it was.
    WithTable(t, [&](const auto& fields, auto) {
        for (int n : {a, b})
            for (const auto& f : fields)
                if (f.pastEnd(n, data.image.bytesRead))
                    Fail(PastEndText(file, data.image.bytesRead, TableName(t), n, f.name) + " and cannot be moved");
    });
    const MoveResult moved = MoveEntry(data.orb, t, a, b, swap);
    if (!moved.error.empty())
        Fail(moved.error);
    SaveData(file, data);
    out += std::string(swap ? "swapped " : "moved ") + TableName(t) + " " + EntryNumberText(a) + (swap ? " and " : " to ") +
           EntryNumberText(b) + "; " + std::to_string(moved.references) +
           (moved.references == 1 ? " reference follows\n" : " references follow\n");
    return 0;
}

void AddRuleCommands(std::vector<CommandSpec>& to)
{
    to.push_back({"refs", "Every field that names entry NUMBER of TABLE: a weapon's units, a unit's or formation's slots",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      c->add_option("TABLE", w->table)->required();
                      c->add_option("NUMBER", w->number)->required();
                      return CommandRun([w](std::string& out, std::string&) { return CmdRefs(w->file, w->table, w->number, out); });
                  }});
    to.push_back({"move", "Moves entry NUMBER of TABLE to the empty NUMBER2 (or swaps them), and every field naming it follows",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->file)->required();
                      c->add_option("TABLE", w->table)->required();
                      c->add_option("NUMBER", w->number)->required();
                      c->add_option("NUMBER2", w->number2)->required();
                      c->add_flag("--swap", w->dryRun, "Swap with NUMBER2 when it is not empty");
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdMove(w->file, w->table, w->number, w->number2, w->dryRun, out);
                      });
                  }});
    to.push_back({"check", "The rules a data file should keep (references, sizes, codes, bounds, years); exit 1 on an error",
                  [](CLI::App* c) {
                      auto w = std::make_shared<CommandWords>();
                      c->add_option("FILE", w->words, "Data files, or folders: each data file in them");
                      c->add_option("--format", w->format, "text (default): FILE:TABLE:N:FIELD: severity code: message; or json");
                      c->add_option("--rules", w->where, "Only these rules, by code: CODE,CODE (hints too)");
                      c->add_option("--ignore", w->name, "Not these rules: CODE,CODE");
                      c->add_flag("--list-rules", w->dryRun, "Each rule's code, severity and what it finds");
                      c->add_option("--rules-from", w->from, "Also the rules every .lua in this folder declares");
                      return CommandRun([w](std::string& out, std::string&) {
                          return CmdCheck(w->words, w->format.empty() ? "text" : w->format, w->where, w->name, w->dryRun,
                                          w->from, out);
                      });
                  }});
}
