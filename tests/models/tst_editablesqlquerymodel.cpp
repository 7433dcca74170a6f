#include "appsettings.h"
#include "editablesqlquerymodel.h"
#include "testsupport.h"

#include <QDataStream>
#include <QFont>
#include <QMimeData>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

namespace {

// Opens the protected lists for inspection and records the setData calls
// that reach a subclass, the way the table models receive them.
class ProbeModel : public EditableSqlQueryModel
{
public:
    using EditableSqlQueryModel::boolColumns;
    using EditableSqlQueryModel::columnNames;
    using EditableSqlQueryModel::numericColumns;
    using EditableSqlQueryModel::pendingEdits;
    using EditableSqlQueryModel::referenceColumns;
    using EditableSqlQueryModel::referenceTexts;
    using EditableSqlQueryModel::queryText;

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        calls << qMakePair(qMakePair(index.row(), index.column()), value);
        return EditableSqlQueryModel::setData(index, value, role);
    }
    bool isInCurrentGroup(const QModelIndex &index) const override
    {
        return !currentGroup.isEmpty() && index.row() == 0;
    }

    QList<QPair<QPair<int, int>, QVariant>> calls;
};

QByteArray textList(const QStringList &texts)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << texts;
    return bytes;
}

} // namespace

class TestEditableSqlQueryModel : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QSqlDatabase m_db;

    void exec(const QString &sql)
    {
        QSqlQuery q(m_db);
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        AppSettings *s = AppSettings::instance();
        s->allFilter.clear();
        s->queryFailed = false;
        s->failedQuery.clear();
        s->manufacturerMode = false;
        m_db = TestSupport::openKolvex(TestSupport::copyDemoDatabase(m_dir.path()));
        // One table per declared kind the model tells apart.
        exec("CREATE TABLE leer (Id INTEGER PRIMARY KEY, Name TEXT)");
        exec("CREATE TABLE kinds (\n  Id INTEGER PRIMARY KEY,\n  Flag BOOLEAN DEFAULT 0,\n"
             "  Zahl NUMERIC,\n  Wert REAL,\n  Dbl DOUBLE,\n  Txt TEXT,\n"
             "  Kat INTEGER REFERENCES Bildkategorie,\n  RefLeer INTEGER REFERENCES leer,\n"
             "  RefParen INTEGER REFERENCES Bildkategorie(Id),\n"
             "  RefSpace NUM REFERENCES Bildkategorie (Id),\n  RefNone INTEGER REFERENCES\"Bildkategorie\"\n)");
        for (int i = 1; i <= 10; ++i)
            exec(QString("INSERT INTO kinds VALUES (%1, %2, %3, %4, 1.5, 't%1', %5, 1, 1, 2, 3)")
                     .arg(i)
                     .arg(i % 2)
                     .arg(i == 2 ? "NULL" : QString::number(i % 3))
                     .arg(i % 4 == 0 ? "0.0" : QString::number(i * 0.5))
                     .arg(i == 3 ? "NULL" : i == 4 ? "99" : QString::number(1 + i % 5)));
        exec("CREATE TABLE empty (Id INTEGER PRIMARY KEY, Flag BOOL, Name TEXT)");
    }

    void cleanup()
    {
        m_db = QSqlDatabase();
        TestSupport::closeAllConnections();
    }

    void columnKindsFollowTheDeclarations()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds", m_db);
        QCOMPARE(m.columnNames, QStringList({"ID", "FLAG", "ZAHL", "WERT", "DBL", "TXT", "KAT",
                                             "REFLEER", "REFPAREN", "REFSPACE", "REFNONE"}));
        QCOMPARE(m.boolColumns, QStringList({"FLAG"}));
        // An empty target table, a parenthesised target without a blank and a
        // missing target all leave a plain number.
        QCOMPARE(m.numericColumns,
                 QStringList({"ID", "ZAHL", "WERT", "REFLEER", "REFPAREN", "REFNONE"}));
        QCOMPARE(m.referenceColumns, QStringList({"KAT", "REFSPACE"}));
        QCOMPARE(m.referenceTexts.keys(), QStringList({"KAT", "REFSPACE"}));
        QCOMPARE(m.referenceTextsFor("kat").value(2), QString("Kachelofen"));
        QCOMPARE(m.referenceTextsFor("Kat").size(), 5);
        QVERIFY(m.referenceTextsFor("ZAHL").isEmpty());

        const QModelIndex flag = m.index(0, 1);
        QVERIFY(m.isBoolColumn(flag) && !m.isNumericColumn(flag) && !m.isReferenceColumn(flag));
        QVERIFY(m.isNumericColumn(m.index(0, 3)));
        QVERIFY(!m.isNumericColumn(m.index(0, 4)));   // DOUBLE is no number here
        QVERIFY(m.isReferenceColumn(m.index(0, 6)));
        QVERIFY(!m.isBoolColumn(QModelIndex()));
        QCOMPARE(m.columnName(m.index(0, 6)), QString("KAT"));
        QCOMPARE(m.columnName(QModelIndex()), QString());
        QCOMPARE(m.fieldIndex("refSpace"), 9);
        QCOMPARE(m.fieldIndex("nichtda"), -1);
    }

    void demoSchemaReferencesAndFlags()
    {
        ProbeModel m;
        m.setQuery("SELECT TirmaId, HrstId, Typ, TirmaAlt, BREITE FROM Geraete ORDER BY TirmaId",
                   m_db);
        QCOMPARE(m.referenceColumns, QStringList({"HRSTID"}));
        QVERIFY(m.boolColumns.contains("TIRMAALT"));
        QVERIFY(m.numericColumns.contains("BREITE"));
        QCOMPARE(m.referenceTextsFor("HRSTID").value(58), QString("Kaminwerk Nordheim"));
        const int row = m.match(m.index(0, 0), Qt::EditRole, 25000).value(0).row();
        QCOMPARE(m.data(m.index(row, 1)).toString(), QString("Kaminwerk Nordheim"));
        QCOMPARE(m.data(m.index(row, 1), Qt::EditRole).toInt(), 58);
    }

    void tableListEndsAtTheFirstBlank()
    {
        ProbeModel joined;
        joined.setQuery("SELECT WerteId, Opt_Kat, HrstId FROM Werte,Geraete "
                        "WHERE Werte.Geraet=Geraete.TirmaId",
                        m_db);
        QCOMPARE(joined.referenceColumns.contains("OPT_KAT"), true);
        QCOMPARE(joined.referenceColumns.contains("HRSTID"), true);

        ProbeModel spaced;
        spaced.setQuery("SELECT WerteId, Opt_Kat, HrstId FROM Werte, Geraete "
                        "WHERE Werte.Geraet=Geraete.TirmaId",
                        m_db);
        QVERIFY(spaced.referenceColumns.contains("OPT_KAT"));
        QVERIFY(!spaced.referenceColumns.contains("HRSTID"));
        QVERIFY(!spaced.numericColumns.contains("HRSTID"));
        QCOMPARE(spaced.rowCount(), joined.rowCount());
    }

    void kindsAreLearnedOnlyWhenTheColumnPartChanges()
    {
        ProbeModel m;
        m.setQuery("SELECT Id, Kat, RefLeer FROM kinds WHERE Id > 0", m_db);
        QVERIFY(!m.referenceColumns.contains("REFLEER"));
        exec("INSERT INTO leer VALUES (1, 'eins')");
        exec("INSERT INTO Bildkategorie VALUES (6, 'Neu')");

        m.setQuery("SELECT Id, Kat, RefLeer FROM kinds WHERE Id > 5", m_db);
        QCOMPARE(m.rowCount(), 6);
        QVERIFY(!m.referenceColumns.contains("REFLEER"));
        QVERIFY(!m.referenceTextsFor("KAT").contains(6));

        m.setQuery("SELECT Id, Kat, RefLeer, Txt FROM kinds WHERE Id > 5", m_db);
        QVERIFY(m.referenceColumns.contains("REFLEER"));
        QCOMPARE(m.referenceTextsFor("KAT").value(6), QString("Neu"));
        QCOMPARE(m.fieldIndex("TXT"), 3);
    }

    void subSelectBelongsToTheColumnPart()
    {
        ProbeModel m;
        m.setQuery("SELECT Id, Kat FROM kinds WHERE Id > 0 AND Id IN (SELECT Id FROM kinds)",
                   m_db);
        exec("INSERT INTO Bildkategorie VALUES (6, 'Neu')");
        // After the last " FROM" nothing counts.
        m.setQuery("SELECT Id, Kat FROM kinds WHERE Id > 0 AND Id IN (SELECT Id FROM kinds "
                   "WHERE Zahl > 0)",
                   m_db);
        QVERIFY(!m.referenceTextsFor("KAT").contains(6));
        // Greedy: the column part runs to the last " FROM", so a changed outer
        // condition in front of a sub-select is a changed column part.
        m.setQuery("SELECT Id, Kat FROM kinds WHERE Id > 1 AND Id IN (SELECT Id FROM kinds "
                   "WHERE Zahl > 0)",
                   m_db);
        QCOMPARE(m.referenceTextsFor("KAT").value(6), QString("Neu"));
        QCOMPARE(m.rowCount(), 6);
    }

    void emptyTableShowsOneNewRecordRow()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM empty", m_db);
        QCOMPARE(m.rowCount(), 1);
        QCOMPARE(m.recordCount(), 0);
        QVERIFY(m.isNewRecordRow(0));
        QCOMPARE(m.headerData(0, Qt::Vertical).toString(), QString("*"));
        QCOMPARE(m.data(m.index(0, 2)).toString(), QString());
        QCOMPARE(m.data(m.index(0, 1)).toString(), QString());
        QVERIFY(!(m.flags(m.index(0, 2)) & Qt::ItemIsDragEnabled));
        QVERIFY(m.flags(m.index(0, 2)) & Qt::ItemIsEditable);
        QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QString("Id"));
    }

    void newRecordRowFollowsTheRecords()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        QCOMPARE(m.rowCount(), 11);
        QCOMPARE(m.headerData(10, Qt::Vertical).toString(), QString("*"));
        QCOMPARE(m.headerData(9, Qt::Vertical).toInt(), 10);
        QVERIFY(m.flags(m.index(9, 5)) & Qt::ItemIsDragEnabled);
        QVERIFY(!(m.flags(m.index(10, 5)) & Qt::ItemIsDragEnabled));
        QVERIFY(!m.data(m.index(10, 5), Qt::EditRole).isValid());
        // The empty area below the rows accepts drops (the paste then writes nothing).
        const Qt::ItemFlags below = m.flags(QModelIndex());
        QVERIFY(below & Qt::ItemIsDragEnabled);
        QVERIFY(below & Qt::ItemIsEditable);
        QVERIFY(below & Qt::ItemIsDropEnabled);
    }

    void flagsShowACrossAndToggleThroughSetData()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        const QModelIndex one = m.index(0, 1);   // Id 1: Flag 1
        const QModelIndex zero = m.index(1, 1);  // Id 2: Flag 0
        QCOMPARE(m.data(one).toString(), QString(QChar(0x00D7)));
        QCOMPARE(m.data(zero).toString(), QString());
        const Qt::ItemFlags f = m.flags(one);
        QVERIFY(!(f & Qt::ItemIsEditable));
        QVERIFY(f & Qt::ItemIsDropEnabled);
        QVERIFY(f & Qt::ItemIsDragEnabled);
        QCOMPARE(m.data(one, Qt::FontRole).value<QFont>().family(), QString("Sans"));
        QCOMPARE(m.data(one, Qt::FontRole).value<QFont>().pointSize(), 14);
        QCOMPARE(m.data(one, Qt::TextAlignmentRole).toInt(), 0x84);
        QCOMPARE(m.data(one, Qt::ForegroundRole).value<QColor>(), QColor(Qt::darkGreen));

        QVERIFY(m.indexClicked(one, nullptr));
        QVERIFY(m.indexClicked(zero, nullptr));
        QCOMPARE(m.calls.size(), 2);
        QCOMPARE(m.calls.at(0).second.toInt(), 0);
        QCOMPARE(m.calls.at(1).second.toInt(), 1);
        QCOMPARE(m.data(one).toString(), QString());
        QCOMPARE(m.data(zero).toString(), QString(QChar(0x00D7)));
        QVERIFY(m.indexClicked(one, nullptr));
        QCOMPARE(m.data(one, Qt::EditRole).toInt(), 1);

        QVERIFY(!m.indexClicked(m.index(0, 5), nullptr));
        QCOMPARE(m.calls.size(), 3);
    }

    void numbersAndReferencesHideZeroButEditRaw()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        const int zahl = m.fieldIndex("ZAHL"), wert = m.fieldIndex("WERT"),
                  kat = m.fieldIndex("KAT"), dbl = m.fieldIndex("DBL");
        // Id 3: Zahl 0, Id 2: Zahl NULL, Id 4: Wert 0.0.
        QCOMPARE(m.data(m.index(2, zahl)).toString(), QString());
        QCOMPARE(m.data(m.index(2, zahl), Qt::EditRole).toInt(), 0);
        QVERIFY(m.data(m.index(2, zahl), Qt::EditRole).isValid());
        QCOMPARE(m.data(m.index(1, zahl)).toString(), QString());
        QVERIFY(m.data(m.index(1, zahl), Qt::EditRole).isNull());
        QCOMPARE(m.data(m.index(3, wert)).toString(), QString());
        QCOMPARE(m.data(m.index(3, wert), Qt::EditRole).toDouble(), 0.0);
        QCOMPARE(m.data(m.index(4, wert)).toDouble(), 2.5);
        QCOMPARE(m.data(m.index(0, zahl), Qt::TextAlignmentRole).toInt(), 0x82);
        QCOMPARE(m.data(m.index(0, zahl), Qt::SizeHintRole).toSize(), QSize(60, 0));
        QVERIFY(!m.data(m.index(0, dbl), Qt::SizeHintRole).isValid());
        QVERIFY(!m.data(m.index(0, dbl), Qt::TextAlignmentRole).isValid());
        QCOMPARE(m.data(m.index(0, dbl)).toDouble(), 1.5);

        // Id 1: Kat 2; Id 3: NULL; Id 4: 99 (no such category).
        QCOMPARE(m.data(m.index(0, kat)).toString(), QString("Kachelofen"));
        QCOMPARE(m.data(m.index(0, kat), Qt::EditRole).toInt(), 2);
        QCOMPARE(m.data(m.index(2, kat)).toString(), QString());
        QCOMPARE(m.data(m.index(3, kat)).toString(), QString());
        QCOMPARE(m.data(m.index(3, kat), Qt::EditRole).toInt(), 99);
    }

    void overlayShowsEditsUntilRefresh()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        const QModelIndex txt = m.index(0, m.fieldIndex("TXT"));
        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        QVERIFY(m.setData(txt, "neu", Qt::EditRole));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), txt);
        QCOMPARE(m.data(txt).toString(), QString("neu"));
        QCOMPARE(m.data(txt, Qt::EditRole).toString(), QString("neu"));
        QVERIFY(!m.setData(txt, "neu", Qt::EditRole));
        QVERIFY(!m.setData(QModelIndex(), "x", Qt::EditRole));
        // The base writes nothing.
        QCOMPARE(TestSupport::scalar(m_db, "SELECT Txt FROM kinds WHERE Id=1"), QString("t1"));

        exec("INSERT INTO kinds (Id, Txt) VALUES (11, 'elf')");
        m.refresh();
        QVERIFY(m.pendingEdits.isEmpty());
        QCOMPARE(m.data(txt).toString(), QString("t1"));
        QCOMPARE(m.rowCount(), 12);
        QCOMPARE(m.headerData(11, Qt::Vertical).toString(), QString("*"));

        QVERIFY(m.setData(txt, "wieder", Qt::EditRole));
        m.setQuery("SELECT * FROM kinds WHERE Id < 5 ORDER BY Id", m_db);
        QVERIFY(m.pendingEdits.isEmpty());
        QCOMPARE(m.rowCount(), 5);
    }

    void failingTrialStatementKeepsTheModel()
    {
        AppSettings *s = AppSettings::instance();
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        QVERIFY(m.setData(m.index(0, 5), "bleibt", Qt::EditRole));
        s->allFilter = "Typ LIKE '%x%'";
        const QString bad = "SELECT * FROM kinds WHERE nichtda = 1";
        m.setQuery(bad, m_db);
        QVERIFY(s->queryFailed);
        QCOMPARE(s->failedQuery, bad);
        QCOMPARE(m.rowCount(), 11);
        QCOMPARE(m.queryText, QString("SELECT * FROM kinds ORDER BY Id"));
        QCOMPARE(m.data(m.index(0, 5)).toString(), QString("bleibt"));
        QCOMPARE(m.boolColumns, QStringList({"FLAG"}));

        m.setQuery("SELECT * FROM kinds WHERE Id = 1", m_db);
        QVERIFY(!s->queryFailed);
        QCOMPARE(m.rowCount(), 2);
    }

    void groupMarking()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
        m.setCurrentGroup("1#2");
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), m.index(0, 0));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), m.index(10, 10));
        QVERIFY(changed.at(0).at(2).value<QVector<int>>().isEmpty());
        QCOMPARE(m.data(m.index(0, 3), Qt::UserRole).toInt(), 1);
        QCOMPARE(m.data(m.index(1, 3), Qt::UserRole).toInt(), 0);
        QCOMPARE(m.data(m.index(0, 3), Qt::BackgroundRole).value<QColor>(),
                 QColor(200, 200, 0, 122));
        QVERIFY(!m.data(m.index(1, 3), Qt::BackgroundRole).isValid());

        EditableSqlQueryModel base;
        base.setQuery("SELECT * FROM kinds", m_db);
        base.setCurrentGroup("1#2");
        QCOMPARE(base.data(base.index(0, 0), Qt::UserRole).toInt(), 0);
        QVERIFY(!base.data(base.index(0, 0), EditableSqlQueryModel::ContextActionsRole).isValid());
    }

    void dragsTheEditTexts()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        QCOMPARE(m.mimeTypes(), QStringList({"text/plain"}));
        QVERIFY(m.setData(m.index(1, 5), "über", Qt::EditRole));
        std::unique_ptr<QMimeData> mime(
            m.mimeData({m.index(0, 5), m.index(1, 5), m.index(2, 2), m.index(0, 1)}));
        QVERIFY(mime->hasFormat("text/plain"));
        QDataStream in(mime->data("text/plain"));
        QStringList texts;
        in >> texts;
        QCOMPARE(texts, QStringList({"t1", "über", "0", "1"}));
    }

    void dropFillsTheColumnDownwards()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        const int txt = m.fieldIndex("TXT");
        QMimeData mime;
        mime.setData("text/plain", textList({"a", "b", "c"}));
        // row and column arguments are ignored: the cell dropped on counts.
        QVERIFY(m.dropMimeData(&mime, Qt::CopyAction, 2, 0, m.index(5, txt)));
        QCOMPARE(m.calls.size(), 3);
        QCOMPARE(m.data(m.index(5, txt)).toString(), QString("a"));
        QCOMPARE(m.data(m.index(6, txt)).toString(), QString("b"));
        QCOMPARE(m.data(m.index(7, txt)).toString(), QString("c"));
        QCOMPARE(m.data(m.index(8, txt)).toString(), QString("t9"));
        QCOMPARE(m.data(m.index(4, txt)).toString(), QString("t5"));

        // On the second-to-last record: that record, the last one, the new-record row.
        m.calls.clear();
        QVERIFY(m.dropMimeData(&mime, Qt::CopyAction, -1, -1, m.index(8, txt)));
        QCOMPARE(m.calls.size(), 3);
        QCOMPARE(m.calls.at(2).first, qMakePair(10, txt));
        QCOMPARE(m.data(m.index(10, txt)).toString(), QString("c"));

        // Past the new-record row nothing more is written.
        m.calls.clear();
        QVERIFY(m.dropMimeData(&mime, Qt::CopyAction, -1, -1, m.index(10, 0)));
        QCOMPARE(m.calls.size(), 1);

        m.calls.clear();
        QVERIFY(m.dropMimeData(&mime, Qt::CopyAction, -1, -1, QModelIndex()));
        QVERIFY(m.calls.isEmpty());

        QMimeData other;
        other.setData("text/csv", "1#2");
        QVERIFY(!m.dropMimeData(&other, Qt::CopyAction, -1, -1, m.index(0, txt)));
    }

    void foreignPlainTextIsIgnored()
    {
        ProbeModel m;
        m.setQuery("SELECT * FROM kinds ORDER BY Id", m_db);
        QMimeData mime;
        // Starts with a count of about 1.2 billion texts that are not there.
        mime.setText("Hello from another program");
        QVERIFY(!m.dropMimeData(&mime, Qt::CopyAction, -1, -1, m.index(0, 5)));
        QByteArray truncated = textList({"a", "b"});
        truncated.chop(3);
        mime.setData("text/plain", truncated);
        QVERIFY(!m.dropMimeData(&mime, Qt::CopyAction, -1, -1, m.index(0, 5)));
        QVERIFY(m.calls.isEmpty());
        QCOMPARE(m.data(m.index(0, 5)).toString(), QString("t1"));
    }
};

QTEST_MAIN(TestEditableSqlQueryModel)
#include "tst_editablesqlquerymodel.moc"
