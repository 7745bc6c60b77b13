// The writer's tests: descriptions written to a temporary file and read back through the program's store provider,
// against values written out here. The differential test compares our reader with libpff on writer stores, so a
// fault of the reader cannot hide one of the writer; where only libpff would refuse a store, libpff is asked.
#pragma once

#include "pstfixtures.h"
#include "pstwriter.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

class WriterTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("store.pst")) const { return m_dir.filePath(name); }
    static QJsonObject json(const char* text) { return QJsonDocument::fromJson(text).object(); }
    static QJsonObject sample()
    {
        QFile f(QStringLiteral(SW_SOURCE_DIR "/samples/sample.json"));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    }
    // Writes the store and logs on to it, in the code page given as "@932" (Windows-1252 without one).
    std::unique_ptr<store::Session> roundTrip(const QJsonObject& description, const QString& codepage = {})
    {
        QString error;
        EXPECT_TRUE(pstwriter::writeStore(description, path(), &error)) << error.toStdString();
        return psttest::logon(path() + codepage);
    }
    // The folder at a path of names ("Inbox/Sub") below the top of the user's folders.
    static std::shared_ptr<store::Folder> folder(store::Session& session, const QString& path)
    {
        return psttest::folderAt(session.infoStores()->item(1)->rootFolder(), path.split('/', Qt::SkipEmptyParts));
    }

    QTemporaryDir m_dir;
};

// A field's value as text ("none" when absent) or as bytes (empty when absent).
inline QString text(const store::Fields& fields, quint32 tag)
{
    const store::Field* f = fields.find(tag);
    return f ? f->value().text() : QStringLiteral("none");
}
inline QByteArray bytes(const store::Fields& fields, quint32 tag)
{
    const store::Field* f = fields.find(tag);
    return f ? f->value().toByteArray() : QByteArray();
}

// Whether the contents table of the folder with that identifier has a creation-time column (our reader, directly:
// the provider reads the times from the messages when the table lacks them).
bool hasCreationColumn(const QString& storePath, const QString& folderId);
