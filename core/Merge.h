// A three-way merge of data files, field by field, and byte by byte where no field is.
#pragma once

#include "data/Types.h"

#include <string>
#include <vector>

#include "core/Tables.h"

// One field of one entry in a merge, its three values as text ("122", "'Tiger'").
struct MergeField {
    TableId table = TableId::Units;
    int entry = 0;
    std::string field;
    std::string base, ours, theirs;
};

struct MergeResult {
    OrbData merged;
    // "units 017 Cost: base 122, ours 130, theirs 99"; ours' value was kept.
    std::vector<std::string> conflicts;
    // The conflicts of fields, each as its three values (a conflict of a byte no field holds is
    // in conflicts alone).
    std::vector<MergeField> conflictFields;
    // Fields taken from theirs: changed there and not in ours. A member theirs added to a
    // formation's slot list that ours filled too is taken into another empty slot: its fields are
    // that slot and its multiplier (when it changes), as base and ours hold them there.
    std::vector<MergeField> taken;
};
// How many bytes of each file were read: a short file's values past its end are not its own.
// merged: how many the result holds where it takes theirs' length, which may reach past ours'
// end (0: it keeps ours').
struct MergeLengths {
    std::size_t base = OrbImageSize, ours = OrbImageSize, theirs = OrbImageSize;
    std::size_t merged = 0;
};
// A field (or a byte no field holds) changed on one side only takes that change; the same change
// on both sides is taken once; different changes on both sides keep ours' and are conflicts.
// A formation's slots are a list of members, each with its multiplier (SlotN with CodeN): where
// both sides put different members into a slot that base left empty, ours' stays with its
// multiplier and theirs' goes with its own into the next slot after it (after slot 10, on from
// slot 1) where all three hold no member and neither side changed the multiplier. None left: the
// slot's member and its multiplier, where they differ, are conflicts that keep ours'. A member
// ours holds already is not added twice.
// A value past a short side's end is no change by that side: the others' is taken. Where base
// has none, ours and theirs differing is a conflict. A value of theirs past ours' end is taken
// where the result holds it (it takes theirs' longer length), and is a conflict where it cannot.
MergeResult MergeOrb(const OrbData& base, const OrbData& ours, const OrbData& theirs, const MergeLengths& lengths = {});

// What a merge does with a file's length and the bytes past its image, taken as one: a side that
// changed them while the other did not wins; both changing them differently is a conflict that
// keeps ours'.
struct ExtentMerge {
    bool takeTheirs = false;
    bool conflict = false;
};
ExtentMerge MergeExtent(bool oursAsBase, bool theirsAsBase, bool sidesAlike);

// Which bytes of the image some field of entries 1 and up holds.
const std::vector<bool>& FieldBytes();
// How many bytes no field holds differ between a and b, of their first length bytes.
std::size_t OtherBytesDiffering(const OrbData& a, const OrbData& b, std::size_t length = OrbImageSize);
