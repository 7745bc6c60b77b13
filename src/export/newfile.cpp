#include "export/newfile.h"

#include "export/filenames.h"
#include "store/store.h"

#include <QDir>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace exporting {

namespace {

    store::Error diskError(const QString& what, const QString& reason)
    {
        return store::Error(store::mapi::E_DISK_ERROR, what + QStringLiteral(": ") + reason);
    }

} // namespace

QString writeNewFile(const QString& folder, const QString& name, const std::function<void(QFile&)>& write)
{
    const QDir dir(folder);
    QTemporaryFile temporary(dir.filePath(QStringLiteral(".storewalker-XXXXXX.part")));
    if (!temporary.open()) throw diskError(QDir::toNativeSeparators(folder), temporary.errorString());
    write(temporary); // a throw leaves the temporary file to be removed
    if (!temporary.flush() || temporary.error() != QFileDevice::NoError)
        throw diskError(QDir::toNativeSeparators(temporary.fileName()), temporary.errorString());
    temporary.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QByteArray from = QFile::encodeName(temporary.fileName());
    // A hard link is made only when the name is free, so no file is ever replaced, even one made meanwhile.
    for (int n = 1; n < 10000; ++n) {
        const QString target = dir.filePath(numberedName(name, n));
        if (::link(from.constData(), QFile::encodeName(target).constData()) == 0) return target;
        // File systems without hard links: a rename, which refuses a name that is taken.
        if ((errno == EPERM || errno == EOPNOTSUPP) && !QFile::exists(target)) {
            temporary.close();
            if (QFile::rename(temporary.fileName(), target)) {
                temporary.setAutoRemove(false);
                return target;
            }
            continue;
        }
        if (errno != EEXIST)
            throw diskError(QDir::toNativeSeparators(target), QString::fromLocal8Bit(std::strerror(errno)));
    }
    throw diskError(QDir::toNativeSeparators(dir.filePath(name)), QStringLiteral("every numbered name is taken"));
}

} // namespace exporting
