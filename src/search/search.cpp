#include "search/search.h"
#include "fields/listing.h"

namespace search {

bool parsePropertyCondition(const QString& text, Condition* condition)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    QString tag = (equals < 0 ? text : text.left(equals)).trimmed();
    if (tag.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) tag = tag.mid(2);
    bool ok = false;
    const quint32 number = tag.toUInt(&ok, 16);
    if (!ok || (tag.size() != 4 && tag.size() != 8)) return false;
    condition->idOnly = tag.size() == 4;
    condition->tag = condition->idOnly ? number << 16 : number;
    condition->value.reset();
    if (equals >= 0) condition->value = text.mid(equals + 1);
    return true;
}

QString pathText(const QStringList& names)
{
    QString text = QStringLiteral("\\");
    for (const QString& name : names)
        text += name + QLatin1Char('\\');
    return text;
}

bool Condition::messageMatches(const store::Message& message) const
{
    if (!tag) return message.subject().contains(text, Qt::CaseInsensitive);
    const store::Fields fields = message.fields();
    for (const store::Field& field : fields.all()) {
        const bool sameId = (field.id() >> 16) == (*tag >> 16);
        // The two string types stand for each other.
        const bool strings = (field.id() & 0xFFFE) == 0x001E && (*tag & 0xFFFE) == 0x001E;
        if (!sameId || !(idOnly || field.id() == *tag || strings)) continue;
        if (!value) return true;
        if (field.readable() && field.value().text().contains(*value, Qt::CaseInsensitive)) return true;
    }
    return false;
}

Walk::Walk(Condition condition, OnMatch onMatch, const std::atomic_bool* stop)
    : m_condition(std::move(condition))
    , m_onMatch(std::move(onMatch))
    , m_stop(stop)
{
}

void Walk::add(int store, const QString& storeName, std::shared_ptr<store::Folder> folder, const QStringList& names,
    const QStringList& ids)
{
    Frame frame;
    frame.folder = std::move(folder);
    frame.names = names;
    frame.ids = ids;
    m_starts.push_back({ store, storeName, std::move(frame) });
}

Match Walk::matchIn(const Frame& frame) const
{
    Match match;
    match.store = m_store;
    match.storeName = m_storeName;
    match.folderNames = frame.names;
    match.folderIds = frame.ids;
    match.folderPath = pathText(frame.names);
    return match;
}

void Walk::searchMessages(Frame& frame, int& budget)
{
    // A folder whose listing fails part-way is left there; its subfolders are still searched.
    try {
        if (!frame.started) {
            frame.started = true;
            frame.messages = frame.folder->messages();
            frame.messages->sort(store::Messages::Descending, fields::CreationTimeTag);
            frame.current = frame.messages->getFirst();
        }
        while (frame.current && budget > 0 && !stopped()) {
            --budget;
            ++frame.position;
            const store::Message& m = *frame.current;
            if (m_condition.messageMatches(m)) {
                Match match = matchIn(frame);
                match.position = frame.position;
                match.id = m.id();
                match.subject = m.subject();
                match.messageClass = m.type();
                try {
                    const store::Fields fields = m.fields();
                    match.fieldsRead = true;
                    const store::Field* created = fields.find(fields::CreationTimeTag);
                    if (created && created->readable()) match.created = created->value().toDateTime();
                } catch (const store::Error&) {
                }
                m_onMatch(match);
            }
            frame.current = frame.messages->getNext();
        }
    } catch (const store::Error&) {
        frame.current.reset();
    }
    if (!frame.current) frame.messages.reset(); // a large folder's collection is big: never hold two at once
}

bool Walk::step(int budget)
{
    while (budget > 0 && !stopped()) {
        if (m_stack.empty()) {
            if (m_next >= m_starts.size()) return false;
            Start& start = m_starts[m_next++];
            m_store = start.store;
            m_storeName = start.storeName;
            m_stack.push_back(std::move(start.frame));
        }
        const size_t top = m_stack.size() - 1;
        if (!m_stack[top].started) {
            m_currentPath = pathText(m_stack[top].names);
            ++m_folders;
        }
        searchMessages(m_stack[top], budget);
        if (m_stack[top].current) return true; // the budget is spent in the middle of the listing

        std::shared_ptr<store::Folder> child;
        try {
            Frame& frame = m_stack[top];
            if (!frame.childrenRead) {
                frame.childrenRead = true;
                frame.children = frame.folder->folders();
                child = frame.children ? frame.children->getFirst() : nullptr;
            } else {
                child = frame.children->getNext();
            }
        } catch (const store::Error&) {
        }
        if (!child) {
            m_stack.pop_back();
            continue;
        }
        --budget;
        QString name, id;
        try {
            name = child->name();
            id = child->id();
        } catch (const store::Error&) {
            continue;
        }
        Frame below;
        below.folder = child;
        below.names = m_stack[top].names + QStringList(name);
        below.ids = m_stack[top].ids + QStringList(id);
        if (m_condition.folderMatches(name)) {
            Match match = matchIn(below);
            match.kind = Match::Folder;
            match.id = id;
            match.subject = name;
            m_onMatch(match);
        }
        m_stack.push_back(std::move(below));
    }
    return !stopped() && (!m_stack.empty() || m_next < m_starts.size());
}

} // namespace search
