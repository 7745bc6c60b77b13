#pragma once

// The message the field view shows when embedded messages were opened from a message-list row: the row's
// message, then each embedded message opened from the one before, innermost last. Kept apart from the window
// so that it can be tested without one.

#include "store/store.h"

#include <QString>
#include <memory>
#include <vector>

class MessagePath {
public:
    // Starts again at a row's message; rowTag names the row.
    void start(std::shared_ptr<store::Message> outer, const QString& rowTag);
    void clear();
    const QString& rowTag() const { return m_rowTag; }
    // The innermost message; nullptr before start.
    std::shared_ptr<store::Message> current() const { return m_chain.empty() ? nullptr : m_chain.back(); }
    int depth() const { return int(m_chain.size()) - 1; } // embedded messages opened; -1 before start

    // Opens the embedded message of the current message's attachment at that position (1-based). False when the
    // attachment holds none; a failure to read it, or nesting past the bound, throws.
    bool open(int position);
    // Back to the message that holds the current one; false at the row's message.
    bool back();

    // The subjects from the row's message down to the current one: "Weekly report > FW: figures".
    QString subjects() const;

private:
    QString m_rowTag;
    std::vector<std::shared_ptr<store::Message>> m_chain;
    std::vector<QString> m_subjects;
};
