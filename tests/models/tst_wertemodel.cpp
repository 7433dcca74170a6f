#include "appsettings.h"
#include "bilderpopupwidget.h"
#include "changereport.h"
#include "dbconnections.h"
#include "dragtableview.h"
#include "testsupport.h"
#include "wertemodel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QDate>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const int kContextRole = Qt::UserRole + 5;

// Closes every message box that comes up while it lives and keeps its texts.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                titles << box->windowTitle();
                texts << box->text();
                // A question is answered as asked for; a message confirmed.
                if (QAbstractButton *answer = box->button(answerYes ? QMessageBox::Yes
                                                                    : QMessageBox::No))
                    answer->click();
                else
                    box->accept();
            }
        });
        m_timer.start(10);
    }
    QStringList titles;
    QStringList texts;
    bool answerYes = true;

private:
    QTimer m_timer;
};

QString today()
{
    return QDate::currentDate().toString("dd.MM.yyyy");
}

} // namespace

// The value-set model on a fresh copy of the demo database: appliance 25000
// of manufacturer 58 holds 70000 "Nennleistung", 70002 "Speicheraufsatz
// 'Nord'" (derived from 70000 with attachment 1) and 70001 "Teillast".
class TestWerteModel : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_dbFile;
    WerteModel *m_model = nullptr;

    AppSettings *s() { return AppSettings::instance(); }
    QSqlDatabase db() { return kolvexDb(); }
    QString value(const QString &sql) { return TestSupport::scalar(db(), sql); }
    QStringList journal() { return TestSupport::journalLines(m_dbFile); }
    void exec(const QString &sql)
    {
        QSqlQuery q(db());
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }

    void fillAufsatzCache()
    {
        s()->aufsatzCache.clear();
        QVERIFY(s()->aufsatzCache.readFrom(db()));
        QVERIFY(s()->aufsatzCache.size() > 0);
    }

    void show(int appliance, const QString &fields = AppSettings::defaultValueFields())
    {
        s()->currentApplianceId = appliance;
        s()->valueFields = fields;
        m_model->reloadWerte();
    }

    int rowOf(int id)
    {
        for (int row = 0; row < m_model->rowCount(); ++row)
            if (m_model->index(row, 0).data().toInt() == id)
                return row;
        return -1;
    }

    QModelIndex cell(int id, const QString &column)
    {
        return m_model->index(rowOf(id), m_model->fieldIndex(column));
    }

    // Calls a context-action slot by name, as the table view does.
    bool invoke(const char *slot, const QList<int> &rows)
    {
        return QMetaObject::invokeMethod(m_model, slot, Qt::AutoConnection, Q_ARG(QList<int>, rows));
    }

    QStringList actions(int id) { return cell(id, "WERTEID").data(kContextRole).toStringList(); }

    // 70001 becomes a second set derived from 70000, with attachment 2
    // (DeltaTemp 0, no DHNHF, no StutzenListe).
    void deriveTeillastFromNennleistung()
    {
        exec("UPDATE Werte SET BEMERKUNGID=70000, AUSATZRINGEID=2 WHERE WerteId=70001");
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
    }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_dbFile = TestSupport::copyDemoDatabase(m_dir->path());
        TestSupport::openKolvex(m_dbFile);
        AppSettings *a = s();
        a->dbFile = m_dbFile;
        a->manufacturerMode = false;
        a->currentManufacturerId = 58;
        a->currentApplianceId = 25000;
        a->valueFilter.clear();
        a->allFilter.clear();
        a->valueFields = AppSettings::defaultValueFields();
        a->autoErfassdatum = false;
        a->currentValueId = -1;
        a->currentAttachmentId = -1;
        a->copiedValueSets.clear();
        a->imagesPath = TestSupport::demoImagesDir();
        a->idRangeLow[58] = qMakePair(25000, 70000);
        fillAufsatzCache();
        m_model = new WerteModel;
        m_model->reloadWerte();
    }

    void cleanup()
    {
        delete m_model;
        m_model = nullptr;
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void valueListStatementsKeepTheirBlanks()
    {
        QCOMPARE(WerteModel::valueListStatement("WERTEID,TW", 25000, "", ""),
                 QString("select WERTEID,TW from Werte where Geraet=25000 ORDER BY Bemerkung"));
        QCOMPARE(WerteModel::valueListStatement("WERTEID,TW", 25000, "", "Nord'"),
                 QString("select WERTEID,TW from Werte where Geraet=25000 AND bemerkung LIKE "
                         "'%Nord''%' ORDER BY Bemerkung"));
        QCOMPARE(WerteModel::valueListStatement("WERTEID", 7, "Typ LIKE '%a%'", "Nord"),
                 QString("SELECT WERTEID FROM Werte WHERE Geraet=7  AND WerteId IN (SELECT "
                         "WerteId FROM Geraete INNER JOIN Werte ON Geraete.TirmaId=Werte.Geraet "
                         "WHERE Typ LIKE '%a%') ORDER BY Bemerkung"));
    }

    void searchTextWithApostropheFindsTheSet()
    {
        s()->valueFilter = "'Nord'";
        m_model->reloadWerte();
        QVERIFY(!s()->queryFailed);
        QCOMPARE(m_model->rowCount(), 2);
        QCOMPARE(m_model->index(0, 0).data().toInt(), 70002);
        s()->valueFilter.clear();
        s()->allFilter = "Werte.TW>300";
        m_model->reloadWerte();
        QCOMPARE(m_model->rowCount(), 2);
        QCOMPARE(m_model->index(0, 0).data().toInt(), 70001);
    }

    void newRecordRowOnlyWithAnAppliance()
    {
        QCOMPARE(m_model->rowCount(), 4);
        QCOMPARE(m_model->headerData(3, Qt::Vertical).toString(), QString("*"));
        QVERIFY(!m_model->index(3, 0).data(kContextRole).isValid());
        QVERIFY(!(m_model->flags(m_model->index(3, 2)) & Qt::ItemIsDragEnabled));
        show(0);
        QCOMPARE(m_model->rowCount(), 0);
        s()->currentApplianceId = -1;
        QCOMPARE(m_model->rowCount(), 0);
    }

    void typingIntoTheNewRecordRowInsertsAValueSet()
    {
        QVERIFY(!m_model->setData(m_model->index(3, 2), QVariant(), Qt::EditRole));
        QVERIFY(journal().isEmpty());
        QVERIFY(m_model->setData(m_model->index(3, 2), "O'Brien", Qt::EditRole));
        const QString insert = QString("INSERT INTO werte (BEMERKUNG, Geraet, ERFASSDAT, WerteId) "
                                       "VALUES ('O''Brien',25000,'%1',70003)")
                                   .arg(today());
        QCOMPARE(journal(), QStringList{insert + ";"});
        QCOMPARE(value("SELECT Geraet||'|'||ERFASSDAT||'|'||Bemerkung FROM Werte WHERE WerteId=70003"),
                 QString("25000|%1|O'Brien").arg(today()));
        QCOMPARE(m_model->rowCount(), 5);
        QVERIFY(rowOf(70003) >= 0);
        QCOMPARE(m_model->headerData(4, Qt::Vertical).toString(), QString("*"));
    }

    void insertIsRefusedWithoutFreeId()
    {
        s()->idRangeLow[58] = qMakePair(25000, 100001);
        MessageBoxCatcher catcher;
        QVERIFY(!m_model->setData(m_model->index(3, 2), "neu", Qt::EditRole));
        QCOMPARE(catcher.titles, QStringList{"Fehler"});
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE WerteId<=0"), QString("0"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("3"));
        QVERIFY(journal().isEmpty());
        QCOMPARE(m_model->rowCount(), 4);
    }

    void insertWithoutIdTableNamesTheRealCause()
    {
        // A missing id table (or a locked file) is no full range.
        exec("DROP TABLE temp.seqidxs");
        MessageBoxCatcher catcher;
        QSignalSpy reports(ChangeReport::instance(), &ChangeReport::failed);
        QVERIFY(!m_model->setData(m_model->index(3, 2), "neu", Qt::EditRole));
        QVERIFY(catcher.titles.isEmpty());
        QCOMPARE(reports.count(), 1);
        QCOMPARE(reports.at(0).at(0).toString(),
                 QString("Änderung nicht gespeichert: no such table: seqidxs"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("3"));
        QVERIFY(journal().isEmpty());
    }

    void storedFieldListWithoutKeysStillEditsTheRightSet()
    {
        // "werteFelder" of an earlier version: no WERTEID, no GERAET.
        QSettings user;
        user.setValue("werteFelder", "BEMERKUNG,TW");
        QSettings system(QSettings::NativeFormat, QSettings::SystemScope, "Tirma", "KolvexSelvanto");
        QSettings kolvex(QSettings::NativeFormat, QSettings::SystemScope, "Tirma", "kolvex");
        AppSettings read(system, kolvex, user);
        QCOMPARE(read.valueFields, QString("WERTEID,GERAET,BEMERKUNG,TW"));
        user.remove("werteFelder");

        show(25000, "BEMERKUNG,TW");   // also a text set in memory is mended
        QCOMPARE(m_model->fieldIndex("WERTEID"), 0);
        QVERIFY(m_model->setData(cell(70001, "TW"), "199", Qt::EditRole));
        QCOMPARE(journal(), QStringList{"UPDATE werte SET TW='199' WHERE werteid=70001;"});
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70001"), QString("199"));
    }

    void editOfAStoredRowIsWrittenAndJournaled()
    {
        const QModelIndex brst = cell(70001, "BRST");
        QVERIFY(m_model->setData(brst, "Holz 'trocken'", Qt::EditRole));
        QCOMPARE(value("SELECT BRST FROM Werte WHERE WerteId=70001"), QString("Holz 'trocken'"));
        QCOMPARE(brst.data().toString(), QString("Holz 'trocken'"));
        QCOMPARE(journal(),
                 QStringList{"UPDATE werte SET BRST='Holz ''trocken''' WHERE werteid=70001;"});
        // The same value again is refused before any statement runs.
        s()->autoErfassdatum = true;
        QVERIFY(!m_model->setData(brst, "Holz 'trocken'", Qt::EditRole));
        QCOMPARE(journal().size(), 1);
    }

    void captureDateWithoutDateColumn()
    {
        s()->autoErfassdatum = true;
        QVERIFY(m_model->setData(cell(70001, "M"), 9.5, Qt::EditRole));
        QCOMPARE(journal(), (QStringList{"UPDATE werte SET M='9.5' WHERE werteid=70001;",
                                         QString("UPDATE Werte SET ERFASSDAT='%1' WHERE WerteId=70001;")
                                             .arg(today())}));
        QCOMPARE(value("SELECT ERFASSDAT FROM Werte WHERE WerteId=70001"), today());
    }

    void captureDateThroughTheDateColumn()
    {
        s()->autoErfassdatum = true;
        show(25000, "WERTEID,BEMERKUNG,ERFASSDAT,M,TW");
        QVERIFY(m_model->setData(cell(70000, "M"), 9.5, Qt::EditRole));
        QCOMPARE(cell(70000, "ERFASSDAT").data().toString(), today());
        // The stamp is an edit of its own and reaches the derived set 70002.
        QCOMPARE(journal(),
                 (QStringList{"UPDATE werte SET M='9.5' WHERE werteid=70000;",
                              QString("UPDATE werte SET ERFASSDAT='%1' WHERE werteid=70000;").arg(today()),
                              QString("UPDATE werte SET ERFASSDAT='%1' WHERE BEMERKUNGID=70000;").arg(today()),
                              "UPDATE werte SET M='9.5' WHERE BEMERKUNGID=70000;"}));
        QCOMPARE(value("SELECT ERFASSDAT FROM Werte WHERE WerteId=70002"), today());
        QCOMPARE(cell(70002, "M").data().toString(), QString("9.5"));
    }

    void editOfTheDateItselfStampsNothing()
    {
        s()->autoErfassdatum = true;
        show(25000, "WERTEID,BEMERKUNG,ERFASSDAT");
        QVERIFY(m_model->setData(cell(70001, "ERFASSDAT"), "01.02.2023", Qt::EditRole));
        QCOMPARE(journal(), QStringList{"UPDATE werte SET ERFASSDAT='01.02.2023' WHERE werteid=70001;"});
        QCOMPARE(value("SELECT ERFASSDAT FROM Werte WHERE WerteId=70001"), QString("01.02.2023"));
    }

    void twIsPassedOnWithTheAttachmentsDelta()
    {
        deriveTeillastFromNennleistung();
        m_model->refresh();
        const int source = rowOf(70000);
        QVERIFY(m_model->hasNhfRows(source));
        QCOMPARE(m_model->nhfRows(source), (QList<QPair<qint64, qint64>>{{70001, 2}, {70002, 1}}));
        QVERIFY(m_model->setData(cell(70000, "TW"), "240.3", Qt::EditRole));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70002"), QString("245.3"));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70001"), QString("240.3"));
        QCOMPARE(journal(), (QStringList{"UPDATE werte SET TW='240.3' WHERE werteid=70000;",
                                         "UPDATE Werte SET  TW='240.3' WHERE WerteId=70001;",
                                         "UPDATE Werte SET  TW='245.3' WHERE WerteId=70002;"}));
        QCOMPARE(cell(70002, "TW").data().toString(), QString("245.3"));
        QCOMPARE(cell(70001, "TW").data().toString(), QString("240.3"));
    }

    void qnAndPwUseTheirOwnDeltas()
    {
        QVERIFY(m_model->setData(cell(70000, "QN"), 4, Qt::EditRole));
        QVERIFY(m_model->setData(cell(70000, "PW"), "11.25", Qt::EditRole));
        QCOMPARE(value("SELECT QN||'|'||PW FROM Werte WHERE WerteId=70002"), QString("4.5|13.25"));
        // Clearing the source (Delete key) clears the derived value too.
        QVERIFY(m_model->setData(cell(70000, "TW"), QVariant(), Qt::EditRole));
        QCOMPARE(journal().last(), QString("UPDATE Werte SET  TW='' WHERE WerteId=70002;"));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70002"), QString());
    }

    void remarkAndPictureAreNotPassedOn()
    {
        QVERIFY(m_model->setData(cell(70000, "BEMERKUNG"), "Volllast", Qt::EditRole));
        QCOMPARE(value("SELECT Bemerkung FROM Werte WHERE WerteId=70002"),
                 QString("Speicheraufsatz 'Nord'"));
        QCOMPARE(journal(), QStringList{"UPDATE werte SET BEMERKUNG='Volllast' WHERE werteid=70000;"});
    }

    void attachmentDefinedColumnsAreSkipped()
    {
        deriveTeillastFromNennleistung();
        m_model->refresh();
        QVERIFY(m_model->setData(cell(70000, "DHNHF"), "0.2", Qt::EditRole));
        QVERIFY(m_model->setData(cell(70000, "STUTZENLISTE"), "200 'lang'", Qt::EditRole));
        QCOMPARE(value("SELECT DHNHF||'|'||STUTZENLISTE FROM Werte WHERE WerteId=70002"),
                 QString("0.16|150;180"));
        QCOMPARE(value("SELECT DHNHF||'|'||STUTZENLISTE FROM Werte WHERE WerteId=70001"),
                 QString("0.2|200 'lang'"));
        QCOMPARE(journal(),
                 (QStringList{"UPDATE werte SET DHNHF='0.2' WHERE werteid=70000;",
                              "UPDATE Werte SET  DHNHF='0.2' WHERE WerteId=70001;",
                              "UPDATE werte SET STUTZENLISTE='200 ''lang''' WHERE werteid=70000;",
                              "UPDATE Werte SET  STUTZENLISTE='200 ''lang''' WHERE WerteId=70001;"}));
        QCOMPARE(cell(70001, "STUTZENLISTE").data().toString(), QString("200 'lang'"));
    }

    void otherColumnsReachAllDerivedSets()
    {
        deriveTeillastFromNennleistung();
        m_model->refresh();
        QVERIFY(m_model->setData(cell(70000, "BRST"), "Pellets", Qt::EditRole));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE BRST='Pellets'"), QString("3"));
        QCOMPARE(journal(), (QStringList{"UPDATE werte SET BRST='Pellets' WHERE werteid=70000;",
                                         "UPDATE werte SET BRST='Pellets' WHERE BEMERKUNGID=70000;"}));
        QCOMPARE(cell(70001, "BRST").data().toString(), QString("Pellets"));
        QCOMPARE(cell(70002, "BRST").data().toString(), QString("Pellets"));
    }

    void failingPassOnIsShownAndNotJournaled()
    {
        deriveTeillastFromNennleistung();
        exec("CREATE TRIGGER sperre BEFORE UPDATE ON Werte WHEN old.WerteId=70002 "
             "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
        m_model->refresh();
        MessageBoxCatcher catcher;
        QSignalSpy reports(ChangeReport::instance(), &ChangeReport::failed);
        QVERIFY(m_model->setData(cell(70000, "TW"), "200", Qt::EditRole));
        // One status message for the edit, no message box per statement.
        QVERIFY(catcher.titles.isEmpty());
        QCOMPARE(reports.count(), 1);
        QCOMPARE(reports.at(0).at(0).toString(), QString("Änderung nicht gespeichert: gesperrt"));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70001"), QString("200"));
        QCOMPARE(journal(), (QStringList{"UPDATE werte SET TW='200' WHERE werteid=70000;",
                                         "UPDATE Werte SET  TW='200' WHERE WerteId=70001;"}));
    }

    // An attachment is read when it is first asked for and kept from then
    // on; one removed from the cache or not in the table counts as missing.
    void attachmentsAreReadWhenFirstAskedFor()
    {
        AufsatzCache cache;
        QVERIFY(cache.readFrom(db()));
        exec("UPDATE Aufsatz SET Bezeichnung='neu' WHERE Id=3");
        QCOMPARE(cache.value(3).value("Bezeichnung").toString(), QString("neu"));
        QCOMPARE(cache.value(3).value("DeltaTemp").toDouble(), -10.0);
        exec("UPDATE Aufsatz SET Bezeichnung='später' WHERE Id=3");
        QCOMPARE(cache.value(3).value("Bezeichnung").toString(), QString("neu"));
        QVERIFY(!cache.contains(99));
        QVERIFY(cache.value(99).isEmpty());
        cache.remove(1);
        QVERIFY(!cache.contains(1));
        QVERIFY(cache.contains(2));
        QCOMPARE(cache.size(), 4);
        exec("ALTER TABLE Aufsatz RENAME TO AufsatzAlt");
        QVERIFY(!cache.readFrom(db()));   // the cache stays as it was
        QVERIFY(cache.contains(3));
    }

    void passOnSkipsAttachmentsMissingFromTheCache()
    {
        deriveTeillastFromNennleistung();
        s()->aufsatzCache.remove(2);
        m_model->refresh();
        QVERIFY(m_model->setData(cell(70000, "TW"), "250", Qt::EditRole));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70001"), QString("356.9"));
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70002"), QString("255"));
    }

    void nhfRowIsReadOnlyAndGrayWhereInherited()
    {
        deriveTeillastFromNennleistung();
        show(25000, AppSettings::defaultValueFields() + ",BEMERKUNGID,AUSATZRINGEID");
        const int nhf = rowOf(70002);
        QVERIFY(m_model->isNhfRow(nhf));
        QCOMPARE(m_model->getBemerkungId(nhf), 70000);
        QCOMPARE(m_model->getAusatzringeId(nhf), 1);
        const QColor gray(Qt::lightGray);
        for (const char *c : {"TW", "PW", "QN", "BEMERKUNG", "BILDID", "DHNHF", "STUTZENLISTE"}) {
            const QModelIndex i = cell(70002, c);
            QVERIFY2(!(m_model->flags(i) & Qt::ItemIsEditable), c);
            QVERIFY2(i.data(Qt::BackgroundRole).value<QColor>() == gray, c);
        }
        for (const char *c : {"CO2", "BRST", "M"}) {
            const QModelIndex i = cell(70002, c);
            QVERIFY2(m_model->flags(i) & Qt::ItemIsEditable, c);
            QVERIFY2(!i.data(Qt::BackgroundRole).isValid(), c);
        }
        // Attachment 2 defines neither DHNHF nor StutzenListe: both stay open.
        for (const char *c : {"DHNHF", "STUTZENLISTE"}) {
            const QModelIndex i = cell(70001, c);
            QVERIFY2(m_model->flags(i) & Qt::ItemIsEditable, c);
            QVERIFY2(!i.data(Qt::BackgroundRole).isValid(), c);
        }
        QVERIFY(!(m_model->flags(cell(70001, "TW")) & Qt::ItemIsEditable));
        // The source: only the picture and the NHF link columns are closed.
        QVERIFY(!m_model->isNhfRow(rowOf(70000)));
        QVERIFY(m_model->flags(cell(70000, "TW")) & Qt::ItemIsEditable);
        for (const char *c : {"BILDID", "BEMERKUNGID", "AUSATZRINGEID"})
            QVERIFY2(!(m_model->flags(cell(70000, c)) & Qt::ItemIsEditable), c);
        QVERIFY(!cell(70000, "TW").data(Qt::BackgroundRole).isValid());
    }

    void lookUpsWithoutLinkColumnsAskTheDatabase()
    {
        const int nhf = rowOf(70002);
        QCOMPARE(m_model->getBemerkungId(nhf), 70000);
        QCOMPARE(m_model->getAusatzringeId(nhf), 1);
        QVERIFY(!m_model->hasNhfRows(nhf));
        QCOMPARE(m_model->getBemerkungId(3), 0);      // new-record row
        QVERIFY(!m_model->hasNhfRows(3));
        QCOMPARE(m_model->getAusatzringeId(3), -1);
        // Cached until the next refresh.
        QVERIFY(m_model->hasNhfRows(rowOf(70000)));
        exec("UPDATE Werte SET AUSATZRINGEID=2, BEMERKUNGID=0 WHERE WerteId=70002");
        QCOMPARE(m_model->getAusatzringeId(nhf), 1);
        QVERIFY(m_model->isNhfRow(nhf));
        QVERIFY(m_model->hasNhfRows(rowOf(70000)));
        m_model->refresh();
        QCOMPARE(m_model->getAusatzringeId(rowOf(70002)), 2);
        QVERIFY(!m_model->isNhfRow(rowOf(70002)));
        QVERIFY(!m_model->hasNhfRows(rowOf(70000)));
        // A listed set that no longer exists in the database.
        WerteModel stale;
        stale.reloadWerte();
        exec("DELETE FROM Werte WHERE WerteId=70002");
        QCOMPARE(stale.getAusatzringeId(rowOf(70002)), -1);
        QCOMPARE(stale.getBemerkungId(rowOf(70002)), 0);
        QVERIFY(!stale.hasNhfRows(rowOf(70002)));
    }

    void presentationOfPicturesAndIds()
    {
        const QModelIndex picture = cell(70000, "BILDID");
        const QPixmap thumb = picture.data(Qt::DecorationRole).value<QPixmap>();
        QVERIFY(!thumb.isNull());
        QCOMPARE(thumb.height(), 22);
        QCOMPARE(picture.data(Qt::ToolTipRole).toString(),
                 QString("<html><img src='%1/Bild5_scaled.png'></html>").arg(TestSupport::demoImagesDir()));
        QCOMPARE(picture.data(Qt::SizeHintRole).toSize(), QSize(80, 22));
        QCOMPARE(cell(70000, "OPT_KAT").data(Qt::ToolTipRole).toString(), QString("1,2,3,4,5,6"));
        QCOMPARE(m_model->index(rowOf(70001), 2).data(Qt::ToolTipRole).toString(), QString("70001"));
        exec("UPDATE Werte SET BildId=99 WHERE WerteId=70001");
        m_model->refresh();
        QVERIFY(cell(70001, "BILDID").data(Qt::DecorationRole).value<QPixmap>().isNull());
    }

    void contextActionsFollowRowAndMode()
    {
        const QStringList common{"Kenndaten DUPLIZIEREN#datenDuplizieren#4",
                                 "Kenndaten KOPIEREN#datenKopieren#1",
                                 "Kenndaten LÖSCHEN#datenLoeschen#3"};
        const QString mark = "Diese Kenndaten für eine NHF verwenden#ausDatenVererben";
        const QString derive = "Auswahl der NHF#datenVererben##1#Quelle: Nennleistung (70000)";
        QCOMPARE(actions(70000), (common + QStringList{mark}));
        QCOMPARE(actions(70002), common);
        QVERIFY(invoke("ausDatenVererben", QList<int>{rowOf(70000), rowOf(70001)}));
        QCOMPARE(s()->currentValueId, 70000);
        QCOMPARE(actions(70001), (common + QStringList{mark, derive}));
        QCOMPARE(actions(70002), (common + QStringList{derive}));
        m_model->setCurrentGroup("70001#7");
        QCOMPARE(actions(70001), (QStringList{"Von der Gruppe entfernen#removeFromGroup"} + common
                                  + QStringList{mark, derive}));
        s()->manufacturerMode = true;
        QCOMPARE(actions(70000), common);
        QCOMPARE(actions(70002), common);
    }

    void deriveChangesOnlyTheFirstRowAndSurvivesApostrophes()
    {
        exec("UPDATE Werte SET Bemerkung='Nenn''leistung', BRST='Holz ''trocken''' WHERE WerteId=70004");
        exec("UPDATE Aufsatz SET Bezeichnung='Aufsatz ''Süd''', StutzenListe='150 ''kurz''' WHERE Id=1");
        fillAufsatzCache();
        show(25001);
        QVERIFY(invoke("ausDatenVererben", QList<int>{rowOf(70004)}));
        QCOMPARE(s()->currentValueId, 70004);
        // Another appliance of the manufacturer; the source stays marked.
        show(25000);
        s()->currentAttachmentId = 1;
        const QString before70000 = TestSupport::runSqlite3(m_dbFile, "SELECT * FROM Werte WHERE WerteId=70000;");
        MessageBoxCatcher catcher;   // 70001 holds values: the user agrees
        QVERIFY(invoke("datenVererben", QList<int>{rowOf(70001), rowOf(70000)}));
        QCOMPARE(catcher.titles, QStringList{"NHF ableiten"});
        QCOMPARE(TestSupport::runSqlite3(m_dbFile, "SELECT * FROM Werte WHERE WerteId=70000;"), before70000);
        QCOMPARE(value("SELECT Geraet||'|'||Bemerkung||'|'||BRST||'|'||TW||'|'||PW||'|'||QN||'|'||BildId||'|'||"
                       "BEMERKUNGID||'|'||AUSATZRINGEID||'|'||DHNHF||'|'||StutzenListe||'|'||Opt_Kat "
                       "FROM Werte WHERE WerteId=70001"),
                 QString("25000|Aufsatz 'Süd'|Holz 'trocken'|246.8|12.9|8.4|11|70004|1|0.16|150 'kurz'|2"));
        const QString final = "UPDATE Werte SET Bemerkung='Aufsatz ''Süd''',TW=246.8,PW=12.9,QN=8.4,BildId=11,"
                              "BEMERKUNGID=70004,AUSATZRINGEID=1 ,DHNHF=0.16,StutzenListe='150 ''kurz''' "
                              "WHERE WerteId=70001;";
        const QStringList lines = journal();
        QCOMPARE(lines.last(), final);
        QVERIFY(lines.at(lines.size() - 2).contains(
            "BRST=(SELECT BRST FROM Werte WHERE WerteId=70004)"));
        for (const QString &line : lines) {
            QVERIFY2(line.endsWith("WHERE WerteId=70001;"), qPrintable(line));
            QVERIFY2(!line.contains("SET Geraet=") && !line.contains("SET Opt_Kat=")
                         && !line.contains("SET WerteId="),
                     qPrintable(line));
        }
        // The list was re-read: the derived set is now an NHF row.
        QVERIFY(m_model->isNhfRow(rowOf(70001)));
        QCOMPARE(cell(70001, "BEMERKUNG").data().toString(), QString("Aufsatz 'Süd'"));
    }

    // The copied columns arrive as the source holds them: no text stands
    // between, in the file or in the journal's replay.
    void deriveCopiesBytesLineEndsAndInfinityExactly()
    {
        exec("UPDATE Werte SET BRST=CAST(X'486F6C7AC328FF0D0A' AS TEXT), CO2=9e999, QF=NULL, "
             "QW=x'00ff' WHERE WerteId=70004");
        const QString pristine = m_dir->path() + "/vorher.glo";
        QVERIFY(QFile::copy(m_dbFile, pristine));
        fillAufsatzCache();
        show(25001);
        QVERIFY(invoke("ausDatenVererben", QList<int>{rowOf(70004)}));
        show(25000);
        s()->currentAttachmentId = 1;
        MessageBoxCatcher catcher;
        QVERIFY(invoke("datenVererben", QList<int>{rowOf(70001)}));
        const QString copied = "SELECT count(*) FROM (SELECT BRST, CO2, QF, QW, typeof(BRST), "
                               "typeof(CO2), typeof(QF), typeof(QW) FROM Werte WHERE WerteId IN "
                               "(70004, 70001) GROUP BY 1,2,3,4,5,6,7,8)";
        QCOMPARE(value(copied), QString("1"));
        QCOMPARE(value("SELECT hex(BRST) || typeof(QF) FROM Werte WHERE WerteId=70001"),
                 QString("486F6C7AC328FF0D0Anull"));
        QFile journalFile(m_dir->path() + "/journal.sql");
        QVERIFY(journalFile.open(QIODevice::ReadOnly));
        TestSupport::runSqlite3(pristine, QString::fromUtf8(journalFile.readAll()));
        const QString cells = "SELECT quote(BRST), quote(CO2), quote(QW) FROM Werte WHERE WerteId=70001;";
        QCOMPARE(TestSupport::runSqlite3(pristine, cells), TestSupport::runSqlite3(m_dbFile, cells));
    }

    // The marked source is shown in its own colour with a note, named in the derive
    // entry, and a target that holds values is overwritten only on a yes;
    // a no leaves file and journal untouched, an empty target is not asked for.
    void deriveShowsItsSourceAndAsksBeforeOverwriting()
    {
        const QColor sourceColour(200, 235, 190);
        QVERIFY(cell(70000, "BEMERKUNG").data(Qt::BackgroundRole) != QVariant(sourceColour));
        QSignalSpy repainted(m_model, &QAbstractItemModel::dataChanged);
        QVERIFY(invoke("ausDatenVererben", QList<int>{rowOf(70000)}));
        QCOMPARE(repainted.count(), 1);
        QCOMPARE(cell(70000, "BEMERKUNG").data(Qt::BackgroundRole).value<QColor>(), sourceColour);
        QCOMPARE(cell(70000, "TW").data(Qt::BackgroundRole).value<QColor>(), sourceColour);
        QCOMPARE(cell(70000, "TW").data(Qt::ToolTipRole).toString(),
                 QString("Quelle für neue NHF-Kenndaten"));
        QVERIFY(cell(70001, "BEMERKUNG").data(Qt::BackgroundRole) != QVariant(sourceColour));
        QCOMPARE(m_model->sourceName(), QString("Quelle: Nennleistung (70000)"));
        QCOMPARE(DragTableView::parseContextAction(actions(70001).last()).note,
                 QString("Quelle: Nennleistung (70000)"));
        s()->currentAttachmentId = 2;
        const QString before = TestSupport::runSqlite3(m_dbFile, "SELECT * FROM Werte;");
        {
            MessageBoxCatcher catcher;
            catcher.answerYes = false;
            m_model->datenVererben({rowOf(70001)});
            QCOMPARE(catcher.titles, QStringList{"NHF ableiten"});
            QCOMPARE(catcher.texts, QStringList{
                "Die Kenndaten \"Teillast\" (70001) enthalten bereits Werte.\nSollen sie mit "
                "den Werten der Quelle \"Nennleistung\" (70000) und der NHF \"Nachheizfläche "
                "klein\" überschrieben werden?"});
        }
        QCOMPARE(TestSupport::runSqlite3(m_dbFile, "SELECT * FROM Werte;"), before);
        QVERIFY(journal().isEmpty());
        // A set that holds nothing but its remark is derived without a question.
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung, ERFASSDAT, dinplus, TW) "
             "VALUES (70099, 25000, 'leer', '01.01.2025', 0, '')");
        m_model->refresh();
        {
            MessageBoxCatcher catcher;
            m_model->datenVererben({rowOf(70099)});
            QVERIFY(catcher.titles.isEmpty());
        }
        QCOMPARE(value("SELECT BEMERKUNGID||'|'||AUSATZRINGEID FROM Werte WHERE WerteId=70099"),
                 QString("70000|2"));
        QVERIFY(!journal().isEmpty());
        // Once derived, it holds values: deriving again asks.
        QSqlQuery derived(kolvexDb());
        QVERIFY(derived.exec("SELECT * FROM Werte WHERE WerteId=70099") && derived.next());
        QVERIFY(WerteModel::holdsDerivableValues(derived.record()));
    }

    void deriveKeepsEmptySourceCellsEmpty()
    {
        // 70000 has no QHE and no L1; 70001 has both set before.
        exec("UPDATE Werte SET QHE=3.5, L1=12 WHERE WerteId=70001");
        s()->currentValueId = 70000;
        s()->currentAttachmentId = 2;
        MessageBoxCatcher catcher;
        m_model->datenVererben({rowOf(70001)});
        QCOMPARE(value("SELECT typeof(QHE)||'|'||typeof(L1)||'|'||typeof(M)||'|'||M FROM Werte WHERE WerteId=70001"),
                 QString("null|null|real|8.1"));
        QVERIFY(journal().join('\n').contains("QHE=(SELECT QHE FROM Werte WHERE WerteId=70000)"));
    }

    void failingDerivationIsShownAndNotJournaled()
    {
        exec("CREATE TRIGGER sperre BEFORE UPDATE OF AUSATZRINGEID ON Werte "
             "BEGIN SELECT RAISE(ABORT, 'nein'); END");
        s()->currentValueId = 70000;
        s()->currentAttachmentId = 2;
        MessageBoxCatcher catcher;
        m_model->datenVererben({rowOf(70001)});
        const QString final = "UPDATE Werte SET Bemerkung='Nachheizfläche klein',TW=230.2,PW=11.5,"
                              "QN=4.2,BildId=12,BEMERKUNGID=70000,AUSATZRINGEID=2  WHERE WerteId=70001";
        QCOMPARE(catcher.titles, (QStringList{"NHF ableiten", "Fehler"}));
        QCOMPARE(catcher.texts.value(1), final + "\nnein");
        QVERIFY(!journal().contains(final + ";"));
        QVERIFY(journal().join('\n').contains("M=(SELECT M FROM Werte WHERE WerteId=70000)"));
        QCOMPARE(value("SELECT BEMERKUNGID FROM Werte WHERE WerteId=70001"), QString("0"));
    }

    void deriveNeedsSourceAndKnownAttachment()
    {
        const QString before = TestSupport::runSqlite3(m_dbFile, "SELECT * FROM Werte;");
        const QList<int> rows{rowOf(70001)};
        s()->currentAttachmentId = 1;
        m_model->datenVererben(rows);                 // no source marked
        s()->currentValueId = 70000;
        s()->currentAttachmentId = 77;
        m_model->datenVererben(rows);                 // attachment unknown
        s()->currentAttachmentId = 1;
        m_model->datenVererben({});                   // nothing selected
        m_model->datenVererben({rowOf(70000)});       // the source itself
        m_model->datenVererben({3});                  // the new-record row
        QCOMPARE(TestSupport::runSqlite3(m_dbFile, "SELECT * FROM Werte;"), before);
        QVERIFY(journal().isEmpty());
    }

    void copyDuplicateAndDeleteByName()
    {
        const QList<int> rows{rowOf(70001), rowOf(70000)};
        QVERIFY(invoke("datenKopieren", rows));
        QCOMPARE(s()->copiedValueSets, QString("70001#70000"));
        QVERIFY(journal().isEmpty());

        QVERIFY(invoke("datenDuplizieren", QList<int>{rowOf(70001)}));
        QCOMPARE(m_model->rowCount(), 5);
        QCOMPARE(value("SELECT Bemerkung||'|'||ERFASSDAT||'|'||Geraet FROM Werte WHERE WerteId=70003"),
                 QString("Teillast|%1|25000").arg(today()));
        QStringList lines = journal();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith("insert into Werte ("));
        QCOMPARE(lines.at(1), QString("UPDATE Werte SET ERFASSDAT='%1' WHERE WerteId=70003;").arg(today()));

        QVERIFY(invoke("datenLoeschen", QList<int>{rowOf(70003), rowOf(70001)}));
        QCOMPARE(m_model->rowCount(), 3);
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE WerteId IN (70001,70003)"), QString("0"));
        lines = journal();
        QCOMPARE(lines.mid(2), (QStringList{"UPDATE Werte SET BEMERKUNGID=0,AUSATZRINGEID=0 WHERE "
                                            "BEMERKUNGID IN (70003,70001) AND WerteId NOT IN "
                                            "(70003,70001);",
                                            "DELETE FROM Werte WHERE WerteId IN (70003,70001);"}));
        // The derived set of a deleted source becomes a plain set.
        QVERIFY(invoke("datenLoeschen", QList<int>{rowOf(70000)}));
        QCOMPARE(value("SELECT BEMERKUNGID||'|'||AUSATZRINGEID FROM Werte WHERE WerteId=70002"),
                 QString("0|0"));
    }

    void groupMembershipByWholeIds()
    {
        exec("INSERT INTO Werte (WerteId, Geraet, Bemerkung) VALUES (12, 701, 'A'), (1234, 701, 'B')");
        show(701);
        m_model->setCurrentGroup("12#123#7");
        QVERIFY(m_model->isInCurrentGroup(cell(12, "WERTEID")));
        QVERIFY(m_model->isInCurrentGroup(cell(123, "BEMERKUNG")));
        QVERIFY(!m_model->isInCurrentGroup(cell(1234, "WERTEID")));
        QVERIFY(!m_model->isInCurrentGroup(cell(124, "WERTEID")));
        QCOMPARE(cell(123, "WERTEID").data(Qt::UserRole).toInt(), 1);
        QCOMPARE(cell(1234, "WERTEID").data(Qt::UserRole).toInt(), 0);
        QVERIFY(!m_model->isInCurrentGroup(m_model->index(m_model->rowCount() - 1, 0)));

        QSignalSpy changed(m_model, SIGNAL(currentGroupChangedTo(QString)));
        QSignalSpy cells(m_model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));
        QVERIFY(invoke("removeFromGroup", QList<int>{rowOf(12)}));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toString(), QString("123#7"));
        QCOMPARE(cells.size(), 1);
        QCOMPARE(cells.at(0).at(0).toModelIndex(), m_model->index(rowOf(12), 0));
        QCOMPARE(cells.at(0).at(1).toModelIndex().column(), m_model->columnCount() - 1);
        QVERIFY(!m_model->isInCurrentGroup(cell(12, "WERTEID")));

        m_model->setCurrentGroup("1234#7");
        QVERIFY(!m_model->isInCurrentGroup(cell(123, "WERTEID")));
        QVERIFY(m_model->isInCurrentGroup(cell(1234, "WERTEID")));
        QVERIFY(journal().isEmpty());
    }

    void dinplusOfAllRows()
    {
        show(25000, "WERTEID,BEMERKUNG,dinplus AS XXXDINPLUS");
        const int column = m_model->fieldIndex("XXXDINPLUS");
        QVERIFY(column > 0);
        QCOMPARE(m_model->index(rowOf(70001), column).data().toString(), QString("×"));
        QCOMPARE(m_model->index(rowOf(70000), column).data().toString(), QString());
        QVERIFY(m_model->isDinplusAny());
        QVERIFY(!m_model->isDinplusAll());
        m_model->setDinplusAll(true);
        QVERIFY(m_model->isDinplusAll());
        QCOMPARE(m_model->index(rowOf(70000), column).data().toString(), QString("×"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000 AND dinplus=1"), QString("3"));
        // The whole list by key in one statement; a set marked already stays.
        QCOMPARE(journal(), (QStringList{"UPDATE werte SET dinplus=1 WHERE werteid IN "
                                         "(70000,70002,70001) AND NOT (typeof(dinplus)='integer' "
                                         "AND dinplus=1);"}));
        m_model->setDinplusAll(false);
        QVERIFY(!m_model->isDinplusAny());
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000 AND dinplus=1"), QString("0"));
        // Before any setDinplusAll the new-record row counts as not marked.
        exec("UPDATE Werte SET dinplus=1 WHERE Geraet=25000");
        m_model->refresh();
        QVERIFY(!m_model->isDinplusAll());
        show(0, "WERTEID,BEMERKUNG,dinplus AS XXXDINPLUS");
        QVERIFY(m_model->isDinplusAll());
        QVERIFY(!m_model->isDinplusAny());
    }

    void dragCarriesValueSetIds()
    {
        QCOMPARE(m_model->mimeTypes(), (QStringList{"text/plain", "text/csv", "dbtable/id"}));
        const QModelIndexList dragged{cell(70001, "BEMERKUNG"), cell(70001, "TW"), cell(70000, "WERTEID")};
        QScopedPointer<QMimeData> mime(m_model->mimeData(dragged));
        QVERIFY(mime);
        QVERIFY(mime->hasFormat("text/plain"));
        QCOMPARE(mime->data("text/csv"), QByteArray("70001#70001#70000"));
    }

    void clicksOnPicturesAndFlags()
    {
        QTableView view;
        view.setModel(m_model);
        view.resize(800, 300);
        // Derived sets take their picture from the attachment: no chooser.
        QVERIFY(!m_model->indexClicked(cell(70002, "BILDID"), &view));
        QVERIFY(m_model->indexClicked(cell(70000, "DBGESCH"), &view));
        QCOMPARE(value("SELECT DBGESCH FROM Werte WHERE WerteId=70000"), QString("0"));
        // 70000 is the source of 70002: the flag is passed on as well.
        QCOMPARE(journal(), (QStringList{"UPDATE werte SET DBGESCH='0' WHERE werteid=70000;",
                                         "UPDATE werte SET DBGESCH='0' WHERE BEMERKUNGID=70000;"}));
        QVERIFY(!m_model->indexClicked(cell(70000, "BRST"), &view));
        QVERIFY(view.findChildren<BilderPopupWidget *>().isEmpty());
    }

    void pictureChooserWritesTheChosenNumber()
    {
        QTableView view;
        view.setModel(m_model);
        view.resize(800, 300);
        view.show();
        QVERIFY(m_model->indexClicked(cell(70000, "BILDID"), &view));
        const auto popups = view.findChildren<BilderPopupWidget *>();
        QCOMPARE(popups.size(), 1);
        QPointer<BilderPopupWidget> popup = popups.first();
        const auto items = popup->findItems("3", Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        emit popup->itemClicked(items.first());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(popup.isNull());
        QCOMPARE(value("SELECT BildId FROM Werte WHERE WerteId=70000"), QString("3"));
        QCOMPARE(journal(), QStringList{"UPDATE werte SET BILDID='3' WHERE werteid=70000;"});
        // The chooser is the only way to a picture: the cell is not editable.
        QVERIFY(!(m_model->flags(cell(70000, "BILDID")) & Qt::ItemIsEditable));
    }

    void manufacturerModeChangesWithoutJournal()
    {
        s()->manufacturerMode = true;
        s()->autoErfassdatum = true;
        QVERIFY(m_model->setData(cell(70000, "TW"), "231", Qt::EditRole));
        QVERIFY(m_model->setData(m_model->index(3, 2), "neu", Qt::EditRole));
        m_model->datenLoeschen({rowOf(70001)});
        QCOMPARE(value("SELECT TW FROM Werte WHERE WerteId=70002"), QString("236"));
        QCOMPARE(value("SELECT count(*) FROM Werte WHERE Geraet=25000"), QString("3"));
        QVERIFY(!QFile::exists(QFileInfo(m_dbFile).absolutePath() + "/journal.sql"));
    }
};

QTEST_MAIN(TestWerteModel)
#include "tst_wertemodel.moc"
