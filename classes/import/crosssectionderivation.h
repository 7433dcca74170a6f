#ifndef CROSSSECTIONDERIVATION_H
#define CROSSSECTIONDERIVATION_H

#include "quarnelkeepalive.h"
#include "quarnelmateriallookup.h"

#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// Derives the thermal resistances and wall thicknesses of the inner and the
// outer shell of the flue cross-sections in QUERSCHN and stores them in the
// columns WdwInnen, WdwAussen, DickeInnen and DickeAussen.
//
// A cross-section lists up to five layers (material S1..S5, thickness
// W1..W5) from the inside out; material 0 ends the list and the marker 40
// starts the outer shell. A layer of a material with a resistance of its own
// sets the shell's resistance; a layer of a conducting material adds the
// resistance of a cylindrical wall and grows the shell's diameter by twice
// its thickness. Non-circular shells get a form factor of 1.1.
class CrossSectionDerivation
{
public:
    explicit CrossSectionDerivation(QSqlDatabase db);

    // Called between the statements of run() and, paced by elapsed time,
    // between its rows, so that a window can stay alive.
    void setBusyHandler(std::function<void()> handler,
                        int intervalMs = QuarnelProgressPacer::kDefaultInterval);

    // The values of one cross-section.
    struct Values
    {
        double resistance[2] = {0.0, 0.0};   // inner, outer
        double thickness[2] = {0.0, 0.0};
        double diameter[2] = {0.0, 0.0};     // hydraulic diameter as grown by the layers
        // Only sections whose outer shell lies outside the inner one are stored.
        bool fits() const { return diameter[1] > thickness[0] + diameter[0]; }
    };

    // True when QUERSCHN already has the derived columns and rows, so the
    // derivation has been done for this table.
    bool alreadyDerived() const;

    // Adds the columns and derives every cross-section of a construction
    // type approved for some load (LAS_HL or LAS_NHL) with an outer shell
    // (W1_S > 0), unless alreadyDerived(). Returns the messages of the
    // sections that could not be derived.
    QStringList run();

    // Derives one row of the join of QUERSCHN and BAUART. False with a
    // message when a shell has no usable geometry or a layer material is
    // missing or has neither resistance nor conductivity.
    bool derive(const QSqlRecord &row, Values *values, QString *message);

    // The four UPDATE statements of one derived row. run() prepares them
    // once and binds the values as these texts would be read.
    static QStringList updateStatements(const Values &values, const QString &nr);
    // The four values as those statements write them.
    static QStringList formattedValues(const Values &values);

private:
    bool shellDiameter(const QSqlRecord &row, int side, Values *values, QString *message) const;
    bool addLayers(const QSqlRecord &row, Values *values, QString *message);
    void addColumns() const;
    // The key and the values of one derived cross-section that fits.
    struct Derived
    {
        QString nr;
        Values values;
    };
    // Derives every row of the join as it is read; the rows that cannot be
    // derived leave their message in messages.
    QVector<Derived> deriveSections(QStringList *messages);
    void storeSections(const QVector<Derived> &derived);
    // The part of a joined row that derive() reads, and where its columns
    // are in the joined row.
    static QSqlRecord readColumns(const QSqlRecord &joined, QVector<int> *columns);
    // derive() on such a compact row.
    bool deriveCompact(const QSqlRecord &row, Values *values, QString *message);

    QSqlDatabase m_db;
    QuarnelMaterialLookup m_materials;
    double m_formFactor[2] = {1.0, 1.0};
    mutable QuarnelKeepAlive m_keepAlive;
};

#endif // CROSSSECTIONDERIVATION_H
