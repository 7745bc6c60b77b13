#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A settings file in a fresh temporary folder, written from raw bytes and read back as raw bytes.
class IniFixture : public testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("StorWalk.ini")); }

    void writeBytes(const QByteArray& bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray readBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }

    // A path whose folder can never be made, not even by root: it lies under a regular file.
    QString unwritablePath() const
    {
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        if (!file.exists() && file.open(QIODevice::WriteOnly)) file.close();
        return blocker + QStringLiteral("/sub/StorWalk.ini");
    }

    QTemporaryDir m_dir;
};
