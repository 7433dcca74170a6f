#include "nhfattachment.h"
#include "testsupport.h"

#include <QtTest>

// Values and statements of NHF derivations, built from attachment records
// shaped like the rows of "Select * from Aufsatz".
class TestWerteNhf : public QObject
{
    Q_OBJECT

    static QMap<QString, QVariant> nord()
    {
        return {{"Id", 1},           {"HrstId", 58},        {"Bezeichnung", "Speicheraufsatz 'Nord'"},
                {"BildId", 11},      {"DeltaQN", 0.5},      {"DeltaDruck", 2.0},
                {"DeltaTemp", 5.0},  {"DHNHF", 0.16},       {"StutzenListe", " 150;180 "}};
    }
    static QMap<QString, QVariant> klein()
    {
        return {{"Id", 2},          {"HrstId", 58},     {"Bezeichnung", "Nachheizfläche klein"},
                {"BildId", 12},     {"DeltaQN", -0.3},  {"DeltaDruck", 1.0},
                {"DeltaTemp", 0.0}, {"DHNHF", QVariant()}, {"StutzenListe", QVariant()}};
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void deltasShiftOnlyTheirColumns()
    {
        const NhfAttachment a(nord());
        QCOMPARE(a.passedOnValue("TW", "230.2"), QString("235.2"));
        QCOMPARE(a.passedOnValue("PW", 10.5), QString("12.5"));
        QCOMPARE(a.passedOnValue("QN", "4.5"), QString("5"));
        QCOMPARE(a.passedOnValue("CO2", "6.78"), QString("6.78"));
        // A zero delta passes the text on untouched, not reformatted.
        const NhfAttachment b(klein());
        QCOMPARE(b.passedOnValue("TW", "230.20"), QString("230.20"));
        QCOMPARE(b.passedOnValue("QN", "4.5"), QString("4.2"));
    }

    void clearedValuesAreNotShifted()
    {
        const NhfAttachment a(nord());
        QCOMPARE(a.passedOnValue("TW", QVariant()), QString());
        QCOMPARE(a.passedOnValue("TW", ""), QString());
        QCOMPARE(a.passedOnValue("TW", "warm"), QString("warm"));
        QCOMPARE(a.passedOnValue("TW", " 230 "), QString("235"));
    }

    void sumsHaveSixSignificantDigits()
    {
        QCOMPARE(NhfAttachment::numberText(1234.5678), QString("1234.57"));
        QCOMPARE(NhfAttachment::numberText(0.1 + 0.2), QString("0.3"));
        QCOMPARE(NhfAttachment::numberText(1234567.0), QString("1.23457e+06"));
    }

    void attachmentDefinedColumnsAreFixed()
    {
        const NhfAttachment a(nord());
        QVERIFY(a.fixesColumn("DHNHF"));
        QVERIFY(a.fixesColumn("STUTZENLISTE"));
        QVERIFY(!a.fixesColumn("TW"));
        const NhfAttachment b(klein());
        QVERIFY(!b.fixesColumn("DHNHF"));
        QVERIFY(!b.fixesColumn("STUTZENLISTE"));
        auto blank = klein();
        blank["StutzenListe"] = "   ";
        blank["DHNHF"] = 0;
        QVERIFY(!NhfAttachment(blank).fixesColumn("STUTZENLISTE"));
        QVERIFY(!NhfAttachment(blank).fixesColumn("DHNHF"));
        // Names are compared as the model's upper-case column names.
        QVERIFY(!a.fixesColumn("StutzenListe"));
    }

    void derivationStatementDoublesApostrophes()
    {
        const NhfAttachment a(nord());
        QCOMPARE(a.derivationExtras(), QString(",DHNHF=0.16,StutzenListe='150;180'"));
        QCOMPARE(a.derivationStatement(230.2, 10.5, 4.5, 70000, 1, 70002),
                 QString("UPDATE Werte SET Bemerkung='Speicheraufsatz ''Nord''',TW=235.2,PW=12.5,"
                         "QN=5,BildId=11,BEMERKUNGID=70000,AUSATZRINGEID=1 "
                         ",DHNHF=0.16,StutzenListe='150;180' WHERE WerteId=70002"));
        auto quoted = nord();
        quoted["StutzenListe"] = "150 'kurz'";
        QCOMPARE(NhfAttachment(quoted).derivationExtras(),
                 QString(",DHNHF=0.16,StutzenListe='150 ''kurz'''"));
    }

    void derivationWithoutExtrasKeepsBothBlanks()
    {
        const NhfAttachment b(klein());
        QCOMPARE(b.derivationExtras(), QString());
        QCOMPARE(b.derivationStatement(200, 10, 5, 60000, 2, 60001),
                 QString("UPDATE Werte SET Bemerkung='Nachheizfläche klein',TW=200,PW=11,QN=4.7,"
                         "BildId=12,BEMERKUNGID=60000,AUSATZRINGEID=2  WHERE WerteId=60001"));
    }

    void missingFieldsReadAsZeroAndEmpty()
    {
        const NhfAttachment none;
        QCOMPARE(none.bezeichnung(), QString());
        QCOMPARE(none.bildId(), 0);
        QCOMPARE(none.deltaFor("TW"), 0.0);
        QVERIFY(!none.definesDhnhf());
        QCOMPARE(none.passedOnValue("TW", "17"), QString("17"));
    }
};

QTEST_GUILESS_MAIN(TestWerteNhf)
#include "tst_wertenhf.moc"
