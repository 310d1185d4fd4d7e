#include "core/Rules.h"

#include "core/FormationTotals.h"
#include "core/Globals.h"

#include <algorithm>
#include <map>

const char* SeverityName(Severity s)
{
    return s == Severity::Error ? "error" : s == Severity::Warning ? "warning" : "hint";
}

const std::vector<Rule>& AllRules()
{
    static const std::vector<Rule> rules = {
        {"weapon-missing", Severity::Error, true, "a unit's weapon slot names a weapon above 249"},
        {"weapon-empty", Severity::Error, true, "a unit's weapon slot names a weapon with no name and no values"},
        {"weapon-unnamed", Severity::Warning, true, "a unit's weapon slot names a weapon with values but no name"},
        {"slot-missing", Severity::Error, true, "a formation slot names no unit or formation (250 to 1000, above 1199)"},
        {"slot-self", Severity::Error, true, "a formation slot names the formation itself"},
        {"slot-empty", Severity::Error, true, "a formation slot names a unit or formation with no name and no values"},
        {"slot-unnamed", Severity::Warning, true, "a formation slot names a unit or formation with values but no name"},
        {"formation-cycle", Severity::Error, true, "a formation's sub-formations lead back to one on the way"},
        {"formation-size", Severity::Error, true, "a formation brings more units than the game allows"},
        {"code-unknown", Severity::Warning, true, "a nation, class, movement class, page or type code no code table names"},
        {"above-bound", Severity::Warning, true, "a value above what a Commit stores, which a Commit would change"},
        {"years-reversed", Severity::Warning, true, "an entry's last year lies before its first"},
        {"name-duplicate", Severity::Hint, false, "two units of one nation with the same name"},
        {"unused", Severity::Hint, false, "a weapon no unit carries, a unit no formation holds"},
    };
    return rules;
}

const Rule* FindRule(const std::string& code)
{
    for (const Rule& r : AllRules())
        if (code == r.code)
            return &r;
    return nullptr;
}

std::string FindingText(const Finding& f)
{
    return std::string(TableName(f.table)) + " " + EntryNumberText(f.number) + (f.field.empty() ? "" : " " + f.field) +
           ": " + SeverityName(f.rule->severity) + " " + f.rule->code + ": " + f.message;
}

namespace {
struct Checker {
    const OrbData& orb;
    const RuleSelection& selection;
    std::vector<Finding> out;

    void add(const char* code, TableId t, int n, std::string field, std::string message)
    {
        const Rule* rule = FindRule(code);
        if (selection.runs(*rule))
            out.push_back({rule, t, n, std::move(field), std::move(message)});
    }

    // What an entry a reference names holds: nothing at all, values without a name, or a name.
    template <class R>
    void named(const char* empty, const char* unnamed, TableId t, int n, const std::string& field, const char* what, int target)
    {
        const R r = orb.get<R>(target);
        const std::string subject = std::string(what) + " " + std::to_string(target);
        if (EntryIsEmpty(r))
            add(empty, t, n, field, subject + " has no name and no values");
        else if (std::string(r.Name).empty())
            add(unnamed, t, n, field, subject + " has no name");
    }

    void weaponSlots()
    {
        for (int n = 1; n <= UnitCount; ++n) {
            const UnitRecord u = orb.unit(n);
            const uint8_t weapons[4] = {u.Wpn1, u.Wpn2, u.Wpn3, u.Wpn4};
            for (int k = 0; k < 4; ++k) {
                const std::string field = "Wpn" + std::to_string(k + 1);
                if (weapons[k] > WeaponCount)
                    add("weapon-missing", TableId::Units, n, field, "weapon " + std::to_string(weapons[k]) + " does not exist");
                else if (weapons[k] != 0)
                    named<WeaponRecord>("weapon-empty", "weapon-unnamed", TableId::Units, n, field, "weapon", weapons[k]);
            }
        }
    }

    // Whether formation n is one of its own sub-formations, at any depth. (A formation that only
    // holds such a cycle further down is not on it: the cycle is said where it is.)
    bool leadsBackToItself(int n) const
    {
        std::vector<bool> seen(FormationCount + 1, false);
        std::vector<int> todo = {n};
        while (!todo.empty()) {
            const FormationRecord f = orb.formation(todo.back());
            todo.pop_back();
            for (int k = 1; k <= 10; ++k) {
                const SlotMember m = MemberOfSlot(formationSlot(f, k));
                if (m.kind != SlotKind::Formation)
                    continue;
                if (m.number == n)
                    return true;
                if (!seen[static_cast<std::size_t>(m.number)])
                    seen[static_cast<std::size_t>(m.number)] = true, todo.push_back(m.number);
            }
        }
        return false;
    }

    void formations()
    {
        for (int n = 1; n <= FormationCount; ++n) {
            const FormationRecord f = orb.formation(n);
            bool namesItself = false;
            for (int k = 1; k <= 10; ++k) {
                const uint16_t value = formationSlot(f, k);
                if (value == 0)
                    continue;
                const std::string field = "Slot" + std::to_string(k);
                const SlotMember m = MemberOfSlot(value);
                const bool isFormation = value >= FormationSlotBase;
                if (m.kind == SlotKind::Nothing)
                    add("slot-missing", TableId::Formations, n, field,
                        (isFormation ? "formation " : "unit ") + std::to_string(m.number) + " does not exist");
                else if (m.kind == SlotKind::Formation && m.number == n)
                    add("slot-self", TableId::Formations, n, field, "names the formation itself"), namesItself = true;
                else if (m.kind == SlotKind::Unit)
                    named<UnitRecord>("slot-empty", "slot-unnamed", TableId::Formations, n, field, "unit", m.number);
                else
                    named<FormationRecord>("slot-empty", "slot-unnamed", TableId::Formations, n, field, "formation", m.number);
            }
            const UnitTotal total = CountFormationUnits(orb, f, n);
            if (!namesItself && leadsBackToItself(n))  // that one fault is said once
                add("formation-cycle", TableId::Formations, n, "", "its sub-formations lead back to it");
            if (total.units > MaxFormationUnits)
                add("formation-size", TableId::Formations, n, "",
                    "brings " + std::to_string(total.units) + " units, more than " + std::to_string(MaxFormationUnits));
        }
    }

    // The code tables, each with what it says of a code it does not hold.
    struct CodeTable {
        TableId table;
        const char* field;
        std::string (*name)(uint8_t);
        const char* unnamed;  // the name a code outside the table gets
        const char* noun;
    };
    static std::string nation(uint8_t code) { return GetNationName(code); }

    void codesBoundsAndYears()
    {
        static const CodeTable tables[] = {
            {TableId::Units, "Nation", nation, "Unknown", "nation"},
            {TableId::Units, "Class", GetUnitClassName, "Unknown Class", "unit class"},
            {TableId::Units, "MC", GetMovementClassName, "UNKNOWN", "movement class"},
            {TableId::Weapons, "Class", GetWeaponClassName, "Unknown Class", "weapon class"},
            {TableId::Formations, "Nation", nation, "Unknown", "nation"},
            {TableId::Formations, "Page", GetPurchasePageName, "Unknown", "purchase page"},
            {TableId::Formations, "Type", GetFormationTypeName, "Unknown", "formation type"},
        };
        for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
            WithTable(t, [&](const auto& fields, auto entry) {
                // Each field's code table, looked up once for the whole table.
                std::vector<const CodeTable*> codes(fields.size(), nullptr);
                for (std::size_t i = 0; i < fields.size(); ++i)
                    for (const CodeTable& c : tables)
                        if (c.table == t && std::string(c.field) == fields[i].name)
                            codes[i] = &c;
                const char* first = t == TableId::Units ? "YrAvail" : t == TableId::Formations ? "Avail" : nullptr;
                const auto* from = first ? FindField(fields, first) : nullptr;
                const auto* until = first ? FindField(fields, t == TableId::Units ? "YrUnavail" : "Until") : nullptr;
                for (int n = 1; n <= TableCount(t); ++n) {
                    const auto r = entry(orb, n);
                    if (EntryIsEmpty(r))
                        continue;  // an unused entry: nothing of it reaches the game
                    for (std::size_t i = 0; i < fields.size(); ++i) {
                        const auto& f = fields[i];
                        if (!f.editable() || f.width == FieldWidth::Text)
                            continue;
                        const uint32_t v = f.number(r);
                        if (v > StoredMaximum(f))
                            add("above-bound", t, n, f.name,
                                "holds " + std::to_string(v) + ", above the " + std::to_string(StoredMaximum(f)) +
                                    " a Commit stores: a Commit would change it");
                        if (codes[i] && v <= 255 && codes[i]->name(static_cast<uint8_t>(v)) == codes[i]->unnamed)
                            add("code-unknown", t, n, f.name, "code " + std::to_string(v) + " names no " + codes[i]->noun);
                    }
                    if (from && until && until->number(r) != 0 && until->number(r) < from->number(r))
                        add("years-reversed", t, n, until->name,
                            "until " + std::to_string(until->number(r)) + " lies before available " +
                                std::to_string(from->number(r)));
                }
            });
    }

    void hints()
    {
        std::map<std::pair<int, std::string>, int> first;  // nation and name -> the first unit
        std::vector<bool> carried(WeaponCount + 1, false), held(UnitCount + 1, false);
        for (int n = 1; n <= UnitCount; ++n) {
            const UnitRecord u = orb.unit(n);
            for (uint8_t w : {u.Wpn1, u.Wpn2, u.Wpn3, u.Wpn4})
                if (w >= 1 && w <= WeaponCount)
                    carried[w] = true;
            const std::string name = u.Name;
            if (name.empty())
                continue;
            auto [at, isNew] = first.emplace(std::make_pair(int(u.Nation), name), n);
            if (!isNew)
                add("name-duplicate", TableId::Units, n, "Name", "the same name as unit " + std::to_string(at->second) +
                                                                     " of nation " + std::to_string(u.Nation));
        }
        for (int n = 1; n <= FormationCount; ++n)
            for (int k = 1; k <= 10; ++k) {
                const SlotMember m = MemberOfSlot(formationSlot(orb.formation(n), k));
                if (m.kind == SlotKind::Unit)
                    held[static_cast<std::size_t>(m.number)] = true;
            }
        for (int n = 1; n <= WeaponCount; ++n)
            if (!carried[static_cast<std::size_t>(n)] && !EntryIsEmpty(orb.weapon(n)))
                add("unused", TableId::Weapons, n, "", "no unit carries it");
        for (int n = 1; n <= UnitCount; ++n)
            if (!held[static_cast<std::size_t>(n)] && !EntryIsEmpty(orb.unit(n)))
                add("unused", TableId::Units, n, "", "no formation holds it");
    }
};

int order(TableId t) { return static_cast<int>(t); }
}  // namespace

std::vector<Finding> RunRules(const OrbData& orb, const RuleSelection& selection)
{
    Checker c{orb, selection, {}};
    c.weaponSlots();
    c.formations();
    c.codesBoundsAndYears();
    c.hints();
    // By table, entry and the field's place in its table, so that the list reads as the file does.
    auto fieldPlace = [](const Finding& f) {
        return WithTable(f.table, [&](const auto& fields, auto) {
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (f.field == fields[i].name)
                    return static_cast<int>(i);
            return -1;
        });
    };
    std::stable_sort(c.out.begin(), c.out.end(), [&](const Finding& a, const Finding& b) {
        if (order(a.table) != order(b.table))
            return order(a.table) < order(b.table);
        if (a.number != b.number)
            return a.number < b.number;
        return fieldPlace(a) < fieldPlace(b);
    });
    return c.out;
}
