#include "ui/shared/FeatureHost.h"

#include "ui/Text.h"

#include <QWidget>

QLineEdit* EditOf(const RecordEdits& edits, TableId t, const std::string& name)
{
    auto find = [&name](const auto& list) -> QLineEdit* {
        for (const auto& e : list)
            if (name == e.field->name)
                return e.edit;
        return nullptr;
    };
    return t == TableId::Units ? find(edits.units) : t == TableId::Weapons ? find(edits.weapons) : find(edits.formations);
}

QString EntryTitle(TableId t, int number)
{
    return (t == TableId::Weapons ? "Weapon " : t == TableId::Units ? "Unit " : "Formation ") + threeDigits(number);
}

unsigned TableChange::TablesOf(const OrbChanges& changes)
{
    return (changes.units.empty() ? 0u : 1u << int(TableId::Units)) |
           (changes.weapons.empty() ? 0u : 1u << int(TableId::Weapons)) |
           (changes.formations.empty() ? 0u : 1u << int(TableId::Formations));
}

Feature::Feature(FeatureHost& host, const char* name) : QObject(host.window()), host_(host)
{
    setObjectName(name);
}
