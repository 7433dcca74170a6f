#include "statementrecorder.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QVariant>

#include <dlfcn.h>

namespace {

// The few entry points of the SQLite C interface the recorder uses.
constexpr unsigned kTraceStatement = 0x01;  // SQLITE_TRACE_STMT
constexpr unsigned kTraceClose = 0x08;      // SQLITE_TRACE_CLOSE
using TraceCallback = int (*)(unsigned, void *, void *, void *);
using EntryPoint = void (*)();

struct SqliteApi
{
    int (*trace)(void *, unsigned, TraceCallback, void *) = nullptr;
    char *(*expandedSql)(void *) = nullptr;
    void (*free)(void *) = nullptr;
    void *(*statementConnection)(void *) = nullptr;
    const char *(*fileName)(void *, const char *) = nullptr;
    int (*autoExtension)(EntryPoint) = nullptr;
    int (*cancelAutoExtension)(EntryPoint) = nullptr;
    bool ok() const
    {
        return trace && expandedSql && free && statementConnection && fileName && autoExtension
               && cancelAutoExtension;
    }
};

template <typename Function>
void resolve(void *library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
}

const SqliteApi &sqliteApi()
{
    static const SqliteApi api = [] {
        SqliteApi found;
        // Normally loaded already by the Qt driver; this finds that copy.
        void *library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
        if (!library)
            library = dlopen("libsqlite3.so.0", RTLD_NOW);
        if (!library)
            return found;
        resolve(library, "sqlite3_trace_v2", found.trace);
        resolve(library, "sqlite3_expanded_sql", found.expandedSql);
        resolve(library, "sqlite3_free", found.free);
        resolve(library, "sqlite3_db_handle", found.statementConnection);
        resolve(library, "sqlite3_db_filename", found.fileName);
        resolve(library, "sqlite3_auto_extension", found.autoExtension);
        resolve(library, "sqlite3_cancel_auto_extension", found.cancelAutoExtension);
        return found;
    }();
    return api;
}

void *connectionHandle(QSqlDatabase db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<void *const *>(handle.data());
}

QString canonical(const QString &file)
{
    const QString path = QFileInfo(file).canonicalFilePath();
    return path.isEmpty() ? file : path;
}

// The recorder that watches new connections; SQLite's open hook has no context.
StatementRecorder *s_newConnectionRecorder = nullptr;

} // namespace

StatementRecorder::StatementRecorder(QSqlDatabase db, Scope scope)
{
    void *handle = connectionHandle(db);
    if (!sqliteApi().ok() || !handle)
        return;
    attach(handle);
    m_recording = m_files.contains(handle);
    if (m_recording && scope == AlsoNewConnections)
        watchNewConnections();
}

StatementRecorder::StatementRecorder()
{
    if (sqliteApi().ok())
        watchNewConnections();
}

void StatementRecorder::watchNewConnections()
{
    if (s_newConnectionRecorder)
        return;
    s_newConnectionRecorder = this;
    m_newConnections = true;
    m_recording =
        sqliteApi().autoExtension(reinterpret_cast<EntryPoint>(&StatementRecorder::onOpen)) == 0;
}

StatementRecorder::~StatementRecorder()
{
    stop();
}

void StatementRecorder::stop()
{
    if (m_newConnections) {
        sqliteApi().cancelAutoExtension(reinterpret_cast<EntryPoint>(&StatementRecorder::onOpen));
        s_newConnectionRecorder = nullptr;
        m_newConnections = false;
    }
    // Closed connections have left m_files already.
    QMutexLocker lock(&m_mutex);
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        sqliteApi().trace(it.key(), 0, nullptr, nullptr);
    m_files.clear();
    m_recording = false;
}

QStringList StatementRecorder::statements() const
{
    QMutexLocker lock(&m_mutex);
    QStringList list;
    for (const Entry &entry : m_entries)
        list << entry.sql;
    return list;
}

QStringList StatementRecorder::statements(const QString &file) const
{
    const QString wanted = canonical(file);
    QMutexLocker lock(&m_mutex);
    QStringList list;
    for (const Entry &entry : m_entries)
        if (entry.file == wanted)
            list << entry.sql;
    return list;
}

void StatementRecorder::attach(void *handle)
{
    const SqliteApi &api = sqliteApi();
    if (api.trace(handle, kTraceStatement | kTraceClose, &StatementRecorder::onTrace, this) != 0)
        return;
    const char *file = api.fileName(handle, "main");
    QMutexLocker lock(&m_mutex);
    m_files.insert(handle, canonical(QString::fromUtf8(file ? file : "")));
}

int StatementRecorder::onOpen(void *handle, const char **, const void *)
{
    if (s_newConnectionRecorder)
        s_newConnectionRecorder->attach(handle);
    return 0;  // SQLITE_OK
}

int StatementRecorder::onTrace(unsigned type, void *context, void *subject, void *text)
{
    auto *recorder = static_cast<StatementRecorder *>(context);
    if (type == kTraceClose) {
        QMutexLocker lock(&recorder->m_mutex);
        recorder->m_files.remove(subject);
        return 0;
    }
    if (type != kTraceStatement)
        return 0;
    // Statements of triggers come as comments; the trigger fires in the shell too.
    const char *raw = static_cast<const char *>(text);
    if (raw && raw[0] == '-' && raw[1] == '-')
        return 0;
    const SqliteApi &api = sqliteApi();
    char *expanded = api.expandedSql(subject);
    QMutexLocker lock(&recorder->m_mutex);
    const QString file = recorder->m_files.value(api.statementConnection(subject));
    recorder->m_entries.append({file, QString::fromUtf8(expanded ? expanded : raw)});
    if (expanded)
        api.free(expanded);
    return 0;
}
