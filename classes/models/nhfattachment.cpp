#include "nhfattachment.h"

#include "sqltext.h"

#include <QStringList>

NhfAttachment::NhfAttachment(const QMap<QString, QVariant> &record) : m_record(record) {}

QVariant NhfAttachment::field(const char *name) const
{
    return m_record.value(QLatin1String(name));
}

QString NhfAttachment::bezeichnung() const
{
    return field("Bezeichnung").toString();
}

qint64 NhfAttachment::bildId() const
{
    return field("BildId").toLongLong();
}

double NhfAttachment::deltaTemp() const
{
    return field("DeltaTemp").toDouble();
}

double NhfAttachment::deltaDruck() const
{
    return field("DeltaDruck").toDouble();
}

double NhfAttachment::deltaQN() const
{
    return field("DeltaQN").toDouble();
}

double NhfAttachment::dhnhf() const
{
    return field("DHNHF").toDouble();
}

QString NhfAttachment::dhnhfText() const
{
    return field("DHNHF").toString();
}

QString NhfAttachment::stutzenListe() const
{
    return field("StutzenListe").toString().trimmed();
}

bool NhfAttachment::definesDhnhf() const
{
    return dhnhf() > 0;
}

bool NhfAttachment::definesStutzenListe() const
{
    return !stutzenListe().isEmpty();
}

bool NhfAttachment::fixesColumn(const QString &column) const
{
    if (column == QLatin1String("DHNHF"))
        return definesDhnhf();
    if (column == QLatin1String("STUTZENLISTE"))
        return definesStutzenListe();
    return false;
}

double NhfAttachment::deltaFor(const QString &column) const
{
    if (column == QLatin1String("TW"))
        return deltaTemp();
    if (column == QLatin1String("PW"))
        return deltaDruck();
    if (column == QLatin1String("QN"))
        return deltaQN();
    return 0.0;
}

QString NhfAttachment::passedOnValue(const QString &column, const QVariant &value) const
{
    const double delta = deltaFor(column);
    bool isNumber = false;
    const double number = value.toString().trimmed().toDouble(&isNumber);
    // A cleared or non-numeric source value stays as it is: shifting it
    // would invent a value of just the delta.
    if (delta == 0.0 || !isNumber)
        return value.toString();
    return numberText(number + delta);
}

QString NhfAttachment::derivationExtras() const
{
    QStringList assignments;
    if (definesDhnhf())
        assignments << QStringLiteral("DHNHF=%1").arg(dhnhfText());
    if (definesStutzenListe())
        assignments << QStringLiteral("StutzenListe='%1'").arg(doubleApostrophes(stutzenListe()));
    const QString joined = assignments.join(QLatin1Char(','));
    return joined.isEmpty() ? joined : QLatin1Char(',') + joined;
}

QString NhfAttachment::derivationStatement(double sourceTw, double sourcePw, double sourceQn,
                                           qint64 sourceId, qint64 attachmentId, qint64 targetId) const
{
    return QStringLiteral("UPDATE Werte SET Bemerkung='%1',TW=%2,PW=%3,QN=%4,BildId=%5,"
                          "BEMERKUNGID=%6,AUSATZRINGEID=%7 %8 WHERE WerteId=%9")
        .arg(doubleApostrophes(bezeichnung()), numberText(sourceTw + deltaTemp()),
             numberText(sourcePw + deltaDruck()), numberText(sourceQn + deltaQN()),
             QString::number(bildId()), QString::number(sourceId), QString::number(attachmentId),
             derivationExtras(), QString::number(targetId));
}

QString NhfAttachment::numberText(double value)
{
    return QString::number(value, 'g', 6);
}
