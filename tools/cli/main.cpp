// orbtool-cli: the order-of-battle data files from the command line, for scripts and spreadsheets.
// It uses the editor's own data layer and rules, and no windowing toolkit.
#include "tools/cli/Commands.h"

#include <CLI/CLI.hpp>

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
void write(std::FILE* f, const std::string& s)
{
    std::fwrite(s.data(), 1, s.size(), f);
}
}  // namespace

int main(int argc, char** argv)
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

    std::string file, file2, table, format, number, number2, dir = ".", csv, from, to, topic;
    std::vector<std::string> words;
    bool dryRun = false;
    std::string out, warnings;
    std::function<int()> run;

    auto* help = app.add_subcommand("help", "Usage of the tool, or of one command");
    help->add_option("COMMAND", topic, "The command to explain");

    auto* list = app.add_subcommand("list", "The 66 data file list lines of DIR, as the editor's Load page shows them");
    list->add_option("DIR", dir, "The folder (default: the working folder)");
    list->callback([&] { run = [&] { return CmdList(dir, out); }; });

    auto* dump = app.add_subcommand("dump", "Every entry of a file as JSON, or one table as CSV");
    dump->add_option("FILE", file, "The data file; - reads it from standard input")->required();
    dump->add_option("--table", table, "units, weapons or formations (CSV needs one)");
    dump->add_option("--format", format, "json (default) or csv, in any letter case")->default_str("json");
    dump->callback([&] { run = [&] { return CmdDump(file, table, format.empty() ? "json" : format, stdout); }; });

    auto* fields = app.add_subcommand("fields", "Each field of a table: its width, the largest value a commit stores, "
                                                "and whether a page of the editor edits it");
    fields->add_option("TABLE", table, "units, weapons or formations (default: all three)");
    fields->callback([&] { run = [&] { return CmdFields(table, out); }; });

    auto* get = app.add_subcommand("get", "FIELD=VALUE lines of one entry (all fields when none are named)");
    get->add_option("FILE", file)->required();
    get->add_option("TABLE", table)->required();
    get->add_option("NUMBER", number)->required();
    get->add_option("FIELD", words, "Field names, in any letter case");
    get->callback([&] { run = [&] { return CmdGet(file, table, number, words, out); }; });

    auto* set = app.add_subcommand("set", "Stores values as the editor's Commit does, and says what it stored");
    set->add_option("FILE", file)->required();
    set->add_option("TABLE", table)->required();
    set->add_option("NUMBER", number)->required();
    set->add_option("FIELD=TEXT", words, "e.g. Cost=120 Name=\"Rifle Sqd\"")->required();
    set->callback([&] { run = [&] { return CmdSet(file, table, number, words, out, warnings); }; });

    auto* import = app.add_subcommand("import", "Brings back a CSV of one table (a header row with 'number' and "
                                                "any fields by the names dump uses), strictly checked");
    import->add_option("FILE", file)->required();
    import->add_option("TABLE", table)->required();
    import->add_option("CSV", csv, "The CSV file; - reads it from standard input")->required();
    import->add_flag("--dry-run", dryRun, "Print the changes and write nothing");
    import->callback([&] { run = [&] { return CmdImport(file, table, csv, dryRun, out); }; });

    auto* diff = app.add_subcommand("diff", "Every field that differs between two data files; exit 1 when any");
    diff->add_option("A", file)->required();
    diff->add_option("B", file2)->required();
    diff->add_option("--table", table, "units, weapons or formations (default: all three)");
    diff->add_option("--format", format, "text (default) or json");
    diff->callback([&] { run = [&] { return CmdDiff(file, file2, table, format.empty() ? "text" : format, out); }; });

    auto* check = app.add_subcommand("check", "References that name nothing and formations over 60 units; exit 1 when any");
    check->add_option("FILE", file)->required();
    check->callback([&] { run = [&] { return CmdCheck(file, out); }; });

    auto* renumber = app.add_subcommand("renumber", "Gives every unit and formation of nation FROM the nation TO");
    renumber->add_option("FILE", file)->required();
    renumber->add_option("FROM", from)->required();
    renumber->add_option("TO", to)->required();
    renumber->callback([&] { run = [&] { return CmdRenumber(file, from, to, out); }; });

    auto* copy = app.add_subcommand("copy", "Entry NUMBER of SRC into entry NUMBER2 (default NUMBER) of DST, as the "
                                            "editor's Copy, Paste and Commit carry it");
    copy->add_option("SRC", file)->required();
    copy->add_option("TABLE", table)->required();
    copy->add_option("NUMBER", number)->required();
    copy->add_option("DST", file2)->required();
    copy->add_option("NUMBER2", number2);
    copy->callback([&] { run = [&] { return CmdCopy(file, table, number, file2, number2, out); }; });

    try {
#ifdef _WIN32
        // Windows hands narrow arguments over in the ANSI code page: take the wide ones as UTF-8.
        std::vector<std::string> args;
        int wargc = 0;
        wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
        for (int i = wargc - 1; i >= 1; --i) {
            int n = WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, nullptr, 0, nullptr, nullptr);
            std::string a(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
            WideCharToMultiByte(CP_UTF8, 0, wargv[i], -1, a.data(), n, nullptr, nullptr);
            args.push_back(std::move(a));
        }
        LocalFree(wargv);
        (void)argc;
        (void)argv;
        app.parse(args);  // CLI11 takes them last first
#else
        app.parse(argc, argv);
#endif
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
    if (help->parsed()) {
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
