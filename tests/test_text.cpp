// Text rules of the core, stated case by case: the settings file reader, the Latin-1 rules for
// names, and text files as other programs save them.
#include "core/IniText.h"
#include "core/Latin1.h"
#include "core/TextDecode.h"

#include <QTest>

class TestText : public QObject {
    Q_OBJECT

private slots:
    // Each text read for [Orbtool] DefaultDir: what it must give.
    void settingsRead()
    {
        const struct {
            const char* text;
            const char* value;  // "-": not there
        } cases[] = {
            {"[Orbtool]\nDefaultDir=C:\\Games\n", "C:\\Games"},
            {"[orbtool]\ndefaultdir = C:\\Games  \n", "C:\\Games"},  // any letter case; spaces trimmed
            {"\xef\xbb\xbf[Orbtool]\nDefaultDir=a\n", "a"},              // a byte order mark before the first line
            {"[Orbtool]\r\nDefaultDir=a\r\n", "a"},
            {"[Orbtool]\n; DefaultDir=a\n", "-"},
            {"[Orbtool]\n# DefaultDir=a\n", "-"},
            {"[Orbtool]\nDefaultDir=a\n#c=d\n  b\n", "a\nb"},  // a comment between: b still continues a
            {"[Orbtool]\nDefaultDir=a ; a note\n", "a"},
            {"[Orbtool]\nDefaultDir=a;b\n", "a;b"},  // no space before ';': part of the value
            {"[Orbtool]\nDefaultDir=a\n  b\n", "a\nb"},  // an indented line continues the value
            {"[Orbtool]\nDefaultDir=a\nDefaultDir=b\n", "a\nb"},
            {"[Other]\nDefaultDir=a\n", "-"},
            {"DefaultDir=a\n[Orbtool]\n", "-"},
            {"[Orbtool]\nDefaultDir=\n", ""},
            {"[Orbtool]\nDefaultDir:a\n", "a"},
            {"[Orbtool\nDefaultDir=a\n", "-"},
        };
        for (const auto& c : cases) {
            const std::string text(c.text);
            const std::string held = IniValue(text, "Orbtool", "DefaultDir", "-");
            QVERIFY2(held == c.value, qPrintable(QString::fromStdString(text) + " gave " + QString::fromStdString(held)));
        }
        // Reading stops at a zero byte.
        const char raw[] = "[Orbtool]\nDefaultDir=a\0b\n[Orbtool]\nDefaultDir=c\n";
        const std::string zero(raw, sizeof raw - 1);
        QCOMPARE(IniValue(zero, "Orbtool", "DefaultDir", "-"), std::string("a"));
    }

    // The reader's limits: lines of 199 bytes, names of sections and continued keys of 49.
    void settingsLimits()
    {
        const std::string x188(188, 'x'), s49(49, 's'), k49(49, 'k');
        const struct {
            std::string text, section, key, value;
        } cases[] = {
            {"[o]\nDefaultDir=" + x188 + "\n", "o", "DefaultDir", x188},   // a line of 199 bytes, whole
            {"[o]\nDefaultDir=" + x188 + "y\n", "o", "DefaultDir", x188},  // of 200: the 200th byte a line of its own
            {"[o]\nDefaultDir=" + x188 + "b=c\n", "o", "b", "c"},         // of 202: its rest read as a line
            {"[o]\nk=" + std::string(197, 'x') + "DefaultDir=b\n", "o", "DefaultDir", "b"},
            {"[o]\nk=" + std::string(196, 'x') + "DefaultDir=b\n", "o", "DefaultDir", "-"},  // "efaultDir"
            {"[" + s49 + "]\nk=v\n", s49, "k", "v"},
            {"[" + s49 + "t]\nk=v\n", s49 + "t", "k", "-"},  // a section name of 50 bytes is cut to 49
            {"[" + s49 + "t]\nk=v\n", s49, "k", "v"},
            {"[s]\n" + k49 + "=a\n  b\n", "s", k49, "a\nb"},
            {"[s]\n" + k49 + "l=a\n  b\n", "s", k49 + "l", "a"},  // a key of 50: its continuation goes to
            {"[s]\n" + k49 + "l=a\n  b\n", "s", k49, "b"},        // the name cut to 49
        };
        for (const auto& c : cases)
            QVERIFY2(IniValue(c.text, c.section, c.key, "-") == c.value, qPrintable(QString::fromStdString(c.text)));
    }

    // UTF-8 to the bytes of a name: Latin-1 characters only, well formed and in their shortest form.
    void utf8ToLatin1()
    {
        const struct {
            const char* utf8;
            bool ok;
            const char* latin1;  // the bytes, or the character refused
        } cases[] = {
            {"Tank", true, "Tank"},
            {"J\xc3\xa4ger", true, "J\xe4ger"},
            {"\xc3\xbf", true, "\xff"},         // U+00FF, the last
            {"\xc2\x80", true, "\x80"},         // U+0080, the first above ASCII
            {"\xc4\x80", false, "\xc4\x80"},    // U+0100
            {"\xe2\x82\xac", false, "\xe2\x82\xac"},  // the euro sign
            {"\xf0\x9f\x98\x80", false, "\xf0\x9f\x98\x80"},
            {"\xc1\x81", false, "\xc1\x81"},    // an overlong A
            {"\xc0\x80", false, "\xc0\x80"},    // an overlong zero
            {"a\xc3", false, "byte 195 (not UTF-8)"},  // cut short
            {"\xe4", false, "byte 228 (not UTF-8)"},  // Latin-1 itself is no UTF-8
            {"\x7f", true, "\x7f"},
        };
        for (const auto& c : cases) {
            const Latin1Result r = Utf8ToLatin1(c.utf8);
            QVERIFY2(r.ok == c.ok, c.utf8);
            QVERIFY2((r.ok ? r.text : r.refused) == c.latin1,
                     qPrintable(QByteArray(c.utf8).toHex() + " gave " + QByteArray::fromStdString(r.ok ? r.text : r.refused).toHex()));
        }
        for (int b = 0; b < 256; ++b) {  // and back, every byte
            const std::string one(1, char(b));
            QCOMPARE(Utf8ToLatin1(Latin1ToUtf8(one)).text, one);
            QCOMPARE(Latin1ToUtf8(one).size(), std::size_t(b < 0x80 ? 1 : 2));
        }
    }

    // Control characters of a name: the ASCII ones, DEL and the C1 controls (U+0085 ends a line
    // for some readers), refused in a name and escaped on output with the Latin-1 byte.
    void controlCharacters()
    {
        const std::pair<const char*, const char*> escaped[] = {
            {"a\\b", "a\\\\b"}, {"a\x01", "a\\x01"}, {"\x1f", "\\x1f"}, {"\x7f", "\\x7f"},
            {" ~\xc2\x80", " ~\\x80"}, {"a\xc2\x85" "b", "a\\x85b"}, {"\xc2\x9f\xc2\xa0", "\\x9f\xc2\xa0"},
            {"\xc3\x80\xc3\x9f", "\xc3\x80\xc3\x9f"},  // À and ß: their second bytes are no controls
        };
        for (const auto& [text, want] : escaped)
            QCOMPARE(EscapeControls(text), std::string(want));
        for (int b = 0; b < 256; ++b)
            QVERIFY2(HasControlCharacter(std::string(1, char(b))) == (b < 32 || (b >= 127 && b < 160)), qPrintable(QString::number(b)));
        QCOMPARE(ControlCharacterProblem("ab\x85\x7f"),
                 std::string("a name cannot hold control characters (line ends, tabs, U+007F to U+009F): it holds \\x85"));
        QCOMPARE(ControlCharacterProblem("ab\xa0"), std::string());
    }

    // Names as a spreadsheet leaves them that opened UTF-8 as Windows-1252 and saved UTF-8 again,
    // and names that only look alike.
    void utf8ReadAsWindows1252()
    {
        const std::pair<const char*, const char*> cases[] = {
            {"J\xc3\x83\xc2\xa4ger", "J\xc3\xa4ger"},          // JÃ¤ger: Jäger
            {"\xc3\xa2\xe2\x80\x9a\xc2\xac", "\xe2\x82\xac"},  // â‚¬: the euro sign, by the high table
            {"\xc3\x83\xc2\x81", "\xc3\x81"},                  // Ã and U+0081, which Windows reads as itself
            {"J\xc3\xa4ger", ""},                                // Jäger: ä alone is no UTF-8 byte pair
            {"Tank", ""},
            {"\xc3\x83x", ""},                                     // Ã before a letter
            {"\xc3\x83\xc4\x80", ""},                             // Ā has no Windows-1252 byte
            {"\xc3", ""},                                          // not UTF-8 itself
        };
        for (const auto& [text, was] : cases)
            QCOMPARE(QByteArray::fromStdString(MisreadUtf8(text)), QByteArray(was));
    }

    // Each encoding a spreadsheet or an editor saves in, read as the same UTF-8, and what the user
    // is told of it (SRC: the source's name).
    void textAsProgramsSaveIt()
    {
        auto utf16 = [](const std::string& ascii, bool big) {
            std::string out;
            for (char c : ascii)
                out += big ? std::string(1, '\0') + c : std::string(1, c) + '\0';
            return out;
        };
        const struct {
            std::string bytes;
            const char* utf8;
            const char* note;
        } cases[] = {
            {"K\xc3\xb6ln", "K\xc3\xb6ln", ""},
            {"\xef\xbb\xbfK\xc3\xb6ln", "K\xc3\xb6ln", ""},  // the mark dropped
            {"K\xf6ln;\x80\x9f", "K\xc3\xb6ln;\xe2\x82\xac\xc5\xb8", "read 'SRC' as Windows-1252 (it is not UTF-8)"},
            {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d", "read 'SRC' as Windows-1252 (it is not UTF-8)"},  // undefined: C1
            {"\xc0\xaf", "\xc3\x80\xc2\xaf", "read 'SRC' as Windows-1252 (it is not UTF-8)"},  // overlong '/': not UTF-8
            {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac", "read 'SRC' as Windows-1252 (it is not UTF-8)"},  // a surrogate
            {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac", "read 'SRC' as Windows-1252 (it is not UTF-8)"},  // past U+10FFFF
            {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80", ""},
            // A mark before bytes that are not UTF-8: dropped all the same.
            {"\xef\xbb\xbf\xff", "\xc3\xbf", "read 'SRC' as Windows-1252 (it is not UTF-8)"},
            // UTF-8 but for some lines: those read as Windows-1252 and named, the others as they are.
            {"a\nJ\xc3\xa4ger\r\nK\xf6ln\r\n", "a\nJ\xc3\xa4ger\r\nK\xc3\xb6ln\r\n", "read line 3 of 'SRC' as Windows-1252 (it is not UTF-8)"},
            {"\xe4\n\xc3\xa4\n\xe4", "\xc3\xa4\n\xc3\xa4\n\xc3\xa4", "read lines 1 and 3 of 'SRC' as Windows-1252 (they are not UTF-8)"},
            {"\xc3\xa4\n" + std::string(12 * 2, '\n').replace(0, 24, "\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n\xe4\n"),
             nullptr, "read lines 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 and 2 more of 'SRC' as Windows-1252 (they are not UTF-8)"},
            {"\xef\xbb\xbf\xc3\xa4\n\xe4", "\xc3\xa4\n\xc3\xa4", "read line 2 of 'SRC' as Windows-1252 (it is not UTF-8)"},
            {"a\nK\xf6ln\n", "a\nK\xc3\xb6ln\n", "read 'SRC' as Windows-1252 (it is not UTF-8)"},  // only ASCII besides
            {std::string("\xff\xfe" "a\0\xe4\0\xac\x20", 8), "a\xc3\xa4\xe2\x82\xac", "read 'SRC' as UTF-16LE"},
            {std::string("\xfe\xff\0a\xd8\x3d\xde\x00", 8), "a\xf0\x9f\x98\x80", "read 'SRC' as UTF-16BE"},  // a pair
            {std::string("\xff\xfe\x00\xd8" "a\0" "b", 7), "\xef\xbf\xbd" "a\xef\xbf\xbd", "read 'SRC' as UTF-16LE"},  // half a pair, an odd byte
            // No mark: the side of the zero bytes tells.
            {utf16("number,Cost\n", false), "number,Cost\n",
             "read 'SRC' as UTF-16LE: it has no byte order mark, but its zero bytes are those of UTF-16LE"},
            {utf16("number,Cost\n", true), "number,Cost\n",
             "read 'SRC' as UTF-16BE: it has no byte order mark, but its zero bytes are those of UTF-16BE"},
            {utf16("ab", false) + "\xac\x20", "ab\xe2\x82\xac", "read 'SRC' as UTF-16LE: it has no byte order mark, but its zero bytes are those of UTF-16LE"},
            // Zeros on both sides (a data file), or on too few pairs: not UTF-16.
            {std::string("a\0\0b", 4), nullptr, ""},
            {std::string("abcdef\0g", 8), nullptr, ""},
            {"", "", ""},
        };
        for (const auto& c : cases) {
            const DecodedText d = DecodeText(c.bytes);
            if (c.utf8)
                QCOMPARE(QByteArray::fromStdString(d.utf8), QByteArray(c.utf8));
            QCOMPARE(QString::fromStdString(DecodeNote(d, "SRC")), QString(c.note));
            QVERIFY(IsUtf8(d.utf8));
        }
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "test_text.moc"
