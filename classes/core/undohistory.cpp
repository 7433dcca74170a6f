#include "undohistory.h"

#include "dbconnections.h"
#include "steprecording.h"
#include "writeaction.h"

#include <QCoreApplication>
#include <QSqlQuery>

namespace {

UndoHistory *&installed()
{
    static UndoHistory *history = nullptr;
    return history;
}

} // namespace

UndoHistory::UndoHistory(QObject *parent) : QObject(parent) {}

UndoHistory::~UndoHistory()
{
    if (installed() == this) {
        installed() = nullptr;
        WriteAction::setRecorderSource(nullptr);
    }
}

UndoHistory *UndoHistory::instance()
{
    static UndoHistory *history = new UndoHistory(QCoreApplication::instance());
    return history;
}

void UndoHistory::installRecorder()
{
    installed() = this;
    WriteAction::setRecorderSource([this](const QString &connection) -> std::unique_ptr<ActionRecorder> {
        if (!m_enabled || m_applying || connection != m_connectionName)
            return nullptr;
        return std::make_unique<StepRecording>([this](UndoStep step) { push(std::move(step)); });
    });
}

void UndoHistory::startFor(const QString &file, bool readOnly, const QString &connectionName)
{
    m_connectionName = connectionName.isEmpty() ? QString::fromLatin1(kKolvexConnection) : connectionName;
    const bool hadSteps = !m_undo.isEmpty() || !m_redo.isEmpty();
    const bool otherFile = file != m_file;
    m_undo.clear();
    m_redo.clear();
    m_file = file;
    m_enabled = !readOnly;
    installRecorder();
    if (hadSteps)
        emit cleared(otherFile ? tr("Rückgängig-Liste geleert: andere Datenbank geöffnet")
                               : tr("Rückgängig-Liste geleert: Datenbank neu geöffnet"));
    emit changed();
}

bool UndoHistory::canUndo() const
{
    return m_enabled && !m_undo.isEmpty() && m_undo.last().isUndoable();
}

bool UndoHistory::canRedo() const
{
    return m_enabled && !m_redo.isEmpty();
}

QString UndoHistory::undoName() const
{
    return m_undo.isEmpty() ? QString() : m_undo.last().name;
}

QString UndoHistory::redoName() const
{
    return m_redo.isEmpty() ? QString() : m_redo.last().name;
}

QString UndoHistory::undoRefusal() const
{
    return m_undo.isEmpty() ? QString() : m_undo.last().notUndoableReason;
}

qint64 UndoHistory::heldBytes() const
{
    qint64 bytes = 0;
    for (const QVector<UndoStep> *stack : {&m_undo, &m_redo}) {
        for (const UndoStep &step : *stack)
            bytes += step.approximateBytes();
    }
    return bytes;
}

void UndoHistory::push(UndoStep step)
{
    if (!m_enabled)
        return;
    if (step.isUndoable() && step.approximateBytes() > kMaxBytes) {
        step.tables.clear();
        step.notUndoableReason = tr("Die Änderung ist zu groß, um sie aufzubewahren.");
    }
    // Nothing before a step that cannot be undone is reachable any more.
    if (!step.isUndoable())
        m_undo.clear();
    m_redo.clear();
    m_undo << std::move(step);
    trim();
    emit changed();
}

void UndoHistory::trim()
{
    while (m_undo.size() > kMaxSteps)
        m_undo.removeFirst();
    while (m_undo.size() > 1 && heldBytes() > kMaxBytes)
        m_undo.removeFirst();
}

bool UndoHistory::undo(QString *error)
{
    return apply(UndoStep::Back, error);
}

bool UndoHistory::redo(QString *error)
{
    return apply(UndoStep::Forward, error);
}

bool UndoHistory::apply(UndoStep::Direction direction, QString *error)
{
    const bool back = direction == UndoStep::Back;
    QVector<UndoStep> &from = back ? m_undo : m_redo;
    QVector<UndoStep> &to = back ? m_redo : m_undo;
    QString reason;
    if (!m_enabled || from.isEmpty()) {
        reason = back ? tr("Es gibt nichts rückgängig zu machen.") : tr("Es gibt nichts zu wiederholen.");
    } else if (!from.last().isUndoable()) {
        reason = tr("„%1“ kann nicht rückgängig gemacht werden: %2")
                     .arg(from.last().name, from.last().notUndoableReason);
    }
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    const UndoStep &step = from.last();
    const QString verb = back ? tr("„%1“ kann nicht rückgängig gemacht werden: %2")
                              : tr("„%1“ kann nicht wiederholt werden: %2");
    m_applying = true;
    bool done = false;
    {
        WriteAction action(m_connectionName, WriteAction::AllOrNothing);
        QString readError;
        const QString changedRecord = step.conflict(action.database(), direction, &readError);
        if (!changedRecord.isEmpty()) {
            reason = verb.arg(step.name, tr("%1 wurde inzwischen anderweitig geändert.").arg(changedRecord));
        } else if (!readError.isEmpty()) {
            reason = verb.arg(step.name, readError);
        } else {
            for (const UndoStep::Statement &statement : step.statements(direction)) {
                if (!(statement.journaled ? action.run(statement.sql) : action.runUnjournaled(statement.sql)))
                    break;
            }
            const QString failure = action.lastError();
            done = action.finish();
            if (!done)
                reason = verb.arg(step.name, failure.isEmpty() ? tr("Die Änderung wurde nicht gespeichert.") : failure);
        }
        if (!reason.isEmpty() && !done)
            action.finish();   // nothing was written; the action ends empty
    }
    m_applying = false;
    if (!done) {
        if (error)
            *error = reason;
        return false;
    }
    const UndoStep::Record focus = step.focus(direction);
    to << from.takeLast();
    emit changed();
    announceRestored(focus);
    return true;
}

void UndoHistory::announceRestored(const UndoStep::Record &record)
{
    qint64 manufacturer = -1;
    qint64 appliance = -1;
    qint64 valueSet = -1;
    const QString table = record.table.toLower();
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (table == QLatin1String("hersteller")) {
        manufacturer = record.id;
    } else if (table == QLatin1String("geraete")) {
        appliance = record.id;
    } else if (table == QLatin1String("werte")) {
        valueSet = record.id;
        if (query.exec(QStringLiteral("SELECT Geraet FROM Werte WHERE WerteId=%1").arg(record.id)) && query.next())
            appliance = query.value(0).toLongLong();
    }
    if (appliance > 0 && query.exec(QStringLiteral("SELECT HrstId FROM Geraete WHERE TirmaId=%1").arg(appliance))
        && query.next())
        manufacturer = query.value(0).toLongLong();
    emit restored(manufacturer, appliance, valueSet);
}
