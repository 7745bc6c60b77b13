#pragma once

#include "mainwindow/frmmain.h"
#include "store/memory/memorystore.h"
#include "support/fakeplatform.h"

#include <QFile>
#include <QRadioButton>
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
    store::SessionFactory factory; // what Form_Load logs on with; tests that skip the start call it themselves

    explicit WindowFixture(store::memory::SessionData data, const QByteArray& iniText = {})
    {
        QFile ini(dir.filePath(QStringLiteral("StorWalk.ini")));
        if (!iniText.isEmpty() && ini.open(QIODevice::WriteOnly)) ini.write(iniText);
        ini.close();
        auto inner = store::memory::sessionFactory(std::move(data), &session);
        factory = [this, inner]() -> std::unique_ptr<store::Session> {
            auto created = inner();
            if (prepare) prepare(*session);
            return created;
        };
        w = std::make_unique<FrmMain>(platform, factory, settings::IniFile(ini.fileName()));
    }
    bool load(const QString& commandLine = {}) { return w->Form_Load(commandLine); }
    QByteArray iniFile() const
    {
        QFile f(w->ini.path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    // A click on a row of the top list, and a switch to the address lists.
    void clickStore(int row)
    {
        w->lstInfoStores->setCurrentItem(w->lstInfoStores->topLevelItem(row));
        w->lstInfoStores_Click();
    }
    void modeAddr() { w->optModeAddr->setChecked(true), w->optModeAddr_Click(); }
};

// Session "Work": stores "Mailbox" (folders \Top of Personal Folders\Inbox\Project X\) and "Archive", and address
// lists "Contacts" (`entries` entries named "Entry 001" ..., in "Mailbox") and "Team".
inline store::memory::SessionData browseSession(int entries = 3)
{
    using namespace store::memory;
    SessionData data;
    data.name = "Work";
    data.stores.resize(2);
    StoreData& a = data.stores[0];
    a.id = "0000000001";
    a.name = "Mailbox";
    a.root.id = "00000000F1";
    a.root.name = "Top of Personal Folders";
    a.root.folders.resize(1);
    a.root.folders[0].id = "00000000F2";
    a.root.folders[0].name = "Inbox";
    a.root.folders[0].folders.resize(1);
    a.root.folders[0].folders[0].id = "00000000F3";
    a.root.folders[0].folders[0].name = "Project X";
    data.stores[1].name = "Archive";
    data.stores[1].providerName = "Archive Folders";
    data.stores[1].root.name = "Top of Archive";
    data.addressLists.resize(2);
    data.addressLists[0].name = "Contacts";
    data.addressLists[0].storeName = "Mailbox";
    data.addressLists[1].name = "Team";
    for (int i = 1; i <= entries; ++i) {
        EntryData e;
        e.id = QStringLiteral("E%1").arg(i, 4, 10, QLatin1Char('0'));
        e.name = QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0'));
        e.displayType = (i - 1) % 8; // 0..7: every name of the table and one without a name
        data.addressLists[0].entries.push_back(e);
    }
    return data;
}

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
