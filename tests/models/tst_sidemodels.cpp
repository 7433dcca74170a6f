#include "appsettings.h"
#include "baustoffemodel.h"
#include "dbconnections.h"
#include "feuerraummodel.h"
#include "testsupport.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSqlQuery>
#include <QtTest>

using TestSupport::scalar;

// The fire-chamber and building-material lists on a fresh demo copy.
class TestSideModels : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QSqlDatabase m_db;

    static AppSettings *settings() { return AppSettings::instance(); }

    static int rowOf(const EditableSqlQueryModel &model, int id)
    {
        for (int row = 0; row < model.recordCount(); ++row) {
            if (model.index(row, 0).data().toInt() == id)
                return row;
        }
        return -1;
    }

    static void invoke(QObject &model, const char *slot, const QList<int> &rows)
    {
        QVERIFY(QMetaObject::invokeMethod(&model, slot, Q_ARG(QList<int>, rows)));
    }

    QStringList journal() const { return TestSupport::journalLines(m_file); }

    void showFireChambers(FeuerraumModel &model, int manufacturer)
    {
        settings()->currentFireChamberManufacturerId = manufacturer;
        model.setQuery(QString("Select * from Gkostand where HrstId=%1 order by Typ").arg(manufacturer),
                       kolvexDb());
    }

    static void showMaterials(BaustoffeModel &model)
    {
        model.setQuery("Select * from Baustoffe order by Bezeichnung", kolvexDb());
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_db = TestSupport::openKolvex(m_file);
        settings()->manufacturerMode = false;
        settings()->currentManufacturerId = 58;
        settings()->currentFireChamberManufacturerId = -1;
        settings()->allFilter.clear();
        settings()->copiedFireChambers.clear();
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void fireChambersNewRecordRowNeedsAManufacturer()
    {
        FeuerraumModel model;
        showFireChambers(model, -1);
        QCOMPARE(model.rowCount(), 0);
        showFireChambers(model, 58);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.headerData(2, Qt::Vertical).toString(), QString("*"));

        QVERIFY(!model.setData(model.index(2, model.fieldIndex("Typ")), QVariant()));
        QVERIFY(model.setData(model.index(2, model.fieldIndex("Typ")), "Brennraum 'XL'"));
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(scalar(m_db, "SELECT HrstId FROM Gkostand WHERE Typ='Brennraum ''XL'''"),
                 QString("58"));
        QCOMPARE(journal(), QStringList{"INSERT INTO Gkostand (TYP, Hrstid, Id) VALUES "
                                        "('Brennraum ''XL''',58,6);"});

        // The main page stays on 58, the fire-chamber page shows 550: the
        // new fire chamber belongs to the manufacturer of its page.
        QCOMPARE(settings()->currentManufacturerId, 58);
        showFireChambers(model, 550);
        QCOMPARE(model.rowCount(), 3);
        QVERIFY(model.setData(model.index(2, model.fieldIndex("Typ")), "Brennraum neu"));
        QCOMPARE(scalar(m_db, "SELECT group_concat(HrstId) FROM Gkostand "
                              "WHERE Typ='Brennraum neu'"),
                 QString("550"));
        QCOMPARE(journal(), (QStringList{"INSERT INTO Gkostand (TYP, Hrstid, Id) VALUES "
                                         "('Brennraum ''XL''',58,6);",
                                         "INSERT INTO Gkostand (TYP, Hrstid, Id) VALUES "
                                         "('Brennraum neu',550,7);"}));
    }

    void fireChamberEditsDuplicatesAndDeletes()
    {
        FeuerraumModel model;
        showFireChambers(model, 58);
        const int row = rowOf(model, 2);
        QVERIFY(model.setData(model.index(row, model.fieldIndex("Bemerkung")), "Kachel's"));
        QCOMPARE(scalar(m_db, "SELECT Bemerkung FROM Gkostand WHERE Id=2"), QString("Kachel's"));
        QVERIFY(!model.setData(model.index(row, model.fieldIndex("Bemerkung")), "Kachel's"));

        invoke(model, "datenKopieren", {rowOf(model, 1), row});
        QCOMPARE(settings()->copiedFireChambers, QString("1#2"));

        // The lowest free id of the table: no manufacturer range applies.
        invoke(model, "datenDuplizieren", {rowOf(model, 1)});
        QCOMPARE(scalar(m_db, "SELECT HrstId || Typ || Bemerkung FROM Gkostand WHERE Id=6"),
                 QString("58Brennraum 40Schamotte"));
        QCOMPARE(rowOf(model, 6) >= 0, true);

        invoke(model, "datenLoeschen", {rowOf(model, 6), rowOf(model, 1)});
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Gkostand WHERE Id IN (1,6)"), QString("0"));
        QCOMPARE(model.recordCount(), 1);
        const QStringList lines = journal();
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), QString("UPDATE Gkostand SET BEMERKUNG='Kachel''s' WHERE id=2;"));
        QVERIFY(lines.at(1).startsWith("insert into Gkostand (ID,HRSTID,KATEGORIE,TYP,"));
        QCOMPARE(lines.mid(2), (QStringList{"DELETE FROM Gkostand WHERE Id=6;",
                                            "DELETE FROM Gkostand WHERE Id=1;"}));
    }

    void fireChamberContextActions()
    {
        FeuerraumModel model;
        showFireChambers(model, 58);
        QCOMPARE(model.index(0, 0).data(EditableSqlQueryModel::ContextActionsRole).toStringList(),
                 (QStringList{"Feuerraum DUPLIZIEREN#datenDuplizieren#4",
                              "Feuerraum KOPIEREN#datenKopieren#1",
                              "Feuerraum LÖSCHEN#datenLoeschen#3"}));
        QVERIFY(!model.index(2, 0).data(EditableSqlQueryModel::ContextActionsRole).isValid());
    }

    void lambdaFormulaHidesAndLocksLambda()
    {
        BaustoffeModel model;
        showMaterials(model);
        const int lambda = model.fieldIndex("Lambda");
        const int formula = model.fieldIndex("LambdaBer");
        const QModelIndex vermiculite = model.index(rowOf(model, 2), lambda);
        const QModelIndex schamotte = model.index(rowOf(model, 1), lambda);

        QCOMPARE(vermiculite.data().toString(), QString());
        QCOMPARE(vermiculite.data(Qt::BackgroundRole).value<QColor>(),
                 QGuiApplication::palette().color(QPalette::Disabled, QPalette::Base));
        QVERIFY(!(model.flags(vermiculite) & Qt::ItemIsEditable));
        QCOMPARE(schamotte.data().toString(), QString("0.9"));
        QVERIFY(model.flags(schamotte) & Qt::ItemIsEditable);
        QVERIFY(!schamotte.data(Qt::BackgroundRole).isValid());

        // Blank formula text counts as none; clearing it frees Lambda at once.
        QVERIFY(model.setData(model.index(vermiculite.row(), formula), "  "));
        QVERIFY(model.flags(vermiculite) & Qt::ItemIsEditable);
        QCOMPARE(scalar(m_db, "SELECT LambdaBer FROM Baustoffe WHERE Id=2"), QString("  "));
    }

    void materialsInsertEditDuplicateDelete()
    {
        BaustoffeModel model;
        showMaterials(model);
        const int name = model.fieldIndex("Bezeichnung");
        const int newRow = model.rowCount() - 1;
        QVERIFY(model.setData(model.index(newRow, name), "Lehm 'fein'"));
        QCOMPARE(scalar(m_db, "SELECT Id FROM Baustoffe WHERE Bezeichnung='Lehm ''fein'''"),
                 QString("7"));
        QCOMPARE(model.recordCount(), 7);

        QVERIFY(model.setData(model.index(rowOf(model, 6), name), "Ofenkachel 'matt'"));
        QCOMPARE(scalar(m_db, "SELECT Bezeichnung FROM Baustoffe WHERE Id=6"),
                 QString("Ofenkachel 'matt'"));

        invoke(model, "datenDuplizieren", {rowOf(model, 2)});
        QCOMPARE(scalar(m_db, "SELECT Bezeichnung || LambdaBer FROM Baustoffe WHERE Id=8"),
                 QString("Vermiculite0.12+0.0002*T"));
        QCOMPARE(model.recordCount(), 8);

        const QStringList entries =
            model.index(0, 0).data(EditableSqlQueryModel::ContextActionsRole).toStringList();
        QCOMPARE(entries, (QStringList{"Baustoff DUPLIZIEREN#datenDuplizieren#4",
                                       "Baustoff LÖSCHEN#datenLoeschen#3"}));
        invoke(model, entries.at(1).section('#', 1, 1).toLatin1().constData(),
               {rowOf(model, 8), rowOf(model, 7)});
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM Baustoffe"), QString("6"));
        const QStringList lines = journal();
        QCOMPARE(lines.first(),
                 QString("INSERT INTO Baustoffe (BEZEICHNUNG, Id) VALUES ('Lehm ''fein''',7);"));
        QCOMPARE(lines.at(1),
                 QString("UPDATE Baustoffe SET BEZEICHNUNG='Ofenkachel ''matt''' WHERE id=6;"));
        QCOMPARE(lines.mid(3), (QStringList{"DELETE FROM Baustoffe WHERE Id=8;",
                                            "DELETE FROM Baustoffe WHERE Id=7;"}));
    }
};

QTEST_MAIN(TestSideModels)
#include "tst_sidemodels.moc"
