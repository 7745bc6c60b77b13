#include "pstfixtures.h"

namespace psttest {

std::shared_ptr<store::Folder> folderAt(const std::shared_ptr<store::Folder>& top, const QStringList& path)
{
    std::shared_ptr<store::Folder> folder = top;
    for (const QString& name : path) {
        auto subs = folder->folders();
        auto child = subs->getFirst();
        while (child && child->name() != name)
            child = subs->getNext();
        if (!child) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("no folder ") + name);
        folder = child;
    }
    return folder;
}

QStringList treeLines(const std::shared_ptr<store::Folder>& folder, const QString& path)
{
    QStringList out { (path.isEmpty() ? folder->name() : path) + QLatin1Char(' ')
        + QString::number(folder->messages()->count()) };
    auto subs = folder->folders();
    for (auto child = subs->getFirst(); child; child = subs->getNext())
        out += treeLines(child, path.isEmpty() ? child->name() : path + QLatin1Char('/') + child->name());
    out.sort();
    return out;
}

QStringList subjects(store::Messages& messages)
{
    QStringList out;
    for (auto m = messages.getFirst(); m; m = messages.getNext())
        out.append(m->subject());
    return out;
}

QStringList members(const store::Session& session, const store::AddressEntry& list)
{
    QStringList out;
    for (int i = 1; auto member = list.member(i); ++i) {
        out.append(member->name() + QLatin1Char('|') + member->type() + QLatin1Char('|') + member->address());
        auto resolved = session.getAddressEntry(member->id());
        EXPECT_EQ(resolved->name() + QLatin1Char('|') + resolved->address(),
            member->name() + QLatin1Char('|') + member->address());
    }
    return out;
}

int walkAll(store::Session& session, int limit)
{
    int failures = 0;
    const auto attempt = [&](const std::function<void()>& f) {
        const quint32 failure = failureOf(f);
        failures += failure ? 1 : 0;
    };
    // Every item of a collection, each read on its own; opening the collection is one more attempt.
    const auto each = [&](auto open, auto read) {
        attempt([&] {
            auto items = open();
            for (int i = 1; i <= items->count(); ++i)
                attempt([&] { read(items->item(i)); });
        });
    };
    const auto readFields = [&](const store::Object& object) {
        attempt([&] {
            const store::Fields fields = object.fields();
            for (const store::Field& field : fields.all())
                attempt([&] { (void)field.value().text(1000); });
        });
    };
    const auto walkMessage = [&](const std::shared_ptr<store::Message>& message) {
        attempt([&] { (void)message->subject(); });
        readFields(*message);
        each([&] { return message->attachments(); }, [&](const auto& attachment) { readFields(*attachment); });
        each([&] { return message->recipients(); }, [&](const auto& recipient) { (void)recipient->address(); });
    };
    std::function<void(const std::shared_ptr<store::Folder>&, int)> walkFolder = [&](auto folder, int depth) {
        if (--limit < 0 || depth > 64) return;
        readFields(*folder);
        attempt([&] {
            auto messages = folder->messages();
            messages->sort(store::Messages::Descending, 0x30070040);
            for (int i = 1; i <= messages->count() && limit-- > 0; ++i)
                attempt([&] { walkMessage(messages->item(i)); });
        });
        attempt([&] {
            auto subs = folder->folders();
            for (auto child = subs->getFirst(); child; child = subs->getNext())
                walkFolder(child, depth + 1);
        });
    };
    each([&] { return session.infoStores(); },
        [&](const auto& store) {
            (void)store->name();
            readFields(*store);
            walkFolder(store->rootFolder(), 0);
        });
    each([&] { return session.addressLists(); },
        [&](const auto& list) {
            readFields(*list);
            auto entries = list->addressEntries();
            for (auto entry = entries->getFirst(); entry; entry = entries->getNext())
                attempt([&] {
                    (void)entry->address();
                    for (int k = 1; k < 1000 && entry->member(k); ++k) { }
                });
        });
    return failures;
}

} // namespace psttest
