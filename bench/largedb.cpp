#include "largedb.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextCodec>
#include <QTextStream>

namespace LargeDb {

namespace {

// At scale 1; every count grows with the scale.
constexpr int kWaermedbLines = 100000;
constexpr int kCrossSections = 10000;
constexpr int kQuarnelManufacturers = 200;
// Raise when the generator changes in a way the input files do not show.
constexpr int kGeneratorVersion = 4;

const QString kSourceDir = QStringLiteral(KOLVEX_SOURCE_DIR);

QString schemaFile() { return kSourceDir + "/demo/kolvex_schema.sql"; }
QString dataFile() { return kSourceDir + "/bench/large_data.sql"; }
QString quarnelSchemaFile() { return kSourceDir + "/demo/quarnel_schema.sql"; }
QString quarnelDataFile() { return kSourceDir + "/demo/quarnel_data.sql"; }

QByteArray inputsStamp(int scale)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(kGeneratorVersion));
    hash.addData(QByteArray::number(scale));
    for (const QString &path : {schemaFile(), dataFile(), quarnelSchemaFile(), quarnelDataFile()}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll());
    }
    return hash.result().toHex();
}

bool runSqlite3(const QString &database, const QStringList &scripts, QString *error)
{
    QStringList args{QStringLiteral("-bail"), database};
    for (const QString &script : scripts)
        args << ".read " + script;
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.start(QStringLiteral(KOLVEX_SQLITE3), args);
    if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit
        || shell.exitCode() != 0) {
        *error = QStringLiteral("sqlite3 failed on %1: %2")
                     .arg(database, QString::fromLocal8Bit(shell.readAllStandardError()));
        return false;
    }
    return true;
}

// Decimal comma, as the Quarnel program writes numbers.
QString decimal(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString quarnelManufacturer(int i)
{
    switch (i) {
    case 0: return QStringLiteral("Quarnel Öfen");
    case 1: return QStringLiteral("Thermo-Quarnel");
    case 2: return QStringLiteral("Q'Line");
    case 3: return QStringLiteral("Wärmewerk Ost");
    default: return QStringLiteral("Wärmebau %1").arg(i, 3, 10, QLatin1Char('0'));
    }
}

class ExportFile
{
public:
    ExportFile(const QString &path) : m_file(path)
    {
        m_ok = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        m_out.setDevice(&m_file);
        m_out.setCodec(QTextCodec::codecForName("ISO-8859-1"));
    }
    bool ok() const { return m_ok; }
    void line(const QStringList &fields) { m_out << fields.join(QLatin1Char('|')) << "\r\n"; }

private:
    QFile m_file;
    QTextStream m_out;
    bool m_ok = false;
};

void writeWaermedb(ExportFile &out, int scale)
{
    const int lines = kWaermedbLines * scale;
    const int manufacturers = kQuarnelManufacturers * scale;
    static const char *const kinds[] = {"Kaminofen", "Heizeinsatz", "Kachelofen", "Herd"};
    out.line({"HERSTELLER", "TYP", "NENNLEIST", "ABGASTEMP", "FOERDERDR", "ABGASMASSE",
              "BAUARTTXT", "SYSNR"});
    for (int i = 0; i < lines; ++i) {
        const int manufacturer = (i * 7) % manufacturers;
        out.line({quoted(quarnelManufacturer(manufacturer)),
                  quoted(QStringLiteral("Q%1 %2").arg(manufacturer).arg(i)),
                  decimal(4.0 + (i % 120) / 10.0, 1),
                  QString::number(180 + i % 200),
                  decimal(8.0 + (i % 70) / 10.0, 1),
                  decimal(4.0 + (i % 900) / 100.0, 2),
                  quoted(QString::fromLatin1(kinds[i % 4])),
                  i % 10 == 0 ? QString() : QString::number(1 + i % 4)});
    }
}

void writeCrossSections(ExportFile &out, int scale)
{
    const int crossSections = kCrossSections * scale;
    // No field "NR": the import gives every table its own key column of
    // that name, and real exports do not carry one.
    out.line({"SYSNR", "BEZEICHNUN", "QFORM", "WEITE1", "WEITE2", "QFORM_S", "W1_S",
              "W2_S", "S1", "S2", "S3", "S4", "S5", "W1", "W2", "W3", "W4", "W5"});
    static const char *const layers[3][10] = {
        {"11", "12", "40", "10", "0", "25", "40", "0", "50", "0"},
        {"11", "40", "13", "0", "0", "30", "0", "60", "0", "0"},
        {"12", "40", "13", "0", "0", "30", "0", "60", "0", "0"}};
    for (int nr = 1; nr <= crossSections; ++nr) {
        const int shape = (nr - 1) % 4;
        const int inner = 150 + 10 * (nr % 16);
        QStringList fields{QString::number(1 + shape),
                           quoted(QStringLiteral("Querschnitt %1").arg(nr)),
                           QString::number(shape), QString::number(inner),
                           QString::number(shape >= 2 ? inner + 40 : inner),
                           QString::number(nr % 2), QString::number(inner + 200),
                           QString::number(inner + 200)};
        for (const char *layer : layers[nr % 3])
            fields << QString::fromLatin1(layer);
        out.line(fields);
    }
}

// The Waerme file lacks the last field, as the exporting program writes it
// (the import's merge gives its lines an empty one).
void writeManufacturers(ExportFile &out, int from, int to, bool withKind)
{
    QStringList header{"ID", "HNR", "HERSTELLER"};
    if (withKind)
        header << "VONWAS";
    out.line(header);
    for (int i = from; i < to; ++i) {
        QStringList fields{QString::number(i + 1), QString::number(i % 3 == 1 ? 0 : i + 1),
                           quoted(quarnelManufacturer(i))};
        if (withKind)
            fields << QString::number(i % 17 == 16 ? 3 : 1);
        out.line(fields);
    }
}

} // namespace

bool writeQuarnelExports(const QString &dir, int scale, QString *error)
{
    QDir().mkpath(dir);
    // The small tables come unchanged from the demo exports.
    const QString demo = kSourceDir + "/demo/quarnel";
    for (const char *name : {"BAUART.txt", "MATERIAL.txt", "MATKENNW.txt", "NOTIZEN.txt",
                             "SAUGER.txt"}) {
        QFile::remove(dir + "/" + name);
        if (!QFile::copy(demo + "/" + name, dir + "/" + name)) {
            *error = QStringLiteral("cannot copy %1").arg(QLatin1String(name));
            return false;
        }
    }
    ExportFile waermedb(dir + "/WAERMEDB.txt");
    ExportFile crossSections(dir + "/QUERSCHN.txt");
    ExportFile manufacturersA(dir + "/Herstell_Bauart.txt");
    ExportFile manufacturersB(dir + "/Herstell_Waerme.txt");
    if (!waermedb.ok() || !crossSections.ok() || !manufacturersA.ok() || !manufacturersB.ok()) {
        *error = QStringLiteral("cannot write the Quarnel exports in %1").arg(dir);
        return false;
    }
    writeWaermedb(waermedb, scale);
    writeCrossSections(crossSections, scale);
    const int manufacturers = kQuarnelManufacturers * scale;
    writeManufacturers(manufacturersA, 0, manufacturers / 2, true);
    writeManufacturers(manufacturersB, manufacturers / 2, manufacturers, false);
    return true;
}

namespace {

// The line large_data.sql starts from: the scale its counts grow with.
bool writeScaleScript(const QString &path, int scale, QString *error)
{
    QFile out(path);
    const QByteArray script = "CREATE TEMP TABLE bench_scale (k INTEGER NOT NULL);\n"
                              "INSERT INTO bench_scale VALUES (" + QByteArray::number(scale) + ");\n";
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(script) != script.size()) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace

bool ensure(const QString &dir, int scale, bool regenerate, QString *error, bool *generated)
{
    if (generated)
        *generated = false;
    if (scale < 1) {
        *error = QStringLiteral("scale %1 is not a positive whole number").arg(scale);
        return false;
    }
    const QString stampFile = dir + "/complete.stamp";
    const QByteArray stamp = inputsStamp(scale);
    if (!regenerate) {
        QFile existing(stampFile);
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == stamp)
            return true;
    }
    QDir().mkpath(dir);
    QFile::remove(stampFile);
    const QString main = dir + "/kolvexDB3.glo";
    const QString quarnel = dir + "/kolvex3.glo";
    const QString scaleScript = dir + "/scale.sql";
    QFile::remove(main);
    QFile::remove(quarnel);
    if (!writeScaleScript(scaleScript, scale, error)
        || !runSqlite3(main, {schemaFile(), scaleScript, dataFile()}, error)
        || !runSqlite3(quarnel, {quarnelSchemaFile(), quarnelDataFile()}, error)
        || !writeQuarnelExports(dir + "/quarnel", scale, error))
        return false;
    QFile out(stampFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(stamp) != stamp.size()) {
        *error = QStringLiteral("cannot write %1").arg(stampFile);
        return false;
    }
    if (generated)
        *generated = true;
    return true;
}

QString dataDirForScale(const QString &baseDir, int scale)
{
    return scale == 1 ? baseDir : baseDir + QStringLiteral("-x%1").arg(scale);
}

} // namespace LargeDb
