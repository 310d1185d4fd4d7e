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

    std::string topic, out, warnings;
    CommandRun run;

    // Each command's words; only the command named is set up: setting up all of them made a run
    // of check 0.1 ms slower (1.6 ms against 1.5, a thousand runs), more than its own work on a
    // file. Help, and anything else, sets up all.
    std::vector<CommandSpec> commands = {{"help", "Usage of the tool, or of one command", [&](CLI::App* c) {
                                              c->add_option("COMMAND", topic, "The command to explain");
                                              return CommandRun();
                                          }}};
    AddDumpCommand(commands);
    AddFileCommands(commands);
    AddModCommands(commands);
    AddRuleCommands(commands);
    AddTreeCommand(commands);
    AddScriptCommands(commands);

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
                                                    [&](const CommandSpec& c) { return named == c.name; });
    CLI::App* help = nullptr;
    for (const CommandSpec& c : commands)
        if (!one || named == c.name) {
            CLI::App* sub = app.add_subcommand(c.name, c.about);
            CommandRun runs = c.options(sub);
            if (runs)
                sub->callback([&run, runs] { run = runs; });
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
        int status = run(out, warnings);
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
