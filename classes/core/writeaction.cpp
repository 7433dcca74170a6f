#include "writeaction.h"

#include "actionrecorder.h"
#include "changejournal.h"
#include "changereport.h"
#include "databasefilecheck.h"
#include "dbconnections.h"
#include "journalcommitstate.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

struct WriteAction::Shared
{
    Mode mode = KeepGoing;
    bool inTransaction = false;
    // SQLite rolled the transaction back on its own (disk full, I/O error),
    // or the file is locked by another program: nothing of the action will
    // reach the file.
    bool lost = false;
    bool cancelled = false;
    QStringList journal;
    int failures = 0;
    QString firstError;
    // Undo recording of the outermost action, when one is installed.
    std::unique_ptr<ActionRecorder> recorder;
    QString stepName;
};

namespace {

QString errorText(const QSqlError &error)
{
    const QString text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}

// After a failed statement: whether SQLite ended the transaction itself. A
// BEGIN is refused inside a transaction; when it is accepted there was none.
bool transactionWasLost(QSqlDatabase db)
{
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("BEGIN")))
        return false;
    probe.exec(QStringLiteral("ROLLBACK"));
    return true;
}

qint64 journalSize(const ChangeJournal &journal)
{
    const QFileInfo file(journal.path());
    return file.isFile() ? file.size() : 0;
}

void (*&beforeCommitHook())()
{
    static void (*hook)() = nullptr;
    return hook;
}

} // namespace

QHash<QString, WriteAction::Shared *> &WriteAction::openActions()
{
    static QHash<QString, Shared *> actions;
    return actions;
}

bool WriteAction::isOpenOn(const QString &connectionName)
{
    return openActions().contains(connectionName);
}

WriteAction::WriteAction(const QString &connectionName, Mode mode)
    : m_connectionName(connectionName.isEmpty() ? QString::fromLatin1(kKolvexConnection)
                                                : connectionName)
{
    QHash<QString, Shared *> &open = openActions();
    const auto outer = open.constFind(m_connectionName);
    if (outer != open.constEnd()) {
        m_shared = outer.value();
        return;
    }
    m_outermost = true;
    m_shared = new Shared;
    m_shared->mode = mode;
    open.insert(m_connectionName, m_shared);
    QSqlDatabase db = database();
    m_shared->inTransaction = db.isOpen() && db.transaction();
    if (m_shared->inTransaction && recorderSource())
        m_shared->recorder = recorderSource()(m_connectionName);
}

WriteAction::RecorderSource &WriteAction::recorderSource()
{
    static RecorderSource source;
    return source;
}

void WriteAction::setRecorderSource(const RecorderSource &source)
{
    recorderSource() = source;
}

void WriteAction::setStepName(const QString &name)
{
    if (m_shared && m_shared->stepName.isEmpty())
        m_shared->stepName = name;
}

WriteAction::~WriteAction()
{
    if (!m_finished)
        finish();
}

void WriteAction::setBeforeCommitHook(void (*hook)())
{
    beforeCommitHook() = hook;
}

QString WriteAction::rangeFullText()
{
    return QCoreApplication::translate("WriteAction", "Im Id-Bereich ist keine Id mehr frei.");
}

QSqlDatabase WriteAction::database() const
{
    return QSqlDatabase::database(m_connectionName, true);
}

bool WriteAction::isNested() const
{
    return !m_outermost;
}

bool WriteAction::run(const QString &sql, QVariant *lastInsertId)
{
    return execute(sql, true, lastInsertId);
}

bool WriteAction::runOnRecord(const QString &sql)
{
    return execute(sql, true, nullptr, /*needsRow=*/true);
}

bool WriteAction::runUnjournaled(const QString &sql)
{
    return execute(sql, false, nullptr);
}

bool WriteAction::execute(const QString &sql, bool journal, QVariant *lastInsertId,
                          bool needsRow)
{
    if (lastInsertId)
        *lastInsertId = QVariant();
    if (m_finished || !m_shared)
        return false;
    // Nothing more is tried once the action is void anyway.
    if (m_shared->cancelled)
        return false;
    if (m_shared->lost || (m_shared->mode == AllOrNothing && m_shared->failures > 0)) {
        m_lastError = m_shared->firstError;
        return false;
    }
    QSqlQuery query(database());
    QString executed;
    if (m_shared->recorder)
        executed = m_shared->recorder->beforeStatement(database(), sql, journal);
    if (query.exec(executed.isEmpty() ? sql : executed)) {
        if (needsRow && query.numRowsAffected() == 0) {
            m_lastError = QCoreApplication::translate("WriteAction", "Datensatz nicht mehr vorhanden");
            fail(m_lastError);
            return false;
        }
        if (m_shared->recorder)
            m_shared->recorder->afterStatement(sql, query.numRowsAffected(), query.lastInsertId());
        if (journal)
            m_shared->journal << sql;
        if (lastInsertId)
            *lastInsertId = query.lastInsertId();
        return true;
    }
    qDebug() << "Statement failed:" << sql << query.lastError().text();
    m_lastError = errorText(query.lastError());
    fail(m_lastError);
    // A file locked by another program stays locked for the next statement
    // too: each would wait the whole busy timeout again. The action stops
    // and is rolled back as a whole.
    const bool locked = isLockError(query.lastError());
    query.finish();
    if (locked || (m_shared->inTransaction && transactionWasLost(database())))
        m_shared->lost = true;
    return false;
}

void WriteAction::cancel()
{
    if (!m_finished && m_shared)
        m_shared->cancelled = true;
}

bool WriteAction::isCancelled() const
{
    return m_shared && m_shared->cancelled;
}

void WriteAction::noteFailure(const QString &text)
{
    if (!m_finished && m_shared)
        fail(text);
}

void WriteAction::fail(const QString &text)
{
    ++m_failures;
    ++m_shared->failures;
    if (m_shared->firstError.isEmpty())
        m_shared->firstError = text;
}

int WriteAction::failureCount() const
{
    return m_outermost && m_shared ? m_shared->failures : m_failures;
}

QString WriteAction::lastError() const
{
    return m_lastError;
}

quint64 &WriteAction::finished()
{
    static quint64 count = 0;
    return count;
}

quint64 WriteAction::finishedCount()
{
    return finished();
}

bool WriteAction::finish()
{
    if (m_finished)
        return m_result;
    if (m_outermost) {
        ++finished();
        openActions().remove(m_connectionName);
        m_result = finishOutermost();
        m_failures = m_shared->failures;
        delete m_shared;
    }
    m_shared = nullptr;
    m_finished = true;
    return m_result;
}

bool WriteAction::finishOutermost()
{
    Shared &s = *m_shared;
    const ChangeJournal journal = ChangeJournal::current();
    ChangeReport *reports = ChangeReport::instance();
    QSqlDatabase db = database();

    // Without a transaction what ran is in the file already and must be
    // journaled; a cancel only stopped the rest.
    if (s.cancelled && s.inTransaction) {
        db.rollback();
        reports->actionCancelled();
        return false;
    }
    if (!s.inTransaction) {
        // Without a transaction every statement stood on its own.
        QString reason;
        if (!journal.appendLines(s.journal, &reason))
            reports->journalNotWritable(reason);
        else if (!s.journal.isEmpty())
            JournalCommitState::record(db, journalSize(journal));
        report();
        return s.failures == 0;
    }
    if (s.lost || (s.mode == AllOrNothing && s.failures > 0)) {
        db.rollback();
        if (s.lost)
            reports->changeNotSaved(s.firstError);
        else
            report();
        return false;
    }
    // The lines reach the disk before the change reaches the file; should
    // the commit fail, they are cut off again.
    qint64 sizeBefore = -1;
    QString reason;
    if (s.recorder)
        s.recorder->beforeCommit(db);
    if (!journal.appendLines(s.journal, &reason, &sizeBefore)) {
        db.rollback();
        reports->journalNotWritable(reason);
        return false;
    }
    // How far the journal is committed goes into the same transaction, so
    // that lines of a change that never reached the file are known as such.
    if (sizeBefore >= 0) {
        if (!JournalCommitState::record(db, journalSize(journal), &reason)) {
            db.rollback();
            journal.cutBack(sizeBefore);
            reports->journalNotWritable(reason);
            return false;
        }
        if (beforeCommitHook())
            beforeCommitHook()();
    }
    if (!db.commit()) {
        const QString text = errorText(db.lastError());
        db.rollback();
        journal.cutBack(sizeBefore);
        reports->changeNotSaved(text);
        return false;
    }
    if (s.recorder)
        s.recorder->committed(s.stepName);
    report();
    return true;
}

void WriteAction::report() const
{
    if (m_shared->failures > 0)
        ChangeReport::instance()->statementsFailed(m_shared->failures, m_shared->firstError);
}
