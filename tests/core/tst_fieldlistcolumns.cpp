#include "fieldlistcolumns.h"

#include <QtTest>

// Column texts of the field lists always start with their table's keys.
class TestFieldListColumns : public QObject
{
    Q_OBJECT

    const QStringList werte = FieldListColumns::valueKeyColumns();
    const QStringList geraete = FieldListColumns::applianceKeyColumns();

private slots:
    void keysGoInFrontExactlyOnce()
    {
        QCOMPARE(FieldListColumns::withKeyColumns("BEMERKUNG,TW", werte),
                 QString("WERTEID,GERAET,BEMERKUNG,TW"));
        QCOMPARE(FieldListColumns::withKeyColumns("WERTEID,GERAET,BEMERKUNG,TW", werte),
                 QString("WERTEID,GERAET,BEMERKUNG,TW"));
        QCOMPARE(FieldListColumns::withKeyColumns("Bemerkung, geraet,TW ,WerteId", werte),
                 QString("WERTEID,GERAET,Bemerkung,TW"));
        QCOMPARE(FieldListColumns::withKeyColumns("TYP,HRSTID", geraete),
                 QString("TIRMAID,HRSTID,TYP"));
        QCOMPARE(FieldListColumns::withKeyColumns("", werte), QString("WERTEID,GERAET"));
        QCOMPARE(FieldListColumns::withKeyColumns("*", werte), QString("*"));
        QCOMPARE(FieldListColumns::withKeyColumns(" * ", geraete), QString("*"));
        // WERTEID2 is another column, not the key.
        QCOMPARE(FieldListColumns::withKeyColumns("WERTEID2", werte),
                 QString("WERTEID,GERAET,WERTEID2"));
    }

    void expressionsKeepTheirCommas()
    {
        QCOMPARE(FieldListColumns::columns("TW, coalesce(PW,0) AS P,'a,b' AS T"),
                 (QStringList{"TW", "coalesce(PW,0) AS P", "'a,b' AS T"}));
        QCOMPARE(FieldListColumns::withKeyColumns("round(TW,1) AS R", werte),
                 QString("WERTEID,GERAET,round(TW,1) AS R"));
    }

    void namedListsAreMendedOneByOne()
    {
        QCOMPARE(FieldListColumns::listsWithKeyColumns(
                     {"Kurz#BEMERKUNG", "Alle#*", "ohneRaute", "Form#TW#Rest"}, werte),
                 (QStringList{"Kurz#WERTEID,GERAET,BEMERKUNG", "Alle#*", "ohneRaute",
                              "Form#WERTEID,GERAET,TW#Rest"}));
    }
};

QTEST_MAIN(TestFieldListColumns)
#include "tst_fieldlistcolumns.moc"
