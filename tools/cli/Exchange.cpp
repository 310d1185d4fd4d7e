// import: a table or a whole file brought back from a spreadsheet's CSV, a workbook, or the JSON
// that dump writes, read by the exchange library; here its words, and what it says.
#include "tools/cli/Commands.h"

#include "core/Import.h"
#include "core/OrbDiff.h"
#include "exchange/Exchange.h"

#include <optional>

int CmdImport(const std::string& file, const std::vector<std::string>& words, bool dryRun, bool force, std::string& out)
{
    if (words.empty() || words.size() > 2)
        Fail("import takes FILE [TABLE] SOURCE");
    const std::optional<TableId> table = words.size() == 2 ? std::optional<TableId>(TableArg(words[0])) : std::nullopt;
    const std::string& source = words.back();
    Loaded data = LoadData(file, !dryRun);
    const std::string bytes = ReadText(source);
    if (IsWorkbook(bytes) && !WorkbooksBuiltIn())
        Fail("'" + source + "' is a workbook, and this build of orbtool-cli reads none: import a CSV or dump's JSON");
    const ExchangeRead read = ReadExchange(source, bytes, table);
    for (const std::string& note : read.notes)
        CliNotes() += "orbtool-cli: " + note + "\n";
    if (!read.error.empty())
        Fail(read.error);
    OrbData before = data.orb;
    ImportResult r = ImportSheets(data.orb, read.sheets, force);
    if (!r.errors.empty())
        Fail(NothingImported(r.errors, r.moreErrors));
    for (const ImportError& n : r.notes)
        CliNotes() += "orbtool-cli: '" + source + "': " + n.where + ": " + n.message + "\n";
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
