#include "bilderpopupwidget.h"
#include "testsupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {

// A desktop whose lists activate an item on a single click.
class SingleClickStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_ItemView_ActivateItemOnSingleClick)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

class CountingModel : public QStandardItemModel
{
public:
    using QStandardItemModel::QStandardItemModel;
    int writes = 0;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        ++writes;
        return QStandardItemModel::setData(index, value, role);
    }
};

} // namespace

// The picture chooser on real picture files and a real view and model.
class TestBilderPopupWidget : public QObject
{
    Q_OBJECT

    QTemporaryDir m_pictures;
    QStandardItemModel m_model{40, 3};
    QTableView *m_view = nullptr;

    void writePicture(int number, const QString &name = QString())
    {
        QImage image(80, 50, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((number * 37) % 360, 120, 230));
        QPainter p(&image);
        p.drawText(image.rect(), Qt::AlignCenter, QString("Bild %1").arg(number));
        p.end();
        const QString file = name.isEmpty() ? QString("Bild%1_scaled.png").arg(number) : name;
        QVERIFY(image.save(m_pictures.path() + "/" + file));
    }

    BilderPopupWidget *open(int row, const QString &dir)
    {
        return new BilderPopupWidget(m_model.index(row, 1), &m_model, m_view, dir);
    }

    static QStringList texts(const QListWidget *list)
    {
        QStringList result;
        for (int i = 0; i < list->count(); ++i)
            result << list->item(i)->text();
        return result;
    }

    static void processDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase()
    {
        TestSupport::isolateSettings();
        QVERIFY(m_pictures.isValid());
        for (int n : {7, 12, 3, 1, 2, 4, 5, 6, 8, 9, 10, 11, 13, 14, 15, 20})
            writePicture(n);
        // Not part of the list: other names and another letter case.
        writePicture(99, "bild99_scaled.png");
        writePicture(98, "Bild98.png");
        m_view = new QTableView;
        m_view->setModel(&m_model);
        m_view->resize(400, 300);
        m_view->move(10, 10);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
    }

    void cleanupTestCase() { delete m_view; }

    void init()
    {
        m_view->move(10, 10);
        QTest::qWait(20);
        for (int row = 0; row < m_model.rowCount(); ++row)
            m_model.setData(m_model.index(row, 1), 0, Qt::EditRole);
    }

    void listsPicturesInNumericOrder()
    {
        QCOMPARE(BilderPopupWidget::pictureNumbers(m_pictures.path()),
                 QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 20}));
        QPointer<BilderPopupWidget> popup = open(0, m_pictures.path());
        QCOMPARE(popup->count(), 16);
        QCOMPARE(texts(popup).mid(0, 4), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(popup->item(15)->text(), QString("20"));
        QListWidgetItem *first = popup->item(0);
        QCOMPARE(first->sizeHint(), QSize(80 + 60, 50));
        QCOMPARE(first->textAlignment(), int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(first->foreground().color(), QColor(Qt::blue));
        auto *label = qobject_cast<QLabel *>(popup->itemWidget(first));
        QVERIFY(label);
        QCOMPARE(label->pixmap(Qt::ReturnByValue).size(), QSize(80, 50));
        QVERIFY(popup->windowFlags() & Qt::Popup);
        QVERIFY(popup->isVisible());
        QVERIFY(!popup->currentItem());
        QCOMPARE(popup->verticalScrollBar()->value(), 0);
        popup->close();
        processDeletes();
        QVERIFY(popup.isNull());
    }

    void currentPictureIsSelectedAtTheTop()
    {
        m_model.setData(m_model.index(2, 1), 12, Qt::EditRole);
        QPointer<BilderPopupWidget> popup = open(2, m_pictures.path());
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QVERIFY(popup->currentItem());
        QCOMPARE(popup->currentItem()->text(), QString("12"));
        QVERIFY(popup->currentItem()->isSelected());
        QCOMPARE(popup->visualItemRect(popup->currentItem()).top(), 5);  // item spacing
        QVERIFY(popup->verticalScrollBar()->value() > 0);
        popup->close();
        processDeletes();
    }

    void opensAtTheCellsTopRightCorner()
    {
        const QModelIndex cell = m_model.index(1, 1);
        const QPoint corner =
            m_view->viewport()->mapToGlobal(m_view->visualRect(cell).topRight());
        QPointer<BilderPopupWidget> popup = open(1, m_pictures.path());
        const QRect available = QGuiApplication::screenAt(corner)->availableGeometry();
        // The offscreen platform may add a 2-pixel window frame.
        QVERIFY2((popup->pos() - corner).manhattanLength() <= 4, qPrintable(QString("%1,%2")
                     .arg(popup->x()).arg(popup->y())));
        QCOMPARE(popup->size(), QSize(80 + 60 + 30, 4 * available.height() / 10));
        popup->close();
        processDeletes();
    }

    void movesUpNearTheBottomOfTheScreen()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        m_view->move(10, available.bottom() - 200);
        QTest::qWait(10);
        const QPoint corner = m_view->viewport()->mapToGlobal(
            m_view->visualRect(m_model.index(3, 1)).topRight());
        QPointer<BilderPopupWidget> popup = open(3, m_pictures.path());
        QCOMPARE(popup->height(), 4 * available.height() / 10);
        QVERIFY(qAbs(popup->x() - corner.x()) <= 2);
        QVERIFY(qAbs(popup->y() + popup->height() - (available.top() + available.height())) <= 2);
        QVERIFY(popup->y() < corner.y());
        popup->close();
        processDeletes();
    }

    void clickWritesTheNumberAndCloses()
    {
        m_model.setData(m_model.index(4, 1), 3, Qt::EditRole);
        QPointer<BilderPopupWidget> popup = open(4, m_pictures.path());
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        // The list moved to item 3; choose item 5 below it.
        QListWidgetItem *seven = popup->findItems("5", Qt::MatchExactly).value(0);
        QVERIFY(seven);
        const QRect rect = popup->visualItemRect(seven);
        QVERIFY(popup->viewport()->rect().contains(rect.center()));
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, rect.center());
        processDeletes();
        QVERIFY(popup.isNull());
        QCOMPARE(m_model.data(m_model.index(4, 1), Qt::EditRole), QVariant(QString("5")));
        QCOMPARE(m_model.data(m_model.index(5, 1), Qt::EditRole).toInt(), 0);
    }

    void oneClickWritesOnceWhereItAlsoActivates()
    {
        // Every write of the cell is an update and a journal line.
        CountingModel model(3, 2);
        QTableView view;
        view.setModel(&model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QPointer<BilderPopupWidget> popup =
            new BilderPopupWidget(model.index(1, 1), &model, &view, m_pictures.path());
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        SingleClickStyle style;
        popup->setStyle(&style);
        QListWidgetItem *item = popup->item(0);
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {},
                          popup->visualItemRect(item).center());
        QCOMPARE(model.writes, 1);
        QCOMPARE(model.data(model.index(1, 1)).toString(), item->text());
        processDeletes();
        QVERIFY(popup.isNull());
    }

    void escapeAndOutsideClickClose()
    {
        QPointer<BilderPopupWidget> popup = open(0, m_pictures.path());
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QTest::keyClick(popup, Qt::Key_Escape);
        processDeletes();
        QVERIFY(popup.isNull());

        popup = open(0, m_pictures.path());
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QTest::mousePress(popup, Qt::LeftButton, {}, QPoint(-20, -20));
        processDeletes();
        QVERIFY(popup.isNull());
        QCOMPARE(m_model.data(m_model.index(0, 1), Qt::EditRole).toInt(), 0);

        // Pressing inside is the list's business.
        popup = open(0, m_pictures.path());
        QTest::mousePress(popup->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(!popup.isNull());
        popup->close();
        processDeletes();
    }

    void missingDirectoryAndBrokenFiles()
    {
        QPointer<BilderPopupWidget> popup = open(0, m_pictures.path() + "/fehlt");
        QCOMPARE(popup->count(), 0);
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->width(), 30);
        popup->close();
        processDeletes();

        QTemporaryDir broken;
        QFile junk(broken.path() + "/Bild5_scaled.png");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a picture");
        junk.close();
        QFile(broken.path() + "/Bildx_scaled.png").open(QIODevice::WriteOnly);
        popup = open(0, broken.path());
        QCOMPARE(texts(popup), QStringList({"0", "5"}));
        QCOMPARE(popup->item(1)->sizeHint(), QSize(60, 0));
        popup->close();
        processDeletes();
    }

    void keyboardChoice()
    {
        m_model.setData(m_model.index(6, 1), 15, Qt::EditRole);
        QPointer<BilderPopupWidget> popup = open(6, m_pictures.path());
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        QTest::keyClick(popup, Qt::Key_Down);
        QCOMPARE(popup->currentItem()->text(), QString("20"));
        QTest::keyClick(popup, Qt::Key_Return);
        processDeletes();
        QVERIFY(popup.isNull());
        QCOMPARE(m_model.data(m_model.index(6, 1), Qt::EditRole).toString(), QString("20"));
    }
};

QTEST_MAIN(TestBilderPopupWidget)
#include "tst_bilderpopupwidget.moc"
