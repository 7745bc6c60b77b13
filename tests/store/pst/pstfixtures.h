#pragma once

// Shared helpers of the PST provider's tests: the sample folder, logons and walks.

#include "store/pst/pstprovider.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace psttest {

inline QString samplesDir()
{
    return QStringLiteral(SW_SAMPLES_DIR);
}
inline QString sample(const QString& name)
{
    return QDir(samplesDir()).filePath(name);
}

#define SKIP_WITHOUT_SAMPLES()                                                                                         \
    if (!QFileInfo(psttest::samplesDir()).isDir())                                                                     \
    GTEST_SKIP() << "The sample stores are not there (" << SW_SAMPLES_DIR << "): skipped"

inline std::unique_ptr<store::Session> logon(const QString& name)
{
    auto session = store::pst::createSession({}, QStringLiteral("/nonexistent/profiles.ini"));
    session->logon(store::LogonArgs { name, std::nullopt });
    return session;
}

// The folder at a path of names below the store's top folder.
inline std::shared_ptr<store::Folder> folderAt(const std::shared_ptr<store::Folder>& top, const QStringList& path)
{
    std::shared_ptr<store::Folder> folder = top;
    for (const QString& name : path) {
        auto subs = folder->folders();
        std::shared_ptr<store::Folder> found;
        for (auto child = subs->getFirst(); child; child = subs->getNext()) {
            if (child->name() == name) found = child;
        }
        if (!found) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("no folder ") + name);
        folder = found;
    }
    return folder;
}

// "path count" per folder below (and including) a folder, sorted: the tree as pffexport shows it.
inline void treeLines(const std::shared_ptr<store::Folder>& folder, const QString& path, QStringList& out)
{
    out.append(path + QLatin1Char(' ') + QString::number(folder->messages()->count()));
    auto subs = folder->folders();
    for (auto child = subs->getFirst(); child; child = subs->getNext())
        treeLines(child, path + QLatin1Char('/') + child->name(), out);
}

inline QStringList subjects(store::Messages& messages)
{
    QStringList out;
    for (auto m = messages.getFirst(); m; m = messages.getNext())
        out.append(m->subject());
    return out;
}

// Reads everything a user could look at, passing over failures as a walk of a damaged store does.
// Returns the number of objects that failed.
int walkAll(store::Session& session, int limit = 100000);

} // namespace psttest
