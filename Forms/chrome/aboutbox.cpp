#include "aboutbox.h"

#include "appsettings.h"
#include "changejournal.h"
#include "databaseinfo.h"
#include "diagnosticslog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSettings>

namespace {

QString row(const QString &label, const QString &value)
{
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
        .arg(label.toHtmlEscaped(), value.toHtmlEscaped());
}

QString shownPath(const QString &path)
{
    return path.isEmpty() ? AboutBox::tr("–") : QDir::toNativeSeparators(path);
}

QString journalPath(const AppSettings *settings)
{
    if (settings->manufacturerMode)
        return AboutBox::tr("keines (Herstellerausgabe)");
    if (settings->dbFile.isEmpty())
        return QString();
    return ChangeJournal(settings->dbFile, false).path();
}

} // namespace

AboutBox::AboutBox(QAction *about, QAction *aboutQt, QWidget *window)
    : QObject(window)
    , m_window(window)
{
    connect(about, &QAction::triggered, this, &AboutBox::show);
    connect(aboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);
}

QString AboutBox::text()
{
    const AppSettings *settings = AppSettings::instance();
    const QString edition = settings->manufacturerMode ? tr("Herstellerausgabe")
                                                       : tr("Pflegeausgabe");
    return QStringLiteral("<h3>KolvexSelvanto %1</h3><p>%2 – %3</p><table>")
               .arg(QStringLiteral(KOLVEX_VERSION),
                    tr("Kolvex DatenBank Pflege").toHtmlEscaped(), edition.toHtmlEscaped())
           + row(tr("Qt:"), QString::fromLatin1(qVersion()))
           + row(tr("SQLite:"), DatabaseInfo::sqliteVersion())
           + row(tr("Datenbank:"), shownPath(settings->dbFile))
           + row(tr("Journal:"), shownPath(journalPath(settings)))
           + row(tr("Einstellungen:"), shownPath(QSettings().fileName()))
           + row(tr("Protokoll:"), shownPath(DiagnosticsLog::path()))
           + QStringLiteral("</table>");
}

void AboutBox::show()
{
    QMessageBox::about(m_window, tr("Über KolvexSelvanto"), text());
}
