#include "store/memory/memorystore.h"

#include <gtest/gtest.h>

// Stores are described with designated initializers: the members left out keep their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace store;
using namespace store::memory;

namespace {

// Two stores (Inbox with four messages, one undated); a distribution list whose members live in two lists.
SessionData sample()
{
    const auto message = [](const char* id, const char* subject, QDate day) {
        return MessageData { .id = id, .subject = subject, .created = QDateTime(day, QTime(12, 0), Qt::UTC) };
    };
    const FolderData inbox { .id = "F1",
        .name = "Inbox",
        .messages = { message("M1", "Weekly report", { 2024, 1, 1 }), message("", "Undated", {}),
            message("", "REPORT March", { 2024, 3, 1 }), message("", "Old", { 2023, 6, 1 }) } };
    return { .stores = { { .name = "Mailbox", .root = { .folders = { inbox, { .name = "Contacts" } } } },
                 { .id = "S2", .root = { .folders = { { .id = "F2", .name = "Old mail" } } } } },
        .addressLists
        = { { .entries = { { .id = "E2", .name = "Alice" }, { .id = "DL", .memberIds = { "E2", "X1" } } } },
            { .entries = { { .id = "X1", .name = "Carol" } } } } };
}

QStringList subjects(Messages& messages)
{
    QStringList names;
    for (auto message = messages.getFirst(); message; message = messages.getNext())
        names << message->subject();
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

TEST(MemoryStore, SortsByCreationTimeWithUndatedLastAndFiltersBySubject)
{
    MemorySession session(sample());
    auto messages = session.getFolder("F1")->messages();
    EXPECT_EQ(subjects(*messages), QStringList({ "Weekly report", "Undated", "REPORT March", "Old" }));
    messages->sort(Messages::Ascending, 0x30070040);
    EXPECT_EQ(subjects(*messages), QStringList({ "Old", "Weekly report", "REPORT March", "Undated" }));
    messages->sort(Messages::Descending, 0x30070040);
    EXPECT_EQ(subjects(*messages), QStringList({ "REPORT March", "Weekly report", "Old", "Undated" }));

    messages->setSubjectFilter("rEpOrT");
    EXPECT_EQ(messages->count(), 2);
    EXPECT_EQ(subjects(*messages), QStringList({ "REPORT March", "Weekly report" }));
    EXPECT_EQ(errorOf([&] { messages->item(3); }), mapi::E_NOT_FOUND);
    EXPECT_EQ(messages->getNext(), nullptr) << "GetNext after the last keeps giving nothing";
    messages->setSubjectFilter({});
    EXPECT_EQ(messages->count(), 4);
}

TEST(MemoryStore, ObjectsOpenOnlyInTheirOwnStoreAndMembersEnd)
{
    MemorySession session(sample());
    auto store = session.infoStores()->item(1);
    const QString contacts = store->rootFolder()->folders()->item(2)->id();
    EXPECT_EQ(session.getFolder(contacts, store->id())->name(), QStringLiteral("Contacts"));
    EXPECT_EQ(session.getFolder("F2", "S2")->name(), QStringLiteral("Old mail"));
    EXPECT_EQ(session.getMessage("M1", store->id())->subject(), QStringLiteral("Weekly report"));
    EXPECT_EQ(errorOf([&] { session.getFolder("F1", "S2"); }), mapi::E_NOT_FOUND);
    EXPECT_EQ(errorOf([&] { session.getMessage("M1", "S2"); }), mapi::E_NOT_FOUND);
    EXPECT_EQ(errorOf([&] { session.getFolder("nope"); }), mapi::E_NOT_FOUND);

    // Distribution list members resolve across lists; past the last there is nothing.
    auto list = session.getAddressEntry("DL");
    EXPECT_EQ(list->member(1)->name(), QStringLiteral("Alice"));
    EXPECT_EQ(list->member(2)->name(), QStringLiteral("Carol"));
    EXPECT_EQ(list->member(3), nullptr);
    EXPECT_EQ(session.getAddressEntry("X1")->member(1), nullptr);
}

TEST(MemoryStore, FailureInjectionHitsTheChosenObjectOnly)
{
    MemorySession session(sample());
    session.fail("Folder.Name", Error(mapi::E_NO_ACCESS, "denied"), "F1", 1);
    auto inbox = session.getFolder("F1");
    EXPECT_EQ(errorOf([&] { inbox->name(); }), mapi::E_NO_ACCESS);
    EXPECT_EQ(inbox->name(), QStringLiteral("Inbox")) << "only once";
    EXPECT_EQ(session.getFolder("F2")->name(), QStringLiteral("Old mail"));

    session.fail("Messages.GetNext", Error(mapi::E_CALL_FAILED, {}), "F1");
    auto messages = inbox->messages();
    EXPECT_NE(messages->getFirst(), nullptr);
    EXPECT_EQ(errorOf([&] { messages->getNext(); }), mapi::E_CALL_FAILED);
    session.clearFailures();
    EXPECT_NE(messages->getNext(), nullptr);
}

} // namespace
