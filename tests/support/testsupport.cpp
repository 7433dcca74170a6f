#include "testsupport.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "idtable.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTextStream>
#include <QtTest>

namespace TestSupport {

static QTemporaryDir *g_settingsDir = nullptr;

QString isolateSettings()
{
    if (!g_settingsDir) {
        g_settingsDir = new QTemporaryDir;
        const QString base = g_settingsDir->path();
        QDir().mkpath(base + "/user");
        QDir().mkpath(base + "/system");
        QDir().mkpath(base + "/data");
        qputenv("XDG_DATA_HOME", QFile::encodeName(base + "/data"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + "/user"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, base + "/user");
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, base + "/system");
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, base + "/user");
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, base + "/system");
    }
    QLocale::setDefault(QLocale(QLocale::C, QLocale::AnyCountry));
    QCoreApplication::setApplicationName("KolvexSelvanto");
    QCoreApplication::setOrganizationName("Tirma");
    return g_settingsDir->path();
}

QString settingsDir()
{
    return g_settingsDir ? g_settingsDir->path() : QString();
}

QString copyDemoDatabase(const QString &dir)
{
    const QString demo = QStringLiteral(KOLVEX_DEMO_DIR);
    const QString target = dir + "/kolvexDB3.glo";
    QFile::remove(target);
    QFile::remove(dir + "/kolvex3.glo");
    if (!QFile::copy(demo + "/kolvexDB3.glo", target))
        qFatal("demo database missing in %s (build the 'demo' target)", qPrintable(demo));
    QFile::copy(demo + "/kolvex3.glo", dir + "/kolvex3.glo");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(dir + "/kolvex3.glo", QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

void closeAllConnections()
{
    removeAllConnections();
}

QSqlDatabase openKolvex(const QString &file, bool withIdTable)
{
    return openKolvexWith(file, QString(), withIdTable);
}

QSqlDatabase openKolvexWith(const QString &file, const QString &options, bool withIdTable)
{
    closeAllConnections();
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", QLatin1String(kKolvexConnection));
    db.setDatabaseName(file);
    db.setConnectOptions(options);
    if (!db.open())
        qFatal("cannot open %s", qPrintable(file));
    if (withIdTable)
        createIdTable(db);
    AppSettings::instance()->dbFile = file;
    return db;
}

QSqlDatabase openOtherConnection(const QString &file, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=50"));
    if (!db.open())
        qFatal("cannot open %s", qPrintable(file));
    return db;
}

QStringList journalLines(const QString &dbFile)
{
    QFile file(QFileInfo(dbFile).absoluteDir().absolutePath() + "/journal.sql");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    in.setCodec("UTF-8");
    QStringList lines;
    while (!in.atEnd())
        lines << in.readLine();
    return lines;
}

int rowOfId(const QAbstractItemModel &model, qint64 id)
{
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.index(row, 0).data(Qt::EditRole).toLongLong() == id)
            return row;
    }
    return -1;
}

QString scalar(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return QString();
    return q.value(0).toString();
}

void resetBrowsingSettings()
{
    AppSettings *settings = AppSettings::instance();
    settings->manufacturerMode = false;
    settings->currentManufacturerId = -1;
    settings->showOldAppliances = true;
    settings->allFilter.clear();
    settings->applianceFilter.clear();
    settings->valueFilter.clear();
    settings->applianceFields = AppSettings::defaultApplianceFields();
    settings->valueFields = AppSettings::defaultValueFields();
}

QString runSqlite3(const QString &file, const QString &sql)
{
    QProcess p;
    p.start(QStringLiteral(KOLVEX_SQLITE3), {file});
    p.waitForStarted();
    p.write(sql.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString demoImagesDir()
{
    return QStringLiteral(KOLVEX_DEMO_DIR) + "/images";
}

OtherProgram::OtherProgram(const QString &file)
{
    db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(file);
    db.open();
}

OtherProgram::~OtherProgram()
{
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

bool OtherProgram::exec(const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql);
}

} // namespace TestSupport
