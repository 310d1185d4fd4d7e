// orbtool-cli dump: every value of a file as JSON or a workbook, or one table as CSV, written as it
// goes by the exchange library; here its words, and where the output goes.
#include "tools/cli/Commands.h"

#include "core/Tables.h"
#include "exchange/Exchange.h"

#include <CLI/CLI.hpp>

#include <optional>

int CmdDump(const std::string& file, const std::string& tableName, const std::string& formatText, std::FILE* out,
            const std::string& output)
{
    const std::string format = FormatArg(formatText, {"json", "csv", "xlsx"});
    bool all = tableName.empty();
    TableId which = all ? TableId::Units : TableArg(tableName);
    if (all && format == "csv")
        Fail("csv holds one table: choose it with --table");
    if (format == "xlsx" && !WorkbooksBuiltIn())
        Fail("this build of orbtool-cli writes no workbooks: dump as csv or json");
    Loaded data = LoadData(file, false);
    const std::optional<TableId> only = all ? std::nullopt : std::optional<TableId>(which);
    if (format == "xlsx") {
        // A workbook is an archive, written whole and then put in place: never to a pipe.
        if (output.empty())
            Fail("a workbook is written to a file: give -o FILE.xlsx");
        const MadeWorkbook book = MakeWorkbook(data.orb, only);
        if (!book.error.empty())
            Fail(book.writing ? "cannot write '" + output + "': " + book.error : book.error);
        WriteOutputFile(output, book.bytes);
        return 0;
    }
    auto dump = [&](const ExchangeSink& sink) {
        if (format == "csv")
            WriteCsv(data.orb, which, sink);
        else
            WriteJson(data.orb, only, sink);
    };
    if (output.empty()) {
        dump([out](const char* s, std::size_t n) { Emit(out, s, n); });
        return 0;
    }
    // To a file: made whole (a third of a megabyte at most), then put in place in one piece.
    std::string text;
    dump([&text](const char* s, std::size_t n) { text.append(s, n); });
    WriteOutputFile(output, text);
    return 0;
}

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
