#include "appsettings.h"
#include "baustoffemodel.h"
#include "combospinwgt.h"
#include "dbconnections.h"
#include "editablesqlquerymodel.h"
#include "editablesqlquerymodeldelegate.h"
#include "editablesqlquerymodelformdelegate.h"
#include "editornote.h"
#include "feuerraummodel.h"
#include "formpage.h"
#include "geraetemodel.h"
#include "numberedit.h"
#include "resources.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDataWidgetMapper>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStackedWidget>
#include <QToolButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

#include <limits>

#include "wertemodel.h"

namespace {

// The model of a page for table, which writes every edit to the file.
EditableSqlQueryModel *storingModel(const QString &table, const QString &sql, QObject *parent)
{
    if (table == "Werte") {
        auto *m = new WerteModel(parent);
        m->setQuery(sql, kolvexDb());
        return m;
    }
    if (table == "Geraete") {
        auto *m = new GeraeteModel(parent);
        m->setQuery(sql, kolvexDb());
        return m;
    }
    EditableSqlQueryModel *m = table == "Baustoffe"
                                   ? static_cast<EditableSqlQueryModel *>(new BaustoffeModel(parent))
                                   : new FeuerraumModel(parent);
    m->setQuery(sql, kolvexDb());
    return m;
}

// All values of one record as the file holds them ("NULL" for none).
QString recordInFile(const QString &sql)
{
    QSqlQuery q(kolvexDb());
    if (!q.exec(sql) || !q.next())
        return QString();
    QStringList values;
    for (int i = 0; i < q.record().count(); ++i)
        values << (q.isNull(i) ? QStringLiteral("NULL") : q.value(i).toString());
    return values.join('|');
}

} // namespace

// Cell editors of the table views and the form pages on the demo database.
class TestDelegates : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_dbFile;

    // A table view with a plain line edit beside it to take the focus.
    // One field of a record form: its editor made by the form delegate and
    // mapped to column field, followed by a line edit to move the focus to.
    struct FormWindow
    {
        QWidget form;
        QLineEdit *elsewhere;
        EditableSqlQueryModel *model;
        EditableSqlQueryModelFormDelegate *delegate;
        QDataWidgetMapper mapper;
        int column;
        QWidget *editor;

        FormWindow(const QString &sql, const char *field)
        {
            model = new EditableSqlQueryModel(&form);
            model->setQuery(sql, kolvexDb());
            delegate = new EditableSqlQueryModelFormDelegate(model);
            mapper.setModel(model);
            mapper.setItemDelegate(delegate);
            column = model->fieldIndex(field);
            editor = delegate->createEditor(nullptr, QStyleOptionViewItem(), model->index(0, column));
            elsewhere = new QLineEdit;
            auto *layout = new QVBoxLayout(&form);
            layout->addWidget(editor);
            layout->addWidget(elsewhere);
            mapper.addMapping(editor, column);
        }

        bool show()
        {
            form.show();
            QApplication::setActiveWindow(&form);
            return QTest::qWaitForWindowActive(&form);
        }

        QVariant stored(int row) const { return model->data(model->index(row, column), Qt::EditRole); }
    };

    struct TableWindow
    {
        QWidget window;
        QTableView *view;
        QLineEdit *elsewhere;
        EditableSqlQueryModel *model;

        explicit TableWindow(const QString &sql)
        {
            model = new EditableSqlQueryModel(&window);
            model->setQuery(sql, kolvexDb());
            view = new QTableView(&window);
            view->setModel(model);
            view->setItemDelegate(new EditableSqlQueryModelDelegate(model));
            elsewhere = new QLineEdit(&window);
            auto *layout = new QVBoxLayout(&window);
            layout->addWidget(view);
            layout->addWidget(elsewhere);
            window.resize(700, 400);
            window.show();
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }

        QModelIndex cell(int row, const QString &column) const
        {
            return model->index(row, model->fieldIndex(column));
        }

        template <typename T> T *openEditor(const QModelIndex &index)
        {
            view->setCurrentIndex(index);
            view->edit(index);
            return view->viewport()->findChild<T *>();
        }
    };

    // TW between 10 and 1500, as the tuning of that column could say.
    static void setTwBounds()
    {
        QSettings settings;
        settings.setValue("Combospins/WerteModel_Editor_TW_Min", "10");
        settings.setValue("Combospins/WerteModel_Editor_TW_Max", "1500");
        settings.sync();
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        initKolvexResources();
        AppSettings::instance();   // seeds the "Combospins" defaults
        QVERIFY(m_dir.isValid());
        m_dbFile = TestSupport::copyDemoDatabase(m_dir.path());
        TestSupport::openKolvex(m_dbFile, false);
    }

    void init()
    {
        AppSettings::instance()->manufacturerMode = false;
        AppSettings::instance()->imagesPath = m_dir.path() + "/nopictures";
    }

    void referenceColumnEditsThroughTheDropDown()
    {
        TableWindow t("SELECT TirmaId, HrstId, Typ1 FROM Geraete WHERE TirmaId = 25000");
        const QModelIndex index = t.cell(0, "HrstId");
        QVERIFY(t.model->isReferenceColumn(index));
        auto *box = t.openEditor<QComboBox>(index);
        QVERIFY(box);

        QSqlQuery q(kolvexDb());
        QVERIFY(q.exec("SELECT Id, Name FROM Hersteller ORDER BY Id"));
        QStringList names;
        QList<int> keys;
        while (q.next()) {
            keys << q.value(0).toInt();
            names << q.value(1).toString();
        }
        QCOMPARE(box->count(), names.size());
        for (int i = 0; i < box->count(); ++i) {
            QCOMPARE(box->itemText(i), names.at(i));
            QCOMPARE(box->itemData(i, Qt::UserRole).toInt(), keys.at(i));
            QVERIFY(box->itemIcon(i).isNull());
        }
        QCOMPARE(box->currentData().toInt(), 58);
        QCOMPARE(box->geometry(), t.view->visualRect(index));

        // Choosing commits at once and stores the key.
        const int next = keys.at(keys.indexOf(58) + 1);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(t.model->data(index, Qt::EditRole).toInt(), next);
        QCOMPARE(t.model->data(index).toString(), names.at(keys.indexOf(next)));
    }

    void unknownReferenceKeepsTheFirstItem()
    {
        TableWindow t("SELECT TirmaId, HrstId FROM Geraete WHERE TirmaId = 25000");
        const QModelIndex index = t.cell(0, "HrstId");
        t.model->setData(index, 4711);
        auto *box = t.openEditor<QComboBox>(index);
        QVERIFY(box);
        QCOMPARE(box->currentIndex(), 0);
    }

    // A column nobody tuned takes every number as typed: no bounds, no
    // rounding, all decimals shown.
    void numberColumnWithoutTuningUsesTheDefaults()
    {
        TableWindow t("SELECT WerteId, PWMAX, BEMERKUNG FROM Werte WHERE WerteId = 70000");
        QSettings settings;
        QVERIFY(!settings.contains("Combospins/WerteModel_Editor_PWMAX_Combo"));
        const QModelIndex index = t.cell(0, "PWMAX");
        t.model->setData(index, 18.123456);
        auto *csb = t.openEditor<combospinWgt>(index);
        QVERIFY(csb);
        QCOMPARE(csb->settingsKey(), QString("WerteModel_Editor_PWMAX"));
        QCOMPARE(csb->spinStep(), 0.5);
        QCOMPARE(csb->min(), std::numeric_limits<double>::lowest());
        QCOMPARE(csb->max(), std::numeric_limits<double>::max());
        QCOMPARE(csb->maxDecimals(), 15);
        QCOMPARE(csb->comboWerte(), QString("1:5:0.5;6:20:1;22:34:2;35:200:5"));
        QVERIFY(!csb->showEinheit());
        QCOMPARE(csb->lineEdit()->text(), QString("18.123456"));

        auto *line = t.openEditor<QLineEdit>(t.cell(0, "BEMERKUNG"));
        QVERIFY(line);
        QVERIFY(!qobject_cast<numberEdit *>(line));
    }

    void storedTuningAndFocusLossCommit()
    {
        QSettings settings;
        settings.setValue("Combospins/WerteModel_Editor_BREITE_SpinStep", "2");
        settings.setValue("Combospins/WerteModel_Editor_BREITE_Max", "600");
        settings.setValue("Combospins/WerteModel_Editor_BREITE_Einheit", "mm");
        settings.sync();
        TableWindow t("SELECT TirmaId, BREITE FROM Geraete WHERE TirmaId = 25000");
        const QModelIndex index = t.cell(0, "BREITE");
        auto *csb = t.openEditor<combospinWgt>(index);
        QVERIFY(csb);
        QCOMPARE(csb->spinStep(), 2.0);
        QCOMPARE(csb->max(), 600.0);
        QCOMPARE(csb->maxDecimals(), 3);   // seeded default "0x3"
        QCOMPARE(csb->einheit(), QString("mm"));
        QVERIFY(csb->findChild<QLabel *>("einheitLabel")->isHidden());
        QCOMPARE(csb->lineEdit()->text(), QString("561.9"));

        QTest::keyClick(csb->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(csb->lineEdit(), "480,25");
        t.elsewhere->setFocus(Qt::TabFocusReason);
        QCOMPARE(t.model->data(index, Qt::EditRole).toDouble(), 480.25);
        QTRY_VERIFY(!t.view->viewport()->findChild<combospinWgt *>());

        // Clamped at the end of the edit: the bound is what gets stored.
        csb = t.openEditor<combospinWgt>(index);
        QVERIFY(csb);
        QTest::keyClick(csb->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(csb->lineEdit(), "900");
        t.elsewhere->setFocus(Qt::TabFocusReason);
        QCOMPARE(t.model->data(index, Qt::EditRole).toDouble(), 600.0);
    }

    void formFlagsBecomeCheckBoxes()
    {
        auto *model = new EditableSqlQueryModel(this);
        model->setQuery("SELECT TirmaId, FLAG_M, FLAG_R, BREITE FROM Geraete "
                        "WHERE TirmaId = 25000", kolvexDb());
        auto *delegate = new EditableSqlQueryModelFormDelegate(model);
        QWidget form;
        QDataWidgetMapper mapper;
        mapper.setModel(model);
        mapper.setItemDelegate(delegate);
        QList<QWidget *> editors;
        for (const char *column : {"FLAG_M", "FLAG_R", "BREITE"}) {
            const int c = model->fieldIndex(column);
            QWidget *editor = delegate->createEditor(nullptr, QStyleOptionViewItem(),
                                                     model->index(0, c));
            editor->setParent(&form);
            mapper.addMapping(editor, c);
            editors << editor;
        }
        QSignalSpy commits(delegate, &QAbstractItemDelegate::commitData);
        mapper.toFirst();
        auto *flagM = qobject_cast<QCheckBox *>(editors.at(0));
        auto *flagR = qobject_cast<QCheckBox *>(editors.at(1));
        QVERIFY(flagM && flagR);
        QVERIFY(!flagM->isChecked());   // FLAG_M 0
        QVERIFY(flagR->isChecked());    // FLAG_R 1
        QCOMPARE(commits.count(), 0);   // showing a record writes nothing
        auto *breite = qobject_cast<combospinWgt *>(editors.at(2));
        QVERIFY(breite);
        QVERIFY(breite->showEinheit());

        flagM->setChecked(true);
        QCOMPARE(commits.count(), 1);
        QCOMPARE(model->data(model->index(0, model->fieldIndex("FLAG_M")), Qt::EditRole),
                 QVariant(true));
        flagR->setChecked(false);
        QCOMPARE(model->data(model->index(0, model->fieldIndex("FLAG_R")), Qt::EditRole),
                 QVariant(false));
    }

    void pictureChooserListsNumbersInOrder()
    {
        const QString pictures = m_dir.path() + "/pictures";
        QDir().mkpath(pictures);
        QImage image(16, 16, QImage::Format_RGB32);
        for (int n : {10, 2, 1, 5}) {
            image.fill(QColor(20 * n, 100, 50));
            QVERIFY(image.save(QString("%1/Bild%2_scaled.png").arg(pictures).arg(n)));
        }
        QFile other(pictures + "/Bild3.png");
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        AppSettings::instance()->imagesPath = pictures;
        QCOMPARE(EditableSqlQueryModelFormDelegate::pictureNumbers(pictures),
                 (QList<int>{1, 2, 5, 10}));

        auto *model = new EditableSqlQueryModel(this);
        model->setQuery("SELECT WerteId, BildId, TW FROM Werte WHERE WerteId = 70000",
                        kolvexDb());
        EditableSqlQueryModelFormDelegate delegate(model);
        const QModelIndex picture = model->index(0, model->fieldIndex("BILDID"));
        QScopedPointer<QWidget> editor(
            delegate.createEditor(nullptr, QStyleOptionViewItem(), picture));
        auto *chooser = qobject_cast<QComboBox *>(editor.data());
        QVERIFY(chooser);
        QCOMPARE(chooser->iconSize(), QSize(80, 80));
        QCOMPARE(chooser->count(), 4);
        QStringList texts;
        for (int i = 0; i < chooser->count(); ++i) {
            texts << chooser->itemText(i);
            QCOMPARE(chooser->itemData(i).toInt(), chooser->itemText(i).toInt());
            QVERIFY(!chooser->itemIcon(i).isNull());
        }
        QCOMPARE(texts, (QStringList{"1", "2", "5", "10"}));

        delegate.setEditorData(chooser, picture);   // BildId 5
        QCOMPARE(chooser->currentText(), QString("5"));
        QSignalSpy commits(&delegate, &QAbstractItemDelegate::commitData);
        QTest::keyClick(chooser, Qt::Key_Down);
        QCOMPARE(commits.count(), 1);
        delegate.setModelData(chooser, model, picture);
        QCOMPARE(model->data(picture, Qt::EditRole).toInt(), 10);

        // A number without a file selects nothing and is never overwritten.
        model->setData(picture, 7);
        delegate.setEditorData(chooser, picture);
        QCOMPARE(chooser->currentIndex(), -1);
        delegate.setModelData(chooser, model, picture);
        QCOMPARE(model->data(picture, Qt::EditRole).toInt(), 7);

        // The other columns keep the table editors, with the unit shown.
        QScopedPointer<QWidget> tw(delegate.createEditor(
            nullptr, QStyleOptionViewItem(), model->index(0, model->fieldIndex("TW"))));
        auto *csb = qobject_cast<combospinWgt *>(tw.data());
        QVERIFY(csb);
        QCOMPARE(csb->einheit(), QString("°C"));
        QVERIFY(!csb->findChild<QLabel *>("einheitLabel")->isHidden());
    }

    void missingPictureDirectoryGivesAnEmptyChooser()
    {
        auto *model = new EditableSqlQueryModel(this);
        model->setQuery("SELECT WerteId, BildId FROM Werte WHERE WerteId = 70000", kolvexDb());
        EditableSqlQueryModelFormDelegate delegate(model);
        const QModelIndex picture = model->index(0, 1);
        QScopedPointer<QWidget> editor(
            delegate.createEditor(nullptr, QStyleOptionViewItem(), picture));
        auto *chooser = qobject_cast<QComboBox *>(editor.data());
        QVERIFY(chooser);
        QCOMPARE(chooser->count(), 0);
        delegate.setEditorData(chooser, picture);
        delegate.setModelData(chooser, model, picture);
        QCOMPARE(model->data(picture, Qt::EditRole).toInt(), 5);
    }

    // ---------------------------------------------------------- bounds on every way out

    void tableEditsEndWithinTheBounds_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<double>("stored");
        QTest::newRow("Return below") << "5" << "Return" << 10.0;
        QTest::newRow("Enter above") << "2000" << "Enter" << 1500.0;
        QTest::newRow("Tab below") << "3" << "Tab" << 10.0;
        QTest::newRow("Backtab above") << "1600" << "Backtab" << 1500.0;
        QTest::newRow("focus loss below") << "2" << "focus" << 10.0;
        QTest::newRow("Return inside") << "12,5" << "Return" << 12.5;
    }

    void tableEditsEndWithinTheBounds()
    {
        QFETCH(QString, typed);
        QFETCH(QString, leave);
        QFETCH(double, stored);
        setTwBounds();
        TableWindow t("SELECT WerteId, TW, BEMERKUNG FROM Werte WHERE WerteId IN (70000, 70001) "
                      "ORDER BY WerteId");
        const QModelIndex index = t.cell(0, "TW");
        auto *csb = t.openEditor<combospinWgt>(index);
        QVERIFY(csb);
        QCOMPARE(csb->min(), 10.0);
        QTest::keyClick(csb->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(csb->lineEdit(), typed);
        if (leave == "focus")
            t.elsewhere->setFocus(Qt::MouseFocusReason);
        else if (leave == "Return")
            QTest::keyClick(csb->lineEdit(), Qt::Key_Return);
        else if (leave == "Enter")
            QTest::keyClick(csb->lineEdit(), Qt::Key_Enter);
        else if (leave == "Tab")
            QTest::keyClick(csb->lineEdit(), Qt::Key_Tab);
        else
            QTest::keyClick(csb->lineEdit(), Qt::Key_Backtab);
        QTRY_COMPARE(t.model->data(index, Qt::EditRole).toDouble(), stored);
        QTRY_VERIFY(!t.view->viewport()->findChild<combospinWgt *>());
        QCOMPARE(t.model->data(index, Qt::EditRole).toDouble(), stored);
    }

    void pickListChoiceIsStoredWithinTheBounds()
    {
        setTwBounds();
        TableWindow t("SELECT WerteId, TW FROM Werte WHERE WerteId = 70000");
        const QModelIndex index = t.cell(0, "TW");
        auto *csb = t.openEditor<combospinWgt>(index);
        QVERIFY(csb);
        QTest::keyClick(csb->lineEdit(), Qt::Key_Space);
        QTRY_VERIFY(csb->pickList() && csb->pickList()->isVisible());
        csb->pickList()->setCurrentRow(0);   // 1, below the minimum
        QTest::keyClick(csb->lineEdit(), Qt::Key_Return);
        QCOMPARE(csb->wert(), 1.0);
        QTest::keyClick(csb->lineEdit(), Qt::Key_Return);
        QTRY_COMPARE(t.model->data(index, Qt::EditRole).toDouble(), 10.0);
    }

    void formReturnStoresWithinTheBoundsAndShowsTheNote()
    {
        setTwBounds();
        FormWindow f("SELECT WerteId, Geraet, TW FROM Werte WHERE WerteId = 70000", "TW");
        auto *csb = qobject_cast<combospinWgt *>(f.editor);
        QVERIFY(csb);
        f.mapper.toFirst();
        QVERIFY(f.show());
        csb->lineEdit()->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(csb->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(csb->lineEdit(), "5");
        QTest::keyClick(csb->lineEdit(), Qt::Key_Return);
        QTRY_COMPARE(f.stored(0).toDouble(), 10.0);
        QCOMPARE(csb->lineEdit()->text(), QString("min  10"));

        QTest::keyClick(csb->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(csb->lineEdit(), "3");
        QTest::keyClick(csb->lineEdit(), Qt::Key_Tab);
        QTRY_COMPARE(f.stored(0).toDouble(), 10.0);
        QVERIFY(!csb->lineEdit()->hasFocus());
    }

    // ---------------------------------------------------------- passing through without a change

    // Cells the user only passes through (Tab, a click elsewhere) keep what
    // they hold: no write, in particular no new record from the "*" row.
    void passingThroughAnEmptyCellWritesNothing_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("newRecordRow");
        QTest::addColumn<QString>("leave");
        QTest::newRow("number, new row, Tab") << "TW" << true << "Tab";
        QTest::newRow("number, empty cell, focus") << "DHA" << false << "focus";
        QTest::newRow("reference, new row, focus") << "OPT_KAT" << true << "focus";
        QTest::newRow("reference, empty cell, Tab") << "OPT_KAT" << false << "Tab";
        QTest::newRow("text, new row, Tab") << "BEMERKUNG" << true << "Tab";
        QTest::newRow("text, empty cell, focus") << "BEMERKUNG" << false << "focus";
    }

    void passingThroughAnEmptyCellWritesNothing()
    {
        QFETCH(QString, column);
        QFETCH(bool, newRecordRow);
        QFETCH(QString, leave);
        QSqlQuery q(kolvexDb());
        QVERIFY(q.exec("UPDATE Werte SET Opt_Kat = NULL, Bemerkung = NULL WHERE WerteId = 70004"));
        TableWindow t("SELECT WerteId, TW, Opt_Kat, BEMERKUNG, DHA FROM Werte "
                      "WHERE WerteId = 70004");
        const QModelIndex index = t.cell(newRecordRow ? 1 : 0, column);
        QVERIFY(t.model->data(index, Qt::EditRole).isNull());
        QSignalSpy changes(t.model, &QAbstractItemModel::dataChanged);
        t.view->setCurrentIndex(index);
        t.view->edit(index);
        QPointer<QWidget> editor = QApplication::focusWidget();
        QVERIFY(editor && t.view->viewport()->isAncestorOf(editor));
        if (leave == "Tab")
            QTest::keyClick(editor, Qt::Key_Tab);
        else
            t.elsewhere->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(!editor);
        QCOMPARE(changes.count(), 0);
        QVERIFY(t.model->data(index, Qt::EditRole).isNull());
    }

    void aChoiceOrATypedNumberInAnEmptyCellIsStored()
    {
        TableWindow t("SELECT WerteId, TW, Opt_Kat FROM Werte WHERE WerteId = 70004");
        const QModelIndex reference = t.cell(1, "OPT_KAT");
        auto *box = t.openEditor<QComboBox>(reference);
        QVERIFY(box);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(t.model->data(reference, Qt::EditRole).toInt(), 2);

        const QModelIndex number = t.cell(1, "TW");
        auto *csb = t.openEditor<combospinWgt>(number);
        QVERIFY(csb);
        QTest::keyClicks(csb->lineEdit(), "12");
        QTest::keyClick(csb->lineEdit(), Qt::Key_Tab);
        QTRY_COMPARE(t.model->data(number, Qt::EditRole).toDouble(), 12.0);
    }

    void emptyingAFilledTextCellStoresAnEmptyText()
    {
        TableWindow t("SELECT WerteId, BEMERKUNG FROM Werte WHERE WerteId = 70008");
        const QModelIndex text = t.cell(0, "BEMERKUNG");
        QCOMPARE(text.data(Qt::EditRole).toString(), QString("Teillast"));
        auto *line = t.openEditor<QLineEdit>(text);
        QVERIFY(line);
        QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(line, Qt::Key_Delete);
        QVERIFY(line->text().isEmpty());
        QSignalSpy changes(t.model, &QAbstractItemModel::dataChanged);
        QTest::keyClick(line, Qt::Key_Tab);
        QTRY_COMPARE(changes.count(), 1);
        const QVariant stored = t.model->data(t.cell(0, "BEMERKUNG"), Qt::EditRole);
        QCOMPARE(stored.userType(), int(QMetaType::QString));
        QCOMPARE(stored.toString(), QString(""));
    }

    void formFlagPassedThroughKeepsItsEmptyValue()
    {
        QSqlQuery q(kolvexDb());
        QVERIFY(q.exec("UPDATE Geraete SET FLAG_M = NULL WHERE TirmaId = 25000"));
        FormWindow f("SELECT TirmaId, FLAG_M FROM Geraete WHERE TirmaId = 25000", "FLAG_M");
        QWidget *box = f.editor;
        QLineEdit *other = f.elsewhere;
        f.mapper.toFirst();
        QVERIFY(f.show());
        box->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(box->hasFocus());
        other->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(f.stored(0).isNull());
    }

    // A form keeps its editors from record to record: a record without a
    // category must not show (nor, when passed through, store) the category
    // of the record shown before.
    void formReferenceBoxFollowsTheRecord()
    {
        QSqlQuery q(kolvexDb());
        QVERIFY(q.exec("UPDATE Werte SET Opt_Kat = NULL WHERE WerteId = 70007"));
        FormWindow f("SELECT WerteId, Opt_Kat FROM Werte WHERE WerteId IN (70001, 70007) "
                     "ORDER BY WerteId", "OPT_KAT");
        auto *box = qobject_cast<QComboBox *>(f.editor);
        QVERIFY(box);
        QLineEdit *other = f.elsewhere;
        QVERIFY(f.show());

        f.mapper.toFirst();   // 70001, category 2
        QCOMPARE(box->currentData().toInt(), 2);
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(box, Qt::Key_Down);   // chosen: 3
        QCOMPARE(f.stored(0).toInt(), 3);

        f.mapper.toNext();    // 70007, no category: shown empty
        QCOMPARE(box->currentIndex(), -1);
        other->setFocus(Qt::TabFocusReason);
        box->setFocus(Qt::TabFocusReason);
        other->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(f.stored(1).isNull());
    }

    // ---------------------------------------------------------- the editor in a narrow cell

    void narrowCellEditorTakesTheWidthItNeeds()
    {
        TableWindow t("SELECT WerteId, TW, BEMERKUNG FROM Werte WHERE WerteId = 70001");
        const int c = t.model->fieldIndex("TW");
        t.view->setColumnWidth(c, 60);
        const QModelIndex index = t.cell(0, "TW");
        auto *csb = t.openEditor<combospinWgt>(index);
        QVERIFY(csb);
        const QRect cell = t.view->visualRect(index);
        QVERIFY(cell.width() <= 60);
        QCOMPARE(csb->geometry().topLeft(), cell.topLeft());
        QVERIFY(csb->width() >= csb->sizeHint().width());
        QVERIFY(csb->height() >= cell.height());
        // With its buttons shown the whole number still fits.
        QCOMPARE(csb->lineEdit()->text(), QString("356.9"));
        QTRY_VERIFY(csb->findChild<QToolButton *>("upButton")->isVisible());
        const int needed = csb->lineEdit()->fontMetrics().horizontalAdvance("356.9");
        QVERIFY2(csb->lineEdit()->width() > needed + 8,
                 qPrintable(QString::number(csb->lineEdit()->width())));
    }

    void widenedEditorStaysInsideTheView()
    {
        using D = EditableSqlQueryModelDelegate;
        const QSize needed(130, 24);
        QCOMPARE(D::numberEditorRect(QRect(10, 40, 60, 20), needed, 500), QRect(10, 40, 130, 24));
        QCOMPARE(D::numberEditorRect(QRect(400, 40, 60, 30), needed, 450), QRect(320, 40, 130, 30));
        QCOMPARE(D::numberEditorRect(QRect(20, 0, 60, 30), needed, 100), QRect(0, 0, 130, 30));
        QCOMPARE(D::numberEditorRect(QRect(5, 5, 200, 30), needed, 300), QRect(5, 5, 200, 30));
    }

    // ---------------------------------------------------------- numbers as typed, or a note

    // Typed with the keys into the lists of the pages; the file is read after each.
    void typedNumbersReachTheFileOrTheUserIsTold_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("keyColumn");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");   // -1: the whole column as before
        QTest::addColumn<QString>("note");
        QTest::newRow("Rohdichte over 1500") << "Baustoffe" << "Id" << 1 << "Rohdichte" << "1950" << 1950.0 << "";
        QTest::newRow("Lambda 0,035") << "Baustoffe" << "Id" << 3 << "Lambda" << "0,035" << 0.035 << "";
        QTest::newRow("Rostflaeche 0,12") << "Gkostand" << "Id" << 2 << "Rostflaeche" << "0,12" << 0.12 << "";
        QTest::newRow("A_FR 0,435") << "Geraete" << "TirmaId" << 25000 << "A_FR" << "0,435" << 0.435 << "";
        QTest::newRow("QN 7,25") << "Werte" << "WerteId" << 70000 << "QN" << "7,25" << 7.3
                                << "gerundet auf 1 Nachkommastellen";
        QTest::newRow("TW e") << "Werte" << "WerteId" << 70000 << "TW" << "e" << -1.0
                              << "Keine Zahl: e";
        QTest::newRow("PWMAX -") << "Werte" << "WerteId" << 70000 << "PWMAX" << "-" << -1.0
                                << "Keine Zahl: -";
    }

    void typedNumbersReachTheFileOrTheUserIsTold()
    {
        QFETCH(QString, table);
        QFETCH(QString, keyColumn);
        QFETCH(int, id);
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(double, stored);
        QFETCH(QString, note);
        const QString wholeColumn = QString("SELECT group_concat(quote(%1)) FROM %2").arg(column, table);
        const QString before = TestSupport::scalar(kolvexDb(), wholeColumn);
        QWidget window;
        EditableSqlQueryModel *model = storingModel(
            table, QString("SELECT * FROM %1 ORDER BY %2").arg(table, keyColumn), &window);
        auto *view = new QTableView(&window);
        view->setModel(model);
        view->setItemDelegate(new EditableSqlQueryModelDelegate(model));
        (new QVBoxLayout(&window))->addWidget(view);
        window.resize(900, 400);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        int row = 0;
        while (row < model->rowCount() && model->index(row, 0).data().toInt() != id)
            ++row;
        const QModelIndex index = model->index(row, model->fieldIndex(column));
        view->setCurrentIndex(index);
        view->edit(index);
        auto *csb = view->viewport()->findChild<combospinWgt *>();
        QVERIFY(csb);
        QTest::keyClick(csb->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(csb->lineEdit(), typed);
        QCOMPARE(csb->lineEdit()->text(), QString(typed).replace(',', '.'));   // no key refused
        QTest::keyClick(csb->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(!view->viewport()->findChild<combospinWgt *>());

        if (stored < 0) {
            QCOMPARE(TestSupport::scalar(kolvexDb(), wholeColumn), before);   // derived sets too
        } else {
            QCOMPARE(TestSupport::scalar(kolvexDb(), QString("SELECT %1 FROM %2 WHERE %3 = %4")
                                                         .arg(column, table, keyColumn)
                                                         .arg(id)).toDouble(),
                     stored);
        }
        EditorNote *shown = EditorNote::of(&window);
        if (note.isEmpty()) {
            QVERIFY(!shown);
        } else {
            QVERIFY(shown && shown->isVisible());
            QCOMPARE(shown->text(), note);
        }
    }

    // A value set as new as it comes, with one value beyond its tuned
    // decimals: the form shows what is stored, and passing through every
    // field stores nothing.
    void formOnANewValueSetShowsWhatIsStoredAndStoresNothing()
    {
        QSqlQuery q(kolvexDb());
        QVERIFY(q.exec("INSERT INTO Werte (WerteId, Geraet, TW) VALUES (70090, 25000, 230.25)"));
        const QString recordSql = "SELECT * FROM Werte WHERE WerteId = 70090";
        const QString before = recordInFile(recordSql);
        AppSettings::instance()->currentApplianceId = 25000;   // the list offers its "*" row
        auto *list = new WerteModel(this);
        list->setQuery(recordSql, kolvexDb());

        QStackedWidget stack;
        auto *listPage = new QWidget;
        auto *page = new QWidget;
        auto *grid = new QGridLayout(page);
        stack.addWidget(listPage);
        stack.addWidget(page);
        FormPage form({&stack, page, listPage, grid}, FormRecordQuery(FormRecordQuery::ValueSet));
        form.setFormModel(new WerteModel);
        form.show(list, 0, {});
        stack.show();
        QApplication::setActiveWindow(&stack);
        QVERIFY(QTest::qWaitForWindowActive(&stack));
        QCOMPARE(stack.currentWidget(), page);

        auto editorOf = [&](const QString &name) -> QWidget * {
            for (QLabel *label : page->findChildren<QLabel *>())
                if (label->text() == name)
                    return label->buddy();
            return nullptr;
        };
        auto *tw = qobject_cast<combospinWgt *>(editorOf("TW"));
        QVERIFY(tw);
        QCOMPARE(tw->lineEdit()->text(), QString("230.25"));
        auto *qn = qobject_cast<combospinWgt *>(editorOf("QN"));
        QVERIFY(qn);
        QVERIFY(qn->lineEdit()->text().isEmpty());
        auto *category = qobject_cast<QComboBox *>(editorOf("OPT_KAT"));
        QVERIFY(category);
        QCOMPARE(category->currentIndex(), -1);
        for (const char *idColumn : {"BEMERKUNGID", "AUSATZRINGEID"}) {
            auto *csb = qobject_cast<combospinWgt *>(editorOf(idColumn));
            QVERIFY2(csb, idColumn);
            QVERIFY(csb->readOnly());
            QCOMPARE(csb->focusPolicy(), Qt::NoFocus);
        }

        const QList<QWidget *> fields = page->findChildren<QWidget *>();
        QWidget *first = editorOf("BEMERKUNG");
        QVERIFY(first);
        first->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < fields.size(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(recordInFile(recordSql), before);
        QVERIFY(q.exec("DELETE FROM Werte WHERE WerteId = 70090"));
    }
};

QTEST_MAIN(TestDelegates)
#include "tst_delegates.moc"
