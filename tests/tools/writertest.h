// The writer's tests: descriptions written to a temporary file and read back through libpff (pffread.cpp) into
// plain structures. The tests read libpff directly rather than through the program's store provider, so that a
// fault in the provider cannot hide or fake one in the writer, and raw bytes and property-set GUIDs stay visible.
#pragma once

#include "pstwriter.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace pffread {

struct Prop {
    quint32 tag = 0; // as stored (named properties: 0x8000 and up)
    QByteArray data;
    QUuid set; // named properties: their set, and their name or number as "0x8501"
    QString name;
};
using Props = std::vector<Prop>;
// A folder, message or attachment as libpff reads it.
struct Item {
    quint32 id = 0;
    Props props;
    std::vector<Props> rows; // a folder's contents table, a message's recipients
    std::vector<Item> folders, messages, attachments; // an attachment's embedded message is its one message
    QByteArray data; // an attachment's bytes
};
struct Store {
    QString error; // the first failure; empty when everything read
    Props props;
    Item root; // its first subfolder is the top of the user's folders
};

Store read(const QString& path);
const Prop* find(const Props& props, quint32 tag);
const Prop* findNamed(const Props& props, const QUuid& set, const QString& name); // name, or number as "0x8501"
QString text(const Prop* p); // UTF-16 value; empty when absent
QString name(const Props& props); // display name 0x3001, Unicode or (ANSI stores) Latin-1
quint64 le(const QByteArray& bytes); // little-endian, of up to 8 bytes
// The values of the given tags as text joined by '|' ("none" when absent): strings, integers, else hex.
std::string show(const Props& props, std::initializer_list<quint32> tags);
const Item* folderByPath(const Store& store, const QString& path); // "Inbox/Sub" below the top folder
inline const Item* messageAt(const Store& store, const QString& folder, size_t index = 0)
{
    const Item* f = folderByPath(store, folder);
    return f && index < f->messages.size() ? &f->messages[index] : nullptr;
}

} // namespace pffread

class WriterTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("store.pst")) const { return m_dir.filePath(name); }
    static QJsonObject json(const char* text) { return QJsonDocument::fromJson(text).object(); }
    static QJsonObject sample()
    {
        QFile f(QStringLiteral(SW_SOURCE_DIR "/samples/sample.json"));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    }
    // Writes and reads back; a failure of either fails the test.
    pffread::Store roundTrip(const QJsonObject& description)
    {
        QString error;
        EXPECT_TRUE(pstwriter::writeStore(description, path(), &error)) << error.toStdString();
        pffread::Store s = pffread::read(path());
        EXPECT_EQ(s.error.toStdString(), "");
        return s;
    }

    QTemporaryDir m_dir;
};
