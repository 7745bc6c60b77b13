// Shared helpers of the writer's tests: write a description into a temporary file and read it back.
#pragma once

#include "pffread.h"
#include "pstwriter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class WriterTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("store.pst")) const { return m_dir.filePath(name); }
    static QJsonObject json(const char* text)
    {
        QJsonParseError e;
        const QJsonDocument d = QJsonDocument::fromJson(QByteArray(text), &e);
        EXPECT_TRUE(d.isObject()) << e.errorString().toStdString() << " at " << e.offset;
        return d.object();
    }
    // Writes and reads back; a failure of either fails the test.
    pffread::Store roundTrip(const QJsonObject& description, const QString& name = QStringLiteral("store.pst"))
    {
        QString error;
        EXPECT_TRUE(pstwriter::writeStore(description, path(name), &error)) << error.toStdString();
        pffread::Store s = pffread::read(path(name));
        EXPECT_EQ(s.error.toStdString(), "");
        return s;
    }
    static const pffread::Folder& top(const pffread::Store& s)
    {
        static const pffread::Folder none;
        return s.root.folders.empty() ? none : s.root.folders.front();
    }

    QTemporaryDir m_dir;
};
