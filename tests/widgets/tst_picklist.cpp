#include "numberformat.h"
#include "picklist.h"

#include <QtTest>

// Number texts of the numeric editor and the entries of its pick list.
class TestPickList : public QObject
{
    Q_OBJECT

private slots:
    void formatNumberDropsTrailingZeros_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("maxDec");
        QTest::addColumn<int>("minDec");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.5 (10,0)") << 2.5 << 10 << 0 << "2.5";
        QTest::newRow("10 (2,0)") << 10.0 << 2 << 0 << "10";
        QTest::newRow("0 (10,0)") << 0.0 << 10 << 0 << "0";
        QTest::newRow("rounds at maxDec") << 0.12345 << 3 << 0 << "0.123";
        QTest::newRow("rounding leaves zeros") << 1.9996 << 3 << 0 << "2";
        QTest::newRow("keeps minDec") << 3.0 << 4 << 2 << "3.00";
        QTest::newRow("swapped counts") << 3.0 << 2 << 4 << "3.00";
        QTest::newRow("negative counts") << 2.6 << -1 << -3 << "3";
        QTest::newRow("zero inside kept") << 10.05 << 2 << 0 << "10.05";
        QTest::newRow("large value") << 1500.0 << 10 << 0 << "1500";
        // No digits beyond what a double holds (about 15 significant ones).
        QTest::newRow("no noise digits") << 12345678.1 << 10 << 0 << "12345678.1";
        QTest::newRow("no noise at the top") << 99999999.9 << 10 << 0 << "99999999.9";
        QTest::newRow("small values keep decimals") << 0.0001234567 << 10 << 0 << "0.0001234567";
        QTest::newRow("no negative zero") << -0.04 << 1 << 0 << "0";
        QTest::newRow("no negative zero, minDec") << -0.004 << 2 << 2 << "0.00";
        QTest::newRow("negative kept") << -0.06 << 1 << 0 << "-0.1";
    }

    void formatNumberDropsTrailingZeros()
    {
        QFETCH(double, value);
        QFETCH(int, maxDec);
        QFETCH(int, minDec);
        QFETCH(QString, text);
        QCOMPARE(formatNumber(value, maxDec, minDec), text);
    }

    void stepDecimalsAndEvenRounding()
    {
        QCOMPARE(stepDecimals(0.5), 1);
        QCOMPARE(stepDecimals(0.25), 2);
        QCOMPARE(stepDecimals(1.0), 0);
        QCOMPARE(stepDecimals(0.01), 2);
        QCOMPARE(stepDecimals(0.0), 0);
        // Steps written with an exponent: 1e-05 has five decimals, 1.5e+06 none.
        QCOMPARE(stepDecimals(0.00001), 5);
        QCOMPARE(stepDecimals(0.000025), 6);
        QCOMPARE(stepDecimals(1500000.0), 0);
        QCOMPARE(stepDecimals(1000000.0), 0);
        // 27.5 tenths go to the even 28, 26.5 to the even 26.
        QCOMPARE(roundToDecimals(2.75, 1), 2.8);
        QCOMPARE(roundToDecimals(0.35, 2), 0.35);
        QCOMPARE(roundToDecimals(2.5, 0), 2.0);
        QCOMPARE(roundToDecimals(3.5, 0), 4.0);
    }

    void defaultListHas65Entries()
    {
        const QStringList entries = pickListEntries("1:5:0.5;6:20:1;22:34:2;35:200:5");
        QCOMPARE(entries.size(), 65);
        QCOMPARE(entries.mid(0, 3), (QStringList{"1", "1.5", "2"}));
        QCOMPARE(entries.at(8), QString("5"));
        QCOMPARE(entries.at(9), QString("6"));
        QCOMPARE(entries.at(23), QString("20"));
        QCOMPARE(entries.at(24), QString("22"));
        QCOMPARE(entries.at(30), QString("34"));
        QCOMPARE(entries.at(31), QString("35"));
        QCOMPARE(entries.at(32), QString("40"));
        QCOMPARE(entries.last(), QString("200"));
    }

    void rangesIncludeTheirEndDespiteRounding()
    {
        QCOMPARE(pickListEntries("1:5:0.5").size(), 9);
        const QStringList tenths = pickListEntries("0:1:0.1");
        QCOMPARE(tenths.size(), 11);
        QCOMPARE(tenths.at(3), QString("0.3"));
        QCOMPARE(tenths.last(), QString("1"));
        // Values around zero come out as 0, not as 1e-17.
        QCOMPARE(pickListEntries("-0.3:0.3:0.1"),
                 (QStringList{"-0.3", "-0.2", "-0.1", "0", "0.1", "0.2", "0.3"}));
    }

    void emptyAndMalformedPartsGiveNothing()
    {
        QVERIFY(pickListEntries("5:1:1").isEmpty());
        QVERIFY(pickListEntries("1:5").isEmpty());
        QVERIFY(pickListEntries("1:2:3:4").isEmpty());
        QVERIFY(pickListEntries("").isEmpty());
        QVERIFY(pickListEntries(";;").isEmpty());
        QCOMPARE(pickListEntries("1:5;7;;2:3:4:5;9"), (QStringList{"7", "9"}));
    }

    void singleEntriesStayUnchanged()
    {
        QCOMPARE(pickListEntries("0.35 Stahlrohr;1.50;3:4:1"),
                 (QStringList{"0.35 Stahlrohr", "1.50", "3", "4"}));
    }

    void zeroOrNegativeStepNeverHangs()
    {
        QCOMPARE(pickListEntries("1:5:0"), QStringList{"1"});
        QCOMPARE(pickListEntries("1:5:-1"), QStringList{"1"});
        QCOMPARE(pickListEntries("2:2:0"), QStringList{"2"});
        QVERIFY(pickListEntries("5:1:0").isEmpty());
        QVERIFY(pickListEntries("5:1:-1").isEmpty());
        QCOMPARE(pickListEntries("1:5:0;7"), (QStringList{"1", "7"}));
    }

    void hugeRangeIsCapped()
    {
        QCOMPARE(pickListEntries("0:100000000:0.0001").size(), kMaxRangeEntries);
    }
};

QTEST_APPLESS_MAIN(TestPickList)
#include "tst_picklist.moc"
