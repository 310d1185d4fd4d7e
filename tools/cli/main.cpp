// orbtool-cli: the order-of-battle data files from the command line, for scripts and spreadsheets.
// It uses the editor's own data layer and rules, and no windowing toolkit.
#include "tools/cli/Commands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

#ifndef ORBTOOL_VERSION
#define ORBTOOL_VERSION "0.0.0"
#endif

namespace {
// Messages on stderr: where they cannot go, there is nowhere left to say so.
void note(const std::string& s)
{
    std::fwrite(s.data(), 1, s.size(), stderr);
}
void write(std::FILE* f, const std::string& s)
{
    if (f == stderr)
        note(s);
    else
        Emit(f, s);
}
}  // namespace

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

int runTool(int argc, char** argv)
{
#ifdef _WIN32
    // Output is bytes (UTF-8, CSV line ends as written), never translated on the way out.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    CLI::App app{"Reads, checks and changes order-of-battle data files (ORB05, ORB12, ...).\n"
                 "Exit status: 0 ok, 1 differences or problems found (diff, check), 2 error.\n"
                 "A command that fails changes no file.",
                 "orbtool-cli"};
    app.set_version_flag("--version", "orbtool-cli " ORBTOOL_VERSION, "Print the version and exit");
    app.require_subcommand(0, 1);
    app.fallthrough(false);

    std::string file, file2, file3, output, where, table, format, number, number2, dir = ".", csv, from, to, topic;
    std::vector<std::string> words;
    bool dryRun = false;
    std::string out, warnings;
    std::function<int()> run;

    // Each command's options; only the command named is set up, since setting up all of them
    // cost more than some commands' own work. Help, and anything else, sets up all.
    struct Command {
        const char* name;
        const char* about;
        std::function<void(CLI::App* c)> options;
    };
    const std::vector<Command> commands = {
        {"help", "Usage of the tool, or of one command",
         [&](CLI::App* c) {
             c->add_option("COMMAND", topic, "The command to explain");
         }},
        {"list", "The 66 data file list lines of DIR, as the editor's Load page shows them",
         [&](CLI::App* c) {
             c->add_option("DIR", dir, "The folder (default: the working folder)");
             c->callback([&] { run = [&] { return CmdList(dir, out); }; });
         }},
        {"dump", "Every entry of a file as JSON, or one table as CSV",
         [&](CLI::App* c) {
             c->add_option("FILE", file, "The data file; - reads it from standard input")->required();
             c->add_option("--table", table, "units, weapons or formations (CSV needs one)");
             c->add_option("--format", format, "json (default) or csv, in any letter case")->default_str("json");
             c->callback([&] { run = [&] { return CmdDump(file, table, format.empty() ? "json" : format, stdout); }; });
         }},
        {"fields", "Each field of a table: its width, the largest value a commit stores, and whether a page of the editor edits it",
         [&](CLI::App* c) {
             c->add_option("TABLE", table, "units, weapons or formations (default: all three)");
             c->callback([&] { run = [&] { return CmdFields(table, out); }; });
         }},
        {"get", "FIELD=VALUE lines of one entry, or with --where of every entry that matches (all fields when "
                "none are named)",
         [&](CLI::App* c) {
             c->add_option("FILE", file)->required();
             c->add_option("TABLE", table)->required();
             c->add_option("NUMBER", number, "The entry (none with --where)");
             c->add_option("FIELD", words, "Field names, in any letter case");
             c->add_option("--where", where, "Conditions that must all hold, e.g. \"Nation=12 Cost>100 Name~tank\"")
                 ->check(someCondition());
             c->callback([&] { run = [&] { return CmdGet(file, table, number, where, words, out); }; });
         }},
        {"set", "Stores values as the editor's Commit does, in one entry or with --where in every entry that "
                "matches, and says what it stored",
         [&](CLI::App* c) {
             c->add_option("FILE", file)->required();
             c->add_option("TABLE", table)->required();
             c->add_option("NUMBER", number, "The entry (none with --where)");
             c->add_option("FIELD=TEXT", words, "e.g. Cost=120 Name=\"Rifle Sqd\"");
             c->add_option("--where", where, "Conditions that must all hold, e.g. \"Class=13\"")->check(someCondition());
             c->callback([&] { run = [&] { return CmdSet(file, table, number, where, words, out, warnings); }; });
         }},
        {"import", "Brings back a CSV of one table (a header row with 'number' and " "any fields by the names dump uses), strictly checked",
         [&](CLI::App* c) {
             c->add_option("FILE", file)->required();
             c->add_option("TABLE", table)->required();
             c->add_option("CSV", csv, "The CSV file; - reads it from standard input")->required();
             c->add_flag("--dry-run", dryRun, "Print the changes and write nothing");
             c->callback([&] { run = [&] { return CmdImport(file, table, csv, dryRun, out); }; });
         }},
        {"diff", "Every field that differs between two data files; exit 1 when any",
         [&](CLI::App* c) {
             c->add_option("A", file)->required();
             c->add_option("B", file2)->required();
             c->add_option("--table", table, "units, weapons or formations (default: all three)");
             c->add_option("--format", format, "text (default) or json");
             c->callback([&] { run = [&] { return CmdDiff(file, file2, table, format.empty() ? "text" : format, out); }; });
         }},
        {"check", "References that name nothing and formations over 60 units; exit 1 when any",
         [&](CLI::App* c) {
             c->add_option("FILE", file)->required();
             c->callback([&] { run = [&] { return CmdCheck(file, out); }; });
         }},
        {"renumber", "Gives every unit and formation of nation FROM the nation TO",
         [&](CLI::App* c) {
             c->add_option("FILE", file)->required();
             c->add_option("FROM", from)->required();
             c->add_option("TO", to)->required();
             c->callback([&] { run = [&] { return CmdRenumber(file, from, to, out); }; });
         }},
        {"copy", "Entry NUMBER of SRC into entry NUMBER2 (default NUMBER) of DST, as the editor's Copy, Paste and Commit carry it",
         [&](CLI::App* c) {
             c->add_option("SRC", file)->required();
             c->add_option("TABLE", table)->required();
             c->add_option("NUMBER", number)->required();
             c->add_option("DST", file2)->required();
             c->add_option("NUMBER2", number2);
             c->callback([&] { run = [&] { return CmdCopy(file, table, number, file2, number2, out); }; });
         }},
        {"patch", "The fields MODDED changes from STOCK, as a patch (a text file that apply carries onto any file)",
         [&](CLI::App* c) {
             c->add_option("STOCK", file)->required();
             c->add_option("MODDED", file2)->required();
             c->add_option("-o", output, "Write the patch there (default: standard output)");
             c->callback([&] { run = [&] { return CmdPatch(file, file2, output, out); }; });
         }},
        {"apply", "Applies patches in order onto FILE and saves once; any conflict: all listed, exit 1, nothing written",
         [&](CLI::App* c) {
             c->add_option("FILE", file)->required();
             c->add_option("PATCH", words, "Patch files; - reads one from standard input")->required();
             c->add_flag("--dry-run", dryRun, "Print the changes and write nothing");
             c->callback([&] { run = [&] { return CmdApply(file, words, dryRun, out); }; });
         }},
        {"merge", "Three-way merge, field by field, into OUT (default: over OURS); conflicts keep ours' values, exit 1",
         [&](CLI::App* c) {
             c->add_option("BASE", file)->required();
             c->add_option("OURS", file2)->required();
             c->add_option("THEIRS", file3)->required();
             c->add_option("-o", output, "Write the result there instead of over OURS");
             c->callback([&] { run = [&] { return CmdMerge(file, file2, file3, output, out); }; });
         }},
        {"show", "Every field of every entry, one line each: the text git diffs",
         [&](CLI::App* c) {
             c->add_option("FILE", file)->required();
             c->callback([&] { run = [&] { return CmdShow(file, out); }; });
         }},
        {"git-setup", "Makes the git repository at DIR diff and merge data files through this tool",
         [&](CLI::App* c) {
             c->add_option("DIR", dir, "The repository (default: the working folder)");
             c->callback([&] { run = [&] { return CmdGitSetup(dir, out); }; });
         }},
    };

    // The arguments as UTF-8, first to last.
    std::vector<std::string> args;
#ifdef _WIN32
    // Windows hands narrow arguments over in the ANSI code page: take the wide ones as UTF-8.
    int wargc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    for (int i = 1; i < wargc; ++i) {
        int n = WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string a(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, a.data(), n, nullptr, nullptr);
        args.push_back(std::move(a));
    }
    LocalFree(wargv);
#else
    args.assign(argv + 1, argv + argc);
#endif
    const std::string named = args.empty() ? std::string() : args.front();
    const bool one = named != "help" && std::any_of(commands.begin(), commands.end(),
                                                    [&](const Command& c) { return named == c.name; });
    CLI::App* help = nullptr;
    for (const Command& c : commands)
        if (!one || named == c.name) {
            CLI::App* sub = app.add_subcommand(c.name, c.about);
            c.options(sub);
            if (std::string(c.name) == "help")
                help = sub;
        }

    try {
        std::reverse(args.begin(), args.end());  // CLI11 takes them last first
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        write(stdout, app.help());
        return 0;
    } catch (const CLI::CallForVersion&) {
        write(stdout, "orbtool-cli " ORBTOOL_VERSION "\n");
        return 0;
    } catch (const CLI::ParseError& e) {
        std::ostringstream err;
        err << "orbtool-cli: " << e.what() << "\n";
        write(stderr, err.str() + "Run 'orbtool-cli --help' for usage.\n");
        return 2;
    }
    if (help && help->parsed()) {
        if (topic.empty()) {
            // The tool's own usage, not that of the help command just parsed.
            write(stdout, app.get_formatter()->make_help(&app, "orbtool-cli", CLI::AppFormatMode::Normal));
            return 0;
        }
        for (CLI::App* sub : app.get_subcommands({}))
            if (sub->get_name() == topic) {
                write(stdout, sub->help());
                return 0;
            }
        write(stderr, "orbtool-cli: no command is called '" + topic + "'\n");
        return 2;
    }
    if (!run) {
        write(stderr, app.help());
        return 2;
    }
    try {
        int status = run();
        write(stdout, out);
        write(stderr, CliNotes() + warnings);
        return status;
    } catch (const CliError& e) {
        write(stderr, CliNotes() + std::string("orbtool-cli: ") + e.what() + "\n");
        return 2;
    }
}

int main(int argc, char** argv)
{
    const int status = runTool(argc, argv);
    // Output that never arrived is a failure, whatever the command made of it: git, for one, would
    // take an empty diff from a full disk for no change.
    const std::string why = FinishOutput(stdout);
    if (!why.empty()) {
        note("orbtool-cli: cannot write the output: " + why + "\n");
        return 2;
    }
    return status;
}
