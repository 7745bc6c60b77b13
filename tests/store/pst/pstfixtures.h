#pragma once

// Shared helpers of the PST provider's tests: the sample folder, logons, walks, and one-line descriptions of
// objects for table comparisons.

#include "pstwriter.h"
#include "store/pst/pstprovider.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace psttest {

inline QString sample(const QString& name)
{
    return QDir(QStringLiteral(SW_SAMPLES_DIR)).filePath(name);
}

#define SKIP_WITHOUT_SAMPLES()                                                                                         \
    if (!QFileInfo(QStringLiteral(SW_SAMPLES_DIR)).isDir())                                                            \
    GTEST_SKIP() << "The sample stores are not there (" << SW_SAMPLES_DIR << "): skipped"

inline std::unique_ptr<store::Session> logon(const QString& name)
{
    auto session = store::pst::createSession({}, QStringLiteral("/nonexistent/profiles.ini"));
    session->logon(store::LogonArgs { name, std::nullopt });
    return session;
}

// The failure's number (0 when the call succeeds); its description goes to *description.
inline quint32 failureOf(const std::function<void()>& call, QString* description = nullptr)
{
    try {
        call();
    } catch (const store::Error& e) {
        if (description) *description = e.description();
        return e.number();
    }
    return 0;
}

// The folder at a path of names below a folder.
std::shared_ptr<store::Folder> folderAt(const std::shared_ptr<store::Folder>& top, const QStringList& path);
// "path count" for a folder and every folder below it, sorted; the paths are relative, the folder is its name.
QStringList treeLines(const std::shared_ptr<store::Folder>& folder, const QString& path = {});
QStringList subjects(store::Messages& messages);
// "name|type" per attachment, "name|address|type|display type" per recipient, "name|type|address|display type" per
// address entry.
template <class T>
QStringList describe(const store::Collection<T>& items)
{
    const auto line = [](const QStringList& parts) { return parts.join(QLatin1Char('|')); };
    QStringList out;
    for (int i = 1; i <= items.count(); ++i) {
        auto it = items.item(i);
        if constexpr (std::is_same_v<T, store::AddressEntry>)
            out.append(line({ it->name(), it->type(), it->address(), QString::number(it->displayType()) }));
        else if constexpr (std::is_same_v<T, store::Recipient>)
            out.append(
                line({ it->name(), it->address(), QString::number(it->type()), QString::number(it->displayType()) }));
        else
            out.append(line({ it->name(), QString::number(it->type()) }));
    }
    return out;
}
// "name|type|address" per member of a list; every member's identifier must resolve back to it.
QStringList members(const store::Session& session, const store::AddressEntry& list);

// Stores the PST writer writes from descriptions into a folder of their own, and logons to them.
class WrittenStores : public testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("store.pst")) const { return m_dir.filePath(name); }
    // Writes the store and logs on to it; a code page may follow the name ("store.pst@932", else Windows-1252).
    std::unique_ptr<store::Session> write(
        const QJsonObject& description, const QString& name = QStringLiteral("store.pst"))
    {
        QString error;
        EXPECT_TRUE(pstwriter::writeStore(description, path(name.section('@', 0, 0)), &error)) << error.toStdString();
        return logon(path(name));
    }
    // The folder at a path of names ("Inbox/Sub") below the top of the user's folders.
    static std::shared_ptr<store::Folder> folder(store::Session& session, const QString& path)
    {
        return folderAt(session.infoStores()->item(1)->rootFolder(), path.split('/', Qt::SkipEmptyParts));
    }

    QTemporaryDir m_dir;
};

// Reads everything a user could look at, passing over failures as a walk of a damaged store does.
// Returns the number of objects that failed.
int walkAll(store::Session& session, int limit = 100000);

} // namespace psttest
