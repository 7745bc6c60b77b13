#include "pstfixtures.h"

namespace psttest {

namespace {

    struct Walker {
        int failures = 0;
        int budget;

        template <class F>
        void attempt(F&& f)
        {
            try {
                f();
            } catch (const store::Error& e) {
                if (qEnvironmentVariableIsSet("PSTTEST_VERBOSE")) qWarning("walk: %s", e.what());
                ++failures;
            }
        }
        void readFields(const store::Object& object)
        {
            attempt([&] {
                const store::Fields fields = object.fields();
                for (const store::Field& field : fields.all()) {
                    attempt([&] { (void)field.value().text(1000); });
                }
            });
        }
        void walkMessage(const std::shared_ptr<store::Message>& message)
        {
            attempt([&] { (void)message->subject(); });
            readFields(*message);
            attempt([&] {
                auto attachments = message->attachments();
                for (int i = 1; i <= attachments->count(); ++i)
                    attempt([&] { readFields(*attachments->item(i)); });
            });
            attempt([&] {
                auto recipients = message->recipients();
                for (int i = 1; i <= recipients->count(); ++i)
                    attempt([&] { (void)recipients->item(i)->address(); });
            });
        }
        void walkFolder(const std::shared_ptr<store::Folder>& folder, int depth)
        {
            if (--budget < 0 || depth > 64) return;
            readFields(*folder);
            attempt([&] {
                auto messages = folder->messages();
                messages->sort(store::Messages::Descending, 0x30070040);
                for (int i = 1; i <= messages->count() && budget-- > 0; ++i)
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
    walker.attempt([&] {
        auto stores = session.infoStores();
        for (int i = 1; i <= stores->count(); ++i) {
            walker.attempt([&] {
                auto infoStore = stores->item(i);
                (void)infoStore->name();
                walker.readFields(*infoStore);
                walker.walkFolder(infoStore->rootFolder(), 0);
            });
        }
    });
    walker.attempt([&] {
        auto lists = session.addressLists();
        for (int i = 1; i <= lists->count(); ++i) {
            walker.attempt([&] {
                auto list = lists->item(i);
                walker.readFields(*list);
                auto entries = list->addressEntries();
                for (auto entry = entries->getFirst(); entry; entry = entries->getNext()) {
                    walker.attempt([&] {
                        (void)entry->address();
                        for (int k = 1; k < 1000 && entry->member(k); ++k) { }
                    });
                }
            });
        }
    });
    return walker.failures;
}

} // namespace psttest
