// A patch of any text, read and applied onto a generated file. A patch that cannot be read says
// where; one that conflicts or is refused changes nothing; one that applies gives the same tables applied a
// second time, and the patch written from the result reads back and carries the same change.
#include "FuzzCommon.h"

#include "core/Patch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const PatchRead read = ReadPatch(text, "mod.patch");
    if (!read.errors.empty()) {
        for (const std::string& e : read.errors)
            Require(e.rfind("mod.patch:", 0) == 0, "every reading error names the patch and its line");
        return 0;
    }
    OrbData orb = SampleOrb();
    const PatchApplied once = ApplyPatches(orb, {read.patch});
    if (!once.conflicts.empty() || !once.refused.empty()) {
        Require(SameImage(orb, SampleOrb()), "a refused patch changes nothing");
        return 0;
    }
    OrbData twice = orb;
    const PatchApplied again = ApplyPatches(twice, {read.patch});
    Require(again.conflicts.empty() && again.changes.empty() && SameImage(twice, orb),
            "a patch applied a second time changes nothing");

    const PatchRead written = ReadPatch(PatchText(SampleOrb(), orb), "written.patch");
    Require(written.errors.empty(), "a written patch reads back");
    OrbData carried = SampleOrb();
    Require(ApplyPatches(carried, {written.patch}).conflicts.empty() && SameImage(carried, orb),
            "the written patch carries the same change");
    return 0;
}
