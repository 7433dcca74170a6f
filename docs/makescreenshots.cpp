// Takes the README's screenshots of the maintenance edition:
//   hauptseite.png  the main page on a database with a value set selected
//   import.png      the import dialog after importing a directory of exports
// Usage: kolvex_screenshots <database file> <export directory> <output directory>
// Works on the files it is given (scripts/screenshots.sh hands it copies of
// the demo data) and on the settings of the current user, so run it with a
// temporary HOME. The widgets are found by their form names and driven the
// way a user would: selecting rows, the menu action, the dialog's buttons.
#include "mainwindow.h"
#include "startup.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlError>
#include <QTimer>
#include <QtTest/QTest>
#include <QTranslator>
#include <QTreeWidget>

#include <cstdio>

namespace {

QString g_exportDir;
QString g_outDir;
int g_exitCode = 0;

void fail(const QString &text)
{
    std::fprintf(stderr, "kolvex_screenshots: %s\n", qPrintable(text));
    g_exitCode = 1;
}

// Lets layouts, queued calls and paint events run for a moment.
void settle(int ms = 400)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget *widget, const QString &name)
{
    const QString path = g_outDir + "/" + name;
    if (!widget->grab().save(path)) {
        fail("cannot write " + path);
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Clicks into the first visible cell of row `row` of the named view unless
// the row is current already (a click on it would start editing); false when
// the view has no such row.
bool selectRow(QWidget &window, const char *viewName, int row)
{
    auto *view = window.findChild<QAbstractItemView *>(viewName);
    if (!view || !view->model() || view->model()->rowCount() <= row) {
        fail(QStringLiteral("no row %1 in %2").arg(row).arg(viewName));
        return false;
    }
    if (view->currentIndex().row() == row)
        return true;
    QModelIndex index = view->model()->index(row, 0);
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        index = view->model()->index(row, column);
        if (!view->visualRect(index).isEmpty())
            break;
    }
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->visualRect(index).center());
    settle(200);
    return true;
}

// Answers the modal windows the import dialog opens: the directory chooser
// gets the export directory, message boxes are logged and closed.
class ModalAnswerer : public QObject
{
public:
    ModalAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::answer);
        m_timer.start(20);
    }

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            std::fprintf(stderr, "message: %s | %s\n", qPrintable(box->windowTitle()),
                         qPrintable(box->text()));
            box->done(QMessageBox::Ok);
        } else if (auto *chooser = qobject_cast<QFileDialog *>(modal)) {
            chooser->setDirectory(g_exportDir);
            QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
        } else if (modal && modal->inherits("dlgImport") && !m_importStarted) {
            m_importStarted = true;
            runImport(static_cast<QDialog *>(modal));
        }
    }

    // Chooses the directory, imports the ticked tables and takes the picture
    // once the import has ended; then closes the dialog.
    static void runImport(QDialog *dialog)
    {
        QTimer::singleShot(0, dialog, [dialog] {
            dialog->resize(900, 640);
            auto *choose = dialog->findChild<QPushButton *>("pbImportDatei");
            auto *import = dialog->findChild<QPushButton *>("pbImportieren");
            auto *tree = dialog->findChild<QTreeWidget *>("treeWidget");
            if (!choose || !import || !tree) {
                fail("import dialog without pbImportDatei, pbImportieren or treeWidget");
                dialog->reject();
                return;
            }
            choose->click();
            settle();
            if (tree->topLevelItemCount() == 0)
                fail("the import dialog lists no export file of " + g_exportDir);
            import->click(); // returns when the import has ended
            settle();
            save(dialog, QStringLiteral("import.png"));
            dialog->reject();
        });
    }

    QTimer m_timer;
    bool m_importStarted = false;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <database file> <export directory> <output directory>\n",
                     argv[0]);
        return 2;
    }
    const QString database = QString::fromLocal8Bit(argv[1]);
    g_exportDir = QString::fromLocal8Bit(argv[2]);
    g_outDir = QString::fromLocal8Bit(argv[3]);

    QTranslator translator;
    prepareApplication(app, translator, /*manufacturerEdition=*/false);
    MainWindow window;
    const QSqlError error = window.openDataBase(database);
    if (error.isValid()) {
        fail("cannot open " + database + ": " + error.text());
        return 1;
    }
    window.resize(1280, 760);
    window.show();
    settle();

    // The first manufacturer, its first appliance and that appliance's
    // second value set.
    if (selectRow(window, "tableHersteller", 0) && selectRow(window, "tableGeraete", 0)
        && selectRow(window, "tableAGWerte", 1)) {
        settle();
        save(&window, QStringLiteral("hauptseite.png"));
    }

    auto *importAction = window.findChild<QAction *>("actionQuarnel_Datenbanken_importieren");
    if (!importAction) {
        fail("no action actionQuarnel_Datenbanken_importieren");
        return 1;
    }
    ModalAnswerer answerer;
    importAction->trigger(); // runs the dialog until it is closed
    if (!QFileInfo::exists(g_outDir + "/import.png"))
        fail("the import dialog did not appear");
    return g_exitCode;
}
