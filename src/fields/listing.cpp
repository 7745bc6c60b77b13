#include "fields/listing.h"

qint32 fields::listMessages(store::Messages& messages, qint32 offset, qint32 limit,
    const std::function<void(int row, const std::shared_ptr<store::Message>& message)>& row)
{
    messages.sort(store::Messages::Descending, CreationTimeTag);
    // The sum is taken wide so that a huge offset cannot wrap.
    const qint64 last = qint64(offset) + limit;
    qint32 counter = 0;
    int rows = 0;
    for (auto message = messages.getFirst(); message; message = messages.getNext()) {
        ++counter;
        if (counter > last) {
            row(++rows, nullptr);
            break;
        }
        if (counter >= offset) row(++rows, message);
    }
    return counter;
}
