#include "appsettings.h"
#include "changereport.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "testsupport.h"
#include "wertemodel.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// Records are found by their whole 64-bit id, and a change that reaches no
// record is no change.
class TestRecordIds : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_dbFile;

    QString value(const QString &sql) { return TestSupport::scalar(kolvexDb(), sql); }
    void exec(const QString &sql)
    {
        QSqlQuery q(kolvexDb());
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }
    static int rowOf(const QAbstractItemModel &model, const QString &id)
    {
        return TestSupport::rowOfId(model, id.toLongLong());
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_dbFile = TestSupport::copyDemoDatabase(m_dir->path());
        TestSupport::openKolvex(m_dbFile);
        TestSupport::resetBrowsingSettings();
        AppSettings *s = AppSettings::instance();
        s->dbFile = m_dbFile;
        s->manufacturerMode = false;
        s->currentManufacturerId = 58;
    }

    void cleanup()
    {
        TestSupport::closeAllConnections();
        delete m_dir;
    }

    void editAndDeleteHitTheAppliancesAbove32Bits_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("2^32+25000") << QString("4294992296");
        QTest::newRow("2^62") << QString("4611686018427387904");
    }

    void editAndDeleteHitTheAppliancesAbove32Bits()
    {
        QFETCH(QString, id);
        exec("INSERT INTO Geraete (TirmaId, HrstId, Typ) VALUES (" + id + ", 58, 'Hoch')");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (" + id + ", " + id + ", 'x')");
        const QString before25000 = value("SELECT Typ FROM Geraete WHERE TirmaId=25000");
        const QString values25000 = value("SELECT count(*) FROM Werte WHERE Geraet=25000");
        GeraeteModel appliances;
        appliances.selectAppliances();
        const int row = rowOf(appliances, id);
        QVERIFY(row >= 0);
        QVERIFY(appliances.setData(appliances.index(row, appliances.fieldIndex("TYP")),
                                   QStringLiteral("Neu")));
        QCOMPARE(value("SELECT Typ FROM Geraete WHERE TirmaId=" + id), QString("Neu"));
        QCOMPARE(value("SELECT Typ FROM Geraete WHERE TirmaId=25000"), before25000);

        QMetaObject::invokeMethod(&appliances, "datenLoeschen",
                                  Q_ARG(QList<int>, QList<int>{rowOf(appliances, id)}));
        QCOMPARE(value("SELECT count(*) FROM Geraete WHERE TirmaId=" + id), QString("0"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=" + id), QString("0"));
        QCOMPARE(value("SELECT count(*) FROM Geraete WHERE TirmaId=25000"), QString("1"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000"), values25000);
        QVERIFY(TestSupport::journalLines(m_dbFile).join('\n').contains(id));

        // A value set with such an id is edited as itself.
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (" + id + ", 25000, 'alt')");
        AppSettings::instance()->currentApplianceId = 25000;
        WerteModel values;
        values.reloadWerte();
        QVERIFY(values.setData(values.index(rowOf(values, id), values.fieldIndex("BEMERKUNG")),
                               QStringLiteral("neu")));
        QCOMPARE(value("SELECT Bemerkung FROM Werte WHERE WerteId=" + id), QString("neu"));
    }

    // The current ids, the new-record row, paste and the free-id search work
    // with the whole id: a record above 32 bits is not confused with the one
    // its lower bits name (2^32+25000 with 25000).
    void currentIdsPasteAndFreeIdsAbove32Bits()
    {
        const QString big = "4294992296";          // 2^32+25000
        const QString bigSet = "4295037296";       // 2^32+70000
        exec("INSERT INTO Geraete (TirmaId, HrstId, Typ) VALUES (" + big + ", 58, 'Hoch')");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (" + bigSet + ", " + big
             + ", 'gross')");
        const QString sets25000 = value("SELECT count(*) FROM Werte WHERE Geraet=25000");
        AppSettings *s = AppSettings::instance();
        s->currentApplianceId = big.toLongLong();
        WerteModel values;
        values.reloadWerte();
        QCOMPARE(values.rowCount(), 2);   // its one set and the new-record row
        QCOMPARE(values.index(0, values.fieldIndex("BEMERKUNG")).data().toString(),
                 QString("gross"));
        QVERIFY(values.setData(values.index(1, values.fieldIndex("BEMERKUNG")),
                               QStringLiteral("neu getippt")));
        QCOMPARE(value("SELECT Geraet FROM Werte WHERE Bemerkung='neu getippt'"), big);
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000"), sets25000);

        // Pasted onto appliance 25000, the copied set is the one above 32 bits.
        s->copiedValueSets = bigSet;
        GeraeteModel appliances;
        appliances.selectAppliances();
        QMetaObject::invokeMethod(&appliances, "datenEinfuegen",
                                  Q_ARG(QList<int>, QList<int>{rowOf(appliances, "25000")}));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000 AND Bemerkung='gross'"),
                 QString("1"));

        // A range above 32 bits hands out its own ids, for new records and copies.
        const qint64 low = 4294967296 + 100;
        exec(QString("INSERT INTO temp.seqidxs VALUES (%1),(%2),(%3)")
                 .arg(low).arg(low + 1).arg(low + 2));
        s->idRangeLow[58] = qMakePair(low, low);
        QCOMPARE(s->findFreeId("Werte", "WerteId", kolvexDb()), low);
        appliances.selectAppliances();
        QMetaObject::invokeMethod(&appliances, "datenDuplizieren",
                                  Q_ARG(QList<int>, QList<int>{rowOf(appliances, big)}));
        QCOMPARE(value(QString("SELECT Typ FROM Geraete WHERE TirmaId=%1").arg(low)),
                 QString("Hoch"));
        QCOMPARE(value(QString("SELECT group_concat(WerteId) FROM Werte WHERE Geraet=%1").arg(low)),
                 QString("%1,%2").arg(low).arg(low + 1));
        QCOMPARE(value("SELECT count(*) FROM Geraete WHERE TirmaId=" + QString::number(low & 0xffffffff)),
                 QString("0"));
    }

    // An edit refused while another program holds the file leaves the list
    // showing the file's rows, not an empty list.
    void listKeepsItsRowsAfterAnEditRefusedUnderALock()
    {
        TestSupport::openKolvexWith(m_dbFile, "QSQLITE_BUSY_TIMEOUT=50");
        AppSettings::instance()->currentApplianceId = 25000;
        WerteModel values;
        values.reloadWerte();
        const int rows = values.rowCount();
        QVERIFY(rows > 2);
        const int column = values.fieldIndex("BEMERKUNG");
        const QString before = values.index(0, column).data().toString();
        {
            TestSupport::OtherProgram other(m_dbFile);
            QVERIFY(other.exec("BEGIN EXCLUSIVE"));
            QVERIFY(!values.setData(values.index(0, column), QStringLiteral("gesperrt")));
            QCOMPARE(values.rowCount(), rows);
            QCOMPARE(values.index(0, column).data().toString(), before);
            other.exec("ROLLBACK");
        }
        values.refresh();
        QCOMPARE(values.rowCount(), rows);
        QVERIFY(TestSupport::journalLines(m_dbFile).isEmpty());
    }

    // The list still shows a record another program deleted: the edit and
    // the delete reach nothing, are reported and not journaled.
    void changesOfARecordThatIsGoneAreNotSaved()
    {
        AppSettings::instance()->currentApplianceId = 25000;
        WerteModel values;
        values.reloadWerte();
        const int row = rowOf(values, "70001");
        QVERIFY(row >= 0);
        {
            TestSupport::OtherProgram other(m_dbFile);
            QVERIFY(other.exec("DELETE FROM Werte WHERE WerteId=70001"));
        }
        QSignalSpy reports(ChangeReport::instance(), &ChangeReport::failed);
        QVERIFY(!values.setData(values.index(row, values.fieldIndex("BEMERKUNG")),
                                QStringLiteral("verloren")));
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.at(0).at(0).toString(),
                 QString("Änderung nicht gespeichert: Datensatz nicht mehr vorhanden"));

        GeraeteModel appliances;
        appliances.selectAppliances();
        const int applianceRow = rowOf(appliances, "25000");
        {
            TestSupport::OtherProgram other(m_dbFile);
            QVERIFY(other.exec("DELETE FROM Geraete WHERE TirmaId=25000"));
        }
        QVERIFY(!appliances.setData(appliances.index(applianceRow, appliances.fieldIndex("TYP")),
                                    QStringLiteral("verloren")));
        QCOMPARE(reports.size(), 2);
        QMetaObject::invokeMethod(&values, "datenLoeschen",
                                  Q_ARG(QList<int>, QList<int>{row}));
        QCOMPARE(reports.size(), 3);
        QVERIFY(TestSupport::journalLines(m_dbFile).isEmpty());
    }
};

QTEST_MAIN(TestRecordIds)
#include "tst_recordids.moc"
