// tree: a file's order of battle as a hierarchy — each nation's formations that no formation
// holds, their sub-formations and units in slot order — as indented text, nested JSON or a
// Graphviz graph.
#include "tools/cli/Commands.h"

#include "core/FormationTotals.h"
#include "core/Globals.h"
#include "core/Latin1.h"
#include "core/OrderOfBattle.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <optional>

namespace {
// A file can nest formations so that the walk, though it never loops, repeats shared
// sub-formations without end (each holding the next twice): the tree stops growing here.
constexpr int kMostLines = 100000;

struct Node {
    bool formation = true;
    int number = 0, multiplier = 0;
    bool cycle = false;
    std::vector<Node> members;
};

struct Walk {
    const OrbData& orb;
    OobFilter filter;
    int lines = 0;
    bool cut = false;

    Node formation(int n, std::vector<int>& path)
    {
        Node node{true, n, 0, false, {}};
        path.push_back(n);
        for (const OobMember& m : FormationMembers(orb, n, std::vector<int>(path.begin(), path.end() - 1), filter)) {
            if (++lines > kMostLines) {
                cut = true;
                break;
            }
            if (m.kind == SlotKind::Unit || m.cycle) {
                node.members.push_back({m.kind == SlotKind::Formation, m.number, m.multiplier, m.cycle, {}});
                continue;
            }
            Node sub = formation(m.number, path);
            sub.multiplier = m.multiplier;
            node.members.push_back(std::move(sub));
        }
        path.pop_back();
        return node;
    }
    Node top(int n)
    {
        std::vector<int> path;
        ++lines;
        return formation(n, path);
    }
};

std::string nameOf(const OrbData& orb, const Node& n)
{
    const std::string name = n.formation ? orb.formation(n.number).Name : orb.unit(n.number).Name;
    return Latin1ToUtf8(EscapeControls(name));
}

// "Armour, 60-117, 31 units": the type, years and unit total a formation line shows.
std::string formationFacts(const OrbData& orb, int n)
{
    const FormationRecord f = orb.formation(n);
    const int total = CountFormationUnits(orb, f, n).units;
    return Latin1ToUtf8(GetFormationTypeName(f.Type)) + ", " + std::to_string(f.Avail) + "-" + std::to_string(f.Until) +
           ", " + std::to_string(total) + (total == 1 ? " unit" : " units") + (total > MaxFormationUnits ? " (above 60)" : "");
}

std::string unitFacts(const OrbData& orb, const Node& n)
{
    return "\xc3\x97" + std::to_string(n.multiplier) + " " + Latin1ToUtf8(GetUnitClassName(orb.unit(n.number).Class));
}

void text(const OrbData& orb, const Node& n, int depth, std::string& out)
{
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    if (!n.formation) {
        out += "unit " + EntryNumberText(n.number) + " " + nameOf(orb, n) + " " + unitFacts(orb, n) + "\n";
        return;
    }
    out += "formation " + EntryNumberText(n.number) + " " + nameOf(orb, n) + ": " + formationFacts(orb, n.number);
    if (depth > 1 || n.multiplier)
        out += ", \xc3\x97" + std::to_string(n.multiplier);
    out += n.cycle ? " (leads back to a formation above: not opened again)\n" : "\n";
    for (const Node& m : n.members)
        text(orb, m, depth + 1, out);
}

nlohmann::ordered_json json(const OrbData& orb, const Node& n, bool top)
{
    nlohmann::ordered_json j;
    if (!n.formation) {
        j["unit"] = n.number;
        j["name"] = nameOf(orb, n);
        j["multiplier"] = n.multiplier;
        j["class"] = Latin1ToUtf8(GetUnitClassName(orb.unit(n.number).Class));
        return j;
    }
    const FormationRecord f = orb.formation(n.number);
    j["formation"] = n.number;
    j["name"] = nameOf(orb, n);
    if (!top)
        j["multiplier"] = n.multiplier;
    j["type"] = Latin1ToUtf8(GetFormationTypeName(f.Type));
    j["avail"] = f.Avail;
    j["until"] = f.Until;
    j["total"] = CountFormationUnits(orb, f, n.number).units;
    if (n.cycle) {
        j["cycle"] = true;
        return j;
    }
    j["members"] = nlohmann::ordered_json::array();
    for (const Node& m : n.members)
        j["members"].push_back(json(orb, m, false));
    return j;
}

// A quoted label for Graphviz: quotes and backslashes escaped, lines broken with \n.
std::string dotLabel(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out + "\"";
}

// Each place in the tree is a node of its own (a unit in two formations is drawn twice), so that
// the drawing is a tree, as the dock shows it.
void dot(const OrbData& orb, const Node& n, const std::string& id, std::string& out)
{
    if (!n.formation) {
        out += "  " + id + " [shape=ellipse, label=" + dotLabel(EntryNumberText(n.number) + " " + nameOf(orb, n) + "\n" + unitFacts(orb, n)) + "];\n";
        return;
    }
    out += "  " + id + " [shape=box, label=" +
           dotLabel(EntryNumberText(n.number) + " " + nameOf(orb, n) + "\n" + formationFacts(orb, n.number) +
                    (n.cycle ? "\n(leads back above)" : "")) +
           "];\n";
    int k = 0;
    for (const Node& m : n.members) {
        const std::string child = id + "_" + std::to_string(++k);
        dot(orb, m, child, out);
        out += "  " + id + " -> " + child + " [label=" + dotLabel("\xc3\x97" + std::to_string(m.multiplier)) + "];\n";
    }
}

struct Nation {
    int code;
    std::vector<Node> tops;
};

int cmdTree(const std::string& file, const std::vector<std::string>& words, const std::string& formatText,
            std::optional<int> year, std::string& out, std::string& warnings)
{
    const std::string format = FormatArg(formatText, {"text", "json", "dot"});
    if (words.size() == 1 || words.size() > 2)
        Fail("tree takes FILE [formations N | nation CODE]");
    Loaded data = LoadData(file, false);
    // The formations lie at the end of the image: a short file holds some of them only in part.
    if (data.image.bytesRead < OrbImageSize)
        Fail("'" + file + "' is only " + std::to_string(data.image.bytesRead) + " bytes long, not " +
             std::to_string(OrbImageSize) + ": its formations cannot be shown whole");
    Walk walk{data.orb, OobFilter{year}};
    std::vector<Nation> nations;
    std::optional<Node> one;
    if (words.empty()) {
        for (int code : OobNations(data.orb, walk.filter)) {
            Nation nation{code, {}};
            for (int n : TopFormations(data.orb, code, walk.filter))
                nation.tops.push_back(walk.top(n));
            nations.push_back(std::move(nation));
        }
    } else if (words[0] == "nation") {
        if (!PlainDigits(words[1], 3) || std::stoi(words[1]) > 255)
            Fail("a nation code is a number from 0 to 255, not '" + words[1] + "'");
        Nation nation{std::stoi(words[1]), {}};
        for (int n : TopFormations(data.orb, nation.code, walk.filter))
            nation.tops.push_back(walk.top(n));
        if (nation.tops.empty())
            warnings += "orbtool-cli: no formation of nation " + words[1] + (year ? " in that year" : "") + "\n";
        nations.push_back(std::move(nation));
    } else {
        if (TableArg(words[0]) != TableId::Formations)
            Fail("tree shows a formation or a nation: formations N, or nation CODE");
        const int n = EntryArg(TableId::Formations, words[1]);
        one = walk.top(n);
    }
    if (walk.cut)
        warnings += "orbtool-cli: the tree stops at " + std::to_string(kMostLines) +
                    " lines: its formations hold shared sub-formations many times over\n";
    const OrbData& orb = data.orb;
    if (format == "json") {
        nlohmann::ordered_json doc;
        if (one) {
            doc = json(orb, *one, true);
        } else {
            auto nationJson = [&](const Nation& nation) {
                nlohmann::ordered_json j{{"nation", nation.code}, {"name", Latin1ToUtf8(GetNationName(uint16_t(nation.code)))}};
                j["formations"] = nlohmann::ordered_json::array();
                for (const Node& t : nation.tops)
                    j["formations"].push_back(json(orb, t, true));
                return j;
            };
            if (words.empty()) {
                doc["nations"] = nlohmann::ordered_json::array();
                for (const Nation& nation : nations)
                    doc["nations"].push_back(nationJson(nation));
            } else {
                doc = nationJson(nations.front());
            }
        }
        out += doc.dump(2) + "\n";
    } else if (format == "dot") {
        out += "digraph orbat {\n  rankdir=TB;\n  node [fontname=\"Liberation Sans\"];\n";
        if (one)
            dot(orb, *one, "f" + std::to_string(one->number), out);
        for (const Nation& nation : nations)
            for (const Node& t : nation.tops)
                dot(orb, t, "n" + std::to_string(nation.code) + "_f" + std::to_string(t.number), out);
        out += "}\n";
    } else {
        if (one)
            text(orb, *one, 0, out);
        for (const Nation& nation : nations) {
            out += "nation " + std::to_string(nation.code) + " " + Latin1ToUtf8(GetNationName(uint16_t(nation.code))) + "\n";
            for (const Node& t : nation.tops)
                text(orb, t, 1, out);
        }
    }
    return 0;
}
}  // namespace

void AddTreeCommand(std::vector<CommandSpec>& to)
{
    to.push_back({"tree", "A file's order of battle: each nation's formations with what they hold", [](CLI::App* c) {
                      auto file = std::make_shared<std::string>();
                      auto words = std::make_shared<std::vector<std::string>>();
                      auto format = std::make_shared<std::string>("text");
                      auto year = std::make_shared<int>(-1);
                      c->add_option("FILE", *file, "The data file; - reads it from standard input")->required();
                      c->add_option("WHAT", *words, "formations N (one formation), or nation CODE (one nation); all nations without");
                      c->add_option("--format", *format, "text (default), json or dot (for Graphviz)");
                      c->add_option("--year", *year, "Keep what is available in that year (1985, or 85 as the file counts)")
                          ->check(CLI::Range(0, 2155));
                      return CommandRun([=](std::string& out, std::string& warnings) {
                          return cmdTree(*file, *words, *format, *year >= 0 ? std::optional<int>(*year) : std::nullopt, out, warnings);
                      });
                  }});
}
