#include "core/Merge.h"

#include "core/CountText.h"
#include "core/OrbDiff.h"
#include "core/Patch.h"
#include "core/Tables.h"

#include <algorithm>
#include <string>
#include <type_traits>

namespace {
template <class R>
std::string valueText(const R& r, const FieldDef<R>& f)
{
    return f.width == FieldWidth::Text ? QuotedName(std::string(r.*f.text)) : std::to_string(f.number(r));
}

template <class R>
void markFields(std::vector<bool>& held)
{
    for (int n = 1; n <= CountOf<R>; ++n)
        for (const auto& f : FieldsOf<R>())
            for (int i = 0; i < f.size(); ++i)
                held[static_cast<std::size_t>(f.at(n) + i)] = true;
}

// A slot's field name, "Slot3".
std::string slotName(int k)
{
    return "Slot" + std::to_string(k);
}

// What the slot list merge settled of slot k, before the fields are merged one by one.
enum class SlotState : char {
    Open,      // merged field by field
    Settled,   // ours' member and multiplier stay; theirs' is elsewhere in the result
    Contested  // both put a member there and theirs' found no room: its multiplier conflicts with ours', never taken alone
};

// The next free slot after slot k (after slot 10, on from slot 1), 0 when none is. Free: no
// member in base, theirs or the result so far (ours with the moves made), and a multiplier
// neither side changed. An empty slot's multiplier counts for nothing, and the editor leaves it
// behind when it empties a slot, so such a one gives way.
int freeSlotAfter(int k, const FormationRecord& b, const FormationRecord& th, const FormationRecord& m)
{
    for (int step = 1; step < 10; ++step) {
        const int j = (k - 1 + step) % 10 + 1;
        const uint8_t code = formationCode(b, j);
        if (!formationSlot(b, j) && !formationSlot(th, j) && !formationSlot(m, j) && formationCode(th, j) == code &&
            formationCode(m, j) == code)
            return j;
    }
    return 0;
}

// The slots both sides filled with different members where base had none: theirs' member moves
// with its multiplier (CodeN) into the next free slot.
template <class R>
std::vector<SlotState> mergeSlotLists(int n, const R& b, const R& o, const R& th, R& m, const MergeLengths& len,
                                      MergeResult& out, bool& changed)
{
    std::vector<SlotState> state(11, SlotState::Open);
    if constexpr (std::is_same_v<R, FormationRecord>) {
        // Code10 is the last byte of a formation's slot list.
        const auto* last = FindField(FormationFields(), "Code10");
        if (last->pastEnd(n, len.base) || last->pastEnd(n, len.ours) || last->pastEnd(n, len.theirs))
            return state;  // a list cut by a short file is merged slot by slot
        for (int k = 1; k <= 10; ++k) {
            const uint16_t inBase = formationSlot(b, k), inOurs = formationSlot(o, k), inTheirs = formationSlot(th, k);
            if (inBase != 0 || inOurs == 0 || inTheirs == 0 || inOurs == inTheirs)
                continue;
            const uint8_t code = formationCode(th, k);
            auto& at = state[static_cast<std::size_t>(k)];
            at = SlotState::Contested;
            int held = 0;  // the slot where ours (or an earlier move) holds theirs' member already
            for (int j = 1; j <= 10 && !held; ++j)
                held = formationSlot(m, j) == inTheirs ? j : 0;
            // Not added twice; with another multiplier there, the two multipliers conflict at k.
            const int free = held ? 0 : freeSlotAfter(k, b, th, m);
            if (held && formationCode(m, held) == code)
                at = SlotState::Settled;
            if (!free)
                continue;
            const std::string was = std::to_string(formationCode(b, free));
            out.taken.push_back({TableId::Formations, n, slotName(free), "0", "0", std::to_string(inTheirs)});
            if (code != formationCode(b, free))
                out.taken.push_back({TableId::Formations, n, "Code" + std::to_string(free), was, was, std::to_string(code)});
            formationSlot(m, free) = inTheirs;
            formationCode(m, free) = code;
            changed = true;
            at = SlotState::Settled;
        }
    }
    (void)n, (void)b, (void)o, (void)th, (void)m, (void)len, (void)out, (void)changed;
    return state;
}

// The state of the slot a field belongs to: SlotN and CodeN are one slot's; other fields are Open.
SlotState slotStateOf(const std::vector<SlotState>& state, const char* field)
{
    for (int k = 1; k <= 10; ++k)
        if (state[static_cast<std::size_t>(k)] != SlotState::Open &&
            (slotName(k) == field || "Code" + std::to_string(k) == field))
            return state[static_cast<std::size_t>(k)];
    return SlotState::Open;
}

template <class R>
void mergeTable(TableId t, const OrbData& base, const OrbData& ours, const OrbData& theirs, const MergeLengths& len,
                MergeResult& out)
{
    for (int n = 1; n <= CountOf<R>; ++n) {
        const R b = base.get<R>(n), o = ours.get<R>(n), th = theirs.get<R>(n);
        R m = o;
        bool changed = false;
        const std::vector<SlotState> slots = mergeSlotLists(n, b, o, th, m, len, out, changed);
        for (const auto& f : FieldsOf<R>()) {
            const SlotState slot = slotStateOf(slots, f.name);
            if (slot == SlotState::Settled)
                continue;
            const bool inBase = !f.pastEnd(n, len.base), inOurs = !f.pastEnd(n, len.ours), inTheirs = !f.pastEnd(n, len.theirs);
            if (!inTheirs || SameField(o, th, f) || (inBase && SameField(th, b, f)))
                continue;  // theirs has no value here, the same on both sides, or changed by ours alone
            // Named only here: most fields of most entries get no further.
            const std::string where = std::string(TableName(t)) + " " + EntryNumberText(n) + " " + f.name + ": ";
            auto take = [&](std::string inBase, std::string inOurs) {
                if (f.width == FieldWidth::Text)
                    m.*f.text = th.*f.text;
                else
                    f.setNumber(m, f.number(th));
                changed = true;
                out.taken.push_back({t, n, f.name, std::move(inBase), std::move(inOurs), valueText(th, f)});
            };
            if (!inOurs && !f.pastEnd(n, len.merged)) {
                take({}, {});  // neither base nor ours holds a value there
                continue;
            }
            if (!inOurs) {
                out.conflicts.push_back(where + "theirs " + valueText(th, f) + " lies past ours' end (" +
                                        CountText(len.ours, "byte", "bytes") + ") and was not kept");
                continue;
            }
            if (!inBase) {
                out.conflicts.push_back(where + "base has no value (past its end), ours " + valueText(o, f) +
                                        ", theirs " + valueText(th, f));
                out.conflictFields.push_back({t, n, f.name, {}, valueText(o, f), valueText(th, f)});
                continue;
            }
            if (SameField(o, b, f) && slot == SlotState::Open) {
                take(valueText(b, f), valueText(o, f));
                continue;
            }
            out.conflicts.push_back(where + "base " + valueText(b, f) + ", ours " + valueText(o, f) + ", theirs " +
                                    valueText(th, f));
            out.conflictFields.push_back({t, n, f.name, valueText(b, f), valueText(o, f), valueText(th, f)});
        }
        if (changed)
            out.merged.set(n, m);
    }
}
}  // namespace

const std::vector<bool>& FieldBytes()
{
    static const std::vector<bool> held = [] {
        std::vector<bool> h(OrbImageSize, false);
        markFields<UnitRecord>(h);
        markFields<WeaponRecord>(h);
        markFields<FormationRecord>(h);
        return h;
    }();
    return held;
}

std::size_t OtherBytesDiffering(const OrbData& a, const OrbData& b, std::size_t length)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < std::min(length, OrbImageSize); ++i)
        n += !FieldBytes()[i] && a.bytes()[i] != b.bytes()[i];
    return n;
}

MergeResult MergeOrb(const OrbData& base, const OrbData& ours, const OrbData& theirs, const MergeLengths& lengths)
{
    MergeResult out{ours, {}, {}, {}};
    mergeTable<UnitRecord>(TableId::Units, base, ours, theirs, lengths, out);
    mergeTable<WeaponRecord>(TableId::Weapons, base, ours, theirs, lengths, out);
    mergeTable<FormationRecord>(TableId::Formations, base, ours, theirs, lengths, out);
    const std::vector<bool>& held = FieldBytes();
    for (std::size_t i = 0; i < OrbImageSize; ++i) {
        const uint8_t b = base.bytes()[i], o = ours.bytes()[i], t = theirs.bytes()[i];
        if (held[i] || i >= lengths.theirs || o == t || (i < lengths.base && t == b))
            continue;
        const std::string where = "byte " + std::to_string(i) + ": ";
        if (i >= lengths.ours && i < lengths.merged)
            out.merged.bytes()[i] = t;
        else if (i >= lengths.ours)
            out.conflicts.push_back(where + "theirs " + std::to_string(t) + " lies past ours' end (" +
                                    CountText(lengths.ours, "byte", "bytes") + ") and was not kept");
        else if (i >= lengths.base)
            out.conflicts.push_back(where + "base has no value (past its end), ours " + std::to_string(o) +
                                    ", theirs " + std::to_string(t));
        else if (o == b)
            out.merged.bytes()[i] = t;
        else
            out.conflicts.push_back(where + "base " + std::to_string(b) + ", ours " + std::to_string(o) +
                                    ", theirs " + std::to_string(t));
    }
    return out;
}

ExtentMerge MergeExtent(bool oursAsBase, bool theirsAsBase, bool sidesAlike)
{
    ExtentMerge m;
    m.takeTheirs = oursAsBase && !theirsAsBase;
    m.conflict = !oursAsBase && !theirsAsBase && !sidesAlike;
    return m;
}
