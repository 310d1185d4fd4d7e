// The exchange library called directly, as the window calls it: what a run of orbtool-cli, one
// call a process, cannot show. Its formats themselves are test_exchange's and test_workbook's.
#include "TestFiles.h"

#include "core/Import.h"
#include "exchange/Exchange.h"

#include <QTest>

namespace {
std::string written(const std::function<void(const ExchangeSink&)>& write)
{
    std::string out;
    write([&out](const char* s, std::size_t n) { out.append(s, n); });
    return out;
}
}  // namespace

class TestExchangeApi : public QObject {
    Q_OBJECT

private slots:
    // Each call says what its own source holds: nothing said for one source is left over for the
    // next, and a refused source keeps what was said before the refusal.
    void eachReadSaysItsOwn()
    {
        const struct {
            const char* name;
            std::string bytes;
            std::vector<std::string> notes;
            std::string error;
        } cases[] = {
            {"a.csv", "number;Cost\r\n3;99\r\n", {"'a.csv' is read with ';' as the separator"}, ""},
            {"b.csv", "number,Cost\r\n3,99\r\n", {}, ""},
            {"c.csv", "number\tCost\n3\t\"9\n", {"'c.csv' is read with tabs as the separator"},
             "nothing was imported:\n  line 2, column 2: a quoted cell is never closed"},
            {"d.json", "{\"units\": [{\"Cost\": 1, \"Cost\": 2}]}", {}, "nothing was imported:\n  units[0]: a second 'Cost' key"},
            {"e.csv", "number,Name\n4,K\xf6ln\n", {"read 'e.csv' as Windows-1252 (it is not UTF-8)"}, ""},
        };
        for (int round = 0; round < 2; ++round)
            for (const auto& c : cases) {
                const ExchangeRead read = ReadExchange(c.name, c.bytes, TableId::Units);
                QCOMPARE(read.notes, c.notes);
                QCOMPARE(read.error, c.error);
                QCOMPARE(read.sheets.size(), c.error.empty() ? 1u : 0u);
            }
    }

    // A workbook made in memory comes back from its bytes alone, with no file behind them, through
    // the module found from this program's folder as from orbtool-cli's; so do the JSON and CSV.
    void whatGoesOutComesBack()
    {
        if (!WorkbooksBuiltIn())
            QSKIP("this build has no workbooks");
        const OrbData stock = sampleOrb(12);
        OrbData changed = stock;
        changed.edit<UnitRecord>(40, [](UnitRecord& u) { u.Cost = 120, u.Name = "K\xf6nigstiger"; });
        changed.edit<FormationRecord>(9, [](FormationRecord& f) { f.Slot10 = 1007; });
        const MadeWorkbook book = MakeWorkbook(changed, std::nullopt);
        QCOMPARE(book.error, std::string());
        QVERIFY(IsWorkbook(book.bytes));
        const std::pair<const char*, std::string> sources[] = {
            {"book.xlsx", book.bytes},
            {"all.json", written([&](const ExchangeSink& s) { WriteJson(changed, std::nullopt, s); })},
        };
        for (const auto& [name, bytes] : sources) {
            const ExchangeRead read = ReadExchange(name, bytes, std::nullopt);
            QVERIFY2(read.error.empty(), read.error.c_str());
            QCOMPARE(read.sheets.size(), 3u);
            OrbData into = stock;
            const ImportResult r = ImportSheets(into, read.sheets);
            QVERIFY(r.errors.empty());
            QCOMPARE(r.entries, 2);
            QVERIFY(sameImage(into, changed));
        }
        OrbData into = stock;
        const ExchangeRead csv = ReadExchange("u.csv", written([&](const ExchangeSink& s) { WriteCsv(changed, TableId::Units, s); }),
                                              TableId::Units);
        QCOMPARE(ImportSheets(into, csv.sheets).fields, 2);
        QCOMPARE(into.unit(40).Name, changed.unit(40).Name);
    }
};

QTEST_GUILESS_MAIN(TestExchangeApi)
#include "test_exchange_api.moc"
