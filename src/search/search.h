#pragma once

// A search through folders, widget-free, in steps: the command line runs it to the end, the window a slice at a time
// from its event loop (store objects are not thread-safe, so there is no thread).

#include "store/store.h"

#include <QDateTime>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace search {

// What a message or folder must have to match.
struct Condition {
    QString text; // in subjects and folder names, ignoring case (when no tag is given)
    std::optional<quint32> tag; // messages holding the property
    bool idOnly = false; // the tag was given as 4 digits: any type of that property
    std::optional<QString> value; // ... whose value, as the field list shows it, holds this text

    bool messageMatches(const store::Message& message) const;
    bool folderMatches(const QString& name) const { return !tag && name.contains(text, Qt::CaseInsensitive); }
};

// Parses "TAG" or "TAG=VALUE", TAG 4 or 8 hexadecimal digits (an optional "0x"); false when it is not hexadecimal.
bool parsePropertyCondition(const QString& text, Condition* condition);

// A folder path as the window shows it: "\" and each name followed by "\".
QString pathText(const QStringList& names);

struct Match {
    enum Kind { Message, Folder } kind = Message;
    int store = 0; // the number the store was added with
    QString storeName;
    QStringList folderNames; // from the folder the search started at down to the match's folder
    QStringList folderIds; // their identifiers, in the same order
    QString folderPath; // pathText of the names the start was added with and those below it
    int position = 0; // a message's position in its folder's listing, newest first (1 based)
    QString id;
    QString subject; // a folder's name for a folder
    QString messageClass;
    bool fieldsRead = false; // the message's fields could be read for its creation time
    std::optional<QDateTime> created;
};

// A depth-first walk of one or more folder trees. Memory holds the path down, not the tree.
class Walk {
public:
    using OnMatch = std::function<void(const Match&)>;
    Walk(Condition condition, OnMatch onMatch, const std::atomic_bool* stop = nullptr);

    // Queues a folder and everything below it. names/ids lead from the store's top to it.
    void add(int store, const QString& storeName, std::shared_ptr<store::Folder> folder, const QStringList& names,
        const QStringList& ids);
    // Goes on for about `budget` messages and folders; false once nothing is left or the stop flag is set.
    bool step(int budget = 200);
    QString currentPath() const { return m_currentPath; }
    int foldersSearched() const { return m_folders; }

private:
    struct Frame {
        std::shared_ptr<store::Folder> folder;
        QStringList names, ids;
        std::shared_ptr<store::Messages> messages; // while its messages are searched
        std::shared_ptr<store::Message> current;
        int position = 0;
        bool started = false;
        std::shared_ptr<store::Walkable<store::Folder>> children;
        bool childrenRead = false;
    };
    struct Start {
        int store;
        QString storeName;
        Frame frame;
    };
    bool stopped() const { return m_stop && m_stop->load(); }
    void searchMessages(Frame& frame, int& budget);
    Match matchIn(const Frame& frame) const;

    Condition m_condition;
    OnMatch m_onMatch;
    const std::atomic_bool* m_stop;
    std::vector<Start> m_starts; // in the order added; m_next is the next to begin
    size_t m_next = 0;
    std::vector<Frame> m_stack;
    int m_store = 0;
    QString m_storeName;
    QString m_currentPath;
    int m_folders = 0;
};

} // namespace search
