#pragma once

// A main window over an in-memory store and a settings file of the test's own, for the field display tests.

#include "mainwindow/frmmain.h"
#include "store/memory/memorystore.h"
#include "support/fakeplatform.h"

#include <QFile>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{';
    for (const QString& text : texts)
        *out << " \"" << text.toStdString() << '"';
    *out << " }";
}

class FieldsWindow {
public:
    explicit FieldsWindow(store::memory::SessionData data = {}, const QByteArray& iniText = {})
    {
        writeIni(iniText);
        auto factory = store::memory::sessionFactory(std::move(data), &memory);
        window = std::make_unique<FrmMain>(platform, factory, settings::IniFile(iniPath()));
        window->session = factory();
    }

    QString iniPath() const { return m_dir.filePath(QStringLiteral("StorWalk.ini")); }
    void writeIni(const QByteArray& text) const
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    // The field list as "name=value" lines, and its row tags.
    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < window->lstFields->topLevelItemCount(); ++i) {
            const auto* row = window->lstFields->topLevelItem(i);
            out << row->text(0) + QLatin1Char('=') + row->text(1);
        }
        return out;
    }
    QStringList rowTags() const
    {
        QStringList out;
        for (int i = 0; i < window->lstFields->topLevelItemCount(); ++i)
            out << window->lstFields->topLevelItem(i)->data(0, role::Tag).toString();
        return out;
    }
    QString caption() const { return window->fraFields->title(); }

    // Puts a row into one of the browsing lists and selects it, as the list handlers would have done.
    QTreeWidgetItem* select(QTreeWidget* list, const QString& text, const QVariant& tag) const
    {
        auto* row = new QTreeWidgetItem(QStringList { text });
        row->setData(0, role::Tag, tag);
        list->addTopLevelItem(row);
        list->setCurrentItem(row);
        return row;
    }

    FakePlatform platform;
    store::memory::MemorySession* memory = nullptr;
    std::unique_ptr<FrmMain> window;

private:
    QTemporaryDir m_dir;
};
