#ifndef EDITABLESQLQUERYMODEL_H
#define EDITABLESQLQUERYMODEL_H

#include <QMap>
#include <QPair>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QString>
#include <QStringList>
#include <QVariant>

class QSqlRecord;

class QAbstractItemView;
class QMimeData;
class StatementRunner;

// Common base of the table models. It learns from the CREATE statements in
// sqlite_master which result columns are flags, numbers or references to
// another table, ends every list with an empty new-record row marked "*",
// keeps an overlay of edited cells until the next refresh, carries the
// current group of the group tree and defines the drag formats.
//
// The base writes nothing to the database: subclasses override setData and
// their context-action slots with the statements of their own table.
//
// Context actions: subclasses answer data(index, ContextActionsRole) with a
// QStringList of entries "menu text#slot name#icon number#attachment flag"
// (icon 1 copy, 2 paste, 3 delete, 4 add; the last two fields may be missing).
class EditableSqlQueryModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    // Role of the group marking: 1 when the row belongs to the current group.
    static constexpr int GroupMemberRole = Qt::UserRole;
    // Role of the list of context-action entries of a row (261).
    static constexpr int ContextActionsRole = Qt::UserRole + 5;

    explicit EditableSqlQueryModel(QObject *parent = nullptr);

    // Runs sql on db, re-learns the column kinds when the column part of the
    // statement changed and loads all rows. Under a non-empty general filter
    // the statement is tried first; on failure AppSettings::queryFailed and
    // failedQuery are set and the model keeps everything it had.
    void setQuery(const QString &sql, const QSqlDatabase &db);

    // Key -> shown text of the table referenced by a reference column
    // (upper-case column name); empty for any other column.
    QMap<qint64, QString> referenceTextsFor(const QString &column) const;

    // Rows that hold records (rowCount() without the new-record row).
    int recordCount() const;
    // Whether row is the trailing new-record row.
    bool isNewRecordRow(int row) const;
    // Row that shows the record with the id (hint is tried first), or -1.
    int rowOfRecord(qint64 id, int hint = -1) const;
    // Whether Delete may clear the cell: a stored record's cell that the
    // list edits, neither the record key nor a key or reference id of
    // another record (appliance, manufacturer, source set, attachment).
    virtual bool isClearableCell(const QModelIndex &index) const;
    // Whether value is what the cell stores: an empty cell (NULL or an
    // empty text) equals only another empty value, and 0 is a value.
    static bool isSameValue(const QVariant &value, const QVariant &stored);
    // A flag as stored: 0/1, or the texts 'true'/'false' an older form wrote.
    static bool flagValue(const QVariant &stored);
    // The table the list shows (upper case, the first after FROM); drops of
    // cells dragged from a list of another table are refused.
    QString sourceTable() const;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    // A list read from a database opened for reading only ends without the
    // new-record row: nothing could be stored there.
    bool offersNewRecordRow() const { return !readOnlyDatabase; }
    // A record typed into the new-record row that the list's filter does not
    // match stays listed (and marked) until the next statement: id, or -1.
    qint64 keptRecordId() const { return m_keptId; }
    bool isKeptOutsideFilter(int row) const;
    // A record the manufacturer edition shows but never hands on (entered by
    // hand in the main file: not exported, not taken over): read-only there,
    // so that no work is put into it in vain.
    bool isHandRecordRow(int row) const;
    // The statement that lists what sql lists and the record keyColumn=id
    // besides: sql's outer condition or'ed with the key. Empty when sql has
    // no condition (it lists the record anyway).
    static QString statementKeeping(const QString &sql, const QString &keyColumn, qint64 id);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &item, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

public slots:
    // Drops the overlay and re-runs the stored statement; column kinds stay.
    virtual void refresh();
    // Stores the member text of the selected group and repaints every cell.
    virtual void setCurrentGroup(const QString &group);
    virtual bool isInCurrentGroup(const QModelIndex &index) const;
    // Position of name (any case) among the result columns, or -1.
    virtual int fieldIndex(const QString &name) const;
    virtual bool isNumericColumn(const QModelIndex &index) const;
    virtual bool isBoolColumn(const QModelIndex &index) const;
    virtual bool isReferenceColumn(const QModelIndex &index) const;
    // Upper-case name of the index's result column, empty for an invalid index.
    virtual QString columnName(const QModelIndex &index) const;
    // Toggles a flag cell through setData; returns whether it was a flag column.
    virtual bool indexClicked(const QModelIndex &index, QAbstractItemView *);

signals:
    void currentGroupChangedTo(QString);
    void saveSelection();
    void loadSelection();
    // A record typed into the new-record row was stored and is listed.
    void recordInserted(qint64 id);

protected:
    // Record id of a row: its column 0 (edit role) as integer.
    qint64 rowId(int row) const;
    // The record ids of the rows.
    QList<qint64> rowIds(const QList<int> &rows) const;
    // The context actions of the plain tables: copies, or deletes, the
    // records of the rows (keyColumn their key in table) in one journaled
    // action and re-reads the list.
    void duplicateRecords(const QList<int> &rows, const QString &table, const QString &keyColumn);
    void deleteRecords(const QList<int> &rows, const QString &table, const QString &keyColumn);
    // Runs and journals the subclass's statements on the model's connection.
    StatementRunner runner() const;
    // Column 0 holds the record key, which is never edited in place.
    static bool isKeyColumn(const QModelIndex &index);
    // Stored row: the edit goes into the overlay, then updateTemplate runs
    // journaled with the column name (%1), the doubled value (%2) and the
    // row id (%3). False when the key column was given, the overlay refused
    // the value or the statement did not reach the file (the cell then shows
    // the stored value again and the failure is reported).
    bool updateStoredCell(const QModelIndex &index, const QVariant &value, int role,
                          const QString &updateTemplate);
    // After an edit: drops the overlay entry when its statement failed, or
    // re-reads the list when its action was rolled back. Returns whether the
    // edit is in the file.
    bool keepOrUndoEdit(const QModelIndex &index, bool written, bool kept);
    // Shows the stored value of the cell again.
    void dropEdit(const QModelIndex &index);
    // New-record row: runs the insert journaled, keeps the new row id in
    // column 0 and re-reads the list. Returns whether the record was stored.
    bool insertNewRecord(const QModelIndex &index, const QString &insertStatement);
    // The new-record row at row was stored as the record id: the row shows
    // the id until the next refresh, which keeps the record in sight.
    void noteInsertedRecord(int row, const QVariant &id);
    // The id SQLite would give the next row of table (keyColumn its integer
    // key), read inside the open write action; inserts name it explicitly, so
    // the journal replayed onto a copy gives the row the same id.
    qlonglong nextRecordId(const QString &table, const QString &keyColumn) const;

    // Fills columnNames, boolColumns, numericColumns, referenceColumns and
    // referenceTexts for sql from the schema stored in db.
    void learnColumnKinds(const QString &sql, const QSqlRecord &record, const QSqlDatabase &db);
    // Reads every column declaration of one CREATE TABLE statement.
    void learnTableColumns(const QString &createStatement, const QSqlDatabase &db);
    void fetchAllRows();
    // The kind lists hold upper-case names; false for a column beyond columnNames.
    bool columnIn(const QModelIndex &index, const QStringList &kind) const;

    QString currentGroup;
    QStringList columnNames;
    QStringList boolColumns;
    QStringList numericColumns;
    QStringList referenceColumns;
    QMap<QPair<int, int>, QVariant> pendingEdits;
    QMap<QString, QMap<qint64, QString>> referenceTexts;
    QString queryText;
    QString connectionName;
    bool readOnlyDatabase = false;

    // The statement giving the ids of the listed records that are read-only
    // as hand records (see isHandRecordRow); none by default.
    virtual QString handRecordsStatement() const { return QString(); }

private:
    void keepRecordInSight();
    void readHandRecords();

    qint64 m_keptId = -1;
    QSet<qint64> m_handRecords;
    bool m_keptOutsideFilter = false;
    bool m_announceInserted = false;
};

#endif // EDITABLESQLQUERYMODEL_H
