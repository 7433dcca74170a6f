#include "appsettings.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "gruppenmodel.h"
#include "idallocation.h"
#include "idcondition.h"
#include "keyranges.h"
#include "testsupport.h"
#include "undohistory.h"
#include "wertemodel.h"
#include "workprogress.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

using TestSupport::scalar;

namespace {

// A display that answers "cancelled" from step cancelAt on.
class CancellingDisplay : public WorkProgress::Display
{
public:
    explicit CancellingDisplay(int cancelAt) : m_cancelAt(cancelAt) {}
    void begin(const QString &, bool cancellable) override { offered = offered || cancellable; }
    bool update(int done, int) override
    {
        ++updates;
        return done < m_cancelAt;
    }
    void end() override {}
    // Whether any work begun offered to cancel.
    bool offered = false;
    int updates = 0;

private:
    int m_cancelAt;
};

} // namespace

// The bulk changes that work set-based (the quality-mark switch, deletes,
// copies) on real files: the same effect as the statement per row they
// replace, a journal that replays to the file, and a cancel that leaves
// the file as it was.
class TestBulkChanges : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QString m_pristine;
    UndoHistory *m_history = nullptr;
    WorkProgress::Display *m_display = nullptr;

    static AppSettings *settings() { return AppSettings::instance(); }

    static QString oracle(const QString &pristine, const QString &journal, const QString &final,
                          const QString &skip)
    {
        QProcess p;
        p.start(QStringLiteral("python3"),
                {QStringLiteral("/work/shared/tools/journal_oracle.py"), pristine, journal, final,
                 QStringLiteral("--skip"), skip});
        p.waitForFinished(120000);
        const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode() == 0 ? QString() : out;
    }
    QString journalDifference() const
    {
        return oracle(m_pristine, m_dir->filePath("journal.sql"), m_file, "gruppen,seqidxs");
    }
    QString differenceTo(const QString &other) const
    {
        return oracle(other, "/dev/null", m_file, "seqidxs");
    }

    static QList<qint64> listed(const QAbstractItemModel &model, int rows)
    {
        QList<qint64> ids;
        for (int row = 0; row < rows; ++row)
            ids << model.index(row, 0).data(Qt::EditRole).toLongLong();
        return ids;
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_pristine = m_dir->filePath("pristine.glo");
        QVERIFY(QFile::copy(m_file, m_pristine));
        // Some marks set and some not, one stored as text and one as real,
        // so that the switch meets every kind of value it must overwrite.
        QVERIFY(TestSupport::runSqlite3(m_file, "UPDATE Werte SET dinplus='1' WHERE WerteId=70001;\n"
                                                "UPDATE Werte SET dinplus=1.0 WHERE WerteId=70004;\n"
                                                "UPDATE Werte SET Bemerkung=NULL WHERE WerteId=70005;\n")
                    .isEmpty());
        QFile::remove(m_pristine);
        QVERIFY(QFile::copy(m_file, m_pristine));
        TestSupport::openKolvex(m_file);
        AppSettings *s = settings();
        s->manufacturerMode = false;
        s->currentManufacturerId = 58;
        s->applianceFields = AppSettings::defaultApplianceFields();
        s->valueFields = "WERTEID,GERAET,BEMERKUNG,dinplus AS XXXDINPLUS";
        s->allFilter.clear();
        s->valueFilter.clear();
        s->applianceFilter.clear();
        s->showOldAppliances = true;
        m_history = new UndoHistory;
        m_history->startFor(m_file, false);
        m_display = WorkProgress::installed();
    }

    void cleanup()
    {
        WorkProgress::install(m_display);
        delete m_history;
        m_history = nullptr;
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    // The click on the header of the appliance list: the current list and
    // every other listed appliance, as before one statement per value set
    // and one over all others did it, whatever the value held before.
    void qualityMarkSwitchHasTheEffectOfTheStatementsPerRow_data()
    {
        QTest::addColumn<bool>("flag");
        QTest::addColumn<QString>("valueFilter");
        QTest::newRow("on") << true << QString();
        QTest::newRow("off") << false << QString();
        QTest::newRow("on, filtered") << true << QString("Teil");
    }
    void qualityMarkSwitchHasTheEffectOfTheStatementsPerRow()
    {
        QFETCH(bool, flag);
        QFETCH(QString, valueFilter);
        settings()->valueFilter = valueFilter;
        GeraeteModel appliances;
        appliances.selectAppliances();
        const QList<qint64> ids = listed(appliances, appliances.recordCount());
        QVERIFY(ids.size() > 2);
        settings()->currentApplianceId = int(ids.first());
        WerteModel values;
        values.reloadWerte();
        const QList<qint64> current = listed(values, values.rowCount() - 1);
        QVERIFY(!current.isEmpty());

        // The statements per row on a copy in the shell.
        const QString reference = m_dir->filePath("reference.glo");
        QVERIFY(QFile::copy(m_pristine, reference));
        QString perRow = "BEGIN;\n";
        for (qint64 id : current)
            perRow += QString("UPDATE werte SET dinplus=%1 WHERE werteid=%2;\n").arg(flag).arg(id);
        QStringList others;
        for (qint64 id : ids.mid(1))
            others << QString::number(id);
        perRow += QString("UPDATE werte SET dinplus=%1 WHERE Geraet IN (%2) AND Bemerkung LIKE "
                          "'%%3%';\nCOMMIT;\n")
                      .arg(flag)
                      .arg(others.join(','), valueFilter);
        QVERIFY(TestSupport::runSqlite3(reference, perRow).isEmpty());

        QVERIFY(appliances.switchQualityMarks(flag, 0, valueFilter,
                                              [&] { values.setDinplusAll(flag); }));
        QCOMPARE(differenceTo(reference), QString());
        QCOMPARE(journalDifference(), QString());
        for (int row = 0; row < appliances.rowCount(); ++row)
            QCOMPARE(appliances.dinplusState(row), flag ? 2 : 0);
        QVERIFY(values.isDinplusAll() == flag);
        // One step, and undo gives the file back as it was.
        QCOMPARE(m_history->undoCount(), 1);
        QVERIFY(m_history->undo());
        QCOMPARE(oracle(m_pristine, "/dev/null", m_file, "seqidxs"), QString());
        QCOMPARE(journalDifference(), QString());
    }

    void cancelledSwitchLeavesTheFileAsItWas()
    {
        CancellingDisplay cancelling(1);
        WorkProgress::install(&cancelling);
        GeraeteModel appliances;
        appliances.selectAppliances();
        const QList<qint64> ids = listed(appliances, appliances.recordCount());
        settings()->currentApplianceId = int(ids.first());
        WerteModel values;
        values.reloadWerte();
        QList<int> before;
        for (int row = 0; row < appliances.rowCount(); ++row)
            before << appliances.dinplusState(row);
        QVERIFY(!appliances.switchQualityMarks(true, 0, QString(), [&] { values.setDinplusAll(true); }));
        QVERIFY(cancelling.offered);
        QVERIFY(cancelling.updates >= 1);
        // The current list's marks, set first, went back with the rest.
        QCOMPARE(oracle(m_pristine, "/dev/null", m_file, "seqidxs"), QString());
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
        QCOMPARE(m_history->undoCount(), 0);
        for (int row = 0; row < before.size(); ++row)
            QCOMPARE(appliances.dinplusState(row), before.at(row));
    }

    void applianceDeleteJournalsWhatItDidAndCancelsCompletely()
    {
        GeraeteModel appliances;
        appliances.selectAppliances();
        const QList<qint64> ids = listed(appliances, 2);
        QVERIFY(scalar(kolvexDb(), QString("SELECT count(*) FROM Werte WHERE Geraet IN (%1,%2)")
                                       .arg(ids.at(0))
                                       .arg(ids.at(1)))
                    .toInt()
                > 0);
        {
            CancellingDisplay cancelling(1);
            WorkProgress::install(&cancelling);
            QVERIFY(QMetaObject::invokeMethod(&appliances, "datenLoeschen",
                                              Q_ARG(QList<int>, QList<int>({0, 1}))));
            WorkProgress::install(m_display);
            QVERIFY(cancelling.offered);
        }
        QCOMPARE(oracle(m_pristine, "/dev/null", m_file, "seqidxs"), QString());
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());

        appliances.selectAppliances();
        QVERIFY(QMetaObject::invokeMethod(&appliances, "datenLoeschen",
                                          Q_ARG(QList<int>, QList<int>({0, 1}))));
        QCOMPARE(scalar(kolvexDb(), QString("SELECT count(*) FROM Werte WHERE Geraet IN (%1,%2)")
                                        .arg(ids.at(0))
                                        .arg(ids.at(1))),
                 QString("0"));
        // No set is left deriving from a deleted one.
        QCOMPARE(scalar(kolvexDb(), "SELECT count(*) FROM Werte WHERE BEMERKUNGID>0 AND BEMERKUNGID "
                                    "NOT IN (SELECT WerteId FROM Werte)"),
                 QString("0"));
        QCOMPARE(journalDifference(), QString());
    }

    // Selecting an appliance right after its list was read finds the value
    // sets by key; the list is the one the whole statement shows, and stays
    // so after a change of its own.
    void valueListByKnownIdsShowsWhatTheWholeStatementShows()
    {
        GeraeteModel appliances;
        appliances.selectAppliances();
        const qint64 first = listed(appliances, 1).first();
        const std::optional<QList<qint64>> known = appliances.freshValueSetIds(first);
        QVERIFY(known.has_value());
        QVERIFY(!known->isEmpty());
        settings()->currentApplianceId = int(first);
        WerteModel whole;
        whole.reloadWerte();
        WerteModel byKey;
        byKey.reloadWerte(*known);
        const auto cells = [](const WerteModel &model) {
            QStringList texts;
            for (int row = 0; row < model.rowCount(); ++row)
                for (int column = 0; column < model.columnCount(); ++column)
                    texts << model.index(row, column).data(Qt::EditRole).toString();
            return texts;
        };
        QCOMPARE(cells(byKey), cells(whole));

        const int rows = byKey.rowCount();
        QVERIFY(byKey.setData(byKey.index(rows - 1, byKey.fieldIndex("BEMERKUNG")), "Neu"));
        QCOMPARE(byKey.rowCount(), rows + 1);
        // Our write made the ids old; read again they hold.
        QVERIFY(!appliances.freshValueSetIds(first).has_value());
        appliances.rereadValueSetIds();
        QCOMPARE(appliances.freshValueSetIds(first)->size(), known->size() + 1);
        // So does a commit of another program, and another value search.
        {
            TestSupport::OtherProgram other(m_file);
            QVERIFY(other.exec(QString("UPDATE Werte SET Bemerkung='x' WHERE Geraet=%1").arg(first)));
        }
        QVERIFY(!appliances.freshValueSetIds(first).has_value());
        appliances.rereadValueSetIds();
        QVERIFY(appliances.freshValueSetIds(first).has_value());
        settings()->valueFilter = "Teil";
        QVERIFY(!appliances.freshValueSetIds(first).has_value());
    }

    // The groups of a manufacturer from the ids its list read: the same
    // groups with the same members in the same order as the join gives.
    void groupsFromKnownIdsAreTheGroupsOfTheJoin()
    {
        QVERIFY(TestSupport::runSqlite3(m_file, "INSERT INTO gruppen VALUES ('Zweite', 70004);\n"
                                                "INSERT INTO gruppen VALUES ('Zweite', 70000);\n"
                                                "INSERT INTO gruppen VALUES ('Fremd', 100);\n"
                                                "INSERT INTO gruppen VALUES ('Zweite', '70001x');\n"
                                                "INSERT INTO gruppen VALUES ('Zweite', 70001.5);\n"
                                                "INSERT INTO gruppen VALUES ('Zweite', ' 70003 ');\n"
                                                "INSERT INTO gruppen VALUES ('Zweite', '70002.0');\n"
                                                "INSERT INTO gruppen VALUES ('Leer', NULL);\n")
                    .isEmpty());
        GeraeteModel appliances;
        appliances.selectAppliances();
        const std::optional<QList<qint64>> known = appliances.freshValueSetIdsOfManufacturer(58);
        QVERIFY(known.has_value());
        GruppenModel byJoin;
        byJoin.loadGroupsOfManufacturer(58);
        GruppenModel byIds;
        byIds.loadGroupsOfValueSets(*known);
        const auto groups = [](const GruppenModel &model) {
            QStringList texts;
            for (int row = 0; row < model.rowCount(); ++row)
                texts << model.index(row, 0).data().toString() + "=" + model.index(row, 0).data(Qt::UserRole).toString();
            return texts;
        };
        QVERIFY(groups(byJoin).size() >= 2);
        QCOMPARE(groups(byIds), groups(byJoin));
        // Both are the groups of the whole join from the manufacturer to its group rows.
        QMap<QString, QStringList> joined;
        QSqlQuery join(kolvexDb());
        QVERIFY(join.exec("SELECT gruppen.bezeichnung, gruppen.werteid FROM hersteller INNER JOIN "
                          "geraete ON hersteller.id=geraete.hrstid INNER JOIN werte ON "
                          "geraete.tirmaid=werte.geraet INNER JOIN gruppen ON "
                          "werte.werteid=gruppen.werteid WHERE hersteller.id=58"));
        while (join.next())
            joined[join.value(0).toString()] << join.value(1).toString();
        QStringList expected;
        for (auto it = joined.begin(); it != joined.end(); ++it) {
            QStringList members = groups(byJoin).filter(QRegularExpression("^" + it.key() + "="))
                                      .value(0).section('=', 1).split('#');
            std::sort(members.begin(), members.end());
            std::sort(it->begin(), it->end());
            QCOMPARE(members, *it);
            expected << it.key();
        }
        QCOMPARE(byJoin.rowCount(), expected.size());
        // Not while the list is narrowed by a search.
        settings()->applianceFilter = "x";
        QVERIFY(!appliances.freshValueSetIdsOfManufacturer(58).has_value());
    }

    // What one search after the other finds, taking each id before the next.
    void freeIdsAtOnceAreTheIdsOfSearchesOneAfterTheOther()
    {
        const IdAllocation ids = settings()->idAllocation();
        const QList<qint64> atOnce =
            ids.findFreeIds("Werte", "WerteId", kolvexDb(), 6);
        QCOMPARE(atOnce.size(), 6);
        QList<qint64> oneByOne;
        QSqlQuery insert(kolvexDb());
        for (int i = 0; i < 6; ++i) {
            const int id = ids.findFreeId("Werte", "WerteId", kolvexDb());
            oneByOne << id;
            QVERIFY(insert.exec(QString("INSERT INTO Werte (WerteId, Geraet) VALUES (%1, 25000)").arg(id)));
        }
        QCOMPARE(atOnce, oneByOne);
    }

    // The conditions match exactly the ids, however they are spread.
    void idConditionsAndKeyRangesMissNothing()
    {
        QSqlQuery q(kolvexDb());
        QVERIFY(q.exec("CREATE TEMP TABLE n (v INTEGER PRIMARY KEY)"));
        QVERIFY(q.exec("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 3000) "
                       "INSERT INTO n SELECT i FROM c"));
        QVERIFY(q.exec("INSERT INTO n VALUES (4611686018427387904)"));
        QList<qint64> ids;
        for (qint64 v = 10; v < 400; ++v)
            ids << v;                   // one run
        for (qint64 v = 1000; v < 2000; v += 3)
            ids << v;                   // many singles
        ids << 2500 << 2501 << 2502 << 4611686018427387904LL << 10;
        const QString condition = IdCondition::of("v", ids);
        QCOMPARE(scalar(kolvexDb(), "SELECT count(*) FROM n WHERE " + condition),
                 QString::number(QSet<qint64>(ids.begin(), ids.end()).size()));
        QCOMPARE(IdCondition::of("v", {}), QString("0"));
        // Many runs: a few range tests for the longest, the rest searched in one list.
        QList<qint64> runs;
        for (qint64 v = 100; v < 2300; v += 10)
            runs << v << v + 1 << v + 2 << v + 3 << v + 4;
        for (qint64 start : {2300, 2600})   // long
            for (qint64 v = start; v < start + 260; ++v)
                runs << v;
        const QStringList tests = IdCondition::alternatives("v", runs);
        QCOMPARE(tests.size(), 3);
        QCOMPARE(tests.first(), QString("v BETWEEN 2300 AND 2559"));
        QVERIFY(tests.last().startsWith("v IN ("));
        QCOMPARE(scalar(kolvexDb(), "SELECT count(*) FROM n WHERE " + IdCondition::of("v", runs)),
                 QString::number(runs.size()));
        QCOMPARE(scalar(kolvexDb(), "SELECT min(v) FROM n WHERE " + IdCondition::of("v", runs)),
                 QString("100"));

        const QList<KeyRanges::Range> ranges = KeyRanges::of(kolvexDb(), "n", "v", 500);
        QVERIFY(ranges.size() <= KeyRanges::kMaxRanges);
        int total = 0;
        for (const KeyRanges::Range &range : ranges)
            total += scalar(kolvexDb(), "SELECT count(*) FROM n WHERE " + KeyRanges::condition("v", range)).toInt();
        QCOMPARE(total, 3001);
    }
};

QTEST_MAIN(TestBulkChanges)
#include "tst_bulkchanges.moc"
