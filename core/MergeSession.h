// A merge under way in the editor: theirs merged into ours since base, each conflict then chosen
// by the user. The session keeps its own copies of the three sides as they were when it began;
// the tables the user edits are only read: what a choice makes is returned as new tables, which
// the caller stores (as a step of its own) once the user agrees.
#pragma once

#include "core/Merge.h"

#include <cstddef>
#include <vector>

class MergeSession {
public:
    // Where a conflict's value comes from when it is not ours'.
    enum class Source { Theirs, Base };

    MergeSession(const OrbData& base, const OrbData& ours, const OrbData& theirs, const MergeLengths& lengths = {});

    // Ours with every field that theirs alone changed taken, entry by entry: the bytes no field
    // holds stay ours' (the command line's merge takes them).
    const OrbData& merged() const { return merged_; }
    const OrbData& ours() const { return ours_; }
    const OrbData& theirs() const { return theirs_; }
    const std::vector<MergeField>& conflicts() const { return conflicts_; }
    const std::vector<MergeField>& taken() const { return taken_; }
    // How many bytes no field holds theirs changed since base: they stayed ours'.
    std::size_t otherBytesChanged() const;

    // Whether conflict i is resolved in tables: kept as ours by choice, or holding another value
    // than ours had (taken from theirs or base, or typed).
    bool resolved(std::size_t i, const OrbData& tables) const;
    // How many conflicts tables leave unresolved.
    std::size_t left(const OrbData& tables) const;
    // Whether field i taken from theirs holds ours' value again in tables.
    bool takenBack(std::size_t i, const OrbData& tables) const;
    // Keep Ours for conflict i, or its undoing: a choice that changes no value.
    void keepOurs(std::size_t i, bool kept);

    // tables with source's value for conflict i, and (wholeEntry) for every other conflict of its
    // entry; conflicts resolved already keep what tables hold.
    OrbData choose(const OrbData& tables, std::size_t i, Source source, bool wholeEntry) const;
    // tables with theirs' value for every conflict left.
    OrbData theirsForAll(const OrbData& tables) const;
    // tables with field i taken from theirs back at ours' value.
    OrbData takeBack(const OrbData& tables, std::size_t i) const;

    // The first unresolved conflict after (direction 1) or before (-1) entry n of table t, in the
    // order of the tables and their entries; conflicts().size() when there is none.
    std::size_t next(TableId t, int n, int direction, const OrbData& tables) const;

private:
    // Where a field of an entry lies in the image, found once: a merge of two files that differ
    // everywhere lists thousands of conflicts, each looked at again after every step.
    struct Spot {
        std::size_t at = 0;
        int size = 0;
        bool text = false;
    };
    static Spot spotOf(const MergeField& f);
    static bool sameValue(const Spot& s, const OrbData& a, const OrbData& b);

    OrbData base_, ours_, theirs_, merged_;
    std::vector<MergeField> conflicts_, taken_;
    std::vector<Spot> conflictSpots_, takenSpots_;
    std::vector<bool> keptOurs_;
};
