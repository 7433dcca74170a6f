#include "appsettings.h"
#include "dbconnections.h"
#include "gruppenmodel.h"
#include "testsupport.h"

#include <QMimeData>
#include <QSqlQuery>
#include <QtTest>

using TestSupport::scalar;

// The value-set groups and table gruppen on a fresh demo copy.
class TestGruppenModel : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QSqlDatabase m_db;

    // Members of a group as stored, in row order.
    QString storedMembers(const QString &name) const
    {
        QSqlQuery q(m_db);
        q.prepare("SELECT werteid FROM gruppen WHERE BEZEICHNUNG=? ORDER BY rowid");
        q.addBindValue(name);
        q.exec();
        QStringList ids;
        while (q.next())
            ids << q.value(0).toString();
        return ids.join('#');
    }

    static QStringList names(const GruppenModel &model)
    {
        QStringList list;
        for (int row = 0; row < model.rowCount(); ++row)
            list << model.index(row, 0).data().toString();
        return list;
    }

    static QString members(const GruppenModel &model, int row)
    {
        return model.index(row, 0).data(Qt::UserRole).toString();
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_db = TestSupport::openKolvex(m_file);
        AppSettings::instance()->manufacturerMode = false;
        // The groups shown are those of manufacturer 58.
        AppSettings::instance()->currentManufacturerId = 58;
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void newGroupsAreNamedAfterTheHighestNeu()
    {
        GruppenModel model;
        model.addGruppe("Ofen", "1", false);
        QCOMPARE(model.nextNewName(), QString("neu"));
        model.addGruppe("", "", false);
        QCOMPARE(names(model).last(), QString("neu"));
        QCOMPARE(model.nextNewName(), QString("neu1"));
        model.addGruppe("neu3", "", false);
        model.addGruppe("Neu9", "", false);    // letter case counts
        model.addGruppe("neuX", "", false);    // not a number: 0
        QCOMPARE(model.addGruppe("", "", false).data().toString(), QString("neu4"));
    }

    void storingWritesOneRowPerMember()
    {
        // Only value sets that exist become members.
        QVERIFY(QSqlQuery(m_db).exec(
            "INSERT INTO Werte (WerteId, Geraet) VALUES (5, 701), (6, 701), (7, 701), (8, 701)"));
        GruppenModel model;
        model.addGruppe("Geladen", "70000#70001", false);
        QCOMPARE(storedMembers("Geladen"), QString());
        const QModelIndex group = model.addGruppe("", "#5##6#", true);
        QCOMPARE(group.data().toString(), QString("neu"));
        QCOMPARE(group.data(Qt::UserRole).toString(), QString("5#6"));
        QCOMPARE(storedMembers("neu"), QString("5#6"));
        // Dropped text that is not a list of ids never reaches a statement.
        model.addGruppe("Fremd", "7#1); DELETE FROM Werte; --#8", true);
        QCOMPARE(storedMembers("Fremd"), QString("7#8"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Werte"), QString("54"));
    }

    void addingMergesAndRewritesTheRows()
    {
        AppSettings::instance()->currentManufacturerId = 550;
        GruppenModel model;
        const QModelIndex group = model.addGruppe("Keramik 'Zug'", "60000#60001#60002", false);
        model.addToGruppe(group, "60001#60005#60000#60006");
        QCOMPARE(members(model, 0), QString("60000#60001#60002#60005#60006"));
        QCOMPARE(storedMembers("Keramik 'Zug'"), QString("60000#60001#60002#60005#60006"));

        // Ids already in the group change nothing but the stored rows are rewritten.
        QSqlQuery(m_db).exec("DELETE FROM gruppen WHERE werteid=60005");
        model.addToGruppe(group, "60005#60000");
        QCOMPARE(members(model, 0), QString("60000#60001#60002#60005#60006"));
        QCOMPARE(storedMembers("Keramik 'Zug'"), QString("60000#60001#60002#60005#60006"));
    }

    void emptiedGroupKeepsItsItem()
    {
        GruppenModel model;
        model.addGruppe("Nordlicht Serie", "70000#70001#70002#70004", false);
        model.setGruppenMembers(model.index(0, 0), "70001##70004");
        QCOMPARE(members(model, 0), QString("70001#70004"));
        QCOMPARE(storedMembers("Nordlicht Serie"), QString("70001#70004"));
        model.setGruppenMembers(model.index(0, 0), "");
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(members(model, 0), QString());
        QCOMPARE(storedMembers("Nordlicht Serie"), QString());
        QCOMPARE(storedMembers("Prüfung 2025"), QString("70001#70002"));
    }

    void renamingTrimsAndRefuses()
    {
        GruppenModel model;
        model.addGruppe("Nordlicht Serie", "70000#70001#70002#70004", false);
        model.addGruppe("Prüfung 2025", "70001#70002", false);
        const QModelIndex first = model.index(0, 0);
        QVERIFY(!model.setData(first, "Nordlicht Serie"));
        QVERIFY(!model.setData(first, " Prüfung 2025 "));
        QVERIFY(!model.setData(first, "   "));
        QCOMPARE(names(model), (QStringList{"Nordlicht Serie", "Prüfung 2025"}));

        QVERIFY(model.setData(first, "  Kamin's Serie  "));
        QCOMPARE(first.data().toString(), QString("Kamin's Serie"));
        QCOMPARE(first.data(Qt::EditRole).toString(), QString("Kamin's Serie"));
        QCOMPARE(storedMembers("Kamin's Serie"), QString("70000#70001#70002#70004"));
        QCOMPARE(storedMembers("Nordlicht Serie"), QString());

        // The apostrophe survives every later statement on the group.
        model.addToGruppe(first, "70005");
        QCOMPARE(storedMembers("Kamin's Serie"), QString("70000#70001#70002#70004#70005"));
        QVERIFY(model.setData(first, "Kamin's 'Neu'"));
        QCOMPARE(storedMembers("Kamin's 'Neu'"), QString("70000#70001#70002#70004#70005"));
        model.removeGruppe(0);
        QCOMPARE(storedMembers("Kamin's 'Neu'"), QString());
        QCOMPARE(names(model), QStringList{"Prüfung 2025"});
    }

    void removingAnInvalidRowDoesNothing()
    {
        GruppenModel model;
        model.addGruppe("Prüfung 2025", "70001#70002", false);
        model.removeGruppe(-1);
        model.removeGruppe(5);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(storedMembers("Prüfung 2025"), QString("70001#70002"));
    }

    void dragCarriesTheUnionOfMembers()
    {
        GruppenModel model;
        model.addGruppe("A", "5#6", false);
        model.addGruppe("B", "6#7#5", false);
        QCOMPARE(model.mimeTypes(), QStringList{"text/csv"});
        std::unique_ptr<QMimeData> mime(model.mimeData({model.index(0, 0), model.index(1, 0)}));
        QCOMPARE(mime->data("text/csv"), QByteArray("5#6#7"));
    }

    void groupsOfTheSameNameBelongToTheirManufacturer()
    {
        // Manufacturer 550 has its own group "neu".
        QSqlQuery(m_db).exec("INSERT INTO gruppen VALUES ('neu', 60000)");
        QSqlQuery(m_db).exec("INSERT INTO gruppen VALUES ('neu', 60003)");
        GruppenModel model;
        const QModelIndex group = model.addGruppe("", "70001", true);
        QCOMPARE(group.data().toString(), QString("neu"));
        model.addToGruppe(group, "70004");
        QCOMPARE(storedMembers("neu"), QString("60000#60003#70001#70004"));
        model.setGruppenMembers(group, "70004");
        QCOMPARE(storedMembers("neu"), QString("60000#60003#70004"));
        QVERIFY(model.setData(group, "Nord"));
        QCOMPARE(storedMembers("neu"), QString("60000#60003"));
        QCOMPARE(storedMembers("Nord"), QString("70004"));
        model.removeGruppe(0);
        QCOMPARE(storedMembers("Nord"), QString());
        QCOMPARE(storedMembers("neu"), QString("60000#60003"));
        QCOMPARE(GruppenModel::deleteStatement("neu"),
                 QString("DELETE  FROM gruppen WHERE BEZEICHNUNG='neu' AND (NOT EXISTS (SELECT 1 "
                         "FROM Werte WHERE Werte.WerteId=gruppen.werteid) OR werteid IN (SELECT "
                         "Werte.WerteId FROM Werte INNER JOIN Geraete ON Werte.Geraet="
                         "Geraete.TirmaId WHERE Geraete.HrstId=58))"));
    }

    void groupChangesAreNotJournaled()
    {
        GruppenModel model;
        const QModelIndex group = model.addGruppe("", "1#2", true);
        model.addToGruppe(group, "3");
        model.setData(group, "Anders");
        model.removeGruppe(0);
        QVERIFY(TestSupport::journalLines(m_file).isEmpty());
    }
};

QTEST_MAIN(TestGruppenModel)
#include "tst_gruppenmodel.moc"
