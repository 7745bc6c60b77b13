#include "fields/messagepath.h"

#include <QStringList>

namespace {

QString subjectOf(const store::Message& message)
{
    try {
        return message.subject();
    } catch (const store::Error&) {
        return QStringLiteral("?");
    }
}

} // namespace

void MessagePath::start(std::shared_ptr<store::Message> outer, const QString& rowTag)
{
    clear();
    m_rowTag = rowTag;
    if (!outer) return;
    m_subjects.push_back(subjectOf(*outer));
    m_chain.push_back(std::move(outer));
}

void MessagePath::clear()
{
    m_rowTag.clear();
    m_chain.clear();
    m_subjects.clear();
}

bool MessagePath::open(int position)
{
    if (m_chain.empty()) return false;
    if (depth() >= store::Attachment::MaxEmbeddingDepth)
        throw store::Error(store::mapi::E_CORRUPT_DATA,
            QStringLiteral("Embedded messages nest deeper than %1.").arg(store::Attachment::MaxEmbeddingDepth));
    std::shared_ptr<store::Message> inner = m_chain.back()->attachments()->item(position)->embeddedMessage();
    if (!inner) return false;
    m_subjects.push_back(subjectOf(*inner));
    m_chain.push_back(std::move(inner));
    return true;
}

bool MessagePath::back()
{
    if (m_chain.size() < 2) return false;
    m_chain.pop_back();
    m_subjects.pop_back();
    return true;
}

QString MessagePath::subjects() const
{
    QStringList parts(m_subjects.begin(), m_subjects.end());
    return parts.join(QStringLiteral(" > "));
}
