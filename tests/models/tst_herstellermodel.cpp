#include "appsettings.h"
#include "dbconnections.h"
#include "herstellermodel.h"
#include "testsupport.h"

#include <QDate>
#include <QMimeData>
#include <QSqlQuery>
#include <QtTest>

using TestSupport::scalar;

// The manufacturer list on a fresh copy of the demo database.
class TestHerstellerModel : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QSqlDatabase m_db;

    static AppSettings *settings() { return AppSettings::instance(); }

    static const char *listStatement()
    {
        return "Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)";
    }

    static QStringList names(const HerstellerModel &model)
    {
        QStringList list;
        for (int row = 0; row < model.recordCount(); ++row)
            list << model.index(row, 1).data().toString();
        return list;
    }

    static int rowOf(const HerstellerModel &model, int id)
    {
        for (int row = 0; row < model.recordCount(); ++row) {
            if (model.index(row, 0).data().toInt() == id)
                return row;
        }
        return -1;
    }

    static QStringList actions(const HerstellerModel &model, int row)
    {
        return model.index(row, 0).data(EditableSqlQueryModel::ContextActionsRole).toStringList();
    }

    static void invoke(HerstellerModel &model, const char *slot, const QList<int> &rows)
    {
        QVERIFY(QMetaObject::invokeMethod(&model, slot, Q_ARG(QList<int>, rows)));
    }

    QStringList journal() const { return TestSupport::journalLines(m_file); }

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
        s->allFilter.clear();
        s->copiedAppliances.clear();
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void renamingResortsAndKeepsTheSelection()
    {
        HerstellerModel model;
        model.setQuery(listStatement(), kolvexDb());
        QCOMPARE(names(model).first(), QString("Brunner & Söhne"));
        QSignalSpy save(&model, &EditableSqlQueryModel::saveSelection);
        QSignalSpy load(&model, &EditableSqlQueryModel::loadSelection);

        const int row = rowOf(model, 215);  // Glutwerk
        QVERIFY(model.setData(model.index(row, 1), "Aa's Glutwerk"));
        QCOMPARE(scalar(m_db, "SELECT Name FROM Hersteller WHERE Id=215"), QString("Aa's Glutwerk"));
        QCOMPARE(names(model).first(), QString("Aa's Glutwerk"));
        QCOMPARE(save.count(), 1);
        QCOMPARE(load.count(), 1);
        QCOMPARE(journal(), QStringList{"UPDATE Hersteller SET NAME='Aa''s Glutwerk' WHERE id=215;"});

        // An unchanged name is not written, but the list is still re-read.
        QVERIFY(!model.setData(model.index(0, 1), "Aa's Glutwerk"));
        QCOMPARE(save.count(), 2);
        QCOMPARE(journal().size(), 1);

        // An empty name is refused outright.
        QVERIFY(!model.setData(model.index(0, 1), ""));
        QCOMPARE(save.count(), 2);
        QCOMPARE(scalar(m_db, "SELECT Name FROM Hersteller WHERE Id=215"), QString("Aa's Glutwerk"));
    }

    void otherColumnsAreWrittenWithoutResort()
    {
        HerstellerModel model;
        model.setQuery("Select Id, Name, Ort from Hersteller where Tirma<>0 order by lower(Name)",
                       kolvexDb());
        QSignalSpy save(&model, &EditableSqlQueryModel::saveSelection);
        QVERIFY(model.setData(model.index(rowOf(model, 58), 2), "Kiel-Nord"));
        QCOMPARE(scalar(m_db, "SELECT Ort FROM Hersteller WHERE Id=58"), QString("Kiel-Nord"));
        QCOMPARE(save.count(), 0);
    }

    void newRecordRowInsertsAManufacturer()
    {
        HerstellerModel model;
        model.setQuery(listStatement(), kolvexDb());
        const int newRow = model.rowCount() - 1;
        QCOMPARE(model.headerData(newRow, Qt::Vertical).toString(), QString("*"));
        QVERIFY(!model.setData(model.index(newRow, 1), QVariant()));
        QVERIFY(!model.setData(model.index(newRow, 1), QString("")));
        QVERIFY(model.setData(model.index(newRow, 1), "Ofenbau O'Neill"));
        QCOMPARE(scalar(m_db, "SELECT VonWas || Tirma FROM Hersteller WHERE Name='Ofenbau O''Neill'"),
                 QString("11"));
        QVERIFY(names(model).contains("Ofenbau O'Neill"));
        // With the id it got, so that a replay gives a copy the same row.
        QCOMPARE(journal(), QStringList{"INSERT INTO Hersteller (NAME, VonWas, Tirma, Id) VALUES "
                                        "('Ofenbau O''Neill',1,1,551);"});
        QCOMPARE(scalar(m_db, "SELECT Id FROM Hersteller WHERE Name='Ofenbau O''Neill'"),
                 QString("551"));

        // Another column of the new-record row: a manufacturer with only that column.
        HerstellerModel withOrt;
        withOrt.setQuery("Select Id, Name, Ort from Hersteller where Tirma<>0 order by lower(Name)",
                         kolvexDb());
        QVERIFY(withOrt.setData(withOrt.index(withOrt.rowCount() - 1, 2), "Lübeck"));
        QCOMPARE(scalar(m_db, "SELECT coalesce(Name,'-') || Ort FROM Hersteller WHERE Ort='Lübeck'"),
                 QString("-Lübeck"));
    }

    void contextActionsDependOnBufferAndAppliances()
    {
        HerstellerModel model;
        model.setQuery(listStatement(), kolvexDb());
        QVERIFY(actions(model, rowOf(model, 58)).isEmpty());
        QVERIFY(!model.index(model.rowCount() - 1, 0)
                     .data(EditableSqlQueryModel::ContextActionsRole)
                     .isValid());
        QVERIFY(model.setData(model.index(model.rowCount() - 1, 1), "Leer"));
        const int empty = model.match(model.index(0, 1), Qt::DisplayRole, "Leer").value(0).row();
        QCOMPARE(actions(model, empty), QStringList{"Hersteller LÖSCHEN#datenLoeschen#3"});
        settings()->copiedAppliances = "25000";
        QCOMPARE(actions(model, empty),
                 (QStringList{"Kopierten Feuerstätten EINFÜGEN#datenEinfuegen#2",
                              "Hersteller LÖSCHEN#datenLoeschen#3"}));
        QCOMPARE(actions(model, rowOf(model, 58)),
                 QStringList{"Kopierten Feuerstätten EINFÜGEN#datenEinfuegen#2"});
    }

    void deleteRemovesAppliancesAndValueSets()
    {
        HerstellerModel model;
        model.setQuery(listStatement(), kolvexDb());
        QSignalSpy load(&model, &EditableSqlQueryModel::loadSelection);
        invoke(model, "datenLoeschen", {rowOf(model, 12)});
        QCOMPARE(load.count(), 1);
        QCOMPARE(rowOf(model, 12), -1);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Geraete WHERE HrstId=12"), QString("0"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE Geraet IN (400,401,402)"),
                 QString("0"));
        // The sets are read once and named by their keys.
        const QString sets = "109,110,111,112,113,114";
        QCOMPARE(journal(), (QStringList{"DELETE FROM Hersteller WHERE id IN (12);",
                                         QString("UPDATE Werte SET BEMERKUNGID=0,AUSATZRINGEID=0 "
                                                 "WHERE BEMERKUNGID IN (%1) AND WerteId NOT IN "
                                                 "(%1);").arg(sets),
                                         QString("DELETE FROM Werte WHERE WerteId IN (%1);").arg(sets),
                                         "DELETE FROM Geraete WHERE HrstId IN (12);"}));
    }

    void pasteCopiesAppliancesIntoEveryTarget()
    {
        HerstellerModel model;
        model.setQuery(listStatement(), kolvexDb());
        settings()->copiedAppliances = "25000#25001";
        QSignalSpy added(&model, &HerstellerModel::geraeteHinzuaddiert);
        invoke(model, "datenEinfuegen", {rowOf(model, 12), rowOf(model, 31)});
        QCOMPARE(added.count(), 1);
        QCOMPARE(settings()->copiedAppliances, QString("25000#25001"));

        // New ids from the range of the selected manufacturer 58.
        QCOMPARE(scalar(m_db, "SELECT group_concat(TirmaId || ':' || HrstId || ':' || Typ, ',') "
                              "FROM (SELECT * FROM Geraete WHERE HrstId IN (12,31) AND TirmaId "
                              ">= 25000 ORDER BY TirmaId)"),
                 QString("25003:12:Nordlicht 5,25005:12:Fjord 7W,25006:31:Nordlicht 5,"
                         "25007:31:Fjord 7W"));
        const QString today = QDate::currentDate().toString("dd.MM.yyyy");
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte WHERE Geraet IN (25003,25005,25006,25007)"
                              " AND ERFASSDAT='" + today + "' AND BEMERKUNGID=0 AND AUSATZRINGEID=0"),
                 QString("12"));
        QCOMPARE(scalar(m_db, "SELECT group_concat(Bemerkung, '|') FROM Werte WHERE Geraet=25005"),
                 QString("Nennleistung|Teillast 'eco'|Nachheizfläche klein"));
        const QStringList lines = journal();
        QCOMPARE(lines.size(), 4 * 2 + 12 * 3);
        QCOMPARE(lines.at(1), QString("UPDATE Geraete SET HrstId=12 WHERE TirmaId=25003;"));
    }

    void tableDropIsAcceptedAndIgnored()
    {
        HerstellerModel model;
        model.setQuery(listStatement(), kolvexDb());
        const QStringList before = names(model);
        QMimeData mime;
        mime.setData("dbtable/id", "Geraete/25000");
        QVERIFY(model.dropMimeData(&mime, Qt::CopyAction, -1, -1, model.index(0, 1)));
        QCOMPARE(names(model), before);
        QVERIFY(journal().isEmpty());
    }
};

QTEST_MAIN(TestHerstellerModel)
#include "tst_herstellermodel.moc"
