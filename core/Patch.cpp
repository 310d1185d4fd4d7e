#include "core/Patch.h"

#include "core/CountText.h"
#include "core/Latin1.h"
#include "core/OrbDiff.h"
#include "core/TextDecode.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <tuple>

namespace {
template <class R>
FieldValue valueOf(const R& r, const FieldDef<R>& f)
{
    FieldValue v;
    v.isName = f.width == FieldWidth::Text;
    if (v.isName)
        v.name = std::string(r.*f.text);
    else
        v.number = f.number(r);
    return v;
}

template <class R>
void store(R& r, const FieldDef<R>& f, const FieldValue& v)
{
    if (f.width == FieldWidth::Text)
        r.*f.text = OrbName(v.name);
    else
        f.setNumber(r, v.number);
}

std::string where(TableId t, int entry, const std::string& field)
{
    return std::string(TableName(t)) + " " + EntryNumberText(entry) + " " + field;
}

// Calls fn(record, field) for field `name` of entry n of table t, or returns false when the table
// has no such field.
template <class Fn>
bool withField(TableId t, const std::string& name, Fn&& fn)
{
    return WithTable(t, [&](const auto& fields, auto entry) {
        const auto* f = FindField(fields, name);
        if (f)
            fn(*f, entry);
        return f != nullptr;
    });
}
}  // namespace

std::string QuotedName(std::string_view bytes)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 32 || (c >= 127 && c < 160)) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += Latin1ToUtf8(std::string(1, static_cast<char>(c)));
        }
    }
    return out + "\"";
}

std::string ValueText(const FieldValue& v)
{
    return v.isName ? QuotedName(v.name) : std::to_string(v.number);
}

std::string PatchText(const OrbData& stock, const OrbData& modded, std::size_t stockLength, std::size_t moddedLength,
                      std::size_t* leftOut)
{
    std::string out = std::string(PatchHeader) + "\n";
    const std::size_t length = std::min(stockLength, moddedLength);
    std::size_t past = 0;
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
        WithTable(t, [&](const auto& fields, auto entry) {
            for (int n = 1; n <= TableCount(t); ++n) {
                const auto a = entry(stock, n), b = entry(modded, n);
                for (const auto& f : fields) {
                    if (SameField(a, b, f))
                        continue;
                    if (f.pastEnd(n, length))
                        ++past;
                    else
                        out += where(t, n, f.name) + " " + ValueText(valueOf(a, f)) + " -> " + ValueText(valueOf(b, f)) + "\n";
                }
            }
        });
    if (leftOut)
        *leftOut = past;
    return out;
}

std::string ShowText(const OrbData& orb)
{
    std::string out;
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
        WithTable(t, [&](const auto& fields, auto entry) {
            for (int n = 1; n <= TableCount(t); ++n) {
                const auto r = entry(orb, n);
                for (const auto& f : fields)
                    out += where(t, n, f.name) + " " + ValueText(valueOf(r, f)) + "\n";
            }
        });
    return out;
}

namespace {
struct Token {
    std::string text;  // a quoted token's bytes, unescaped
    bool quoted = false;
    std::string problem;  // why a quoted token is no name, said with its field's name
};

// Splits a line into words and quoted names; false with why when the quotes are not closed.
bool tokens(const std::string& line, std::vector<Token>& out, std::string& why)
{
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c != '"') {
            const std::size_t end = line.find_first_of(" \t\r#\"", i);
            out.push_back({line.substr(i, end - i), false, {}});
            i = end == std::string::npos ? line.size() : end;
        } else {
            Token t{{}, true, {}};
            std::string run;  // characters between escapes, as UTF-8
            auto flush = [&] {
                Latin1Result bytes = Utf8ToLatin1(run);
                run.clear();
                if (!bytes.ok && t.problem.empty())
                    t.problem = "'" + bytes.refused + "' has no byte in a name";
                t.text += bytes.text;
            };
            for (++i;; ++i) {
                if (i >= line.size()) {
                    why = "a name's quotes are not closed";
                    return false;
                }
                if (line[i] == '"')
                    break;
                if (line[i] != '\\') {
                    run += line[i];
                    continue;
                }
                flush();
                const char e = i + 1 < line.size() ? line[i + 1] : '\0';
                if (e == '"' || e == '\\') {
                    t.text += e;
                    ++i;
                } else if (e == 'x' && i + 3 < line.size() && std::isxdigit(static_cast<unsigned char>(line[i + 2])) &&
                           std::isxdigit(static_cast<unsigned char>(line[i + 3]))) {
                    t.text += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
                    i += 3;
                } else if (t.problem.empty()) {
                    t.problem = "an escape in a name is \\\", \\\\ or \\xNN";
                }
            }
            flush();
            out.push_back(std::move(t));
            ++i;
        }
    }
    return true;
}

// A line as a message shows it: in quotes, its first 40 characters, with tabs, quotes,
// backslashes and other control characters escaped.
std::string shownLine(const std::string& line)
{
    static const char hex[] = "0123456789abcdef";
    std::size_t cut = std::min<std::size_t>(line.size(), 40);
    while (cut < line.size() && (static_cast<unsigned char>(line[cut]) & 0xc0) == 0x80)
        --cut;  // not inside a character
    std::string out = "\"";
    for (unsigned char c : line.substr(0, cut)) {
        if (c == '\t')
            out += "\\t";
        else if (c == '"' || c == '\\')
            out += '\\', out += static_cast<char>(c);
        else if (c < 32 || c == 127)
            out += "\\x", out += hex[c >> 4], out += hex[c & 15];
        else
            out += static_cast<char>(c);
    }
    return out + (cut < line.size() ? "\"..." : "\"");
}

// A value of field f from a token, within what the file can hold.
template <class R>
bool valueFrom(const FieldDef<R>& f, const Token& t, FieldValue& v, std::string& why)
{
    v.isName = f.width == FieldWidth::Text;
    if (v.isName) {
        if (!t.quoted)
            why = std::string(f.name) + " is a name: write it in quotes";
        else if (!t.problem.empty())
            why = std::string(f.name) + ": " + t.problem;
        else if (t.text.size() > static_cast<std::size_t>(NameLength) || t.text.find('\0') != std::string::npos)
            why = std::string(f.name) + ": a name holds at most 15 bytes, and no zero byte";
        else
            v.name = t.text;
        return why.empty();
    }
    const uint32_t max = f.width == FieldWidth::U16 ? 65535 : 255;
    if (t.quoted || !PlainDigits(t.text, 5) || std::stoul(t.text) > max) {
        why = std::string(f.name) + " holds a number from 0 to " + std::to_string(max) + ", not " +
              (t.quoted ? "a name" : "'" + t.text + "'");
        return false;
    }
    v.number = static_cast<uint32_t>(std::stoul(t.text));
    return true;
}
}  // namespace

PatchRead ReadPatch(const std::string& bytes, const std::string& source)
{
    PatchRead r;
    r.patch.source = source;
    DecodedText decoded = DecodeText(bytes);
    r.readAs = decoded.readAs;
    r.note = DecodeNote(decoded, source);
    const std::string& text = decoded.utf8;
    bool headerSeen = false;
    std::size_t start = 0;
    for (int number = 1; start < text.size() || number == 1; ++number) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        auto error = [&](const std::string& why) { r.errors.push_back(source + ":" + std::to_string(number) + ": " + why); };
        if (!headerSeen) {
            const std::size_t first = line.find_first_not_of(" \t");
            const std::size_t last = line.find_last_not_of(" \t");
            const std::string trimmed = first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
            const bool more = start < text.size();
            if ((trimmed.empty() || trimmed[0] == '#') && more)
                continue;  // what comes before the header
            if (trimmed != PatchHeader) {
                // Its bytes shown, so that a tab or a second space where one space belongs is seen.
                error(std::string("not a patch: the first line that is not blank or a comment must be '") + PatchHeader +
                      "', not " + shownLine(trimmed));
                return r;
            }
            headerSeen = true;
            continue;
        }
        std::vector<Token> words;
        std::string why;
        if (!tokens(line, words, why)) {
            error(why);
            continue;
        }
        if (words.empty())
            continue;
        if (words.size() != 6 || words[4].text != "->" || words[4].quoted) {
            error("expected TABLE NUMBER FIELD OLD -> NEW");
            continue;
        }
        PatchLine p;
        p.line = number;
        auto table = ParseTable(words[0].text);
        if (!table) {
            error("no table is called '" + words[0].text + "'");
            continue;
        }
        p.table = *table;
        p.entry = PlainDigits(words[1].text, 3) ? std::stoi(words[1].text) : 0;
        if (p.entry < 1 || p.entry > TableCount(p.table)) {
            error("'" + words[1].text + "' is no entry of " + TableName(p.table));
            continue;
        }
        bool known = withField(p.table, words[2].text, [&](const auto& f, auto) {
            p.field = f.name;
            if (!valueFrom(f, words[3], p.before, why) || !valueFrom(f, words[5], p.after, why))
                error(why);
            else
                r.patch.lines.push_back(p);
        });
        if (!known)
            error("no field of " + std::string(TableName(p.table)) + " is called '" + words[2].text + "'");
    }
    return r;
}

PatchApplied ApplyPatches(OrbData& orb, const std::vector<Patch>& patches, std::size_t length)
{
    PatchApplied result;
    OrbData work = orb;
    std::map<std::tuple<TableId, int, std::string>, std::string> setBy;  // which line last set a field
    // What the whole sequence leaves in each field: a field that holds it already is done, though a
    // line earlier in a chain (a mod on top of a mod) names an older value.
    std::map<std::tuple<TableId, int, std::string>, FieldValue> last;
    for (const Patch& patch : patches)
        for (const PatchLine& p : patch.lines)
            last[{p.table, p.entry, p.field}] = p.after;
    for (const Patch& patch : patches)
        for (const PatchLine& p : patch.lines)
            withField(p.table, p.field, [&](const auto& f, auto entry) {
                auto r = entry(work, p.entry);
                const FieldValue now = valueOf(r, f);
                const std::string at = where(p.table, p.entry, p.field);
                const std::string line = patch.source + ":" + std::to_string(p.line);
                if (f.pastEnd(p.entry, length)) {
                    result.refused.push_back(line + ": " + at + " lies past the file's end (" +
                                             CountText(length, "byte", "bytes") + ")");
                    return;
                }
                if (now == p.after || now == last[{p.table, p.entry, p.field}])
                    return;
                // One bound for every way in: what a Commit would not store, a patch does not either.
                if (!p.after.isName && p.after.number > StoredMaximum(f)) {
                    result.refused.push_back(line + ": " + at + ": " + ValueText(p.after) + " is above " +
                                             std::to_string(StoredMaximum(f)) + ", the most " + p.field + " stores");
                    return;
                }
                if (now != p.before) {
                    auto by = setBy.find({p.table, p.entry, p.field});
                    result.conflicts.push_back(line + ": " + at + ": the patch changes " + ValueText(p.before) + " -> " +
                                               ValueText(p.after) + ", the file holds " + ValueText(now) +
                                               (by != setBy.end() ? " (from " + by->second + ")" : std::string()));
                    return;
                }
                store(r, f, p.after);
                entry.set(work, p.entry, r);
                setBy[{p.table, p.entry, p.field}] = line;
                result.changes.push_back(at + " " + ValueText(p.before) + " -> " + ValueText(p.after));
            });
    if (result.conflicts.empty() && result.refused.empty())
        orb = std::move(work);
    return result;
}
