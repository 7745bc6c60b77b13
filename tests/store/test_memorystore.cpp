#include "store/memory/memorystore.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace store;
using namespace store::memory;

namespace {

QDateTime utc(int y, int mo, int d)
{
    return QDateTime(QDate(y, mo, d), QTime(12, 0), Qt::UTC);
}

MessageData message(const QString& subject, const QDateTime& created = {})
{
    MessageData m;
    m.subject = subject;
    m.created = created;
    return m;
}

// Two stores; the first has Inbox (with messages) and Contacts; one address list with a distribution list whose
// members live in two lists.
SessionData sample()
{
    SessionData data;
    StoreData first;
    first.name = QStringLiteral("Mailbox");
    first.root.name = QStringLiteral("Top of Personal Folders");
    FolderData inbox;
    inbox.id = QStringLiteral("F1");
    inbox.name = QStringLiteral("Inbox");
    inbox.messages = { message(QStringLiteral("Weekly report"), utc(2024, 1, 1)), message(QStringLiteral("Undated")),
        message(QStringLiteral("REPORT March"), utc(2024, 3, 1)), message(QStringLiteral("Old"), utc(2023, 6, 1)) };
    inbox.messages[0].id = QStringLiteral("M1");
    inbox.messages[0].attachments = { AttachmentData { QStringLiteral("a.txt"), 0, {} } };
    first.root.folders
        = { inbox, FolderData { {}, QStringLiteral("Contacts"), QStringLiteral("IPF.Contact"), {}, {}, {}, {} } };
    data.stores.push_back(first);

    StoreData second;
    second.id = QStringLiteral("S2");
    second.name = QStringLiteral("Archive");
    second.root.name = QStringLiteral("Top");
    second.root.folders = { FolderData { QStringLiteral("F2"), QStringLiteral("Old mail"), {}, {}, {}, {}, {} } };
    data.stores.push_back(second);

    AddressListData contacts;
    contacts.name = QStringLiteral("Contacts");
    contacts.storeName = QStringLiteral("Mailbox");
    contacts.entries = { EntryData { QStringLiteral("E1"), QStringLiteral("bob"), {}, {}, 0, {}, {} },
        EntryData { QStringLiteral("E2"), QStringLiteral("Alice"), {}, {}, 0, {}, {} },
        EntryData { QStringLiteral("DL"), QStringLiteral("Team"), {}, {}, 5, {},
            { QStringLiteral("E2"), QStringLiteral("X1") } } };
    AddressListData other;
    other.name = QStringLiteral("Other");
    other.entries = { EntryData { QStringLiteral("X1"), QStringLiteral("Carol"), {}, {}, 0, {}, {} } };
    data.addressLists = { contacts, other };
    return data;
}

template <class T>
QStringList walk(Walkable<T>& items, QString (T::*read)() const)
{
    QStringList names;
    for (auto item = items.getFirst(); item; item = items.getNext())
        names << ((*item).*read)();
    return names;
}

quint32 errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& error) {
        return error.number();
    }
    return 0;
}

TEST(MemoryStore, SortsByCreationTimeWithUndatedLast)
{
    MemorySession session(sample());
    auto messages = session.getFolder(QStringLiteral("F1"))->messages();
    EXPECT_EQ(walk<Message>(*messages, &Message::subject),
        (QStringList { "Weekly report", "Undated", "REPORT March", "Old" }));
    messages->sort(Messages::Descending, 0x30070040);
    EXPECT_EQ(walk<Message>(*messages, &Message::subject),
        (QStringList { "REPORT March", "Weekly report", "Old", "Undated" }));
    messages->sort(Messages::Ascending, 0x30070040);
    EXPECT_EQ(walk<Message>(*messages, &Message::subject),
        (QStringList { "Old", "Weekly report", "REPORT March", "Undated" }));
    EXPECT_EQ(messages->item(4)->subject(), QStringLiteral("Undated"));
    EXPECT_EQ(errorOf([&] { messages->sort(3, 0x30070040); }), mapi::E_INVALID_PARAMETER);
}

TEST(MemoryStore, SubjectFilterLimitsCountAndWalks)
{
    MemorySession session(sample());
    auto messages = session.getFolder(QStringLiteral("F1"))->messages();
    messages->sort(Messages::Descending, 0x30070040);
    messages->setSubjectFilter(QStringLiteral("rEpOrT"));
    EXPECT_EQ(messages->count(), 2);
    EXPECT_EQ(walk<Message>(*messages, &Message::subject), (QStringList { "REPORT March", "Weekly report" }));
    EXPECT_EQ(errorOf([&] { messages->item(3); }), mapi::E_NOT_FOUND);
    messages->setSubjectFilter(QStringLiteral("nothing"));
    EXPECT_EQ(messages->count(), 0);
    EXPECT_EQ(messages->getFirst(), nullptr);
    messages->setSubjectFilter({});
    EXPECT_EQ(messages->count(), 4);
    // GetNext after the last keeps giving nothing.
    EXPECT_NE(messages->getNext(), nullptr);
    for (int i = 0; i < 5; ++i)
        messages->getNext();
    EXPECT_EQ(messages->getNext(), nullptr);
}

TEST(MemoryStore, AddressEntriesSortAndFilterByName)
{
    MemorySession session(sample());
    auto entries = session.addressLists()->item(1)->addressEntries();
    entries->sort(Messages::Ascending);
    EXPECT_EQ(walk<AddressEntry>(*entries, &AddressEntry::name), (QStringList { "Alice", "bob", "Team" }));
    entries->sort(Messages::Descending);
    entries->setNameFilter(QStringLiteral("B"));
    EXPECT_EQ(entries->count(), 1);
    EXPECT_EQ(entries->item(1)->name(), QStringLiteral("bob"));
}

TEST(MemoryStore, GetFolderAndMessageRespectTheStoreId)
{
    MemorySession session(sample());
    const QString firstStore = session.infoStores()->item(1)->id();
    EXPECT_EQ(session.getFolder(QStringLiteral("F1"))->storeId(), firstStore);
    EXPECT_EQ(session.getFolder(QStringLiteral("F1"), firstStore)->name(), QStringLiteral("Inbox"));
    EXPECT_EQ(session.getFolder(QStringLiteral("F2"), QStringLiteral("S2"))->name(), QStringLiteral("Old mail"));
    EXPECT_EQ(errorOf([&] { session.getFolder(QStringLiteral("F1"), QStringLiteral("S2")); }), mapi::E_NOT_FOUND);
    EXPECT_EQ(errorOf([&] { session.getFolder(QStringLiteral("nope")); }), mapi::E_NOT_FOUND);
    EXPECT_EQ(session.getMessage(QStringLiteral("M1"), firstStore)->subject(), QStringLiteral("Weekly report"));
    EXPECT_EQ(errorOf([&] { session.getMessage(QStringLiteral("M1"), QStringLiteral("S2")); }), mapi::E_NOT_FOUND);
}

TEST(MemoryStore, MadeUpIdentifiersAreUniqueUpperCaseHexAndReopen)
{
    MemorySession session(sample());
    auto store = session.infoStores()->item(1);
    auto root = store->rootFolder();
    auto contacts = root->folders()->item(2);
    auto messages = session.getFolder(QStringLiteral("F1"))->messages();
    QStringList ids { store->id(), root->id(), contacts->id() };
    for (int i = 2; i <= messages->count(); ++i)
        ids << messages->item(i)->id();
    EXPECT_EQ(ids.removeDuplicates(), 0);
    for (const QString& id : ids)
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-F]{2})+$")).match(id).hasMatch()) << qPrintable(id);
    EXPECT_EQ(session.getFolder(contacts->id(), store->id())->name(), QStringLiteral("Contacts"));
    EXPECT_EQ(session.getMessage(ids.last())->subject(), QStringLiteral("Old"));
}

TEST(MemoryStore, FailureInjectionHitsTheChosenObjectOnly)
{
    MemorySession session(sample());
    session.fail(
        QStringLiteral("Folder.Name"), Error(mapi::E_NO_ACCESS, QStringLiteral("denied")), QStringLiteral("F1"), 1);
    auto inbox = session.getFolder(QStringLiteral("F1"));
    EXPECT_EQ(errorOf([&] { inbox->name(); }), mapi::E_NO_ACCESS);
    EXPECT_EQ(inbox->name(), QStringLiteral("Inbox")); // only once
    EXPECT_EQ(session.getFolder(QStringLiteral("F2"))->name(), QStringLiteral("Old mail"));

    session.fail(QStringLiteral("Messages.GetNext"), Error(mapi::E_CALL_FAILED, {}), QStringLiteral("F1"));
    auto messages = inbox->messages();
    EXPECT_NE(messages->getFirst(), nullptr);
    EXPECT_EQ(errorOf([&] { messages->getNext(); }), mapi::E_CALL_FAILED);
    EXPECT_EQ(errorOf([&] { messages->getNext(); }), mapi::E_CALL_FAILED);
    session.clearFailures();
    EXPECT_NE(messages->getNext(), nullptr);

    // Logon fails for one profile name and records every attempt.
    session.fail(QStringLiteral("Session.Logon"), Error(mapi::E_LOGON_FAILED, {}), QStringLiteral("Broken"));
    EXPECT_EQ(errorOf([&] { session.logon(LogonArgs { QStringLiteral("Broken"), {} }); }), mapi::E_LOGON_FAILED);
    EXPECT_NO_THROW(session.logon(LogonArgs { {}, false }));
    EXPECT_EQ(session.logons.size(), 2);
    EXPECT_EQ(session.calls.count(QStringLiteral("Folder.Name")), 3);
    EXPECT_EQ(session.calls.last(), QStringLiteral("Session.Logon"));
}

TEST(MemoryStore, ParentChainEndsWithoutAName)
{
    MemorySession session(sample());
    std::shared_ptr<Object> object = session.getMessage(QStringLiteral("M1"))->parent();
    QStringList names;
    try {
        for (; object; object = object->parent())
            names << object->name();
    } catch (const Error&) {
    }
    EXPECT_EQ(names, (QStringList { "Inbox", "Top of Personal Folders", "Mailbox" }));
    auto attachment = session.getMessage(QStringLiteral("M1"))->attachments()->item(1);
    EXPECT_EQ(attachment->name(), QStringLiteral("a.txt"));
    EXPECT_EQ(std::dynamic_pointer_cast<Message>(attachment->parent())->id(), QStringLiteral("M1"));
}

TEST(MemoryStore, MembersResolveAcrossListsAndEndWithNothing)
{
    MemorySession session(sample());
    auto list = session.getAddressEntry(QStringLiteral("DL"));
    EXPECT_EQ(list->member(1)->name(), QStringLiteral("Alice"));
    EXPECT_EQ(list->member(2)->name(), QStringLiteral("Carol"));
    EXPECT_EQ(list->member(3), nullptr);
    EXPECT_EQ(session.getAddressEntry(QStringLiteral("E1"))->member(1), nullptr);
}

TEST(MemoryStore, FieldsComeFromMembersAndGivenFields)
{
    SessionData data = sample();
    MessageData& m = data.stores[0].root.folders[0].messages[0];
    m.fields = { stringField(0x0037001E, QStringLiteral("given subject")), longField(0x0E080003, 42) };
    MemorySession session(data);

    const Fields fields = session.getMessage(QStringLiteral("M1"))->fields();
    ASSERT_EQ(fields.count(), 4);
    EXPECT_EQ(fields.item(0x0037001Fu).value().text(), QStringLiteral("given subject"));
    EXPECT_EQ(fields.item(0x001A001Fu).value().text(), QStringLiteral("IPM.Note"));
    EXPECT_EQ(fields.item(0x30070040u).value().toDateTime(), utc(2024, 1, 1));
    EXPECT_EQ(session.getMessage(QStringLiteral("M1"))->parent()->fields().item(0x3001001Eu).value().text(),
        QStringLiteral("Inbox"));

    const Fields contacts = session.addressLists()->item(1)->fields();
    EXPECT_EQ(contacts.item(0xFFF9001Eu).value().text(), QStringLiteral("Mailbox"));
    EXPECT_EQ(session.addressLists()->item(2)->fields().count(), 0);
    EXPECT_EQ(session.getFolder(session.infoStores()->item(1)->rootFolder()->folders()->item(2)->id())
                  ->fields()
                  .item(0x3613001Fu)
                  .value()
                  .text(),
        QStringLiteral("IPF.Contact"));
}

TEST(MemoryStore, FactoryHandsOutTheSessionItMade)
{
    MemorySession* created = nullptr;
    const SessionFactory factory = sessionFactory(sample(), &created);
    std::unique_ptr<Session> session = factory();
    EXPECT_EQ(session.get(), created);
    session->logoff();
    EXPECT_EQ(created->logoffCount, 1);
    EXPECT_EQ(session->name(), QStringLiteral("Test Profile"));
}

} // namespace
