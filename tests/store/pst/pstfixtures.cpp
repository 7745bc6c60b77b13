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

QStringList describe(const store::Collection<store::Attachment>& attachments)
{
    QStringList out;
    for (int i = 1; i <= attachments.count(); ++i)
        out.append(attachments.item(i)->name() + QLatin1Char('|') + QString::number(attachments.item(i)->type()));
    return out;
}

QStringList describe(const store::Collection<store::Recipient>& recipients)
{
    QStringList out;
    for (int i = 1; i <= recipients.count(); ++i) {
        auto r = recipients.item(i);
        out.append(r->name() + QLatin1Char('|') + r->address() + QLatin1Char('|') + QString::number(r->type()));
    }
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

namespace {

    // Counts failures instead of passing them on; budget bounds the folders and messages read.
    struct Walker {
        int failures = 0;
        int budget;

        void attempt(const std::function<void()>& f)
        {
            if (const quint32 failure = failureOf(f)) {
                if (qEnvironmentVariableIsSet("PSTTEST_VERBOSE")) qWarning("walk: 0x%08X", failure);
                ++failures;
            }
        }
        void readFields(const store::Object& object)
        {
            attempt([&] {
                const store::Fields fields = object.fields();
                for (const store::Field& field : fields.all())
                    attempt([&] { (void)field.value().text(1000); });
            });
        }
        template <class T, class F>
        void each(const std::function<std::shared_ptr<store::Collection<T>>()>& collection, F&& f)
        {
            attempt([&] {
                auto items = collection();
                for (int i = 1; i <= items->count(); ++i)
                    attempt([&] { f(items->item(i)); });
            });
        }
        void walkMessage(const std::shared_ptr<store::Message>& message)
        {
            --budget;
            attempt([&] { (void)message->subject(); });
            readFields(*message);
            each<store::Attachment>([&] { return message->attachments(); }, [&](auto a) { readFields(*a); });
            each<store::Recipient>([&] { return message->recipients(); }, [&](auto r) { (void)r->address(); });
        }
        void walkFolder(const std::shared_ptr<store::Folder>& folder, int depth)
        {
            if (--budget < 0 || depth > 64) return;
            readFields(*folder);
            attempt([&] {
                auto messages = folder->messages();
                messages->sort(store::Messages::Descending, 0x30070040);
                for (int i = 1; i <= messages->count() && budget > 0; ++i)
                    attempt([&] { walkMessage(messages->item(i)); });
            });
            attempt([&] {
                auto subs = folder->folders();
                for (auto child = subs->getFirst(); child; child = subs->getNext())
                    walkFolder(child, depth + 1);
            });
        }
    };

} // namespace

int walkAll(store::Session& session, int limit)
{
    Walker walker { 0, limit };
    walker.each<store::InfoStore>([&] { return session.infoStores(); },
        [&](auto infoStore) {
            (void)infoStore->name();
            walker.readFields(*infoStore);
            walker.walkFolder(infoStore->rootFolder(), 0);
        });
    walker.each<store::AddressList>([&] { return session.addressLists(); },
        [&](auto list) {
            walker.readFields(*list);
            auto entries = list->addressEntries();
            for (auto entry = entries->getFirst(); entry; entry = entries->getNext()) {
                walker.attempt([&] {
                    (void)entry->address();
                    for (int k = 1; k < 1000 && entry->member(k); ++k) { }
                });
            }
        });
    return walker.failures;
}

} // namespace psttest
