// run: a Lua script on a data file, or on each data file of a folder, each all or nothing; and
// the rule files check takes with --rules-from.
#include "tools/cli/Commands.h"

#include "core/OrbDiff.h"
#include "data/ORBIO.h"
#include "script/Script.h"
#include "script/ScriptRules.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {
#ifndef _WIN32
// The time limit holds between Lua's instructions; one call into the library can run on past it
// (a pattern that backtracks without end). The system's limit on processor time stops the
// process a second later: nothing has been saved of the file the script was running on.
char hardStopMessage[512];
void hardStop(int)
{
    const ssize_t written = ::write(2, hardStopMessage, std::strlen(hardStopMessage));
    (void)written;
    ::_exit(2);
}
void limitProcessorTime(const std::string& script, double seconds)
{
    std::snprintf(hardStopMessage, sizeof hardStopMessage, "%s: stopped: it ran for more than %g s of processor time\n",
                  script.c_str(), seconds);
    rusage used{};
    rlimit limit{};
    if (::getrusage(RUSAGE_SELF, &used) != 0 || ::getrlimit(RLIMIT_CPU, &limit) != 0)
        return;
    const rlim_t wanted = rlim_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec) + rlim_t(std::ceil(seconds)) + 2;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    std::signal(SIGXCPU, hardStop);
    ::setrlimit(RLIMIT_CPU, &limit);
}
#else
void limitProcessorTime(const std::string&, double) {}
#endif

// The data files a run names: the file, or each data file of the folder, by number.
std::vector<std::string> targetsOf(const std::string& path, bool& folder)
{
    std::error_code ec;
    folder = fs::is_directory(fs::u8path(path), ec);
    if (!folder)
        return {path};
    std::vector<std::string> files;
    const auto exists = ScanOrbFiles(fs::u8path(path));
    for (int n = 0; n <= 99; ++n)
        if (exists[std::size_t(n)])
            files.push_back(FindOrbFile(fs::u8path(path), n).u8string());
    if (files.empty())
        Fail("'" + path + "' holds no data file (ORB05, ORB12, ...)");
    return files;
}

struct RunWords {
    std::string script, target, output;
    bool dryRun = false;
    double seconds = 10;
    std::vector<std::string> args;
};

int cmdRun(const RunWords& w, std::string& out, std::string& warnings)
{
    if (!(w.seconds > 0))
        Fail("--time-limit takes a number of seconds above 0");
    bool folder = false;
    const std::vector<std::string> files = targetsOf(w.target, folder);
    if (folder && !w.output.empty())
        Fail("-o names the file to write for one data file, not for a folder");
    const std::string text = ReadText(w.script);
    ScriptLimits limits;
    limits.seconds = w.seconds;
    int status = 0;
    for (const std::string& file : files) {
        const bool overFile = !w.dryRun && w.output.empty();
        Loaded data = LoadData(file, overFile, "the script reads the values past its end as 0");
        limitProcessorTime(w.script, w.seconds);
        const ScriptRun run = RunScript(w.script, text, data.orb, ScriptFileOf(file), w.args, limits);
        out += run.output;
        if (!run.ok) {
            warnings += (folder ? file + ": " : std::string()) + run.error + "\n";
            status = 2;
            continue;
        }
        const std::vector<FieldDifference> changes = DiffFields(data.orb, run.tables);
        for (const FieldDifference& d : changes)
            out += (folder ? file + ": " : std::string()) + DifferenceLine(d);
        if (w.dryRun)
            continue;
        data.orb = run.tables;
        if (!w.output.empty())
            SaveData(w.output, data);
        else if (!changes.empty())
            SaveData(file, data);  // a run that changes nothing leaves the file untouched
    }
    return status;
}
}  // namespace

std::unique_ptr<ScriptRuleSet> LoadRuleFiles(const std::string& dir)
{
    std::error_code ec;
    if (!fs::is_directory(fs::u8path(dir), ec))
        Fail("--rules-from: '" + dir + "' is not a folder");
    auto set = std::make_unique<ScriptRuleSet>(ScriptRuleSet::Load(fs::u8path(dir)));
    if (!set->error().empty())
        Fail(set->error());
    CliNotes() += set->takeOutput();
    return set;
}

void AddScriptCommands(std::vector<CommandSpec>& to)
{
    to.push_back({"run", "Runs a Lua script on FILE, or on each data file of a folder: prints its output and the fields it "
                         "changed, and saves (all or nothing)",
                  [](CLI::App* c) {
                      auto w = std::make_shared<RunWords>();
                      c->add_option("SCRIPT", w->script, "The Lua script; - reads standard input")->required();
                      c->add_option("FILE", w->target, "A data file, or a folder: each data file in it")->required();
                      c->add_option("ARG", w->args, "After --: the script's arguments, in arg[1], arg[2], ...");
                      c->add_flag("--dry-run", w->dryRun, "Print the output and the changes, and write nothing");
                      c->add_option("-o", w->output, "Write the changed file there instead of over FILE");
                      c->add_option("--time-limit", w->seconds, "Seconds of processor time a run may take (default 10)");
                      return CommandRun([w](std::string& out, std::string& warnings) { return cmdRun(*w, out, warnings); });
                  }});
}
