// The writer's tests: descriptions written to a temporary file and read back through the program's store provider,
// against values written out here. The differential test compares our reader with libpff on writer stores, so a
// fault of the reader cannot hide one of the writer; where only libpff would refuse a store, libpff is asked.
#pragma once

#include "pstfixtures.h"

#include <QFile>
#include <QJsonDocument>

class WriterTest : public psttest::WrittenStores {
protected:
    static QJsonObject json(const char* text) { return QJsonDocument::fromJson(text).object(); }
    static QJsonObject sample()
    {
        QFile f(QStringLiteral(SW_SOURCE_DIR "/samples/sample.json"));
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    }
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
