// Typed text through a commit's conversion and the Latin-1 name rule. The first byte chooses the
// table, the second the field, the rest is the text. The stored value stays within the field's
// bound, no other field changes, and showing a stored value and committing it gives it back.
// Names: Latin-1 bytes survive the round trip through UTF-8, and UTF-8 that converts comes back
// as it was; an escaped name has no control characters left.
#include "FuzzCommon.h"

#include "core/EditRules.h"
#include "core/OrbDiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const TableId table = static_cast<TableId>(data[0] % 3);
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
    WithTable(table, [&](const auto& fields, auto entry) {
        const auto& f = fields[data[1] % fields.size()];
        if (!f.editable())
            return;
        const int n = 1 + data[1] % TableCount(table);
        auto r = entry(SampleOrb(), n);
        const auto before = r;
        StoreFieldText(r, f, text);
        if (f.width == FieldWidth::Text) {
            const std::string& name = r.*f.text;
            Require(name.size() <= static_cast<std::size_t>(NameLength) && name.find('\0') == std::string::npos,
                    "a stored name has at most 15 bytes and no zero byte");
        } else {
            Require(f.number(r) <= StoredMaximum(f), "a stored number is within its field's bound");
        }
        for (const auto& other : fields)
            if (&other != &f)
                Require(SameField(r, before, other), "a commit of one field changes no other");
        const std::string shown = FieldText(r, f);
        auto again = r;
        StoreFieldText(again, f, shown);
        Require(SameField(again, r, f) && StoredAsTyped(f.width, shown, FieldText(again, f)),
                "showing a stored value and committing it gives it back");
    });

    const std::string utf8 = Latin1ToUtf8(text);
    const Latin1Result back = Utf8ToLatin1(utf8);
    Require(back.ok && back.text == text, "Latin-1 bytes come back from their UTF-8 form");
    const Latin1Result direct = Utf8ToLatin1(text);
    if (direct.ok)
        Require(Latin1ToUtf8(direct.text) == text, "UTF-8 that converts comes back as it was");
    else
        Require(!direct.refused.empty(), "a refusal names the character");
    const std::string escaped = EscapeControls(Latin1ToUtf8(text));
    const Latin1Result shown = Utf8ToLatin1(escaped);
    Require(shown.ok && !HasControlCharacter(shown.text), "an escaped name holds no control characters");
    return 0;
}
