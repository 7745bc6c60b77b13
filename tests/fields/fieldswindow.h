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

using namespace Qt::Literals::StringLiterals;
using namespace store;
using namespace store::memory;

class FieldsWindow {
public:
    explicit FieldsWindow(SessionData data = {}, const QByteArray& iniText = {})
    {
        writeIni(iniText);
        auto factory = sessionFactory(std::move(data), &memory);
        window = std::make_unique<FrmMain>(platform, factory, settings::IniFile(iniPath()));
        window->session = factory();
    }
    QString iniPath() const { return m_dir.filePath(u"StorWalk.ini"_s); }
    void writeIni(const QByteArray& text) const
    {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    // The field list as "name=value" lines.
    QStringList rows() const
    {
        QStringList out;
        for (int i = 0; i < window->lstFields->topLevelItemCount(); ++i)
            out << window->lstFields->topLevelItem(i)->text(0) + u'=' + window->lstFields->topLevelItem(i)->text(1);
        return out;
    }
    QString caption() const { return window->fraFields->title(); }
    // Puts a row into one of the browsing lists and selects it, as the list handlers would have done.
    void select(QTreeWidget* list, const QString& text, const QVariant& tag) const
    {
        auto* row = new QTreeWidgetItem(QStringList { text });
        row->setData(0, role::Tag, tag);
        list->addTopLevelItem(row);
        list->setCurrentItem(row);
    }

    FakePlatform platform;
    MemorySession* memory = nullptr;
    std::unique_ptr<FrmMain> window;

private:
    QTemporaryDir m_dir;
};
