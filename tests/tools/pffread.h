// Reads a PST file back through libpff into plain structures the writer's tests compare with what they wrote.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <memory>
#include <optional>
#include <vector>

namespace pffread {

struct Prop {
    quint32 tag = 0; // as stored (named properties: 0x8000 and up)
    QByteArray data;
    bool named = false;
    QUuid set;
    quint32 number = 0;
    QString name; // string-named properties
};
using Props = std::vector<Prop>;

struct Message;
struct Attachment {
    int type = 0; // libpff: 'd' data, 'i' item, 'r' reference
    QByteArray data;
    Props props;
    std::shared_ptr<Message> embedded;
};
struct Message {
    quint32 id = 0;
    Props props;
    std::vector<Props> recipients;
    std::vector<Attachment> attachments;
};
struct Folder {
    quint32 id = 0;
    Props props;
    std::vector<Folder> folders;
    std::vector<Message> messages;
    std::vector<Props> contentsRows;
    QString name() const;
};
struct Store {
    QString error; // empty when everything read
    Props props;
    Folder root; // the root folder (its first subfolder is the top of the user's folders)
};

// Reads everything; with headersOnly, messages are counted through the contents table only.
Store read(const QString& path, bool messages = true);

const Prop* find(const Props& props, quint32 tag);
const Prop* findNamed(const Props& props, const QUuid& set, quint32 number);
QString text(const Prop* p); // UTF-16 value as text, empty when absent
qint64 integer(const Prop* p); // little-endian integer of the value's bytes (signed for 2 and 4 bytes)
quint64 le(const QByteArray& bytes); // little-endian unsigned integer of up to 8 bytes
const Folder* folderByPath(const Store& store, const QString& path); // "Inbox/Sub" below the top folder

} // namespace pffread
