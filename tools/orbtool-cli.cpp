// orbtool-cli: list, dump and set data files from the command line, on the editor's own data layer.
//   orbtool-cli list [DIR]
//   orbtool-cli dump FILE [--table units|weapons|formations] [--format json|csv]
//   orbtool-cli set FILE TABLE NUMBER FIELD=TEXT [FIELD=TEXT ...]
// Errors go to stderr with exit status 2; a failed command never changes a file.
#include "core/EditRules.h"
#include "core/FileList.h"
#include "core/Globals.h"
#include "core/Latin1.h"
#include "data/Fields.h"
#include "data/ORBIO.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

namespace {
struct Failure {
    std::string message;
};

[[noreturn]] void fail(const std::string& message)
{
    throw Failure{message};
}

const char* const kUsage =
    "usage: orbtool-cli list [DIR]\n"
    "       orbtool-cli dump FILE [--table units|weapons|formations] [--format json|csv]\n"
    "       orbtool-cli set FILE TABLE NUMBER FIELD=TEXT [FIELD=TEXT ...]\n";

// Names are bytes; shown through Latin-1, one character per byte, and printed as UTF-8.
std::string nameAsUtf8(const OrbName& name)
{
    return Latin1ToUtf8(name);
}

std::string jsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

enum class Table { Units, Weapons, Formations };

Table parseTable(const std::string& t)
{
    if (t == "units" || t == "unit")
        return Table::Units;
    if (t == "weapons" || t == "weapon")
        return Table::Weapons;
    if (t == "formations" || t == "formation")
        return Table::Formations;
    fail("unknown table '" + t + "' (units, weapons or formations)");
}

OrbImage readImage(const std::string& path, bool writable)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        fail("'" + path + "' does not exist");
    if (!std::filesystem::is_regular_file(path, ec))
        fail("'" + path + "' is not a data file");
    OrbImage image;
    IoResult r = ReadOrbImage(path, image, writable);
    if (!r.ok)
        fail(r.error);
    return image;
}

template <class R, std::size_t N>
void dumpJson(std::ostream& out, const char* key, const std::array<R, N>& table, const std::vector<FieldDef<R>>& fields)
{
    out << "  " << jsonString(key) << ": [";
    for (std::size_t i = 0; i < N; ++i) {
        out << (i ? ",\n    {" : "\n    {") << "\"number\": " << i + 1;
        for (const auto& f : fields) {
            out << ", " << jsonString(f.name) << ": ";
            if (f.width == FieldWidth::Text)
                out << jsonString(nameAsUtf8(table[i].*f.text));
            else
                out << f.number(table[i]);
        }
        out << "}";
    }
    out << "\n  ]";
}

template <class R, std::size_t N>
void dumpCsv(std::ostream& out, const std::array<R, N>& table, const std::vector<FieldDef<R>>& fields)
{
    out << "number";
    for (const auto& f : fields)
        out << "," << f.name;
    out << "\r\n";
    for (std::size_t i = 0; i < N; ++i) {
        out << i + 1;
        for (const auto& f : fields)
            out << "," << (f.width == FieldWidth::Text ? csvField(nameAsUtf8(table[i].*f.text)) : std::to_string(f.number(table[i])));
        out << "\r\n";
    }
}

int cmdList(const QStringList& args)
{
    if (args.size() > 1)
        fail("list takes at most one directory");
    std::string dir = args.isEmpty() ? std::string(".") : args[0].toStdString();
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        fail("'" + dir + "' is not a directory");
    for (const auto& line : OrbListLines(ScanOrbFiles(dir)))
        std::cout << line << "\n";
    return 0;
}

int cmdDump(const QStringList& args)
{
    if (args.isEmpty())
        fail("dump needs a file");
    std::string file = args[0].toStdString();
    std::string table = "all", format = "json";
    for (int i = 1; i < args.size(); ++i) {
        std::string opt = args[i].toStdString();
        if ((opt == "--table" || opt == "--format") && i + 1 < args.size())
            (opt == "--table" ? table : format) = args[++i].toStdString();
        else
            fail("unknown option '" + opt + "'");
    }
    if (format != "json" && format != "csv")
        fail("unknown format '" + format + "' (json or csv)");
    bool all = table == "all";
    Table which = all ? Table::Units : parseTable(table);
    if (all && format == "csv")
        fail("csv holds one table: choose it with --table");

    OrbImage image = readImage(file, false);
    OrbData orb;
    UnpackImage(image.bytes.data(), orb);

    std::ostringstream out;
    if (format == "csv") {
        if (which == Table::Units)
            dumpCsv(out, orb.Units, UnitFields());
        else if (which == Table::Weapons)
            dumpCsv(out, orb.Weapons, WeaponFields());
        else
            dumpCsv(out, orb.Formations, FormationFields());
    } else {
        out << "{\n";
        bool first = true;
        auto sep = [&] { out << (first ? "" : ",\n"); first = false; };
        if (all || which == Table::Units) {
            sep();
            dumpJson(out, "units", orb.Units, UnitFields());
        }
        if (all || which == Table::Weapons) {
            sep();
            dumpJson(out, "weapons", orb.Weapons, WeaponFields());
        }
        if (all || which == Table::Formations) {
            sep();
            dumpJson(out, "formations", orb.Formations, FormationFields());
        }
        out << "\n}\n";
    }
    std::cout << out.str();
    return 0;
}

template <class R>
void applyAssignment(R& record, const std::vector<FieldDef<R>>& fields, const std::string& field, const QString& text)
{
    const FieldDef<R>* f = FindField(fields, field);
    if (IsWorkingField(field) || (f && !f->editable()))
        fail("field '" + field + "' cannot be set: no page of the editor edits it");
    if (!f)
        fail("unknown field '" + field + "'");
    std::string stored = text.toStdString();
    if (f->width == FieldWidth::Text) {
        // A name is one byte per character: only Latin-1 characters have one.
        Latin1Result latin1 = Utf8ToLatin1(stored);
        if (!latin1.ok)
            fail(std::string(f->name) + ": '" + latin1.refused + "' cannot be stored in a name (Latin-1 characters only)");
        stored = latin1.text;
    }
    try {
        StoreFieldText(record, *f, stored);
    } catch (const ConversionError& e) {
        fail(e.what());
    }
}

int cmdSet(const QStringList& args)
{
    if (args.size() < 4)
        fail("set needs FILE TABLE NUMBER FIELD=TEXT");
    std::string file = args[0].toStdString();
    Table table = parseTable(args[1].toStdString());
    bool ok = false;
    int number = args[2].toInt(&ok);
    int count = table == Table::Formations ? FormationCount : UnitCount;
    if (!ok || number < 1 || number > count)
        fail("entry number must be from 1 to " + std::to_string(count));

    OrbImage image = readImage(file, true);
    OrbData orb;
    UnpackImage(image.bytes.data(), orb);
    for (int i = 3; i < args.size(); ++i) {
        int eq = args[i].indexOf('=');
        if (eq <= 0)
            fail("expected FIELD=TEXT, got '" + args[i].toStdString() + "'");
        std::string field = args[i].left(eq).toStdString();
        QString text = args[i].mid(eq + 1);
        if (table == Table::Units)
            applyAssignment(orb.unit(number), UnitFields(), field, text);
        else if (table == Table::Weapons)
            applyAssignment(orb.weapon(number), WeaponFields(), field, text);
        else
            applyAssignment(orb.formation(number), FormationFields(), field, text);
    }
    PackImage(orb, image.bytes.data());
    std::vector<PastEndValue> lost = ValuesPastEnd(image.bytes.data(), image.bytesRead);
    if (!lost.empty())
        fail("'" + file + "' is only " + std::to_string(image.bytesRead) + " bytes long: " +
             lost.front().table + " " + std::to_string(lost.front().entry) + " " + lost.front().field +
             " lies past its end and cannot be stored");
    IoResult written = WriteOrbImage(file, image);
    if (!written.ok)
        fail(written.error);
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::cerr << kUsage;
        return 2;
    }
    QString command = args.takeFirst();
    try {
        if (command == "list")
            return cmdList(args);
        if (command == "dump")
            return cmdDump(args);
        if (command == "set")
            return cmdSet(args);
        std::cerr << "orbtool-cli: unknown command '" << command.toStdString() << "'\n" << kUsage;
    } catch (const Failure& f) {
        std::cerr << "orbtool-cli: " << f.message << "\n";
    }
    return 2;
}
