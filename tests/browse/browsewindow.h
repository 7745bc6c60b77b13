#pragma once

// A main window over an in-memory store, with the folder tree opened the way a click on the store opens it, so
// that the folder tree and message list can be driven without the rest of the window.

#include "mainwindow/frmmain.h"
#include "store/memory/memorystore.h"
#include "support/fakeplatform.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <QTreeWidget>
#include <memory>
#include <ostream>

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace browsetest {

using namespace store::memory;
using store::Error;

// Identifiers readable in failures: the hexadecimal of a name.
inline QString hexId(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toHex().toUpper());
}

inline FolderData folder(const QString& name, std::vector<FolderData> children = {})
{
    FolderData data;
    data.id = hexId(QStringLiteral("F:") + name);
    data.name = name;
    data.folders = std::move(children);
    return data;
}

inline QString messageId(const QString& subject)
{
    return hexId(QStringLiteral("M:") + subject);
}

// Messages "<prefix>1" .. "<prefix>N", created one minute apart, so "<prefix>1" is the oldest.
inline std::vector<MessageData> messages(int count, const QString& prefix = QStringLiteral("m"))
{
    std::vector<MessageData> list;
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);
    for (int i = 1; i <= count; ++i) {
        MessageData m;
        m.subject = prefix + QString::number(i);
        m.id = messageId(m.subject);
        m.created = start.addSecs(60 * i);
        list.push_back(m);
    }
    return list;
}

inline SessionData oneStore(FolderData root)
{
    SessionData data;
    StoreData store;
    store.id = hexId(QStringLiteral("S:Personal"));
    store.name = QStringLiteral("Personal Folders");
    store.root = std::move(root);
    data.stores.push_back(std::move(store));
    return data;
}

class BrowseWindow {
public:
    explicit BrowseWindow(SessionData data);

    // What a click on the store does for the tree: root node "x0" for the store's root folder, then its first
    // level of folders. Returns the root node.
    QTreeWidgetItem* openStore(int index = 1);
    // The node reached by node texts from the root's children down ("Inbox/Sub").
    QTreeWidgetItem* node(const QString& path) const;
    // The whole tree, one node a line: indentation, key, text.
    QString tree() const;
    // The texts of lstMessages' first column, top to bottom.
    QStringList rows() const;
    QString status() const;

    FakePlatform platform;
    QTemporaryDir dir;
    std::unique_ptr<FrmMain> window;
    MemorySession* session = nullptr;
};

} // namespace browsetest
