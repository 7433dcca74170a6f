#include "appsettings.h"
#include "baustoffemodel.h"
#include "dbconnections.h"
#include "dragtableview.h"
#include "editablesqlquerymodeldelegate.h"
#include "editablesqlquerymodelformdelegate.h"
#include "feuerraummodel.h"
#include "geraetemodel.h"
#include "gruppenmodel.h"
#include "herstellermodel.h"
#include "testsupport.h"
#include "valuesetdeletion.h"
#include "wertemodel.h"
#include "writeaction.h"

#include <QApplication>
#include <QCheckBox>
#include <QDataStream>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyleOptionViewItem>
#include <QtTest>

// No record points at a deleted one, a read-only cell stays read-only on
// every write path, and the journal gives a copy the same rows. On a fresh
// demo copy: appliance 25000 of manufacturer 58 holds 70000 "Nennleistung"
// (source of 70002 and member of "Nordlicht Serie"), 70001 and 70002
// (derived from 70000 with attachment 1).
class TestRecordReferences : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_file;
    QString m_pristine;
    QSqlDatabase m_db;
    WerteModel *m_werte = nullptr;

    AppSettings *s() { return AppSettings::instance(); }
    QString value(const QString &sql) { return TestSupport::scalar(m_db, sql); }
    QStringList journal() { return TestSupport::journalLines(m_file); }
    // Changes the file and the pristine copy alike: what a replay starts from.
    void execBoth(const QString &sql)
    {
        exec(sql);
        TestSupport::runSqlite3(m_pristine, sql + ";\n");
    }
    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }
    int rowOf(const QAbstractItemModel *model, int id) { return TestSupport::rowOfId(*model, id); }
    QModelIndex werteCell(int id, const QString &column)
    {
        return m_werte->index(rowOf(m_werte, id), m_werte->fieldIndex(column));
    }
    bool invoke(QObject *model, const char *slot, const QList<int> &rows)
    {
        return QMetaObject::invokeMethod(model, slot, Qt::DirectConnection, Q_ARG(QList<int>, rows));
    }
    void fillAufsatzCache()
    {
        s()->aufsatzCache.clear();
        QVERIFY(s()->aufsatzCache.readFrom(m_db));
        QVERIFY(s()->aufsatzCache.size() > 0);
    }
    // Every table but the groups, as the sqlite3 shell dumps it.
    QString dump(const QString &file)
    {
        QString out;
        for (const char *table : {"Hersteller", "Geraete", "Werte", "Gkostand", "Baustoffe"})
            out += TestSupport::runSqlite3(
                file, QString(".mode quote\nSELECT rowid,* FROM %1 ORDER BY rowid;\n").arg(table));
        return out;
    }
    // The journal replayed onto the pristine copy gives the file.
    void replayGivesTheFile()
    {
        const QString copy = m_dir->filePath("replay.glo");
        QFile::remove(copy);
        QVERIFY(QFile::copy(m_pristine, copy));
        TestSupport::runSqlite3(copy, QString(".bail on\n.read %1\n")
                                          .arg(QFileInfo(m_file).dir().filePath("journal.sql")));
        QCOMPARE(dump(copy), dump(m_file));
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        const QString pristineDir = m_dir->filePath("pristine");
        QDir().mkpath(pristineDir);
        m_pristine = TestSupport::copyDemoDatabase(pristineDir);
        m_file = TestSupport::copyDemoDatabase(m_dir->path());
        m_db = TestSupport::openKolvex(m_file);
        AppSettings *a = s();
        a->dbFile = m_file;
        a->manufacturerMode = false;
        a->currentManufacturerId = 58;
        a->currentFireChamberManufacturerId = 58;
        a->currentApplianceId = 25000;
        a->valueFilter.clear();
        a->applianceFilter.clear();
        a->allFilter.clear();
        a->showOldAppliances = true;
        a->valueFields = AppSettings::defaultValueFields();
        a->applianceFields = AppSettings::defaultApplianceFields();
        a->autoErfassdatum = false;
        a->currentValueId = -1;
        a->currentAttachmentId = -1;
        a->idRangeLow[58] = qMakePair(25000, 70000);
        fillAufsatzCache();
        m_werte = new WerteModel;
        m_werte->reloadWerte();
    }

    void cleanup()
    {
        delete m_werte;
        m_werte = nullptr;
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    // ------------------------------------------------------------ freed ids

    void aFreedIdCarriesNothingOver()
    {
        QVERIFY(invoke(m_werte, "datenLoeschen", {rowOf(m_werte, 70000)}));
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE werteid=70000"), QString("0"));
        QCOMPARE(value("SELECT BEMERKUNGID||'|'||AUSATZRINGEID FROM Werte WHERE WerteId=70002"),
                 QString("0|0"));
        // A new value set of another appliance gets 70000, plain and in no group.
        s()->currentApplianceId = 25001;
        m_werte->reloadWerte();
        QVERIFY(m_werte->setData(m_werte->index(m_werte->rowCount() - 1,
                                                m_werte->fieldIndex("BEMERKUNG")),
                                 "Neu"));
        QCOMPARE(value("SELECT WerteId FROM Werte WHERE Bemerkung='Neu'"), QString("70000"));
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE werteid=70000"), QString("0"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE BEMERKUNGID=70000"), QString("0"));
        replayGivesTheFile();
    }

    void theFreeIdSearchSkipsIdsStillNamed()
    {
        // Stale links a file already holds.
        exec("DELETE FROM Werte WHERE WerteId=70000");
        QCOMPARE(s()->findFreeId("Werte", "WerteId", m_db), 70003);
        exec("UPDATE Werte SET BEMERKUNGID=0 WHERE WerteId=70002");
        QCOMPARE(s()->findFreeId("Werte", "WerteId", m_db), 70003);
        exec("DELETE FROM gruppen WHERE werteid=70000");
        QCOMPARE(s()->findFreeId("Werte", "WerteId", m_db), 70000);
    }

    void applianceAndManufacturerDeletesTakeTheReferencesAlong()
    {
        // 70009 of appliance 25002 is derived from 70000 of appliance 25000.
        execBoth("UPDATE Werte SET BEMERKUNGID=70000 WHERE WerteId=70009");
        GeraeteModel appliances;
        appliances.selectAppliances();
        QVERIFY(invoke(&appliances, "datenLoeschen", {rowOf(&appliances, 25000)}));
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE werteid IN (70000,70001,70002)"),
                 QString("0"));
        QCOMPARE(value("SELECT BEMERKUNGID||'|'||AUSATZRINGEID FROM Werte WHERE WerteId=70009"),
                 QString("0|0"));
        // Manufacturer 550 with its group "Keramik 'Zug'".
        execBoth("UPDATE Werte SET BEMERKUNGID=60000, AUSATZRINGEID=1 WHERE WerteId=70004");
        HerstellerModel manufacturers;
        manufacturers.selectManufacturers(QString());
        QVERIFY(invoke(&manufacturers, "datenLoeschen", {rowOf(&manufacturers, 550)}));
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE BEZEICHNUNG='Keramik ''Zug'''"),
                 QString("0"));
        QCOMPARE(value("SELECT BEMERKUNGID||'|'||AUSATZRINGEID FROM Werte WHERE WerteId=70004"),
                 QString("0|0"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet IN (SELECT TirmaId FROM Geraete "
                       "WHERE HrstId=550)"),
                 QString("0"));
        replayGivesTheFile();
    }

    void deletionTakesAnIdListOrASubSelect()
    {
        {
            WriteAction action;
            QVERIFY(ValueSetDeletion::deleteSelected(
                action, "SELECT WerteId FROM Werte WHERE Geraet=25000 AND WerteId<70002"));
            QVERIFY(action.finish());
        }
        QCOMPARE(value("SELECT group_concat(WerteId) FROM Werte WHERE Geraet=25000"),
                 QString("70002"));
        QCOMPARE(value("SELECT BEMERKUNGID FROM Werte WHERE WerteId=70002"), QString("0"));
        {
            WriteAction action;
            QVERIFY(ValueSetDeletion::deleteIds(action, {70002, 70004}));
            QVERIFY(action.finish());
        }
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE werteid IN (70002,70004)"), QString("0"));
        replayGivesTheFile();
    }

    // ------------------------------------------------------------ groups

    void groupRowsOfDeletedSetsDoNotComeBack()
    {
        exec("DELETE FROM Werte WHERE WerteId=70001");   // a stale row in two groups
        GruppenModel groups;
        groups.loadGroupsOfManufacturer(58);
        int pruefung = -1;
        for (int row = 0; row < groups.rowCount(); ++row)
            if (groups.index(row, 0).data().toString() == QString("Prüfung 2025"))
                pruefung = row;
        QVERIFY(pruefung >= 0);
        groups.removeGruppe(pruefung);
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE BEZEICHNUNG='Prüfung 2025'"), QString("0"));
        // Re-storing and renaming drop the stale row too.
        const QModelIndex nord = groups.index(0, 0);
        QCOMPARE(nord.data().toString(), QString("Nordlicht Serie"));
        groups.addToGruppe(nord, "70001#70005");
        QCOMPARE(value("SELECT group_concat(werteid) FROM (SELECT werteid FROM gruppen WHERE "
                       "BEZEICHNUNG='Nordlicht Serie' ORDER BY werteid)"),
                 QString("70000,70002,70004,70005"));
        exec("INSERT INTO gruppen VALUES ('Nordlicht Serie', 70001)");
        QVERIFY(groups.setData(nord, "Nord"));
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE werteid=70001"), QString("0"));
        QCOMPARE(value("SELECT count(*) FROM gruppen WHERE BEZEICHNUNG='Nord'"), QString("4"));
    }

    // ------------------------------------------------------------ read-only cells

    void derivedCellsStayReadOnlyOnEveryWritePath()
    {
        const QModelIndex tw = werteCell(70002, "TW");
        QVERIFY(!(tw.flags() & Qt::ItemIsEditable));
        // form, calculator and pick list end in setData
        QVERIFY(!m_werte->setData(tw, 999.0));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70002"), QString("235.2"));
        QVERIFY(!m_werte->setData(werteCell(70002, "BEMERKUNG"), "x"));
        QVERIFY(!m_werte->setData(werteCell(70000, "BEMERKUNGID"), 0));
        // a drop
        QMimeData data;
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << QStringList{"1", "2"};
        }
        data.setData("text/plain", bytes);
        m_werte->dropMimeData(&data, Qt::CopyAction, -1, -1, werteCell(70002, "TW"));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70002"), QString("235.2"));
        // Delete on the whole derived row, as selected by its header
        DragTableView view;
        view.setModel(m_werte);
        view.selectRow(rowOf(m_werte, 70002));
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(value("SELECT TW||'|'||PW||'|'||QN||'|'||Bemerkung||'|'||BildId||'|'||BEMERKUNGID"
                       "||'|'||AUSATZRINGEID||'|'||Geraet FROM Werte WHERE WerteId=70002"),
                 QString("235.2|12.5|5.0|Speicheraufsatz 'Nord'|1|70000|1|25000"));
        QCOMPARE(value("SELECT coalesce(CO2,'') FROM Werte WHERE WerteId=70002"), QString());
        // One statement per cleared cell, none for a cell that was empty.
        const QStringList lines = journal();
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.filter("ERFASSDAT").size(), 0);
        QCOMPARE(lines.filter(" QHE=").size(), 0);   // QHE was NULL
        QCOMPARE(QSet<QString>(lines.begin(), lines.end()).size(), lines.size());
    }

    void deleteOnAnEmptyCellWritesNothing()
    {
        s()->autoErfassdatum = true;
        DragTableView view;
        view.setModel(m_werte);
        view.setCurrentIndex(werteCell(70000, "QHE"));
        QTest::keyClick(&view, Qt::Key_Delete);
        QVERIFY(journal().isEmpty());
        QCOMPARE(value("SELECT typeof(QHE) FROM Werte WHERE WerteId=70000"), QString("null"));
    }

    void deleteOnSeveralCellsIsAllOrNothing()
    {
        exec("CREATE TRIGGER sperre BEFORE UPDATE OF BRST ON Werte BEGIN SELECT RAISE(ABORT, "
             "'gesperrt'); END");
        DragTableView view;
        view.setModel(m_werte);
        QItemSelection cells;
        for (const QModelIndex &cell : {werteCell(70000, "TW"), werteCell(70001, "BRST")})
            cells.select(cell, cell);
        view.selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(&view, Qt::Key_Delete);
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70000"), QString("230.2"));
        QVERIFY(journal().isEmpty());
    }

    // ------------------------------------------------------------ drops

    void aDropFromAnotherTablesListIsRefused()
    {
        GeraeteModel appliances;
        appliances.selectAppliances();
        QMimeData *data = m_werte->mimeData({werteCell(70000, "BEMERKUNG")});
        const QModelIndex target = appliances.index(rowOf(&appliances, 25001),
                                                    appliances.fieldIndex("TYP1"));
        const QString before = value("SELECT coalesce(TYP1,'') FROM Geraete WHERE TirmaId=25001");
        QVERIFY(!appliances.canDropMimeData(data, Qt::CopyAction, -1, -1, target));
        QVERIFY(!appliances.dropMimeData(data, Qt::CopyAction, -1, -1, target));
        QCOMPARE(value("SELECT coalesce(TYP1,'') FROM Geraete WHERE TirmaId=25001"), before);
        // The same table's list takes it.
        WerteModel other;
        other.reloadWerte();
        QVERIFY(other.canDropMimeData(data, Qt::CopyAction, -1, -1,
                                      other.index(rowOf(&other, 70001), other.fieldIndex("BEMERKUNG"))));
        delete data;
        QVERIFY(journal().isEmpty());
    }

    // ------------------------------------------------------------ flags

    void formCheckBoxesStoreZeroOrOne()
    {
        EditableSqlQueryModelFormDelegate delegate(m_werte);
        const QModelIndex flag = werteCell(70000, "DBOFFEN");
        QVERIFY(m_werte->isBoolColumn(flag));
        QWidget parent;
        QWidget *editor = delegate.createEditor(&parent, QStyleOptionViewItem(), flag);
        auto *box = qobject_cast<QCheckBox *>(editor);
        QVERIFY(box);
        delegate.setEditorData(box, flag);
        box->setChecked(true);
        delegate.setModelData(box, m_werte, flag);
        QCOMPARE(value("SELECT DBOFFEN FROM Werte WHERE WerteId=70000"), QString("1"));
        m_werte->refresh();
        box->setChecked(false);
        delegate.setModelData(box, m_werte, werteCell(70000, "DBOFFEN"));
        QCOMPARE(value("SELECT DBOFFEN FROM Werte WHERE WerteId=70000"), QString("0"));
    }

    void formEditorsOfDerivedValuesAreReadOnly()
    {
        EditableSqlQueryModelFormDelegate delegate(m_werte);
        QWidget parent;
        const QModelIndex derived = werteCell(70002, "TW");
        QWidget *editor = delegate.createEditor(&parent, QStyleOptionViewItem(), derived);
        QVERIFY(editor->property("readOnly").isValid());
        delegate.setEditorData(editor, derived);
        QCOMPARE(editor->property("readOnly").toBool(), true);
        delegate.setEditorData(editor, werteCell(70000, "TW"));
        QCOMPARE(editor->property("readOnly").toBool(), false);
        QWidget *text = delegate.createEditor(&parent, QStyleOptionViewItem(),
                                              werteCell(70002, "BEMERKUNG"));
        delegate.setEditorData(text, werteCell(70002, "BEMERKUNG"));
        QCOMPARE(text->property("readOnly").toBool(), true);
    }

    void textFlagsReadAsFlags()
    {
        exec("UPDATE Werte SET DBOFFEN='true' WHERE WerteId=70000");
        m_werte->refresh();
        QCOMPARE(werteCell(70000, "DBOFFEN").data().toString(), QString(QChar(0x00D7)));
        m_werte->indexClicked(werteCell(70000, "DBOFFEN"), nullptr);
        QCOMPARE(value("SELECT DBOFFEN FROM Werte WHERE WerteId=70000"), QString("0"));
    }

    void aDoubleClickTogglesOnce()
    {
        DragTableView view;
        view.setModel(m_werte);
        view.setEditTriggers(QAbstractItemView::AllEditTriggers);
        view.resize(1200, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QModelIndex flag = werteCell(70000, "DBOFFEN");
        QVERIFY(flag.isValid());
        view.scrollTo(flag);
        const QPoint pos = view.visualRect(flag).center();
        QSignalSpy clicks(&view, &QAbstractItemView::clicked);
        QSignalSpy doubleClicks(&view, &QAbstractItemView::doubleClicked);
        // A double click as the window system delivers it: press, release,
        // press-as-double-click, release.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pos);
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, pos);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(doubleClicks.count(), 1);
        // One write of the set (and its pass-on to the derived set 70002).
        QCOMPARE(journal().filter("WHERE werteid=70000").size(), 1);
        QCOMPARE(value("SELECT DBOFFEN FROM Werte WHERE WerteId=70000"), QString("1"));
    }

    // ------------------------------------------------------------ values

    void aTypedZeroIsAValue()
    {
        QVERIFY(m_werte->setData(werteCell(70000, "QHE"), 0.0));
        QCOMPARE(value("SELECT QHE FROM Werte WHERE WerteId=70000"), QString("0"));
        const int rows = m_werte->rowCount();
        QVERIFY(m_werte->setData(m_werte->index(rows - 1, m_werte->fieldIndex("TW")), 0.0));
        QCOMPARE(m_werte->rowCount(), rows + 1);
        QCOMPARE(EditableSqlQueryModel::isSameValue(0, QVariant()), false);
        QCOMPARE(EditableSqlQueryModel::isSameValue(QVariant(), QString("")), true);
        QCOMPARE(EditableSqlQueryModel::isSameValue(230.2, QString("230.2")), true);
    }

    void aZeroTypedIntoTheNewRecordRowCreatesARecord()
    {
        EditableSqlQueryModelDelegate delegate(m_werte);
        QWidget parent;
        parent.show();
        const int rows = m_werte->rowCount();
        const QModelIndex cell = m_werte->index(rows - 1, m_werte->fieldIndex("TW"));
        QWidget *editor = delegate.createEditor(&parent, QStyleOptionViewItem(), cell);
        delegate.setEditorData(editor, cell);
        editor->show();
        QLineEdit *line = editor->findChild<QLineEdit *>();
        QVERIFY(line);
        line->setFocus();
        QTest::keyClicks(line, "0");
        delegate.setModelData(editor, m_werte, cell);
        QCOMPARE(m_werte->rowCount(), rows + 1);
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000 AND TW=0"), QString("1"));
        // and into a NULL number cell of a stored set
        const QModelIndex qhe = werteCell(70000, "QHE");
        QWidget *second = delegate.createEditor(&parent, QStyleOptionViewItem(), qhe);
        delegate.setEditorData(second, qhe);
        second->show();
        QLineEdit *secondLine = second->findChild<QLineEdit *>();
        QVERIFY(secondLine);
        secondLine->setFocus();
        QTest::keyClicks(secondLine, "0");
        delegate.setModelData(second, m_werte, qhe);
        QCOMPARE(value("SELECT typeof(QHE)||QHE FROM Werte WHERE WerteId=70000"), QString("real0.0"));
    }

    void setsWithoutBemerkungCountAsTheirAppliances()
    {
        exec("INSERT INTO Werte (WerteId, Geraet) VALUES (70003, 25000)");
        GeraeteModel appliances;
        appliances.selectAppliances();
        const int row = rowOf(&appliances, 25000);
        QVERIFY(appliances.valueSetIdsOfRow(row).split('#').contains("70003"));
        appliances.setCurrentGroup("70003");
        QVERIFY(appliances.isInCurrentGroup(appliances.index(row, 1)));
    }

    void applianceRowsFollowTheirValueSets()
    {
        GeraeteModel appliances;
        appliances.selectAppliances();
        const int row = rowOf(&appliances, 25000);
        QVERIFY(appliances.valueSetIdsOfRow(row).split('#').contains("70001"));
        QObject::connect(m_werte, &WerteModel::valueSetsChanged, &appliances,
                         &GeraeteModel::rereadValueSetIds);
        QVERIFY(invoke(m_werte, "datenLoeschen", {rowOf(m_werte, 70001)}));
        QVERIFY(!appliances.valueSetIdsOfRow(row).split('#').contains("70001"));
        // a drag reads the ids from the file
        exec("DELETE FROM Werte WHERE WerteId=70002");
        QMimeData *data = appliances.mimeData({appliances.index(row, 1)});
        QCOMPARE(QString::fromLatin1(data->data("text/csv")), QString("70000"));
        delete data;
    }

    // ------------------------------------------------------------ journal

    void newRecordsAreJournaledWithTheirIds()
    {
        HerstellerModel manufacturers;
        manufacturers.selectManufacturers(QString());
        QVERIFY(manufacturers.setData(manufacturers.index(manufacturers.rowCount() - 1, 1),
                                      "Neuer Ofenbau"));
        FeuerraumModel chambers;
        chambers.selectFireChambers(58, QString());
        QVERIFY(chambers.setData(chambers.index(chambers.rowCount() - 1, chambers.fieldIndex("Typ")),
                                 "Brennraum neu"));
        BaustoffeModel materials;
        materials.setQuery("SELECT * FROM Baustoffe", m_db);
        QVERIFY(materials.setData(
            materials.index(materials.rowCount() - 1, materials.fieldIndex("Bezeichnung")), "Lehm"));
        const QStringList lines = journal();
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).endsWith(
            QString(",%1);").arg(value("SELECT Id FROM Hersteller WHERE Name='Neuer Ofenbau'"))));
        QVERIFY(lines.at(1).endsWith(
            QString(",%1);").arg(value("SELECT Id FROM Gkostand WHERE Typ='Brennraum neu'"))));
        QVERIFY(lines.at(2).endsWith(
            QString(",%1);").arg(value("SELECT Id FROM Baustoffe WHERE Bezeichnung='Lehm'"))));
        replayGivesTheFile();
    }
};

QTEST_MAIN(TestRecordReferences)
#include "tst_recordreferences.moc"
