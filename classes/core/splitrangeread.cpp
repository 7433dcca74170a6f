#include "splitrangeread.h"

#include "readonlyconnection.h"

#include <QDebug>
#include <QPair>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <QVector>

#include <memory>

namespace {

using Pairs = QVector<QPair<qint64, qint64>>;

// Reads ranges [from, to), handing each row to take in the table's order.
bool readRanges(QSqlDatabase db, const QString &statement, const QString &key,
                const QList<KeyRanges::Range> &ranges, int from, int to,
                const SplitRangeRead::Take &take, const SplitRangeRead::Done &done)
{
    for (int i = from; i < to; ++i) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        const QString text = ranges.size() == 1
            ? statement
            : statement + QStringLiteral(" AND ") + KeyRanges::condition(key, ranges.at(i));
        if (!query.exec(text)) {
            qWarning() << "Bereich nicht gelesen:" << query.lastError().text();
            return false;
        }
        while (query.next())
            take(query.value(0).toLongLong(), query.value(1).toLongLong());
        if (done)
            done(i + 1);
    }
    return true;
}

// The worker's part: bare pairs, on a connection with a small page cache
// (a pass reads every page once).
bool readLaterRanges(const QString &file, const QString &options, const QString &statement,
                     const QString &key, const QList<KeyRanges::Range> &ranges, int from,
                     Pairs &pairs)
{
    ReadOnlyConnection connection(file, options);
    if (!connection.open())
        return false;
    QSqlQuery(connection.database()).exec(QStringLiteral("PRAGMA cache_size=-256"));
    return readRanges(
        connection.database(), statement, key, ranges, from, ranges.size(),
        [&pairs](qint64 first, qint64 second) { pairs.append(qMakePair(first, second)); },
        SplitRangeRead::Done());
}

} // namespace

bool SplitRangeRead::run(QSqlDatabase db, const QString &statement, const QString &key,
                         const QList<KeyRanges::Range> &ranges, const Take &take, const Done &done)
{
    const int split = ranges.size() >= kRangesForTwoReaders && ReadOnlyConnection::seesTheSameAs(db)
                          ? ranges.size() / 2
                          : ranges.size();
    Pairs later;
    bool laterRead = false;
    std::unique_ptr<QThread> worker;
    if (split < ranges.size()) {
        const QString file = db.databaseName();
        const QString options = db.connectOptions();
        worker.reset(QThread::create([&, file, options] {
            laterRead = readLaterRanges(file, options, statement, key, ranges, split, later);
        }));
        worker->start();
    }
    const bool earlierRead = readRanges(db, statement, key, ranges, 0, split, take, done);
    if (!worker)
        return earlierRead;
    worker->wait();
    if (!earlierRead)
        return false;
    if (!laterRead)   // the worker could not read: the later ranges here
        return readRanges(db, statement, key, ranges, split, ranges.size(), take, done);
    for (const auto &pair : qAsConst(later))
        take(pair.first, pair.second);
    if (done)
        done(ranges.size());
    return true;
}
