// Helpers of the reader's tests: sample paths, stores written by the PST writer, damaged copies, and the check
// that a read is refused as damaged data with a given cause.
#pragma once

#include "store/store.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace pstreadertest {

QString sample(const QString& name);

class TempStore {
public:
    // A store with one folder "Bulk" of n messages.
    QString bulk(int n);
    // A copy of a store with damage() applied to its bytes.
    QString damaged(const QString& path, const std::function<void(QByteArray&)>& damage);

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};

// Success when call() throws store::Error E_CORRUPT_DATA whose text contains cause.
testing::AssertionResult refused(const std::function<void()>& call, const QString& cause);

} // namespace pstreadertest
