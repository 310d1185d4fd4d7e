#include "core/MergeSession.h"

#include "core/OrbDiff.h"

#include <cstring>

namespace {
// Copies field `name` of entry n from `from` into `to`.
void copyValue(const MergeField& m, const OrbData& from, OrbData& to)
{
    WithTable(m.table, [&](const auto& fields, auto entry) {
        const auto* f = FindField(fields, m.field);
        if (!f)
            return;
        auto r = entry(to, m.entry);
        const auto source = entry(from, m.entry);
        if (f->width == FieldWidth::Text)
            r.*(f->text) = source.*(f->text);
        else
            f->setNumber(r, f->number(source));
        entry.set(to, m.entry, r);
    });
}
}  // namespace

MergeSession::MergeSession(const OrbData& base, const OrbData& ours, const OrbData& theirs, const MergeLengths& lengths)
    : base_(base), ours_(ours), theirs_(theirs), merged_(ours)
{
    MergeResult m = MergeOrb(base, ours, theirs, lengths);
    ApplyAfter(merged_, DiffOrb(ours_, m.merged));
    conflicts_ = std::move(m.conflictFields);
    taken_ = std::move(m.taken);
    keptOurs_.assign(conflicts_.size(), false);
    for (const MergeField& f : conflicts_)
        conflictSpots_.push_back(spotOf(f));
    for (const MergeField& f : taken_)
        takenSpots_.push_back(spotOf(f));
}

MergeSession::Spot MergeSession::spotOf(const MergeField& m)
{
    return WithTable(m.table, [&](const auto& fields, auto) {
        const auto* f = FindField(fields, m.field);
        return f ? Spot{std::size_t(f->at(m.entry)), f->size(), f->width == FieldWidth::Text} : Spot{};
    });
}

bool MergeSession::sameValue(const Spot& s, const OrbData& a, const OrbData& b)
{
    // A name up to its end, a number byte for byte.
    const auto* x = reinterpret_cast<const char*>(a.bytes()) + s.at;
    const auto* y = reinterpret_cast<const char*>(b.bytes()) + s.at;
    if (s.text) {
        const std::size_t lx = strnlen(x, std::size_t(s.size)), ly = strnlen(y, std::size_t(s.size));
        return lx == ly && std::memcmp(x, y, lx) == 0;
    }
    return std::memcmp(x, y, std::size_t(s.size)) == 0;
}

std::size_t MergeSession::otherBytesChanged() const
{
    return OtherBytesDiffering(base_, theirs_);
}

bool MergeSession::resolved(std::size_t i, const OrbData& tables) const
{
    if (i >= conflicts_.size())
        return false;
    return keptOurs_[i] || !sameValue(conflictSpots_[i], tables, ours_);
}

std::size_t MergeSession::left(const OrbData& tables) const
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < conflicts_.size(); ++i)
        n += !resolved(i, tables);
    return n;
}

bool MergeSession::takenBack(std::size_t i, const OrbData& tables) const
{
    return i < taken_.size() && sameValue(takenSpots_[i], tables, ours_);
}

void MergeSession::keepOurs(std::size_t i, bool kept)
{
    if (i < keptOurs_.size())
        keptOurs_[i] = kept;
}

OrbData MergeSession::choose(const OrbData& tables, std::size_t i, Source source, bool wholeEntry) const
{
    OrbData after = tables;
    if (i >= conflicts_.size())
        return after;
    const MergeField& c = conflicts_[i];
    for (std::size_t k = 0; k < conflicts_.size(); ++k) {
        const MergeField& d = conflicts_[k];
        if ((k == i || (wholeEntry && d.table == c.table && d.entry == c.entry)) && !resolved(k, tables))
            copyValue(d, source == Source::Theirs ? theirs_ : base_, after);
    }
    return after;
}

OrbData MergeSession::theirsForAll(const OrbData& tables) const
{
    OrbData after = tables;
    for (std::size_t k = 0; k < conflicts_.size(); ++k)
        if (!resolved(k, tables))
            copyValue(conflicts_[k], theirs_, after);
    return after;
}

OrbData MergeSession::takeBack(const OrbData& tables, std::size_t i) const
{
    OrbData after = tables;
    if (i < taken_.size())
        copyValue(taken_[i], ours_, after);
    return after;
}

std::size_t MergeSession::next(TableId t, int n, int direction, const OrbData& tables) const
{
    auto key = [](TableId table, int entry) { return int(table) * 1000 + entry; };
    const int here = key(t, n);
    for (std::size_t k = 0; k < conflicts_.size(); ++k) {
        const std::size_t i = direction > 0 ? k : conflicts_.size() - 1 - k;
        if (resolved(i, tables))
            continue;
        const int at = key(conflicts_[i].table, conflicts_[i].entry);
        if (direction > 0 ? at > here : at < here)
            return i;
    }
    return conflicts_.size();
}
