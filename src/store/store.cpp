#include "store/store.h"

namespace store {

Error::Error(quint32 number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what((numberText() + QLatin1Char(' ') + m_description).toUtf8())
{
}

QString Error::numberText() const
{
    return QStringLiteral("0x") + QString::number(m_number, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

Field::Field(quint32 id, QString name, Value value)
    : m_id(id)
    , m_name(std::move(name))
    , m_value(std::move(value))
{
}

Field::Field(quint32 id, QString name, Error failure)
    : m_id(id)
    , m_name(std::move(name))
    , m_failure(std::move(failure))
{
}

const Value& Field::value() const
{
    if (m_failure)
        throw *m_failure;
    return m_value;
}

const Field& Fields::item(int index) const
{
    // A tag written as a plain literal (0x0037001F is an int) lands here; no object holds anywhere near 0x10000
    // properties, so such a number can only be a tag.
    if (index >= 0x10000 || index < 0)
        return item(quint32(index));
    if (index < 1 || index > count())
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("The field collection has no item %1.").arg(index));
    return m_fields[size_t(index - 1)];
}

static quint32 otherStringType(quint32 tag)
{
    const quint32 type = tag & 0xFFFF;
    if (type == proptype::String8)
        return (tag & 0xFFFF0000) | proptype::Unicode;
    if (type == proptype::Unicode)
        return (tag & 0xFFFF0000) | proptype::String8;
    if (type == (proptype::MultiFlag | proptype::String8))
        return (tag & 0xFFFF0000) | proptype::MultiFlag | proptype::Unicode;
    if (type == (proptype::MultiFlag | proptype::Unicode))
        return (tag & 0xFFFF0000) | proptype::MultiFlag | proptype::String8;
    return tag;
}

const Field* Fields::find(quint32 tag) const
{
    const quint32 alternative = otherStringType(tag);
    for (const Field& field : m_fields) {
        if (field.id() == tag)
            return &field;
    }
    if (alternative != tag) {
        for (const Field& field : m_fields) {
            if (field.id() == alternative)
                return &field;
        }
    }
    return nullptr;
}

const Field& Fields::item(quint32 tag) const
{
    if (const Field* field = find(tag))
        return *field;
    throw Error(mapi::E_NOT_FOUND,
        QStringLiteral("The object has no property %1.").arg(QString::number(tag, 16).toUpper().rightJustified(8, QLatin1Char('0'))));
}

} // namespace store

namespace store {

void Attachment::readData(const std::function<bool(const QByteArray&)>& sink) const
{
    const Fields all = fields();
    if (const Field* data = all.find(0x37010102)) sink(data->value().toByteArray());
}

} // namespace store
