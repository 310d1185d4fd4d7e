// A spreadsheet brought back with `import`, against a generated file. The first byte chooses the
// table, the rest is the CSV's bytes in any encoding and with any separator import takes. Either the import is refused, with every error naming its line and
// the tables unchanged; or it changes what it says it changed, a dump of the result imports as no
// change, and the same CSV imported a second time changes nothing more.
#include "FuzzCommon.h"

#include "core/Csv.h"
#include "core/Import.h"
#include "core/TextDecode.h"
#include "core/OrbDiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const TableId table = static_cast<TableId>(data[0] % 3);
    const std::string csv = DecodeText(std::string(reinterpret_cast<const char*>(data) + 1, size - 1)).utf8;
    Require(IsUtf8(csv), "decoded text is UTF-8");
    const char separator = CsvSeparator(csv);
    OrbData orb = SampleOrb();
    const ImportResult r = ImportCsv(orb, table, csv, separator);
    if (!r.errors.empty()) {
        Require(SameImage(orb, SampleOrb()), "a refused import changes nothing");
        Require(r.errors.size() <= MaxImportErrors, "at most 50 errors are listed");
        for (const ImportError& e : r.errors)
            Require(e.where.rfind("line ", 0) == 0 && !e.message.empty(), "every error names its line and says why");
        return 0;
    }

    std::vector<int> changed;
    int fields = 0;
    WithTable(table, [&](const auto& list, auto entry) {
        for (int n = 1; n <= TableCount(table); ++n) {
            int here = 0;
            for (const auto& f : list)
                here += !SameField(entry(orb, n), entry(SampleOrb(), n), f);
            if (here)
                changed.push_back(n);
            fields += here;
        }
    });
    Require(r.entries == int(changed.size()) && r.fields == fields, "an import counts what it changed");
    // Bytes of other tables, and bytes no field owns, are untouched: every changed byte belongs to
    // a field of an entry that changed.
    std::vector<bool> owned(OrbImageSize, false);
    WithTable(table, [&](const auto& list, auto) {
        for (int n : changed)
            for (const auto& f : list)
                for (int b = 0; b < (f.width == FieldWidth::Text ? NameLength : f.width == FieldWidth::U16 ? 2 : 1); ++b)
                    owned[static_cast<std::size_t>(f.at(n) + b)] = true;
    });
    for (std::size_t i = 0; i < OrbImageSize; ++i)
        if (orb.bytes()[i] != SampleOrb().bytes()[i])
            Require(owned[i], "an import writes only the fields it changed");

    OrbData again = orb;
    if (changed.empty())
        changed.push_back(1);
    const ImportResult back = ImportCsv(again, table, DumpCsv(orb, table, changed));
    Require(back.errors.empty() && back.fields == 0 && SameImage(again, orb), "a dump of the result imports as no change");
    const ImportResult twice = ImportCsv(again, table, csv, separator);
    Require(twice.errors.empty() && twice.fields == 0 && SameImage(again, orb), "the same import twice changes nothing more");
    return 0;
}
