// Code names, the lenient number reading and the file list lines.
#include "core/EditRules.h"
#include "core/FileList.h"
#include "core/Globals.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QTest>

class TestCodes : public QObject {
    Q_OBJECT

private slots:
    void namesAndFallbacks()
    {
        QCOMPARE(GetWeaponClassName(0), std::string("Unknown Class"));
        QCOMPARE(GetWeaponClassName(18), std::string("Napalm"));
        QCOMPARE(GetWeaponClassName(19), std::string("Unknown Class"));
        std::string moves;
        for (int c = 0; c <= 9; ++c)
            moves += (c ? "|" : "") + GetMovementClassName(uint8_t(c));
        QCOMPARE(moves, std::string("Default|UNKNOWN|Wheel|A/T Wheel|Track|UNKNOWN|UNKNOWN|Ship|UNKNOWN|UNKNOWN"));
        QCOMPARE(GetMovementClassName(255), std::string("UNKNOWN"));
        QCOMPARE(GetNationName(43), std::string("Generic Red"));
        for (int c : {44, 69, 92, 255, 300, 65535})
            QCOMPARE(GetNationName(uint16_t(c)), std::string("Unknown"));
        QCOMPARE(GetNationName(70), std::string("Nazi Germany"));
        QCOMPARE(GetNationName(80), GetNationName(2));
        QCOMPARE(GetNationName(91), std::string("France 2"));
        // The ends of the unit class list and its typos, as the game's list has them.
        QCOMPARE(GetUnitClassName(0), std::string("Fort"));
        QCOMPARE(GetUnitClassName(33), std::string("Light Ambhibian"));
        QCOMPARE(GetUnitClassName(68), std::string("HQ Fuel Dump"));
        QCOMPARE(GetUnitClassName(69), std::string("Unknown Class"));
        QCOMPARE(GetUnitClassName(255), std::string("Unknown Class"));
        QCOMPARE(GetPurchasePageName(5), std::string("Unknown"));
        QCOMPARE(GetPurchasePageName(10), std::string("Battalion HQ."));
        QCOMPARE(GetPurchasePageName(11), std::string("Unknown"));
        QCOMPARE(GetFormationTypeName(0), std::string("Unknown"));
        QCOMPARE(GetFormationTypeName(3), std::string("Unknown"));
        QCOMPARE(GetFormationTypeName(5), std::string("Bn HQ"));
        QCOMPARE(GetFormationTypeName(6), std::string("Unknown"));
    }

    void stripNonDigits()
    {
        QCOMPARE(StripNonDigits(""), std::string("0"));
        QCOMPARE(StripNonDigits("abc"), std::string("0"));
        QCOMPARE(StripNonDigits("-"), std::string("0"));
        QCOMPARE(StripNonDigits("-12"), std::string("12"));
        QCOMPARE(StripNonDigits("1.5"), std::string("15"));
        QCOMPARE(StripNonDigits(" 1 2 3 "), std::string("123"));
        QCOMPARE(StripNonDigits("007"), std::string("007"));
        QCOMPARE(StripNonDigits("\xb2\xb3"), std::string("0"));  // superscript digits are not digits
    }

    void limitNumberText()
    {
        QCOMPARE(LimitNumberText(255, "300"), std::string("255"));
        QCOMPARE(LimitNumberText(255, "255"), std::string("255"));
        QCOMPARE(LimitNumberText(255, "007"), std::string("7"));
        QCOMPARE(LimitNumberText(255, ""), std::string("0"));
        QCOMPARE(LimitNumberText(255, "2147483647"), std::string("255"));
        QCOMPARE(LimitNumberText(1200, "-5"), std::string("5"));
        QCOMPARE(LimitNumberText(1200, "0000000000001"), std::string("1"));
        try {
            LimitNumberText(255, "x2147483648");
            QFAIL("no error for a value past 2147483647");
        } catch (const ConversionError& e) {
            QCOMPARE(std::string(e.what()), std::string("'2147483648' is not a valid integer value"));
        }
        QVERIFY_THROWS_EXCEPTION(ConversionError, LimitNumberText(255, "99999999999999999999999"));
    }

    void commitConversions()
    {
        QCOMPARE(NumberFromText(255, FieldWidth::U8, "1a5"), 15u);
        QCOMPARE(NumberFromText(99999, FieldWidth::U16, "Pm23"), 23u);
        QCOMPARE(NumberFromText(99999, FieldWidth::U16, "65535"), 65535u);
        QCOMPARE(NumberFromText(99999, FieldWidth::U16, "70000"), 65535u);
        QCOMPARE(NumberFromText(99999, FieldWidth::U16, "999999"), 65535u);
        QCOMPARE(NumberFromText(1200, FieldWidth::U16, "5000"), 1200u);
        QCOMPARE(NumberFromText(249, FieldWidth::U8, "250"), 249u);
        // However many digits: capped, never refused.
        QCOMPARE(NumberFromText(249, FieldWidth::U8, "99999999999999999999"), 249u);
        QCOMPARE(NumberFromText(249, FieldWidth::U8, "00000000000000000017"), 17u);
        // What Commit stores repeats what was typed, or says otherwise.
        struct Typed {
            FieldWidth width;
            const char* typed;
            const char* stored;
            bool same;
        };
        for (const Typed& t : {Typed{FieldWidth::U8, "007", "7", true}, Typed{FieldWidth::U8, "", "0", true},
                               Typed{FieldWidth::U8, "000", "0", true}, Typed{FieldWidth::U8, "1a5", "15", false},
                               Typed{FieldWidth::U8, "300", "255", false}, Typed{FieldWidth::Text, "007", "7", false},
                               Typed{FieldWidth::Text, "Tiger", "Tiger", true}})
            QVERIFY2(StoredAsTyped(t.width, t.typed, t.stored) == t.same, t.typed);
        QCOMPARE(NameFromText("ABCDEFGHIJKLMNOPQ"), std::string("ABCDEFGHIJKLMNO"));
        QCOMPARE(NameFromText(" J\xe4ger "), std::string(" J\xe4ger "));
        QCOMPARE(NameFromText(std::string("A\0B", 3)), std::string("AB"));

        UnitRecord u;
        u.HiddenByte = 77;
        StoreFieldText(u, *FindField(UnitFields(), "icon"), "70000");
        QCOMPARE(u.Icon, uint16_t(65535));
        QCOMPARE(FieldText(u, *FindField(UnitFields(), "Icon")), std::string("65535"));
        QCOMPARE(u.HiddenByte, uint8_t(77));
        QVERIFY(!FindField(UnitFields(), "HiddenByte")->editable());
        QVERIFY(FindField(WeaponFields(), "Spare") == nullptr);
        QVERIFY(IsWorkingField("spare") && IsWorkingField("SlotBytes") && !IsWorkingField("Slot1"));
    }

    void fileListLines()
    {
        std::array<bool, 100> none{};
        QVERIFY(OrbListLines(none).empty());
        QCOMPARE(FirstExistingListLine(none), -1);

        std::array<bool, 100> some{};
        some[5] = some[71] = true;
        auto lines = OrbListLines(some);
        QCOMPARE(int(lines.size()), 66);
        QCOMPARE(lines[5], std::string("Orb05 - MOD - Japan"));
        QCOMPARE(lines[45], std::string("Orb71 - WW2 - Finland"));
        QCOMPARE(lines[0], std::string(" ? Orb00 - MOD - West Germany"));
        QCOMPARE(lines[43], std::string(" ? Orb43 - MOD - Generic Red"));
        QCOMPARE(lines[44], std::string(" ? Orb70 - WW2 - Nazi Germany"));
        QCOMPARE(lines[65], std::string(" ? Orb91 - WW2 - France 2"));
        int present = 0;
        for (const auto& l : lines)
            present += l.rfind(" ? ", 0) != 0;
        QCOMPARE(present, 2);
        QCOMPARE(FirstExistingListLine(some), 5);

        std::array<bool, 100> ww2{};
        ww2[70] = true;
        ww2[50] = true;  // never listed
        QCOMPARE(FirstExistingListLine(ww2), 44);
        QCOMPARE(FileNumberOfListLine(50), 76);
        QCOMPARE(ListLineOfFileNumber(76), 50);
        QCOMPARE(ListLineOfFileNumber(50), -1);
    }

    // Beside the program first; then the user's configuration folder ($XDG_CONFIG_HOME, or ~/.config).
    void settingsFileLookupOrder()
    {
        QTemporaryDir tmp;
        const std::string root = tmp.path().toStdString(), program = root + "/bin/";
        const std::string xdg = root + "/xdg", home = root + "/home";
        QDir(tmp.path()).mkpath("bin");
        QDir(tmp.path()).mkpath("xdg/orbtool");
        QDir(tmp.path()).mkpath("home/.config/orbtool");
        auto touch = [](const std::string& p) { QFile f(QString::fromStdString(p)); QVERIFY(f.open(QIODevice::WriteOnly)); };
        QCOMPARE(FindSettingsFile(program, xdg.c_str(), home.c_str()), program + "Orbtool.ini");  // none: beside
        touch(home + "/.config/orbtool/Orbtool.ini");
        QCOMPARE(FindSettingsFile(program, nullptr, home.c_str()), home + "/.config/orbtool/Orbtool.ini");
        QCOMPARE(FindSettingsFile(program, "relative/dir", home.c_str()), home + "/.config/orbtool/Orbtool.ini");
        QCOMPARE(FindSettingsFile(program, xdg.c_str(), home.c_str()), program + "Orbtool.ini");  // xdg has none
        touch(xdg + "/orbtool/Orbtool.ini");
        QCOMPARE(FindSettingsFile(program, xdg.c_str(), home.c_str()), xdg + "/orbtool/Orbtool.ini");
        touch(program + "Orbtool.ini");
        QCOMPARE(FindSettingsFile(program, xdg.c_str(), home.c_str()), program + "Orbtool.ini");
    }

    void programDirectoryRule()
    {
        QCOMPARE(ProgramDirectoryOf("C:\\Games\\Orb\\Orbtool.exe", true), std::string("C:\\GAMES\\ORB\\"));
        QCOMPARE(ProgramDirectoryOf("D:\\orbtool.exe", true), std::string("D:\\"));
        QCOMPARE(ProgramDirectoryOf("C:\\Tools\\editor.exe", true), std::string("C:\\TOOLS\\EDITOR.EXE"));
        QCOMPARE(ProgramDirectoryOf("/usr/bin/orbtool", false), std::string("/usr/bin/"));
    }
};

QTEST_GUILESS_MAIN(TestCodes)
#include "test_codes.moc"
