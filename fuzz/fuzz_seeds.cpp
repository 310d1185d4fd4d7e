// Writes the seed inputs of every fuzz target into DIR/<target>/: generated data files (a short
// and a long one too), dumps, a patch, settings files and typed texts, so that each fuzzer starts
// from inputs its reader takes rather than from noise.
#include "FuzzCommon.h"

#include "core/Patch.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
void put(const fs::path& dir, const std::string& name, const std::string& bytes)
{
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}
std::string imageText(int n)
{
    const auto image = MakeSampleImage(n);
    return std::string(image.begin(), image.end());
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* target : {"fuzz_image", "fuzz_orbfile"}) {
        for (int n : SampleFileNumbers())
            put(root / target, "ORB" + std::to_string(n), imageText(n));
        put(root / target, "short", imageText(5).substr(0, 30000));  // both ends of the length rule
        put(root / target, "long", imageText(12) + "tail bytes");
    }

    const TableId tables[] = {TableId::Units, TableId::Weapons, TableId::Formations};
    for (TableId t : tables) {
        const std::string table(1, static_cast<char>(t));
        put(root / "fuzz_import", std::string("dump-") + TableName(t), table + DumpCsv(SampleOrb(), t, {1, 2, 3, 17}));
        put(root / "fuzz_import", std::string("chosen-") + TableName(t),
            table + "\xef\xbb\xbfnumber,Name,Nation\r\n3,\"Tiger, K\xc3\xb6nigs\",12\r\n4,Plain,5\n");
    }

    OrbData modded = SampleOrb();
    modded.edit<UnitRecord>(17, [](UnitRecord& u) { u.Cost = 99, u.Name = "J\xe4ger \"A\""; });
    modded.edit<WeaponRecord>(3, [](WeaponRecord& w) { w.Range = 40; });
    modded.edit<FormationRecord>(9, [](FormationRecord& f) { f.Slot2 = 1010, f.Name = "Mixed\\Bn"; });
    const std::string patch = PatchText(SampleOrb(), modded);
    put(root / "fuzz_patch", "patch", patch);
    put(root / "fuzz_patch", "commented", "# a mod\r\n" + patch + "# the end\r\n");

    put(root / "fuzz_settings", "relative", "[Orbtool]\nDefaultDir=../data/./mods/\n");
    put(root / "fuzz_settings", "absolute", "\xef\xbb\xbf[Orbtool]\r\nDefaultDir=/games/orb ; note\r\n");
    put(root / "fuzz_settings", "other", "; settings\n[Other]\nDefaultDir=x\n[Orbtool]\nDefaultDir = ..\n");

    int k = 0;
    for (TableId t : tables)
        for (const char* typed : {"1a5", "70000", "007", "", "J\xe4ger Kompanie ABC", "99999999999999999999"}) {
            ++k;
            put(root / "fuzz_typed", "typed" + std::to_string(k), std::string(1, static_cast<char>(t)) + static_cast<char>(k * 7) + typed);
        }
    return 0;
}
