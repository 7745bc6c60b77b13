#pragma once

// The listing of a folder's messages as the window shows it, without widgets: the message list and the command
// line's reports and searches walk a folder through here.

#include "store/store.h"

#include <functional>

namespace fields {

inline const QString limitRowText = QStringLiteral("--- limited ---");
constexpr quint32 CreationTimeTag = 0x30070040;

// Sorts the messages newest first and walks them, calling row(n, message) for the n-th listed row (n from 1):
// the messages at positions offset to offset + limit, then, when more follow, one limit row (message null).
// Returns how many messages the walk went through.
qint32 listMessages(store::Messages& messages, qint32 offset, qint32 limit,
    const std::function<void(int row, const std::shared_ptr<store::Message>& message)>& row);

} // namespace fields
