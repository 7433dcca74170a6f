#ifndef MANUFACTURERBASECOPY_H
#define MANUFACTURERBASECOPY_H

#include <QSqlDatabase>
#include <QString>

// The file sent to a manufacturer and the base copy kept of it: the take-over
// of the file the manufacturer returns compares three ways against that
// base. The base copies live in a folder of their own beside the main
// database ("<file name>_Herstellerbasis"), one per manufacturer
// ("Hersteller_<id>.glo"); a new file for the manufacturer replaces it.
class ManufacturerBaseCopy
{
public:
    ManufacturerBaseCopy(qint64 manufacturerId, const QString &mainDbFile);

    // Where the base copy of the manufacturer lives (whether it exists or not).
    QString basePath() const;
    // The base copy when there is one, else empty.
    QString existingBase() const;

    // Writes a consistent copy of db to target and keeps a byte-identical
    // base copy; an earlier base is replaced only by a complete new one.
    // False with errorText() when either could not be written.
    bool create(QSqlDatabase db, const QString &target);
    QString errorText() const { return m_error; }

private:
    qint64 m_manufacturerId;
    QString m_mainDbFile;
    QString m_error;
};

#endif // MANUFACTURERBASECOPY_H
