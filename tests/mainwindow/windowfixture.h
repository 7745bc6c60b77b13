#pragma once

#include "mainwindow/frmmain.h"
#include "store/memory/memorystore.h"
#include "support/fakeplatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <functional>
#include <memory>

// A main window over an in-memory store with a settings file of its own, on the scripted desktop.
struct WindowFixture {
    FakePlatform platform;
    QTemporaryDir dir;
    store::memory::MemorySession* session = nullptr;
    std::unique_ptr<FrmMain> w;
    // Runs on the new session before Form_Load uses it: sets up failures, or throws to fail the session's creation.
    std::function<void(store::memory::MemorySession&)> prepare;

    explicit WindowFixture(store::memory::SessionData data, const QByteArray& iniText = {})
    {
        QFile ini(dir.filePath(QStringLiteral("StorWalk.ini")));
        if (!iniText.isEmpty() && ini.open(QIODevice::WriteOnly)) ini.write(iniText);
        ini.close();
        auto inner = store::memory::sessionFactory(std::move(data), &session);
        store::SessionFactory factory = [this, inner]() -> std::unique_ptr<store::Session> {
            auto created = inner();
            if (prepare) prepare(*session);
            return created;
        };
        w = std::make_unique<FrmMain>(platform, factory, settings::IniFile(ini.fileName()));
    }
    bool load(const QString& commandLine = {}) { return w->Form_Load(commandLine); }
};

// Texts of one column of a list, top to bottom; column -1 gives the header captions.
inline QStringList columnTexts(const QTreeWidget* list, int column)
{
    QStringList texts;
    if (column < 0) {
        for (int i = 0; i < list->columnCount(); ++i)
            texts << list->headerItem()->text(i);
    }
    for (int i = 0; column >= 0 && i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}
