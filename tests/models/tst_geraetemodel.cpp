#include "appsettings.h"
#include "dbconnections.h"
#include "filternarrowing.h"
#include "geraetemodel.h"
#include "herstellermodel.h"
#include "readonlyconnection.h"
#include "testsupport.h"
#include "valuesetidlookup.h"
#include "wertemodel.h"
#include "writeaction.h"

#include <QColor>
#include <QDate>
#include <QMimeData>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using TestSupport::scalar;

// The appliance list on a fresh copy of the demo database: statements,
// value-set ids per row, group marking, edits, inserts and the context
// actions called by name the way the table view calls them.
class TestGeraeteModel : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QSqlDatabase m_db;

    static AppSettings *settings() { return AppSettings::instance(); }

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }

    static QList<int> listedIds(const GeraeteModel &model)
    {
        QList<int> ids;
        for (int row = 0; row < model.recordCount(); ++row)
            ids << model.index(row, 0).data(Qt::EditRole).toInt();
        return ids;
    }

    // Column 0 of a statement's rows, in their order.
    QList<int> columnOf(const QString &statement) const
    {
        QList<int> ids;
        QSqlQuery q(m_db);
        if (!q.exec(statement))
            qWarning() << q.lastError().text();
        while (q.next())
            ids << q.value(0).toInt();
        return ids;
    }

    static QList<int> columnOf(const EditableSqlQueryModel &model)
    {
        QList<int> ids;
        for (int row = 0; row < model.recordCount(); ++row)
            ids << model.index(row, 0).data(Qt::EditRole).toInt();
        return ids;
    }

    static int rowOf(const GeraeteModel &model, int id) { return listedIds(model).indexOf(id); }

    static void invoke(GeraeteModel &model, const char *slot, const QList<int> &rows)
    {
        QVERIFY(QMetaObject::invokeMethod(&model, slot, Q_ARG(QList<int>, rows)));
    }

    QStringList journal() const { return TestSupport::journalLines(m_file); }

    // What one statement per row gives: the reference the one-pass lookup must match.
    QStringList perRowIds(const GeraeteModel &model) const
    {
        QStringList entries;
        for (int row = 0; row < model.rowCount(); ++row) {
            QSqlQuery q(m_db);
            // Without a search text a set without a Bemerkung counts too.
            const QString filter = settings()->valueFilter;
            q.exec(QString("SELECT werteid FROM werte WHERE Geraet=%1%2")
                       .arg(model.index(row, 0).data(Qt::EditRole).toInt())
                       .arg(filter.isEmpty() ? QString()
                                             : QString(" AND Bemerkung LIKE '%%1%'")
                                                   .arg(QString(filter).replace("'", "''"))));
            QStringList ids;
            while (q.next())
                ids << q.value(0).toString();
            entries << ids.join('#');
        }
        return entries;
    }

    static QStringList modelIds(const GeraeteModel &model)
    {
        QStringList entries;
        for (int row = 0; row < model.rowCount(); ++row)
            entries << model.valueSetIdsOfRow(row);
        return entries;
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_db = TestSupport::openKolvex(m_file);
        AppSettings *s = settings();
        s->manufacturerMode = false;
        s->currentManufacturerId = 58;
        s->applianceFields = AppSettings::defaultApplianceFields();
        s->allFilter.clear();
        s->valueFilter.clear();
        s->applianceFilter.clear();
        s->showOldAppliances = true;
        s->copiedValueSets.clear();
        s->copiedAppliances.clear();
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    // The manufacturer edition never hands on records entered by hand in
    // the main file, so it shows them greyed and takes no edit there.
    void handRecordsAreReadOnlyInTheManufacturerEditionOnly()
    {
        exec("UPDATE Geraete SET hand=1 WHERE TirmaId=25001");
        exec("UPDATE Werte SET hand=1 WHERE WerteId=70000");
        const QString before = TestSupport::runSqlite3(m_file, "SELECT * FROM Geraete; SELECT * FROM Werte;");
        settings()->manufacturerMode = true;
        GeraeteModel appliances;
        appliances.selectAppliances();
        const QModelIndex hand = appliances.index(rowOf(appliances, 25001), appliances.fieldIndex("TYP"));
        const QModelIndex plain = appliances.index(rowOf(appliances, 25000), appliances.fieldIndex("TYP"));
        QVERIFY(!(appliances.flags(hand) & Qt::ItemIsEditable));
        QVERIFY(appliances.flags(plain) & Qt::ItemIsEditable);
        QCOMPARE(hand.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
        QVERIFY(hand.data(Qt::ToolTipRole).toString().contains("Von Hand"));
        QVERIFY(!appliances.setData(hand, "Verloren"));

        WerteModel values;
        for (const int appliance : {25001, 25000}) {
            settings()->currentApplianceId = appliance;
            values.reloadWerte();
            QVERIFY(values.rowCount() > 1);
            const QModelIndex cell = values.index(0, values.fieldIndex("BEMERKUNG"));
            // Every set of the hand appliance, and the hand set 70000 of 25000.
            const bool handSet = appliance == 25001
                                 || values.index(0, 0).data().toInt() == 70000;
            QCOMPARE(!(values.flags(cell) & Qt::ItemIsEditable), handSet);
            if (handSet)
                QVERIFY(!values.setData(cell, "Verloren"));
        }
        QCOMPARE(TestSupport::runSqlite3(m_file, "SELECT * FROM Geraete; SELECT * FROM Werte;"), before);
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());

        settings()->manufacturerMode = false;
        appliances.selectAppliances();
        QVERIFY(appliances.flags(appliances.index(rowOf(appliances, 25001), 1)) & Qt::ItemIsEditable);
    }

    void statementsAreWrittenExactly()
    {
        const QString o = "ORDER BY lower(coalesce(Typ1,'') || coalesce(Typ2,'') || "
                          "coalesce(Typ3,'') || coalesce(Typ,'') || coalesce(Variante,''))";
        QCOMPARE(GeraeteModel::applianceListStatement("F", 58, true, "", "", ""),
                 "SELECT F FROM Geraete WHERE hrstid=58 AND 1 " + o);
        QCOMPARE(GeraeteModel::applianceListStatement("F", 58, false, "", "", "Fa's"),
                 "SELECT F FROM Geraete WHERE hrstid=58 AND NOT coalesce(TirmaAlt,0) AND (Typ LIKE "
                 "'%Fa''s%' OR Typ1 LIKE '%Fa''s%' OR Typ2 LIKE '%Fa''s%' OR Typ3 LIKE '%Fa''s%' OR "
                 "variante LIKE '%Fa''s%') " + o);
        QCOMPARE(GeraeteModel::applianceListStatement("F", 58, true, "", "%1'", ""),
                 "SELECT F FROM Geraete WHERE hrstid=58 AND 1 AND tirmaid IN (SELECT Werte.Geraet "
                 "FROM Werte WHERE Bemerkung LIKE '%%1''%') " + o);
        QCOMPARE(GeraeteModel::applianceListStatement("F", 58, true, "", "V", "A"),
                 "SELECT F FROM Geraete WHERE HRSTID=58 AND 1  AND (Typ LIKE '%A%' OR Typ1 LIKE "
                 "'%A%' OR Typ2 LIKE '%A%' OR Typ3 LIKE '%A%' OR variante LIKE '%A%') AND tirmaid "
                 "IN  (SELECT Werte.Geraet  FROM Werte  WHERE Bemerkung LIKE '%V%') " + o);
        // The general filter is an SQL condition: inserted as typed, and it wins.
        QCOMPARE(GeraeteModel::applianceListStatement("F", 58, true, "Bemerkung='x'", "V", "A"),
                 "SELECT F FROM Geraete WHERE HRSTID=58 AND 1 AND TirmaId IN (SELECT TirmaId FROM "
                 "Geraete INNER JOIN Werte ON Geraete.TirmaId=Werte.Geraet WHERE Bemerkung='x') "
                 + o);
    }

    void filtersSelectTheRightAppliancesInOrder()
    {
        GeraeteModel model;
        model.selectAppliances();
        QCOMPARE(listedIds(model), (QList<int>{1201, 25001, 1202, 25002, 25004, 25000}));
        QCOMPARE(model.query().lastQuery(),
                 GeraeteModel::applianceListStatement(settings()->applianceFields, 58, true, "", "",
                                                      ""));

        settings()->showOldAppliances = false;
        model.selectAppliances();
        QCOMPARE(listedIds(model), (QList<int>{1201, 25001, 25002, 25004, 25000}));

        settings()->showOldAppliances = true;
        settings()->valueFilter = "Speicheraufsatz 'Nord'";
        model.selectAppliances();
        QCOMPARE(listedIds(model), (QList<int>{1202, 25002, 25004, 25000}));

        settings()->applianceFilter = "Nordlicht";
        model.selectAppliances();
        QCOMPARE(listedIds(model), (QList<int>{25004, 25000}));

        settings()->valueFilter.clear();
        settings()->applianceFilter = "Fjord";
        model.selectAppliances();
        QCOMPARE(listedIds(model), (QList<int>{1201, 25001}));

        settings()->allFilter = "Werte.Bemerkung='Teillast ''eco'''";
        model.selectAppliances();
        QCOMPARE(listedIds(model), (QList<int>{25001}));
        QVERIFY(!settings()->queryFailed);

        // A broken general filter leaves the list as it was.
        settings()->allFilter = "Werte.NoSuchColumn=1";
        model.selectAppliances();
        QVERIFY(settings()->queryFailed);
        QCOMPARE(listedIds(model), (QList<int>{25001}));
    }

    void filterNarrowingKeepsOnlySelfContainedConditions_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<bool>("selfContained");
        QTest::newRow("plain") << "QN>15.5" << true;
        QTest::newRow("nested") << "(TW>1 OR (QN<2)) AND Typ1 LIKE '%a%'" << true;
        QTest::newRow("parenthesis in text") << "Bemerkung='a)' OR Bemerkung=\"b(\"" << true;
        QTest::newRow("doubled quote") << "Bemerkung='it''s ) here'" << true;
        QTest::newRow("bracket name") << "[Q)N]>1" << true;
        QTest::newRow("breaks out") << "1) OR (1" << false;
        QTest::newRow("unclosed") << "(QN>1" << false;
        QTest::newRow("open text") << "Bemerkung='a" << false;
        QTest::newRow("comment") << "QN>1 -- und mehr" << false;
        QTest::newRow("block comment") << "QN>1 /* x */" << false;
        QTest::newRow("second statement") << "1; DELETE FROM Werte" << false;
        QTest::newRow("empty") << "  " << false;
    }

    void filterNarrowingKeepsOnlySelfContainedConditions()
    {
        QFETCH(QString, condition);
        QFETCH(bool, selfContained);
        QCOMPARE(FilterNarrowing::isSelfContained(condition), selfContained);
        QCOMPARE(FilterNarrowing::narrowed(condition, {7, 9}).isEmpty(), !selfContained);
        if (selfContained)
            QCOMPARE(FilterNarrowing::narrowed(condition, {7, 9}),
                     QString("Werte.WerteId IN (7,9) AND (%1)").arg(condition));
    }

    // Under the general filter the lists read the manufacturer's sets once
    // and narrow the filter to them: rows, row ids, value and group lists
    // must be those of the statements as the user's filter makes them.
    void generalFilterListsWhatTheFullStatementsList_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::newRow("value column") << "TW>300";
        QTest::newRow("both tables") << "Werte.Bemerkung LIKE '%Teillast%' OR Geraete.Typ1 LIKE '%Fjord%'";
        QTest::newRow("correlated") << "(SELECT count(*) FROM Werte w2 WHERE w2.Geraet=Geraete.TirmaId)>2";
        QTest::newRow("breaks out of the sub-select") << "1) OR (1";
        QTest::newRow("nothing") << "0";
        QTest::newRow("everything") << "1";
    }

    void generalFilterListsWhatTheFullStatementsList()
    {
        QFETCH(QString, filter);
        // Found sets of appliances whose manufacturer is no integer key.
        exec("INSERT INTO Geraete (TirmaId, HrstId, Typ1) VALUES (990001, NULL, 'n'), "
             "(990002, '58x', 'x'), (990003, 58.5, 'r'), (990004, '58', 't')");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung, TW, QN) VALUES "
             "(990101, 990001, 'Teillast', 999, 99), (990102, 990002, 'Teillast', 999, 99), "
             "(990103, 990003, 'Teillast', 999, 99), (990104, 990004, 'Teillast', 999, 99)");
        settings()->allFilter = filter;
        const QString fields = settings()->applianceFields;
        QList<int> expected;
        QSqlQuery full(m_db);
        QVERIFY(full.exec(GeraeteModel::applianceListStatement(fields, 58, true, filter, "", "")));
        while (full.next())
            expected << full.value(0).toInt();

        GeraeteModel model;
        model.selectAppliances();
        QVERIFY(!settings()->queryFailed);
        QCOMPARE(listedIds(model), expected);
        QCOMPARE(modelIds(model), perRowIds(model));
        model.refresh();
        QCOMPARE(listedIds(model), expected);

        // The manufacturer list under the filter, from the hits it shares
        // with the appliance list: the rows of its own statement.
        HerstellerModel manufacturers;
        model.shareFilterHits(manufacturers.filterHits());
        manufacturers.selectManufacturers(filter);
        QVERIFY(!settings()->queryFailed);
        QCOMPARE(columnOf(manufacturers), columnOf(HerstellerModel::manufacturersStatement(filter)));
        model.selectAppliances();
        QCOMPARE(listedIds(model), expected);
        // The group list reads its join: the manufacturer's ids are not at hand.
        QVERIFY(!model.freshValueSetIdsOfManufacturer(58).has_value());
        for (int row = 0; row < model.recordCount(); ++row) {
            settings()->currentApplianceId = listedIds(model).at(row);
            WerteModel narrowed, whole;
            const std::optional<QList<qint64>> known =
                model.freshValueSetIds(settings()->currentApplianceId);
            QCOMPARE(known.has_value(), FilterNarrowing::isSelfContained(filter));
            if (known)
                narrowed.reloadWerte(*known);
            else
                narrowed.reloadWerte();
            whole.reloadWerte();
            QCOMPARE(narrowed.recordCount(), whole.recordCount());
            for (int i = 0; i < whole.recordCount(); ++i)
                QCOMPARE(narrowed.index(i, 0).data(Qt::EditRole), whole.index(i, 0).data(Qt::EditRole));
        }

        // Another program writes: the ids no longer count.
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-writer");
        other.setDatabaseName(m_file);
        QVERIFY(other.open());
        QSqlQuery write(other);
        QVERIFY(write.exec("UPDATE Werte SET TW=TW+1 WHERE WerteId=70000"));
        // A set of every appliance that matched none before, and one
        // manufacturer's appliances no longer matching at all.
        QVERIFY(write.exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung, TW, QN) SELECT "
                           "900000+TirmaId, TirmaId, 'Teillast', 999, 99 FROM Geraete"));
        QVERIFY(write.exec("DELETE FROM Werte WHERE Geraet IN (SELECT TirmaId FROM Geraete "
                           "WHERE HrstId=(SELECT min(HrstId) FROM Geraete WHERE HrstId<>58))"));
        write.finish();
        other.close();
        QVERIFY(!model.freshValueSetIdsOfManufacturer(58).has_value());
        expected = columnOf(GeraeteModel::applianceListStatement(fields, 58, true, filter, "", ""));
        model.selectAppliances();
        QCOMPARE(listedIds(model), expected);
        manufacturers.selectManufacturers(filter);
        QCOMPARE(columnOf(manufacturers), columnOf(HerstellerModel::manufacturersStatement(filter)));
        model.selectAppliances();
        QCOMPARE(listedIds(model), expected);
        QCOMPARE(modelIds(model), perRowIds(model));
    }

    void failingGeneralFilterReportsTheUsersStatement()
    {
        settings()->allFilter = "Werte.NoSuchColumn=1";
        GeraeteModel model;
        model.selectAppliances();
        QVERIFY(settings()->queryFailed);
        QCOMPARE(settings()->failedQuery,
                 GeraeteModel::applianceListStatement(settings()->applianceFields, 58, true,
                                                      "Werte.NoSuchColumn=1", "", ""));
    }

    void newRecordRowOnlyWithAManufacturer()
    {
        GeraeteModel model;
        settings()->currentManufacturerId = -1;
        model.selectAppliances();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString());

        settings()->currentManufacturerId = 58;
        model.selectAppliances();
        QCOMPARE(model.rowCount(), model.recordCount() + 1);
        QCOMPARE(model.headerData(model.rowCount() - 1, Qt::Vertical).toString(), QString("*"));
        QVERIFY(!model.data(model.index(model.rowCount() - 1, 0),
                            EditableSqlQueryModel::ContextActionsRole)
                     .isValid());
    }

    void valueSetIdsMatchOneLookupPerRow_data()
    {
        QTest::addColumn<QString>("valueFilter");
        QTest::addColumn<QString>("indexColumns");
        QTest::newRow("all") << "" << "";
        QTest::newRow("Teil") << "Teil" << "";
        QTest::newRow("apostrophe") << "'Nord'" << "";
        QTest::newRow("index on Geraet") << "" << "Geraet";
        // An index that orders the value sets of an appliance unlike their ids.
        QTest::newRow("other index order") << "" << "Geraet, Bemerkung DESC";
        QTest::newRow("other index order, filtered") << "Teil" << "Geraet, Bemerkung DESC";
    }

    void valueSetIdsMatchOneLookupPerRow()
    {
        QFETCH(QString, valueFilter);
        QFETCH(QString, indexColumns);
        // Value sets stored out of id order and one without an appliance.
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (69990, 25000, 'Teillast 2')");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (69991, 0, 'Teillast')");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (69992, 25001, NULL)");
        // A run of consecutive appliance ids (25004 to 25009) beside single ones.
        for (int id = 25005; id <= 25009; ++id) {
            exec(QString("INSERT INTO Geraete (TirmaId, HrstId, Typ) VALUES (%1, 58, 'Run')").arg(id));
            exec(QString("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (%1, %2, 'Teillast')")
                     .arg(id + 50000)
                     .arg(id));
        }
        if (!indexColumns.isEmpty())
            exec("CREATE INDEX test_werte_geraet ON Werte (" + indexColumns + ")");
        settings()->valueFilter = valueFilter;
        GeraeteModel model;
        model.selectAppliances();
        QCOMPARE(modelIds(model), perRowIds(model));
        if (valueFilter.isEmpty() && indexColumns.isEmpty())
            QCOMPARE(model.valueSetIdsOfRow(rowOf(model, 25000)),
                     QString("69990#70000#70001#70002"));
        model.refresh();
        QCOMPARE(modelIds(model), perRowIds(model));
    }

    void lookupRunsOneStatementForAnyNumberOfAppliances()
    {
        QCOMPARE(ValueSetIdLookup::joinedIdsPerAppliance({}, "", m_db), QStringList());
        QCOMPARE(ValueSetIdLookup::joinedIdsPerAppliance({25001, 1, 25001}, "Teil", m_db),
                 (QStringList{"70005", "", "70005"}));
        QCOMPARE(ValueSetIdLookup::statement({1, 3, 5, 7, 9, 11, 13, 15, 17}, "a'b"),
                 QString("SELECT Geraet, WerteId FROM Werte WHERE Geraet BETWEEN 1 AND 17 AND "
                         "Bemerkung LIKE '%a''b%' AND Geraet IN (1,3,5,7,9,11,13,15,17)"));
        QCOMPARE(ValueSetIdLookup::statement({0, 2, 3, 4, 5, 9, 20, 21, 22, 23}, ""),
                 QString("SELECT Geraet, WerteId FROM Werte WHERE Geraet BETWEEN 0 AND 23 AND "
                         "(Geraet BETWEEN 2 AND 5 OR Geraet BETWEEN 20 AND 23 OR Geraet=0 OR "
                         "Geraet=9)"));
        QCOMPARE(ValueSetIdLookup::statement({7, 8, 9, 10}, "%1"),
                 QString("SELECT Geraet, WerteId FROM Werte WHERE Geraet BETWEEN 7 AND 10 AND "
                         "Bemerkung LIKE '%%1%'"));
    }

    // Value sets spread over a wide id span: the later ranges are read on a
    // second connection beside the earlier ones, and every appliance still
    // gets its ids in the table's order; inside an open write action the
    // lookup reads its own connection alone and sees the uncommitted set.
    void lookupOverFarRangesKeepsTheOrderAndSeesOpenChanges()
    {
        exec("BEGIN");
        for (int k = 1; k <= 8; ++k) {
            exec(QString("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (%1, %2, 'x')")
                     .arg(70000 + k * 150000)
                     .arg(k % 2 ? 25000 : 25001));
        }
        exec("COMMIT");
        const QList<qint64> appliances{25001, 25000, 1, 25001};
        const auto expected = [&] {
            QStringList ids;
            for (qint64 appliance : appliances)
                ids << TestSupport::scalar(m_db, QString("SELECT group_concat(WerteId, '#') FROM "
                                                         "(SELECT WerteId FROM Werte WHERE Geraet=%1 "
                                                         "ORDER BY rowid)").arg(appliance));
            return ids;
        };
        QVERIFY(ReadOnlyConnection::seesTheSameAs(m_db));
        QCOMPARE(ValueSetIdLookup::joinedIdsPerAppliance(appliances, "", m_db), expected());
        QVERIFY(expected().at(0).endsWith("#1270000"));

        WriteAction action;
        QVERIFY(action.run("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (1370000, 25000, 'x')"));
        QVERIFY(!ReadOnlyConnection::seesTheSameAs(m_db));
        const QStringList open = ValueSetIdLookup::joinedIdsPerAppliance(appliances, "", m_db);
        QCOMPARE(open, expected());
        QVERIFY(open.at(1).endsWith("#1120000#1370000"));
        action.cancel();
        QVERIFY(!action.finish());
    }

    void lookupAnswersForManyRunsOfIds_data()
    {
        QTest::addColumn<int>("runs");
        // Around SQLite's limit of 1,000 nested alternatives, and far past it.
        QTest::newRow("998 runs") << 998;
        QTest::newRow("999 runs") << 999;
        QTest::newRow("1000 runs") << 1000;
        QTest::newRow("1500 runs") << 1500;
    }

    void lookupAnswersForManyRunsOfIds()
    {
        QFETCH(int, runs);
        // Runs of four consecutive appliance ids of manufacturer 999, the
        // first of each run with one value set: more than SQLite takes as a
        // chain of range tests.
        QList<qint64> appliances;
        QMap<int, QString> expected;
        exec("BEGIN");
        for (int run = 0; run < runs; ++run) {
            for (int k = 0; k < 4; ++k) {
                const int id = 30000 + run * 5 + k;
                appliances << id;
                exec(QString("INSERT INTO Geraete (TirmaId, HrstId, Typ) VALUES (%1, 999, 'T%1')")
                         .arg(id));
            }
            const int first = 30000 + run * 5;
            exec(QString("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (%1, %2, 'x')")
                     .arg(200000 + run)
                     .arg(first));
            expected.insert(first, QString::number(200000 + run));
        }
        exec("COMMIT");
        const QStringList ids = ValueSetIdLookup::joinedIdsPerAppliance(appliances, "", m_db);
        QCOMPARE(ids.size(), appliances.size());
        for (int i = 0; i < appliances.size(); ++i)
            QCOMPARE(ids.at(i), expected.value(appliances.at(i)));

        settings()->currentManufacturerId = 999;
        GeraeteModel model;
        model.selectAppliances();
        QCOMPARE(model.recordCount(), 4 * runs);
        for (int row = 0; row < model.recordCount(); ++row)
            QCOMPARE(model.valueSetIdsOfRow(row),
                     expected.value(model.index(row, 0).data(Qt::EditRole).toInt()));
    }

    void groupMarkingComparesWholeIds()
    {
        exec("DELETE FROM Werte WHERE Geraet=25000");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (12, 25000, 'Nennleistung')");
        GeraeteModel model;
        model.selectAppliances();
        const int row = rowOf(model, 25000);
        const QModelIndex cell = model.index(row, 2);

        model.setCurrentGroup("123#7");
        QVERIFY(!model.isInCurrentGroup(cell));
        QCOMPARE(cell.data(EditableSqlQueryModel::GroupMemberRole).toInt(), 0);
        QVERIFY(!cell.data(Qt::BackgroundRole).isValid());

        model.setCurrentGroup("12#123#7");
        QVERIFY(model.isInCurrentGroup(cell));
        QCOMPARE(cell.data(Qt::BackgroundRole).value<QColor>(), QColor(200, 200, 0, 122));
        QVERIFY(model.index(row, 0)
                    .data(EditableSqlQueryModel::ContextActionsRole)
                    .toStringList()
                    .contains("Von der Gruppe entfernen#removeFromGroup"));

        QSignalSpy changed(&model, &EditableSqlQueryModel::currentGroupChangedTo);
        invoke(model, "removeFromGroup", {row});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toString(), QString("123#7"));
        QVERIFY(!model.isInCurrentGroup(cell));
    }

    void dragCarriesTheValueSetIdsOfEveryCell()
    {
        exec("DELETE FROM Werte WHERE Geraet=25001");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (5, 25001, 'a')");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (6, 25001, 'b')");
        GeraeteModel model;
        model.selectAppliances();
        const int row = rowOf(model, 25001);
        QCOMPARE(model.mimeTypes(), (QStringList{"text/plain", "text/csv", "dbtable/id"}));
        std::unique_ptr<QMimeData> mime(model.mimeData({model.index(row, 2), model.index(row, 3)}));
        QCOMPARE(mime->data("text/csv"), QByteArray("5#6#5#6"));
        QVERIFY(mime->hasFormat("text/plain"));

        QMimeData foreign;
        foreign.setData("dbtable/id", "x");
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QVERIFY(model.dropMimeData(&foreign, Qt::CopyAction, -1, -1, model.index(row, 2)));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Geraete"), QString("20"));
    }

    void editsAreWrittenAndJournaled()
    {
        GeraeteModel model;
        model.selectAppliances();
        const QModelIndex typ = model.index(rowOf(model, 25000), model.fieldIndex("Typ"));
        QVERIFY(model.setData(typ, "Fa's Ofen"));
        QCOMPARE(scalar(m_db, "SELECT Typ FROM Geraete WHERE TirmaId=25000"), QString("Fa's Ofen"));
        QVERIFY(!model.setData(typ, "Fa's Ofen"));
        QCOMPARE(journal(), QStringList{"UPDATE Geraete SET TYP='Fa''s Ofen' WHERE tirmaid=25000;"});

        settings()->applianceFilter = "Fa's";
        model.selectAppliances();
        QCOMPARE(listedIds(model), QList<int>{25000});
    }

    void newRecordRowInsertsInTheManufacturersRange()
    {
        GeraeteModel model;
        model.selectAppliances();
        const int newRow = model.rowCount() - 1;
        QVERIFY(!model.setData(model.index(newRow, model.fieldIndex("TYP")), QString()));
        QVERIFY(model.setData(model.index(newRow, model.fieldIndex("TYP")), "Neu's"));
        QCOMPARE(scalar(m_db, "SELECT HrstId || '/' || Typ FROM Geraete WHERE TirmaId=25003"),
                 QString("58/Neu's"));
        QVERIFY(listedIds(model).contains(25003));
        QCOMPARE(journal(), QStringList{"INSERT INTO Geraete (TYP, HRSTID, TIRMAID) VALUES "
                                        "('Neu''s',58,25003);"});
    }

    // Under a search that the new appliance does not match, it stays listed,
    // grey and with a note, through every re-read until the next statement;
    // only the insert reaches the file and the journal.
    void newRecordOutsideTheFilterStaysInSightUntilTheFilterChanges()
    {
        settings()->applianceFilter = "Fjord";
        GeraeteModel model;
        model.selectAppliances();
        const QList<int> matching = listedIds(model);
        QVERIFY(!matching.isEmpty());
        QSignalSpy inserted(&model, &EditableSqlQueryModel::recordInserted);
        const int newRow = model.rowCount() - 1;
        QVERIFY(model.setData(model.index(newRow, model.fieldIndex("TYP")), "Anders"));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(0).toInt(), 25003);
        QCOMPARE(journal(), QStringList{"INSERT INTO Geraete (TYP, HRSTID, TIRMAID) VALUES "
                                        "('Anders',58,25003);"});
        QList<int> expected = matching;
        expected << 25003;
        QList<int> listed = listedIds(model);
        std::sort(listed.begin(), listed.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(listed, expected);
        const int row = rowOf(model, 25003);
        QVERIFY(model.isKeptOutsideFilter(row));
        const QModelIndex cell = model.index(row, model.fieldIndex("TYP"));
        QCOMPARE(cell.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
        QVERIFY(cell.data(Qt::ToolTipRole).toString().contains("passt nicht zum Filter"));
        QCOMPARE(cell.data().toString(), QString("Anders"));
        // The rows that match are not marked; the new-record row stays last.
        QVERIFY(!model.isKeptOutsideFilter(rowOf(model, matching.first())));
        QVERIFY(!model.index(rowOf(model, matching.first()), model.fieldIndex("TYP"))
                     .data(Qt::ForegroundRole).isValid());
        QVERIFY(model.isNewRecordRow(model.rowCount() - 1));
        // Edits and re-reads keep it in sight.
        QVERIFY(model.setData(cell, "Anders 2"));
        model.refresh();
        QVERIFY(model.isKeptOutsideFilter(rowOf(model, 25003)));
        QCOMPARE(inserted.count(), 1);
        // A new statement (the same filter, run anew) lets it go.
        model.selectAppliances();
        QCOMPARE(listedIds(model), matching);
        QCOMPARE(model.keptRecordId(), -1);
        // A new appliance that matches is listed as any other, unmarked.
        QVERIFY(model.setData(model.index(model.rowCount() - 1, model.fieldIndex("TYP")),
                              "Fjord Neu"));
        QCOMPARE(inserted.count(), 2);
        const int matchingNew = inserted.at(1).at(0).toInt();
        QVERIFY(rowOf(model, matchingNew) >= 0);
        QVERIFY(!model.isKeptOutsideFilter(rowOf(model, matchingNew)));
        QCOMPARE(journal().size(), 3);
    }

    void keepingStatementOrsTheKeyIntoTheOuterCondition()
    {
        QCOMPARE(EditableSqlQueryModel::statementKeeping(
                     "select a from Werte where Geraet=5 AND bemerkung LIKE '%x%' ORDER BY "
                     "Bemerkung", "WERTEID", 7),
                 QString("select a from Werte where (Geraet=5 AND bemerkung LIKE '%x%') OR "
                         "WERTEID=7 ORDER BY Bemerkung"));
        // Sub-selects with their own WHERE stay inside the condition.
        QCOMPARE(EditableSqlQueryModel::statementKeeping(
                     "SELECT Id, Name from Hersteller WHERE Tirma<>0 AND Id IN (SELECT HRSTID "
                     "FROM Geraete WHERE QN>1) ORDER BY lower(Name)", "ID", 9),
                 QString("SELECT Id, Name from Hersteller WHERE (Tirma<>0 AND Id IN (SELECT "
                         "HRSTID FROM Geraete WHERE QN>1)) OR ID=9 ORDER BY lower(Name)"));
        QCOMPARE(EditableSqlQueryModel::statementKeeping("SELECT * FROM Baustoffe WHERE x=1",
                                                         "ID", 3),
                 QString("SELECT * FROM Baustoffe WHERE (x=1) OR ID=3"));
        QVERIFY(EditableSqlQueryModel::statementKeeping("SELECT * FROM Baustoffe", "ID", 3)
                    .isEmpty());
    }

    void exhaustedRangeRefusesInsertAndPaste()
    {
        exec("DELETE FROM seqidxs WHERE id>=20000");
        GeraeteModel model;
        model.selectAppliances();
        const QList<int> before = listedIds(model);
        const QString valueSets = scalar(m_db, "SELECT count(*) FROM Werte");
        QVERIFY(!model.setData(model.index(model.rowCount() - 1, model.fieldIndex("TYP")), "X"));
        QCOMPARE(listedIds(model), before);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Geraete WHERE TirmaId<0"), QString("0"));

        settings()->copiedValueSets = "70000";
        QSignalSpy reread(&model, &GeraeteModel::werteAktualisieren);
        invoke(model, "datenEinfuegen", {rowOf(model, 25002)});
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte"), valueSets);
        QCOMPARE(reread.count(), 0);
        QVERIFY(journal().isEmpty());
    }

    void copyFillsTheBuffer()
    {
        GeraeteModel model;
        model.selectAppliances();
        invoke(model, "datenKopieren", {rowOf(model, 25000), rowOf(model, 1201)});
        QCOMPARE(settings()->copiedAppliances, QString("25000#1201"));
    }

    void duplicateCopiesValueSetsIntoTheRange()
    {
        GeraeteModel model;
        model.selectAppliances();
        invoke(model, "datenDuplizieren", {rowOf(model, 25000)});
        QVERIFY(listedIds(model).contains(25003));
        QCOMPARE(scalar(m_db, "SELECT HrstId || Typ FROM Geraete WHERE TirmaId=25003"),
                 QString("58Nordlicht 5"));
        const QString today = QDate::currentDate().toString("dd.MM.yyyy");
        QSqlQuery q(m_db);
        q.exec("SELECT WerteId, Bemerkung, ERFASSDAT, BEMERKUNGID, AUSATZRINGEID FROM Werte "
               "WHERE Geraet=25003 ORDER BY WerteId");
        QStringList copies;
        while (q.next())
            copies << QString("%1|%2|%3|%4|%5")
                          .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                               q.value(3).toString(), q.value(4).toString());
        QCOMPARE(copies, (QStringList{"70003|Nennleistung|" + today + "|0|0",
                                      "70013|Teillast|" + today + "|0|0",
                                      "70014|Speicheraufsatz 'Nord'|" + today + "|0|0"}));
        const QStringList lines = journal();
        QCOMPARE(lines.size(), 1 + 3 * 3);
        QVERIFY(lines.at(0).startsWith("insert into Geraete (TIRMAID,"));
        QCOMPARE(lines.at(2), QString("UPDATE Werte SET Geraet=25003 WHERE WerteId=70003;"));
        QCOMPARE(lines.at(3), "UPDATE Werte SET ERFASSDAT='" + today
                                  + "',AUSATZRINGEID=0,BEMERKUNGID=0 WHERE WerteId=70003;");
    }

    void deleteRemovesAllValueSetsWhateverTheFilter()
    {
        settings()->valueFilter = "Teil";
        GeraeteModel model;
        model.selectAppliances();
        QSignalSpy reread(&model, &GeraeteModel::werteAktualisieren);
        invoke(model, "datenLoeschen", {rowOf(model, 25000), rowOf(model, 25001)});
        QCOMPARE(reread.count(), 1);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE Geraet IN (25000,25001)"),
                 QString("0"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Geraete WHERE TirmaId IN (25000,25001)"),
                 QString("0"));
        QCOMPARE(listedIds(model), (QList<int>{1201, 1202, 25002, 25004}));
        // The value sets go with their group rows; sets derived from them become plain.
        const QString sets = "70000,70001,70002,70004,70005,70006";   // read once, named by key
        QCOMPARE(journal(), (QStringList{"DELETE FROM Geraete WHERE tirmaid IN (25000,25001);",
                                         QString("UPDATE Werte SET BEMERKUNGID=0,AUSATZRINGEID=0 "
                                                 "WHERE BEMERKUNGID IN (%1) AND WerteId NOT IN "
                                                 "(%1);").arg(sets),
                                         QString("DELETE FROM Werte WHERE WerteId IN (%1);").arg(sets)}));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM gruppen WHERE werteid IN (70000,70001,70002,"
                              "70004,70005,70006)"),
                 QString("0"));
    }

    void deleteOfALargeSelectionGoesInChunksOfTenThousand()
    {
        // 10,001 appliances of manufacturer 58, each with one value set.
        exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10001) "
             "INSERT INTO Geraete (TirmaId, HrstId, Typ) SELECT 900000 + i, 58, 'X' FROM n");
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) "
             "SELECT TirmaId + 100000, TirmaId, 'S' FROM Geraete WHERE TirmaId > 900000");
        GeraeteModel model;
        model.selectAppliances();
        QList<int> rows;
        for (int row = 0; row < model.recordCount(); ++row) {
            if (model.data(model.index(row, 0)).toInt() > 900000)
                rows << row;
        }
        QCOMPARE(rows.size(), 10001);
        invoke(model, "datenLoeschen", rows);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Geraete WHERE TirmaId > 900000"), QString("0"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE WerteId > 1000000"), QString("0"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("3"));
        const QStringList lines = journal();
        // The appliances in two chunks, then their 10,001 sets in two.
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(1), QString("DELETE FROM Geraete WHERE tirmaid IN (910001);"));
        QCOMPARE(lines.at(0).count(','), 9999);
        QCOMPARE(lines.at(5), QString("DELETE FROM Werte WHERE WerteId IN (1010001);"));
    }

    void pasteCopiesBufferedValueSetsIntoEachRow()
    {
        settings()->copiedValueSets = "70002##70005";
        GeraeteModel model;
        model.selectAppliances();
        QSignalSpy reread(&model, &GeraeteModel::werteAktualisieren);
        invoke(model, "datenEinfuegen", {rowOf(model, 25002), rowOf(model, 25004)});
        QCOMPARE(reread.count(), 1);
        QCOMPARE(scalar(m_db, "SELECT group_concat(WerteId || ':' || Geraet || ':' || Bemerkung "
                              "|| ':' || BEMERKUNGID || AUSATZRINGEID, ',') FROM Werte WHERE "
                              "WerteId IN (70003,70013,70014,70015)"),
                 QString("70003:25002:Speicheraufsatz 'Nord':00,70013:25002:Teillast 'eco':00,"
                         "70014:25004:Speicheraufsatz 'Nord':00,70015:25004:Teillast 'eco':00"));
        QCOMPARE(settings()->copiedValueSets, QString("70002##70005"));
        const QStringList lines = journal();
        QCOMPARE(lines.size(), 16);
        QCOMPARE(lines.mid(0, 4),
                 (QStringList{"CREATE TEMP TABLE TBL  AS SELECT * FROM Werte WHERE WerteId=70002;",
                              "UPDATE TBL  SET WerteId=70003, Geraet=25002, "
                              "AUSATZRINGEID=0,BEMERKUNGID=0;",
                              "INSERT INTO Werte SELECT * FROM TBL;", "DROP TABLE TBL;"}));
    }

    void contextActionsFollowModeAndBuffer()
    {
        GeraeteModel model;
        model.selectAppliances();
        const QModelIndex first = model.index(0, 0);
        QCOMPARE(first.data(EditableSqlQueryModel::ContextActionsRole).toStringList(),
                 (QStringList{"Feuerstätte(n) DUPLIZIEREN#datenDuplizieren#4",
                              "Feuerstätte(n) KOPIEREN#datenKopieren#1",
                              "Feuerstätte(n) LÖSCHEN#datenLoeschen#3"}));
        settings()->manufacturerMode = true;
        settings()->copiedValueSets = "70000";
        QCOMPARE(first.data(EditableSqlQueryModel::ContextActionsRole).toStringList(),
                 (QStringList{"Feuerstätte(n) DUPLIZIEREN#datenDuplizieren#4",
                              "Feuerstätte(n) LÖSCHEN#datenLoeschen#3",
                              "Kopierten Kenndaten EINFÜGEN#datenEinfuegen#2"}));
        // Every named slot is reachable by name with a list of rows.
        for (const QString &entry : first.data(EditableSqlQueryModel::ContextActionsRole)
                                        .toStringList()) {
            const QByteArray slot = entry.section('#', 1, 1).toLatin1() + "(QList<int>)";
            QVERIFY2(model.metaObject()->indexOfMethod(slot.constData()) >= 0, slot.constData());
        }
        QVERIFY(QMetaType::type("QList<int>") != QMetaType::UnknownType);
    }

    void manufacturerModeWritesNoJournal()
    {
        settings()->manufacturerMode = true;
        GeraeteModel model;
        model.selectAppliances();
        // 1201 heads the list but is entered by hand: 25000 is the manufacturer's own.
        QVERIFY(model.setData(model.index(rowOf(model, 25000), model.fieldIndex("TYP")), "Anders"));
        QVERIFY(journal().isEmpty());
    }

    void qualityMarks()
    {
        settings()->applianceFields = "TIRMAID,HRSTID,TYP,DINPLUS AS XXXDINPLUS";
        GeraeteModel model;
        model.selectAppliances();
        const int column = model.fieldIndex("XXXDINPLUS");
        QCOMPARE(column, 3);
        const int row = rowOf(model, 25000);  // DINPLUS 1 in the file
        QCOMPARE(model.dinplusState(row), 1);
        QCOMPARE(model.index(row, column).data().toString(), QString());
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.setDinplusState(row, 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.index(row, column).data().toString(), QString("×"));
        QVERIFY(!model.isDinplusAll());
        model.setDinplusAll(true);
        QVERIFY(model.isDinplusAll());
        QCOMPARE(model.index(row, column).data().toString(), QString("××"));
        model.setDinplusAll(false);
        QVERIFY(!model.isDinplusAll());
        QCOMPARE(model.dinplusState(row), 0);
        model.selectAppliances();
        QCOMPARE(model.dinplusState(row), 1);
    }
};

QTEST_MAIN(TestGeraeteModel)
#include "tst_geraetemodel.moc"
