// The transfer buffers on their own: slots, transfer records and whole-table moves.
#include "core/Globals.h"
#include "core/PasteBuffers.h"

#include <QTest>

class TestBuffers : public QObject {
    Q_OBJECT

    static UnitRecord unitNamed(const char* name, uint8_t cost)
    {
        UnitRecord u;
        u.Name = name;
        u.Cost = cost;
        u.HiddenByte = uint8_t(cost + 1);
        return u;
    }

private slots:
    void init()
    {
        ResetProgramState();
        ClearPasteBuffers();
        MarkPasteBuffersUnused();
    }

    void slotsStartUnused()
    {
        for (const auto& s : FormationPasteBuffers) {
            QVERIFY(!s.Used);
            QCOMPARE(s.SourceFile, 99);
        }
        QCOMPARE(UnitXferBuffer.SourceFile, 0);
        QCOMPARE(UnitXferBuffer.Entry.Name, std::string());
    }

    void storeAndLoadThroughTheTransferRecord()
    {
        UnitXferBuffer.Entry = unitNamed("First", 10);
        UnitXferBuffer.SourceFile = 5;
        StoreUnitSlot(3);
        QVERIFY(UnitPasteBuffers[2].Used);
        QCOMPARE(UnitPasteBuffers[2].SourceFile, 5);
        QCOMPARE(UnitPasteBuffers[2].Entry.HiddenByte, uint8_t(11));

        // A never-filled slot leaves the transfer record alone.
        UnitXferBuffer.Entry = unitNamed("Other", 20);
        LoadUnitSlot(4);
        QCOMPARE(UnitXferBuffer.Entry.Name, std::string("Other"));
        // A filled one replaces the entry but not the record's source.
        UnitXferBuffer.SourceFile = 70;
        LoadUnitSlot(3);
        QCOMPARE(UnitXferBuffer.Entry.Name, std::string("First"));
        QCOMPARE(UnitXferBuffer.SourceFile, 70);
        LoadUnitSlot(3);
        QCOMPARE(UnitXferBuffer.Entry.Cost, uint8_t(10));

        // Storing into a filled slot replaces it without a question.
        UnitXferBuffer.Entry = unitNamed("Second", 30);
        UnitXferBuffer.SourceFile = 12;
        StoreUnitSlot(3);
        QCOMPARE(UnitPasteBuffers[2].Entry.Name, std::string("Second"));
        QCOMPARE(UnitPasteBuffers[2].SourceFile, 12);

        FormationXferBuffer.Entry.Name = "Last slot";
        StoreFormationSlot(249);
        FormationXferBuffer.Entry.Name.clear();
        LoadFormationSlot(249);
        QCOMPARE(FormationXferBuffer.Entry.Name, std::string("Last slot"));
    }

    void wholeTablesCarryEveryField()
    {
        CurrentFileNumber = 81;
        for (int n = 1; n <= UnitCount; ++n)
            Orb.unit(n) = unitNamed("U", uint8_t(n));
        Orb.weapon(9).Spare = 7;
        FormationPasteBuffers[220].Entry.Name = "kept";
        for (int n = 1; n <= FormationCount; ++n)
            Orb.formation(n).Slot1 = uint16_t(n);
        CopyTableToBuffers(xkUnit);
        CopyTableToBuffers(xkWeapon);
        CopyTableToBuffers(xkFormation);
        QCOMPARE(UnitPasteBuffers[248].Entry.HiddenByte, uint8_t(250));
        QCOMPARE(UnitPasteBuffers[248].SourceFile, 81);
        QCOMPARE(WeaponPasteBuffers[8].Entry.Spare, uint8_t(7));
        QCOMPARE(FormationPasteBuffers[198].Entry.Slot1, uint16_t(199));
        QVERIFY(FormationPasteBuffers[198].Used);
        QVERIFY(!FormationPasteBuffers[199].Used);
        QCOMPARE(FormationPasteBuffers[220].Entry.Name, std::string("kept"));

        ResetProgramState();
        PasteBuffersToTable(xkUnit);
        PasteBuffersToTable(xkWeapon);
        QCOMPARE(Orb.unit(249).HiddenByte, uint8_t(250));
        QCOMPARE(Orb.unit(249).Cost, uint8_t(249));
        QCOMPARE(Orb.weapon(9).Spare, uint8_t(7));
    }

    void pastingAllWritesEmptyEntriesForUnfilledSlots()
    {
        for (int n = 1; n <= FormationCount; ++n)
            Orb.formation(n).Name = "Before";
        FormationXferBuffer.Entry.Name = "Only";
        FormationXferBuffer.Entry.Special = 3;
        StoreFormationSlot(5);
        PasteBuffersToTable(xkFormation);
        QCOMPARE(Orb.formation(5).Name, std::string("Only"));
        QCOMPARE(Orb.formation(5).Special, uint8_t(3));
        QCOMPARE(Orb.formation(4).Name, std::string());
        QCOMPARE(Orb.formation(199).Name, std::string());
        QCOMPARE(Orb.formation(199).Special, uint8_t(0));
    }
};

QTEST_GUILESS_MAIN(TestBuffers)
#include "test_buffers.moc"
