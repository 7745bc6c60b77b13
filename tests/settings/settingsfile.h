// A settings file in a fresh temporary folder, written from raw bytes and read back as raw bytes.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class SettingsFile : public testing::Test {
protected:
    QString path() const { return m_dir.filePath("StorWalk.ini"); }
    void writeBytes(const QByteArray& bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
    }
    QByteArray readBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "<none>";
    }
    QTemporaryDir m_dir;
};
