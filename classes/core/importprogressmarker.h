#ifndef IMPORTPROGRESSMARKER_H
#define IMPORTPROGRESSMARKER_H

#include <QString>
#include <QStringList>

// A small text file "<database>.import" beside the database an import
// fills, listing the tables not yet replaced. It exists only while an
// import runs: when it is found on opening, the last import was
// interrupted, and it names the tables that still hold their old rows.
class ImportProgressMarker
{
public:
    explicit ImportProgressMarker(const QString &databaseFile);

    void begin(const QStringList &tables);
    void tableReplaced(const QString &table);
    // The import ran through: the marker goes.
    void finish();

    // The text for the user when an interrupted import is found beside
    // databaseFile; empty otherwise.
    static QString interruptedNotice(const QString &databaseFile);

private:
    static QString markerPath(const QString &databaseFile);
    void write() const;

    QString m_path;
    QStringList m_pending;
};

#endif // IMPORTPROGRESSMARKER_H
