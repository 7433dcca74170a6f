#include "dbconnections.h"
#include "dlgImport.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLCDNumber>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using TestSupport::scalar;

// Answers the modal dialogs the import dialog opens: message boxes are
// recorded as "title|text" and closed, the directory chooser is given a
// directory.
class ModalAnswerer : public QObject
{
public:
    QStringList messages;
    QString directory;  // for the directory chooser; empty: cancel it

    ModalAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::answer);
        m_timer.start(5);
    }

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            messages << box->windowTitle() + "|" + box->text();
            box->done(QMessageBox::Ok);
        } else if (auto *chooser = qobject_cast<QFileDialog *>(modal)) {
            messages << "chooser|" + chooser->windowTitle();
            if (directory.isEmpty()) {
                chooser->reject();
            } else {
                chooser->setDirectory(directory);
                QMetaObject::invokeMethod(chooser, "accept");
            }
        }
    }

    QTimer m_timer;
};

// Counts the paint events of one widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// The import dialog on copies of the demo exports and a fresh Quarnel file.
class TestImportDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_exports;
    QString m_target;
    QSqlDatabase m_db;

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql + ": " + q.lastError().text()));
    }

    static void writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void openTarget(const QString &options = QString())
    {
        m_db = QSqlDatabase::addDatabase("QSQLITE", QLatin1String(kQuarnelConnection));
        m_db.setConnectOptions(options);
        m_db.setDatabaseName(m_target);
        QVERIFY(m_db.open());
        exec("CREATE TABLE IF NOT EXISTS waermedbfts(Hersteller,Typ)");
    }

    // True when another connection cannot even read the target.
    bool isLockedByAnother() const
    {
        bool locked = false;
        {
            QSqlDatabase probe = QSqlDatabase::addDatabase("QSQLITE", "probe");
            probe.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
            probe.setDatabaseName(m_target);
            QSqlQuery query(probe);
            locked = probe.open() && !query.exec("SELECT count(*) FROM sqlite_master");
        }
        QSqlDatabase::removeDatabase("probe");
        return locked;
    }

    static void remember(const QString &directory)
    {
        QSettings().setValue("lastImportDatei", directory);
    }

    static QTreeWidget *tree(dlgImport &dialog)
    {
        return dialog.findChild<QTreeWidget *>("treeWidget");
    }

    static QTreeWidgetItem *itemOf(dlgImport &dialog, const QString &table)
    {
        const QList<QTreeWidgetItem *> found = tree(dialog)->findItems(table, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }

    static QStringList tables(dlgImport &dialog)
    {
        QStringList names;
        for (int i = 0; i < tree(dialog)->topLevelItemCount(); ++i)
            names << tree(dialog)->topLevelItem(i)->text(0);
        return names;
    }

    static void setTicked(dlgImport &dialog, const QString &table, bool ticked)
    {
        QTreeWidgetItem *item = itemOf(dialog, table);
        QVERIFY2(item, qPrintable(table));
        item->setCheckState(2, ticked ? Qt::Checked : Qt::Unchecked);
    }

    static void clickImport(dlgImport &dialog)
    {
        QTest::mouseClick(dialog.findChild<QPushButton *>("pbImportieren"), Qt::LeftButton);
    }

    static QString errorList(dlgImport &dialog)
    {
        return dialog.findChild<QTextBrowser *>("textBrowserFehler")->toPlainText();
    }

private slots:
    void initTestCase() { TestSupport::isolateSettings(); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_exports = m_dir->path() + "/exports";
        QDir().mkpath(m_exports);
        const QDir demo(QStringLiteral(KOLVEX_SOURCE_DIR) + "/demo/quarnel");
        for (const QString &name : demo.entryList(QDir::Files))
            QVERIFY(QFile::copy(demo.filePath(name), m_exports + "/" + name));
        m_target = m_dir->path() + "/kolvex3.glo";
        TestSupport::closeAllConnections();
        remember(QString());
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        delete m_dir;
        m_dir = nullptr;
    }

    void rememberedDirectoryIsScanned()
    {
        remember(m_exports);
        dlgImport dialog;
        QCOMPARE(dialog.windowTitle(), QString("Importieren in SQlite Datenbank"));
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.findChild<QLabel *>("tlDatei")->text(), m_exports);
        QVERIFY(dialog.findChild<QWidget *>("widgetProgress")->isHidden());
        QVERIFY(dialog.findChild<QWidget *>("textBrowserFehler")->isHidden());

        QTreeWidget *view = tree(dialog);
        QCOMPARE(view->headerItem()->text(0), QString("Tabellenname"));
        QCOMPARE(view->headerItem()->text(1), QString("Wird in Kolvex verwendet"));
        QCOMPARE(view->headerItem()->text(2), QString("Importieren"));
        QVERIFY(view->isColumnHidden(3));
        QVERIFY(!view->isColumnHidden(2));
        QCOMPARE(tables(dialog),
                 QStringList({"BAUART", "HERSTELL_BAUART", "HERSTELL_WAERME", "HERSTELLER",
                              "MATERIAL", "MATKENNW", "NOTIZEN", "QUERSCHN", "SAUGER", "WAERMEDB"}));
        const QStringList used = {"WAERMEDB", "BAUART", "HERSTELLER", "SAUGER",
                                  "MATERIAL", "MATKENNW", "QUERSCHN"};
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = view->topLevelItem(i);
            const bool isUsed = used.contains(item->text(0));
            QCOMPARE(item->text(1), QString(isUsed ? "Ja" : "Nein"));
            QCOMPARE(item->checkState(2), isUsed ? Qt::Checked : Qt::Unchecked);
            QCOMPARE(item->flags(), Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            QCOMPARE(item->textAlignment(1), int(Qt::AlignHCenter | Qt::AlignVCenter));
        }
        QTreeWidgetItem *manufacturers = itemOf(dialog, "HERSTELLER");
        QCOMPARE(manufacturers->text(3), m_exports + "/Hersteller.txt");
        QVERIFY(QFile::exists(m_exports + "/Hersteller.txt"));
        QCOMPARE(manufacturers->childCount(), 5);
        QCOMPARE(manufacturers->child(4)->text(0), QString("KURZZEICHEN"));
        QVERIFY(manufacturers->child(0)->isFirstColumnSpanned());
    }

    void chosenDirectoryIsScannedAndRemembered()
    {
        {
            dlgImport dialog;
            QVERIFY(dialog.findChild<QLabel *>("tlDatei")->text().isEmpty());
            QCOMPARE(tree(dialog)->topLevelItemCount(), 0);
            ModalAnswerer answerer;
            QTest::mouseClick(dialog.findChild<QPushButton *>("pbImportDatei"), Qt::LeftButton);
            QCOMPARE(answerer.messages,
                     QStringList("chooser|Auswahl des Verzeichnisses mit den zu importierenden Dateien"));
            QCOMPARE(tree(dialog)->topLevelItemCount(), 0);  // cancelled

            answerer.directory = m_exports;
            QTest::mouseClick(dialog.findChild<QPushButton *>("pbImportDatei"), Qt::LeftButton);
            QCOMPARE(QDir(dialog.findChild<QLabel *>("tlDatei")->text()), QDir(m_exports));
            QCOMPARE(tree(dialog)->topLevelItemCount(), 10);
        }
        QCOMPARE(QDir(QSettings().value("lastImportDatei").toString()), QDir(m_exports));
    }

    void manufacturerFiles()
    {
        QDir dir(m_exports);
        QVERIFY(dir.remove("Herstell_Waerme.txt"));
        QVERIFY(dir.mkdir("Herstell_Waerme.txt"));  // exists, cannot be read
        remember(m_exports);
        {
            ModalAnswerer answerer;
            dlgImport dialog;
            QCOMPARE(answerer.messages,
                     QStringList("Tabelle importieren|Datei Herstell_Waerme.txt konnte nicht "
                                 "geöffnet werden!"));
            QCOMPARE(tree(dialog)->topLevelItemCount(), 0);
        }

        QVERIFY(dir.rmdir("Herstell_Waerme.txt") && dir.remove("Herstell_Bauart.txt"));
        writeBytes(m_exports + "/Herstell.txt", "ID|HNR|HERSTELLER|VONWAS\r\n1|0|\"A\"|1\r\n");
        {
            dlgImport dialog;
            QVERIFY(tables(dialog).contains("HERSTELLER"));
            QVERIFY(!tables(dialog).contains("HERSTELL"));
            QVERIFY(QFile::exists(m_exports + "/Hersteller.txt"));
        }

        // Beside an existing Hersteller.txt the single file keeps its name,
        // is listed unticked and goes into HERSTELLER when ticked.
        writeBytes(m_exports + "/Herstell.txt",
                   "ID|HNR|HERSTELLER|VONWAS\r\n1|0|\"A\"|1\r\n2|0|\"B\"|1\r\n");
        openTarget();
        dlgImport dialog;
        QCOMPARE(itemOf(dialog, "HERSTELL")->text(1), QString("Nein"));
        for (const QString &table : tables(dialog))
            setTicked(dialog, table, table == "HERSTELL");
        clickImport(dialog);
        QCOMPARE(scalar(m_db, "SELECT group_concat(HERSTELLER || HNR) FROM HERSTELLER"),
                 QString("A1,B2"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM sqlite_master WHERE name='HERSTELL'"),
                 QString("0"));
    }

    void oneFilePerTableAndLeadingEmptyLine()
    {
        for (const char *name : {"WAERMEDB.xyz.txt", "Waermedb.TXT"})
            QVERIFY(QFile::copy(m_exports + "/SAUGER.txt", m_exports + "/" + name));
        QFile sauger(m_exports + "/SAUGER.txt");
        QVERIFY(sauger.open(QIODevice::ReadOnly));
        const QByteArray saugerBytes = sauger.readAll();
        sauger.close();
        writeBytes(m_exports + "/SAUGER.txt", "\r\n" + saugerBytes);
        openTarget();
        remember(m_exports);
        dlgImport dialog;
        dialog.show();
        QCOMPARE(tables(dialog).count("WAERMEDB"), 3);
        QStringList leftOut;
        for (int i = 0; i < tree(dialog)->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = tree(dialog)->topLevelItem(i);
            QCOMPARE(item->text(4), QFileInfo(item->text(3)).fileName());
            if (!(item->flags() & Qt::ItemIsUserCheckable)) {
                leftOut << item->text(4);
                QCOMPARE(item->text(2), QString("ausgelassen"));
                QCOMPARE(item->checkState(2), Qt::Unchecked);
            }
        }
        leftOut.sort();
        QCOMPARE(leftOut, QStringList({"WAERMEDB.xyz.txt", "Waermedb.TXT"}));
        QCOMPARE(itemOf(dialog, "SAUGER")->childCount(), 3);
        QCOMPARE(itemOf(dialog, "SAUGER")->checkState(2), Qt::Checked);

        clickImport(dialog);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM WAERMEDB").toInt(), 42);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM SAUGER").toInt(), 5);
    }

    void importWithoutDatabase()
    {
        remember(m_exports);
        dlgImport dialog;
        ModalAnswerer answerer;
        clickImport(dialog);
        QCOMPARE(answerer.messages, QStringList("Tabelle importieren|Keine Quarnel-Datenbank geladen!"));
        QVERIFY(dialog.findChild<QWidget *>("widgetProgress")->isHidden());
    }

    void tickedTablesAreImported()
    {
        openTarget();
        exec("CREATE TABLE NOTIZEN(NR INTEGER PRIMARY KEY,DATUM,TEXT)");
        exec("INSERT INTO NOTIZEN(DATUM,TEXT) VALUES ('heute','bleibt')");
        exec("CREATE TABLE SAUGER(NR INTEGER PRIMARY KEY,X)");
        exec("INSERT INTO SAUGER(X) VALUES ('bleibt')");
        remember(m_exports);
        dlgImport dialog;
        dialog.show();
        setTicked(dialog, "SAUGER", false);
        ModalAnswerer answerer;
        clickImport(dialog);
        QVERIFY(answerer.messages.isEmpty());
        QVERIFY(!QApplication::overrideCursor());

        QCOMPARE(scalar(m_db, "SELECT count(*) FROM WAERMEDB").toInt(), 42);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM HERSTELLER").toInt(), 6);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM QUERSCHN WHERE WdwInnen IS NOT NULL").toInt(), 10);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM waermedbfts").toInt(), 42);
        QCOMPARE(scalar(m_db, "SELECT X FROM SAUGER"), QString("bleibt"));
        QCOMPARE(scalar(m_db, "SELECT TEXT FROM NOTIZEN"), QString("bleibt"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM sqlite_master WHERE name IN ('HERSTELL_BAUART','HERSTELL_WAERME')"),
                 QString("0"));

        // Progress of the last table, the derivation's messages below.
        QVERIFY(dialog.findChild<QWidget *>("widgetProgress")->isVisible());
        QCOMPARE(dialog.findChild<QLabel *>("labelTableName")->text(), QString("WAERMEDB"));
        QCOMPARE(dialog.findChild<QLCDNumber *>("lcdAnzahl")->intValue(), 42);
        QCOMPARE(dialog.findChild<QProgressBar *>("progBar")->value(), 100);
        QVERIFY(dialog.findChild<QWidget *>("textBrowserFehler")->isVisible());
        QCOMPARE(errorList(dialog), QString::fromUtf8("Fehler DhInnen: Rund ohne Maß11\n"
                                                      "Weder Lambda noch Wdw für Material 14\n"
                                                      "Material fehlt 99"));
        QVERIFY(dialog.findChild<QPushButton *>("pbImportieren")->isEnabled());
        QCOMPARE(tree(dialog)->topLevelItemCount(), 10);
        QCOMPARE(itemOf(dialog, "SAUGER")->checkState(2), Qt::Unchecked);

        // A second press imports again and derives the new QUERSCHN again;
        // the list keeps the earlier lines.
        clickImport(dialog);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM QUERSCHN WHERE WdwInnen IS NOT NULL").toInt(), 10);
        QCOMPARE(errorList(dialog).count('\n'), 5);

        QTest::mouseClick(dialog.findChild<QPushButton *>("pushButton4"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void failuresAreShown()
    {
        openTarget();
        exec("CREATE TABLE KAPUTT(NR INTEGER PRIMARY KEY,A,B)");
        exec("INSERT INTO KAPUTT(A,B) VALUES (1,2)");
        writeBytes(m_exports + "/KAPUTT.txt", "A|B|\r\n1|2|\r\n");
        writeBytes(m_exports + "/LEER.txt", "");
        writeBytes(m_exports + "/WEG.txt", "A|B\r\n1|2\r\n");
        writeBytes(m_exports + "/SAUGER.txt", "HERSTELLER|TYP|DRUCK\r\n\"<b>fett</b>\"|\"x\"\r\n"
                                              "\"A\"|\"S\"|1,5\r\n");
        remember(m_exports);
        dlgImport dialog;
        dialog.show();
        QCOMPARE(itemOf(dialog, "LEER")->childCount(), 0);
        const QStringList ticked = {"KAPUTT", "LEER", "WEG", "SAUGER"};
        for (const QString &table : tables(dialog))
            setTicked(dialog, table, ticked.contains(table));
        QVERIFY(QFile::remove(m_exports + "/WEG.txt"));

        ModalAnswerer answerer;
        clickImport(dialog);
        QCOMPARE(answerer.messages,
                 QStringList({"dbf-Import|Fehler beim Erzeugen der Tabelle 'KAPUTT'",
                              "Tabelle importieren|Datei " + m_exports
                                  + "/WEG.txt konnte nicht geöffnet werden!"}));
        QVERIFY(!QApplication::overrideCursor());
        // The failed table keeps its rows; the empty file makes no table.
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM KAPUTT").toInt(), 1);
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM sqlite_master WHERE name IN ('LEER','WEG')"),
                 QString("0"));
        QCOMPARE(scalar(m_db, "SELECT DRUCK FROM SAUGER"), QString("1.5"));
        const QStringList lines = errorList(dialog).split('\n');
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), QString("Fehler in: INSERT INTO SAUGER(HERSTELLER,TYP,DRUCK) VALUES "
                                      "('<b>fett</b>','x');"));
        QVERIFY(lines.at(1).startsWith("Fehler Text: "));
        QVERIFY(!errorList(dialog).contains("Unable"));
    }

    void progressRepaintsArePaced()
    {
        // An export of 100,000 appliances.
        QByteArray bytes = "HERSTELLER|TYP|NENNLEIST|ABGASTEMP|FOERDERDR|ABGASMASSE|BAUARTTXT|SYSNR\r\n";
        for (int i = 0; i < 100000; ++i)
            bytes += QString("\"W\u00e4rmebau %1\"|\"Q %2\"|%3,5|%4|1%5,2|9,%6|\"Kaminofen\"|%7\r\n")
                         .arg(i % 200)
                         .arg(i)
                         .arg(4 + i % 12)
                         .arg(180 + i % 200)
                         .arg(i % 10)
                         .arg(i % 100)
                         .arg(i % 10 ? QString::number(1 + i % 4) : QString())
                         .toLatin1();
        writeBytes(m_exports + "/WAERMEDB.txt", bytes);
        openTarget();
        remember(m_exports);
        dlgImport dialog;
        dialog.show();
        for (const QString &table : tables(dialog))
            setTicked(dialog, table, table == "WAERMEDB");
        PaintCounter paints(dialog.findChild<QLCDNumber *>("lcdAnzahl"));
        QElapsedTimer clock;
        clock.start();
        clickImport(dialog);
        const double seconds = clock.elapsed() / 1000.0;

        QCOMPARE(scalar(m_db, "SELECT count(*) FROM WAERMEDB").toInt(), 100000);
        QCOMPARE(dialog.findChild<QLCDNumber *>("lcdAnzahl")->intValue(), 100000);
        QCOMPARE(dialog.findChild<QProgressBar *>("progBar")->value(), 100);
        // Repaints by elapsed time: at most 30 a second, not one per row.
        QVERIFY2(paints.count > 0 && paints.count <= 5 + int(30 * seconds),
                 qPrintable(QString("%1 repaints in %2 s").arg(paints.count).arg(seconds)));
    }

    void busyCompanionFileIsNamedOnce()
    {
        openTarget("QSQLITE_BUSY_TIMEOUT=300");
        exec("CREATE TABLE SAUGER(NR INTEGER PRIMARY KEY,X)");
        exec("INSERT INTO SAUGER(X) VALUES ('bleibt')");
        // Another program holds the file.
        TestSupport::OtherProgram other(m_target);
        QVERIFY(other.exec("BEGIN EXCLUSIVE"));
        QVERIFY(isLockedByAnother());

        remember(m_exports);
        dlgImport dialog;
        ModalAnswerer answerer;
        clickImport(dialog);
        QVERIFY(other.exec("ROLLBACK"));

        QCOMPARE(answerer.messages,
                 QStringList("Tabelle importieren|In die Quarnel-Datenbank "
                             + QDir::toNativeSeparators(m_target)
                             + " kann nicht geschrieben werden.\nDie Datei wird von einem anderen "
                               "Programm benutzt und ist gesperrt.\nEs wurde nichts verändert."));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(dialog.findChild<QWidget *>("widgetProgress")->isHidden());
        QVERIFY(errorList(dialog).isEmpty());
        QCOMPARE(scalar(m_db, "SELECT X FROM SAUGER"), QString("bleibt"));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM sqlite_master WHERE name='WAERMEDB'"), QString("0"));
    }

    void readOnlyCompanionFileIsNamedOnce()
    {
        openTarget();
        exec("CREATE TABLE SAUGER(NR INTEGER PRIMARY KEY,X)");
        m_db.close();
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
        openTarget("QSQLITE_OPEN_READONLY");
        remember(m_exports);
        dlgImport dialog;
        ModalAnswerer answerer;
        clickImport(dialog);
        QCOMPARE(answerer.messages.size(), 1);
        QVERIFY2(answerer.messages.first().contains("\nDie Datei ist schreibgeschützt.\n"),
                 qPrintable(answerer.messages.first()));
        QCOMPARE(scalar(m_db, "SELECT count(*) FROM sqlite_master"), QString("2"));
    }

    void longFailingLineIsShortenedInTheList()
    {
        openTarget();
        writeBytes(m_exports + "/SAUGER.txt", "HERSTELLER|TYP|DRUCK\r\n\"A\"|\""
                                                  + QByteArray(1500 * 1024, 'x')
                                                  + "\"|1|2\r\n\"B\"|\"S\"|1,5\r\n");
        remember(m_exports);
        dlgImport dialog;
        dialog.show();
        for (const QString &table : tables(dialog))
            setTicked(dialog, table, table == "SAUGER");
        clickImport(dialog);
        QCOMPARE(scalar(m_db, "SELECT HERSTELLER FROM SAUGER"), QString("B"));
        const QStringList lines = errorList(dialog).split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).size() < 4000);
        QVERIFY(lines.at(0).contains(QString::fromUtf8("(gekürzt, ")));
        QCOMPARE(lines.at(1), QString("Fehler Text: 4 values for 3 columns"));
    }
};

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
