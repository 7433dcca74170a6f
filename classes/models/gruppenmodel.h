#ifndef GRUPPENMODEL_H
#define GRUPPENMODEL_H

#include <QStandardItemModel>
#include <QStringList>

#include <functional>

// The named groups of value sets of the current manufacturer, one top-level
// item per group: the name as display and edit text, the member value-set
// ids joined with "#" as user-role text. Every change is written to table
// gruppen (one row per member) on connection "Kolvex" in one transaction,
// and the item changes only when that succeeded; group changes are not
// journaled. A failure is reported through ChangeReport.
class GruppenModel : public QStandardItemModel
{
    Q_OBJECT
public:
    explicit GruppenModel(QObject *parent = nullptr);

    // The name a new group gets: "neu", or "neu<n>" after the highest
    // number already used behind "neu".
    QString nextNewName() const;

    // Appends the groups of the manufacturer's value sets as stored in
    // gruppen, by name (ascending, case-sensitive), without storing anything.
    // Leaves the model as it is when the groups cannot be read.
    void loadGroupsOfManufacturer(qint64 manufacturerId);
    // The same when the ids of every value set of the manufacturer are known.
    void loadGroupsOfValueSets(const QList<qint64> &valueSetIds);

    // Appends a group; an empty name is replaced by nextNewName(). With store
    // the members are written to gruppen. Returns the new item's index
    // (invalid when the members could not be stored).
    QModelIndex addGruppe(const QString &name, const QString &members, bool store);
    // Adds the "#"-separated ids that are not yet members.
    void addToGruppe(const QModelIndex &index, const QString &ids);
    // Replaces the members.
    void setGruppenMembers(const QModelIndex &index, const QString &ids);
    // Deletes the group in row (its rows in gruppen and its item).
    void removeGruppe(int row, const QModelIndex &parent = QModelIndex());

    // Renames a group (edit role): trimmed, not empty, not a shown name.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QStringList mimeTypes() const override;
    // "text/csv": the union of the members of the groups, "#"-joined.
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

    // Member ids of a "#"-separated text: empty parts and anything that is
    // not a whole number dropped, numbers written plainly.
    static QStringList memberIds(const QString &text);

    // The statements on table gruppen. Those that work by name touch only
    // the rows of the current manufacturer's value sets.
    static QString deleteStatement(const QString &name);
    static QString renameStatement(const QString &newName, const QString &oldName);
    static QString insertStatement(const QString &name, const QString &id);

private:
    // keeps, when given, decides on each row by its value-set id.
    void loadGroups(const QString &statement, const std::function<bool(qint64)> &keeps = {});
    static QString ofCurrentManufacturer();
    // The manufacturer's rows and those whose value set is gone.
    static QString ofCurrentManufacturerOrGone();
    // Deletes the rows of the group whose value set is gone.
    static QString goneRowsStatement(const QString &name);
    bool hasGroupNamed(const QString &name) const;
    // Both run in one transaction; false (nothing changed) when it failed.
    bool storeMembers(const QModelIndex &index, const QStringList &ids);
    bool insertMemberRows(const QString &name, const QStringList &ids);
};

#endif // GRUPPENMODEL_H
