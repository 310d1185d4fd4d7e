// Load and save against the raw file operations they are built on.
#include "core/Globals.h"
#include "core/OrbDiff.h"
#include "core/Recovery.h"
#include "core/References.h"
#include "core/Rules.h"
#include "data/ORBIO.h"
#include "script/Script.h"
#include "tools/SampleData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {
fs::path benchDir()
{
    static fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / "orbtool-bench";
        fs::create_directories(d);
        auto image = MakeSampleImage(12);
        std::ofstream(d / "ORB12", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return d;
    }();
    return dir;
}

// The bytes alone: open, one read, close.
void BM_RawRead(benchmark::State& state)
{
    std::vector<char> buffer(OrbImageSize);
    std::string path = (benchDir() / "ORB12").string();
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY);
        benchmark::DoNotOptimize(::read(fd, buffer.data(), buffer.size()));
        ::close(fd);
    }
}

void BM_Load(benchmark::State& state)
{
    fs::current_path(benchDir());
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadOrbFile(12).code);
}

void BM_Unpack(benchmark::State& state)
{
    auto image = MakeSampleImage(12);
    OrbData orb;
    for (auto _ : state) {
        UnpackImage(image.data(), orb);
        benchmark::DoNotOptimize(orb.bytes());
    }
}

void BM_Pack(benchmark::State& state)
{
    auto image = MakeSampleImage(12);
    OrbData orb;
    UnpackImage(image.data(), orb);
    for (auto _ : state) {
        PackImage(orb, image.data());
        benchmark::DoNotOptimize(image.data());
    }
}

// What any durable replace of the file costs: write a new file, flush it, rename it over the old
// one and flush the folder.
void BM_RawWriteRename(benchmark::State& state)
{
    auto image = MakeSampleImage(12);
    std::string dir = benchDir().string(), target = dir + "/RAW12", temp = dir + "/.RAW12.tmp";
    for (auto _ : state) {
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        benchmark::DoNotOptimize(::write(fd, image.data(), image.size()));
        ::fsync(fd);
        ::close(fd);
        ::rename(temp.c_str(), target.c_str());
        int d = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(d);
        ::close(d);
    }
}

void BM_Save(benchmark::State& state)
{
    fs::current_path(benchDir());
    LoadOrbFile(12);
    std::string dir = benchDir().string();
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveOrbFile(12, dir).code);
}

// What a diff of a file against itself with one value changed costs: what git's diff of a
// committed edit and the window's compare both do.
void BM_DiffOneValue(benchmark::State& state)
{
    OrbData a(MakeSampleImage(12)), b = a;
    b.edit<UnitRecord>(100, [](UnitRecord& u) { u.Cost = uint8_t(u.Cost + 1); });
    for (auto _ : state)
        benchmark::DoNotOptimize(DiffOrb(a, b).units.size());
}

// The rules over a whole file, hints included, as the window runs them after every change.
void BM_CheckAll(benchmark::State& state)
{
    const OrbData orb(MakeSampleImage(12));
    RuleSelection all;
    for (const Rule& r : AllRules())
        all.only.insert(r.code);
    for (auto _ : state)
        benchmark::DoNotOptimize(RunRules(orb, all).size());
}

// A script that reads and writes every field of every entry of the three tables (a field no page
// edits is only read), from the start of its sandbox to the changed tables.
void BM_ScriptAllFields(benchmark::State& state)
{
    const OrbData orb(MakeSampleImage(12));
    std::string text;
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
        WithTable(t, [&](const auto& fields, auto) {
            text += std::string("for n = 1, #") + TableName(t) + " do\n  local e = " + TableName(t) + "[n]\n";
            for (const auto& f : fields)
                text += std::string("  ") + (f.editable() ? "e." + std::string(f.name) + " = " : "local _ = ") + "e." + f.name + "\n";
            text += "end\n";
        });
    for (auto _ : state) {
        const ScriptRun run = RunScript("all-fields", text, orb);
        if (!run.ok)
            state.SkipWithError(run.error.c_str());
        benchmark::DoNotOptimize(run.tables.bytes());
    }
}

// What names each of a table's entries in turn: a weapon's units, a formation's slots.
void BM_FindReferences(benchmark::State& state)
{
    const OrbData orb(MakeSampleImage(12));
    int n = 0;
    for (auto _ : state) {
        n = n % FormationCount + 1;
        benchmark::DoNotOptimize(FindReferences(orb, TableId::Formations, n).size() +
                                 FindReferences(orb, TableId::Weapons, n).size());
    }
}

// The journal of unsaved work as the window writes it after a change (synced and renamed, as a
// save is), and the stamp of the file on disk that every return to the window and every save take.
void BM_WriteJournal(benchmark::State& state)
{
    Journal j;
    j.dataPath = (benchDir() / "ORB12").string();
    j.tables = MakeSampleImage(12);
    const fs::path file = benchDir() / "recovery" / "bench.journal";
    for (auto _ : state) {
        ++j.steps;
        if (!WriteJournal(file, j).ok)
            state.SkipWithError("the journal could not be written");
    }
}

void BM_StampFile(benchmark::State& state)
{
    const fs::path file = benchDir() / "ORB12";
    for (auto _ : state)
        benchmark::DoNotOptimize(StampFile(file).hash);
}

BENCHMARK(BM_RawRead);
BENCHMARK(BM_WriteJournal);
BENCHMARK(BM_StampFile);
BENCHMARK(BM_CheckAll);
BENCHMARK(BM_FindReferences);
BENCHMARK(BM_ScriptAllFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffOneValue);
BENCHMARK(BM_Load);
BENCHMARK(BM_Unpack);
BENCHMARK(BM_Pack);
BENCHMARK(BM_RawWriteRename);
BENCHMARK(BM_Save);

// Keeps each run's time per iteration so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ns;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& r : runs)
            ns[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};
}  // namespace

int main(int argc, char** argv)
{
    // With another output format asked for (--benchmark_format=json), the library's own reporter.
    bool console = true;
    for (int i = 1; i < argc; ++i)
        console = console && std::string(argv[i]).rfind("--benchmark_format=", 0) != 0;
    benchmark::Initialize(&argc, argv);
    if (!console) {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& t = reporter.ns;
    if (t.count("BM_Load") && t.count("BM_RawRead") && t.count("BM_Save") && t.count("BM_RawWriteRename")) {
        std::printf("\nload / raw read          = %.2f (goal <= 1.5)\n", t["BM_Load"] / t["BM_RawRead"]);
        std::printf("save / raw write+rename  = %.2f (goal <= 1.5)\n", t["BM_Save"] / t["BM_RawWriteRename"]);
        std::printf("unpack = %.1f us, pack = %.1f us (goal < 5 us each)\n", t["BM_Unpack"] / 1000, t["BM_Pack"] / 1000);
    }
    benchmark::Shutdown();
    return 0;
}
