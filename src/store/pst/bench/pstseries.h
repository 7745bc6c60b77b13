#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Logon and the tree's top level, timed in this process; cold evicts the file from the page cache first.
int logonMode(const QString& path, bool cold);
// A click on the store's biggest top-level folder, then the same click again; peak memory.
int clickMode(const QString& path, bool cold);
// The fields of the largest message of each store, timed from a fresh logon.
int largestFieldsMode(const QStringList& paths);

namespace store {
class Session;
}
// Opens a message by identifier and reads its fields as the field list shows them (values cut at 1,000
// characters): "N bytes, F fields, C characters shown: T ms", N being the size given.
QString timedFields(store::Session& session, const QString& messageId, const QString& storeId, qint64 size);

struct SeriesOptions {
    QList<int> sizes { 1000, 10000, 100000, 1000000 };
    QString dir = QStringLiteral("/tmp/pstbench");
    QString writer; // pstwrite
    QString libpff; // pffopenbench, when built
    int boundSeconds = 600;
};
// Writes a store of each size, times the modes above on it in child processes beside libpff's open, and
// deletes it.
int seriesMode(const QString& self, const SeriesOptions& options);
