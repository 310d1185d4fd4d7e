#include "core/Filter.h"

#include "core/Latin1.h"

#include <algorithm>
#include <cctype>

namespace {
// Latin-1 text folded to one letter case, for "contains in any letter case".
std::string folded(std::string s)
{
    for (char& c : s) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xc0 && b <= 0xde && b != 0xd7))
            c = static_cast<char>(b + 32);
    }
    return s;
}

// The words of text; a double-quoted run is one word, quotes kept out. Single quotes quote too
// where a shell user puts them inside a double-quoted --where: opening a word or a value (after
// = ! < > ~) and closing it at its end; anywhere else (O'Brien) a single quote is a character.
std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    std::string word;
    bool quoted = false, single = false, any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool atEnd = i + 1 == text.size() || std::isspace(static_cast<unsigned char>(text[i + 1]));
        if (c == '\'' && !quoted && !single && (word.empty() || std::string("=!<>~").find(word.back()) != std::string::npos) &&
            text.find('\'', i + 1) != std::string::npos) {
            single = any = true;
        } else if (c == '\'' && single && atEnd) {
            single = false;
        } else if (c == '"' && !single) {
            quoted = !quoted;
            any = true;
        } else if (!quoted && !single && std::isspace(static_cast<unsigned char>(c))) {
            if (any)
                out.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        out.push_back(word);
    return out;
}
}  // namespace

FieldFilter ParseFieldFilter(TableId t, const std::string& text)
{
    static const std::pair<const char*, Condition::Op> ops[] = {
        {"!=", Condition::NotEqual}, {"<=", Condition::LessOrEqual}, {">=", Condition::GreaterOrEqual},
        {"=", Condition::Equal},     {"<", Condition::Less},         {">", Condition::Greater},
        {"~", Condition::Contains},
    };
    FieldFilter f;
    for (const std::string& word : words(text)) {
        std::size_t at = std::string::npos, length = 0;
        Condition c;
        for (const auto& [symbol, op] : ops) {
            const std::size_t p = word.find(symbol);
            if (p != std::string::npos && p < at) {
                at = p, length = std::char_traits<char>::length(symbol), c.op = op;
            } else if (p != std::string::npos && p == at && std::char_traits<char>::length(symbol) > length) {
                length = std::char_traits<char>::length(symbol), c.op = op;
            }
        }
        if (at == std::string::npos) {
            Latin1Result latin1 = Utf8ToLatin1(word);
            f.words.push_back(folded(latin1.ok ? latin1.text : word));
            continue;
        }
        const std::string name = word.substr(0, at), value = word.substr(at + length);
        const bool known = WithTable(t, [&](const auto& fields, auto) {
            const auto* field = FindField(fields, name);
            if (!field)
                return false;
            c.field = field->name;
            if (field->width == FieldWidth::Text) {
                Latin1Result latin1 = Utf8ToLatin1(value);
                if (c.op != Condition::Equal && c.op != Condition::NotEqual && c.op != Condition::Contains)
                    f.error = "'" + word + "': a name takes =, != or ~";
                else if (!latin1.ok)
                    f.error = "'" + word + "': '" + latin1.refused + "' is in no name";
                c.text = latin1.text;
            } else if (c.op == Condition::Contains) {
                f.error = "'" + word + "': ~ is for names; " + field->name + " is a number";
            } else if (!PlainDigits(value, 9)) {
                f.error = "'" + word + "': " + field->name + " needs a number";
            } else {
                c.number = static_cast<uint32_t>(std::stoul(value));
            }
            return true;
        });
        if (!known && f.error.empty())
            f.error = "'" + word + "': no field of " + TableName(t) + " is called '" + name + "'";
        if (!f.error.empty())
            return f;
        f.conditions.push_back(c);
    }
    return f;
}

bool FilterMatches(const FieldFilter& f, const OrbData& orb, TableId t, int n)
{
    if (!f.error.empty())
        return false;
    return WithTable(t, [&](const auto& fields, auto entry) {
        const auto r = entry(orb, n);
        const std::string name = folded(std::string(r.Name));
        for (const std::string& w : f.words)
            if (EntryNumberText(n).find(w) == std::string::npos && name.find(w) == std::string::npos)
                return false;
        for (const Condition& c : f.conditions) {
            const auto* field = FindField(fields, c.field);
            if (field->width == FieldWidth::Text) {
                const std::string held = r.*field->text;
                const bool holds = c.op == Condition::Contains ? name.find(folded(c.text)) != std::string::npos
                                                               : (held == c.text) == (c.op == Condition::Equal);
                if (!holds)
                    return false;
                continue;
            }
            const uint32_t v = field->number(r);
            const bool holds = c.op == Condition::Equal ? v == c.number
                               : c.op == Condition::NotEqual ? v != c.number
                               : c.op == Condition::Less ? v < c.number
                               : c.op == Condition::LessOrEqual ? v <= c.number
                               : c.op == Condition::Greater ? v > c.number
                                                            : v >= c.number;
            if (!holds)
                return false;
        }
        return true;
    });
}
