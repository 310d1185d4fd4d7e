// Lua scripts on the tables: orbtool-cli run and check --rules-from as a user runs them, and the
// scripting module the window runs them through.
#include "CliRun.h"
#include "TestFiles.h"

#include "core/References.h"

#include "script/Script.h"
#include "script/ScriptRules.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#endif

class TestScript : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;

    // Runs orbtool-cli in the test's folder, so that a script is named as written ("s.lua").
    Run tool(const QStringList& args) { return run(cliPath(), args, {}, tmp.path()); }
    QString script(const QString& name, const QByteArray& text)
    {
        writeAll(tmp.filePath(name), text);
        return name;
    }
    // Every file below the folder with its bytes and where the system keeps it (a save changes
    // that even when it writes the same bytes).
    std::map<QString, QByteArray> files() const
    {
        std::map<QString, QByteArray> out;
        for (QDirIterator it(tmp.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            out[path] = readAll(path);
#ifndef _WIN32
            struct stat st {};
            if (::stat(QFile::encodeName(path).constData(), &st) == 0)
                out[path] += "#" + QByteArray::number(qulonglong(st.st_ino));
#endif
        }
        return out;
    }
    static QByteArray latin1(const std::string& name) { return QString::fromLatin1(name.c_str()).toUtf8(); }

private slots:
    void init()
    {
        QDir(tmp.path()).removeRecursively();
        QDir().mkpath(tmp.path());
    }

    // A change made by a script gives the very file the same change made with set gives, and
    // A script that fails, or that asks for what a value cannot hold, stops with its line and
    // No script reaches the file system, other processes or the network, nor runs or grows
    // check --rules-from: the rules of every .lua of a folder beside the built-in ones, with
    // The module as the window uses it: the error's line apart, the rules a run declared, the
    // findings printed as the built-in ones are, and limits of its own.
    void theModuleDirectly()
    {
        const OrbData orb = sampleOrb(12);
        const std::string longName = std::string(70, 'd') + "/cost.lua";  // longer than Lua keeps of a name
        const struct {
            std::string name, text;
            ScriptLimits limits;
            bool ok;
            std::string error;
            int line;
        } cases[] = {
            {"s", "units[1].Cost = 1\n\nunits[2].Cost = 256", {}, false, "s:3: units 002 Cost: 256 is above 255", 3},
            {longName, "\nlocal x = nil + 1", {}, false, longName + ":2: attempt to perform arithmetic on a nil value", 2},
            {longName, "units[1].Cost = 300", {}, false, longName + ":1: units 001 Cost: 300 is above 255", 1},
            {"s", "error('x', 0)", {}, false, "s:1: x", 1},
            {"s", "local t = {} for i = 1, 1e6 do t[i] = i end", {10, 1 << 20}, false, "s:1: stopped: it needed more than 1 MB of memory", 1},
            {"s", "\nwhile true do end", {0.2, 1 << 28}, false, "s:2: stopped: it ran for more than 0.2 s of processor time", 2},
            {"s", "units[1].Cost = (units[1].Cost + 1) % 256", {}, true, "", 0},
        };
        for (const auto& c : cases) {
            const ScriptRun r = RunScript(c.name, c.text, orb, {}, {}, c.limits);
            QCOMPARE(r.ok, c.ok);
            QCOMPARE(QString::fromStdString(r.error), QString::fromStdString(c.error));
            QCOMPARE(r.line, c.line);
            QVERIFY(sameImage(r.tables, orb) != c.ok);
        }
        const ScriptRun declared = RunScript("s", "\nrule{code = 'a-b', severity = 'hint', table = 'weapons', check = print}", orb);
        QVERIFY(declared.rules.size() == 1 && declared.rules[0].code == "a-b" && declared.rules[0].severity == Severity::Hint &&
                declared.rules[0].table == TableId::Weapons && declared.rules[0].line == 2);

        // Findings of script rules print as the built-in ones do, and check each OrbData given.
        QTemporaryDir rules;
        writeAll(rules.filePath("r.lua"), "rule{code = 'named', severity = 'error', table = 'units', check = function(u, n)\n"
                                          "  if u.Name == 'Tiger' then return 'Name', 'a Tiger in ' .. file.name end end}\n");
        ScriptRuleSet set = ScriptRuleSet::Load(pathOf(rules.path()));
        QVERIFY(set.error().empty() && set.failures().empty() && set.rules().size() == 1);
        OrbData tigers = orb;
        for (int n : {17, 200})
            tigers.edit<UnitRecord>(n, [](UnitRecord& u) { u.Name = "Tiger"; });
        QVERIFY(set.check(orb).empty());
        QStringList found;
        for (const Finding& f : set.check(tigers, ScriptFileOf("x/ORB12")))
            found << QString::fromStdString(FindingText(f));
        QCOMPARE(found, QStringList({"units 017 Name: error named: a Tiger in ORB12", "units 200 Name: error named: a Tiger in ORB12"}));
        QVERIFY(set.check(tigers, {}, RuleSelection{{}, {"named"}}).empty());
        QCOMPARE(ScriptRuleSet::Load(pathOf(rules.filePath("none"))).error().rfind("cannot read the folder '", 0), 0u);

        // Each rule has the time limit on each file; one that runs out fails alone, and the next
        // check starts afresh.
        writeAll(rules.filePath("s.lua"), "rule{code = 'slow', severity = 'hint', table = 'weapons', check = function(w, n)\n"
                                          "  while n == 2 do end end}\n");
        ScriptRuleSet slow = ScriptRuleSet::Load(pathOf(rules.path()), {0.2, 1 << 28});
        for (int round = 0; round < 2; ++round) {
            found.clear();
            for (const Finding& f : slow.check(tigers))
                found << QString::fromStdString(FindingText(f));
            QCOMPARE(found, QStringList({"units 017 Name: error named: a Tiger in ",
                                         "units 200 Name: error named: a Tiger in ",
                                         "weapons 002: error rule-file: rule 'slow' failed: " +
                                             QString::fromStdString(pathOf(rules.filePath("s.lua")).u8string()) +
                                             ":2: stopped: it ran for more than 0.2 s of processor time"}));
        }
    }
};

QTEST_GUILESS_MAIN(TestScript)
#include "test_script.moc"
