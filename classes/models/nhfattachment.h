#ifndef NHFATTACHMENT_H
#define NHFATTACHMENT_H

#include <QMap>
#include <QString>
#include <QVariant>

// One attachment (row of table Aufsatz) as held in the attachment cache.
// A value set derived from a source value set and an attachment carries the
// source's values shifted by the attachment's deltas; where the attachment
// defines its own DHNHF or StutzenListe, those win over the source's.
// The class builds the values and statements of such a derivation and of
// passing a source's edit on to its derived value sets.
class NhfAttachment
{
public:
    explicit NhfAttachment(const QMap<QString, QVariant> &record = {});

    QString bezeichnung() const;
    qint64 bildId() const;
    double deltaTemp() const;
    double deltaDruck() const;
    double deltaQN() const;
    double dhnhf() const;
    QString dhnhfText() const;
    QString stutzenListe() const;   // trimmed

    bool definesDhnhf() const;        // DHNHF above 0
    bool definesStutzenListe() const; // non-empty StutzenListe

    // Whether the attachment fixes the upper-case column in its derived sets,
    // so that an edit of the source is not passed on there.
    bool fixesColumn(const QString &column) const;

    // Delta the attachment adds to TW, PW or QN (upper-case name); 0 otherwise.
    double deltaFor(const QString &column) const;

    // Value a derived set receives when the source's column is set to value:
    // the value itself, or for TW, PW, QN with a non-zero delta the sum
    // (an empty or non-numeric value is passed on as it is).
    QString passedOnValue(const QString &column, const QVariant &value) const;

    // ",DHNHF=..,StutzenListe='..'" for the attachment-defined columns, or empty.
    QString derivationExtras() const;

    // The final statement of a derivation: name, shifted TW/PW/QN, picture,
    // source and attachment ids of the target value set.
    QString derivationStatement(double sourceTw, double sourcePw, double sourceQn, qint64 sourceId,
                                qint64 attachmentId, qint64 targetId) const;

    // Numbers computed from deltas are written with 6 significant digits.
    static QString numberText(double value);

private:
    QVariant field(const char *name) const;

    QMap<QString, QVariant> m_record;
};

#endif // NHFATTACHMENT_H
