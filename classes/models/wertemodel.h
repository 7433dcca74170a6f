#ifndef WERTEMODEL_H
#define WERTEMODEL_H

#include "editablesqlquerymodel.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QStringList>

class QAbstractItemView;
class QSqlDatabase;
class QSqlRecord;
class WriteAction;

// The characteristic value sets ("Kenndaten", table Werte) of the selected
// appliance. Every accepted edit is written at once; the capture date is
// stamped on edit; a value set derived from a source and an attachment (NHF)
// follows the edits of its source, shifted by the attachment's deltas.
class WerteModel : public EditableSqlQueryModel
{
    Q_OBJECT
public:
    explicit WerteModel(QObject *parent = nullptr);

    // The value list statement for the appliance: the general search wins
    // over the value search, which matches Bemerkung.
    static QString valueListStatement(const QString &fields, qint64 applianceId,
                                      const QString &allFilter, const QString &valueFilter);
    // Whether a column of the source (as reported by "SELECT *") is copied
    // into a value set derived from it.
    static bool isCopiedFromSource(const QString &fieldName);
    // Whether a value set holds values that deriving into it would overwrite:
    // a derived set, or any copied column besides the remark and the capture
    // date that is neither empty nor 0.
    static bool holdsDerivableValues(const QSqlRecord &valueSet);

    // The value set marked as the source of NHF derivations: "Quelle:
    // <Bemerkung> (<Id>)", empty while none is marked.
    QString sourceName() const;
    bool isSourceRow(int row) const;

    // Shows the value sets of AppSettings::currentApplianceId.
    void reloadWerte();
    // The same with the ids of the appliance's value sets known beforehand
    // (every set the list can show among them): the rows are found by key.
    void reloadWerte(const QList<qint64> &knownIds);
    // The list statement narrowed to the known ids.
    static QString restrictedToIds(const QString &listStatement, const QList<qint64> &ids);
    // The base query, then all row caches and the inherited columns anew.
    void setQuery(const QString &sql, const QSqlDatabase &db);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

    // Row look-ups, cached until the next refresh or query.
    virtual qint64 getBemerkungId(int row) const;   // source of a derived set, 0 if none
    virtual bool isNhfRow(int row) const;        // the row is derived from a source
    virtual bool hasNhfRows(int row) const;      // other sets are derived from the row
    virtual qint64 getAusatzringeId(int row) const; // attachment of the row, -1 if not found

    // (WerteId, AUSATZRINGEID) of the sets derived from the row, in query order.
    QList<QPair<qint64, qint64>> nhfRows(int row) const;

    // Whether a write path (Delete, drop, paste, form, calculator, pick
    // list) may store into the cell: not into the source and attachment ids,
    // nor into what a derived set takes from its source and attachment. The
    // picture and flag cells, which the list edits through their own ways,
    // count as writable where the row is not derived.
    bool isWritableCell(const QModelIndex &index) const;
    bool isClearableCell(const QModelIndex &index) const override;

    void setDinplusAll(bool flag);
    bool isDinplusAll() const;
    bool isDinplusAny() const;

signals:
    // Value sets were created or deleted: the ids an appliance row carries
    // must be read again.
    void valueSetsChanged();

public slots:
    void refresh() override;
    bool isInCurrentGroup(const QModelIndex &index) const override;
    bool indexClicked(const QModelIndex &index, QAbstractItemView *view) override;

    // Context actions; the rows are model row numbers of the selection.
    void datenKopieren(QList<int> rows);
    void datenDuplizieren(QList<int> rows);
    void datenLoeschen(QList<int> rows);
    void ausDatenVererben(QList<int> rows);
    void datenVererben(QList<int> rows);
    void removeFromGroup(QList<int> rows);

protected:
    QString handRecordsStatement() const override;

private:
    QSqlDatabase database() const;
    bool hasNewRecordRow() const;
    bool isStoredRow(int row) const;
    int storedRowCount() const;
    QString rowIdText(int row) const;
    qint64 rowId(int row) const;
    QString columnNameAt(int column) const;
    bool dinplusFlag(int row) const;
    bool isGrayCell(const QModelIndex &index) const;
    QVariant thumbnail(const QModelIndex &index) const;
    QVariant categoryPictures(const QModelIndex &index) const;
    QStringList contextActions(const QModelIndex &index) const;
    void clearRowCaches();
    void openPictureChooser(const QModelIndex &index, QAbstractItemView *view);

    bool insertFromNewRecordRow(const QModelIndex &index, const QVariant &value);
    bool updateStoredRow(const QModelIndex &index, const QVariant &value, int role);
    void stampCaptureDate(const QModelIndex &index, const QString &id, int role);
    void passOnToDerivedSets(const QModelIndex &index, qint64 sourceId, const QVariant &value, int role);
    void passOnPlainColumn(const QModelIndex &index, qint64 sourceId, const QVariant &value, int role);
    void passOnAttachmentColumn(const QModelIndex &index, const QVariant &value, int role);
    void showOverlayInRows(qint64 id, int column, const QVariant &value, int role, bool bySource);
    void copySourceColumns(WriteAction &action, const QSqlRecord &source, qint64 sourceId,
                           qint64 targetId);
    bool mayOverwrite(qint64 targetId, const QSqlRecord &source);
    void repaintRowOf(qint64 id);

    static QString today();
    static void warn(const QString &text);

    QSet<int> m_inheritedColumns;
    mutable QMap<int, bool> m_dinplus;
    mutable QMap<int, qint64> m_bemerkungIds;
    mutable QMap<int, bool> m_hasNhfRows;
    mutable QMap<int, QList<QPair<qint64, qint64>>> m_nhfRows;
    mutable QMap<int, qint64> m_ausatzringeIds;
    mutable QString m_groupText;
    mutable QSet<QString> m_groupIds;
    mutable qint64 m_sourceNameId = -1;
    mutable QString m_sourceName;
};

#endif // WERTEMODEL_H
