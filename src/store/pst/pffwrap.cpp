#include "store/pst/pffwrap.h"

#include <QtEndian>

namespace store::pst {

PffError::~PffError()
{
    if (m_error) libpff_error_free(&m_error);
}

QString PffError::text() const
{
    if (!m_error) return {};
    char buffer[8192] = {};
    if (libpff_error_sprint(m_error, buffer, sizeof buffer) < 0) return {};
    QString text = QString::fromUtf8(buffer).trimmed();
    // The last message says what failed; the first of the backtrace says why ("invalid file signature").
    if (libpff_error_backtrace_sprint(m_error, buffer, sizeof buffer) >= 0) {
        const QString cause = QString::fromUtf8(buffer).section(QLatin1Char('\n'), 0, 0).trimmed();
        if (!cause.isEmpty() && cause != text) text += QStringLiteral(" Cause: ") + cause;
    }
    return text;
}

void PffError::raise(quint32 number, const QString& context)
{
    const QString detail = text();
    if (m_error) libpff_error_free(&m_error);
    QString description = context;
    if (!detail.isEmpty()) description += (description.isEmpty() ? QString() : QStringLiteral(": ")) + detail;
    throw Error(number, description);
}

void check(int rc, PffError& error, quint32 number, const QString& context)
{
    if (rc != 1) error.raise(number, context);
}

void ItemFree::operator()(libpff_item_t* item) const
{
    PffError error;
    libpff_item_free(&item, error.out());
}

void RecordSetFree::operator()(libpff_record_set_t* set) const
{
    PffError error;
    libpff_record_set_free(&set, error.out());
}

void RecordEntryFree::operator()(libpff_record_entry_t* entry) const
{
    PffError error;
    libpff_record_entry_free(&entry, error.out());
}

void FileFree::operator()(libpff_file_t* file) const
{
    PffError closeError;
    libpff_file_close(file, closeError.out());
    PffError freeError;
    libpff_file_free(&file, freeError.out());
}

int recordSetCount(libpff_item_t* item)
{
    PffError error;
    int count = 0;
    check(libpff_item_get_number_of_record_sets(item, &count, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to count the record sets"));
    return count;
}

RecordSetPtr recordSet(libpff_item_t* item, int index)
{
    PffError error;
    libpff_record_set_t* set = nullptr;
    // The context texts are built only on failure: these run once per table cell.
    if (libpff_item_get_record_set_by_index(item, index, &set, error.out()) != 1)
        error.raise(mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read record set %1").arg(index));
    return RecordSetPtr(set);
}

int entryCount(libpff_record_set_t* set)
{
    PffError error;
    int count = 0;
    check(libpff_record_set_get_number_of_entries(set, &count, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to count the properties"));
    return count;
}

RecordEntryPtr entryAt(libpff_record_set_t* set, int index)
{
    PffError error;
    libpff_record_entry_t* entry = nullptr;
    if (libpff_record_set_get_entry_by_index(set, index, &entry, error.out()) != 1)
        error.raise(mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read property %1").arg(index + 1));
    return RecordEntryPtr(entry);
}

RecordEntryPtr entryById(libpff_record_set_t* set, quint16 propertyId)
{
    PffError error;
    libpff_record_entry_t* entry = nullptr;
    const int rc = libpff_record_set_get_entry_by_type(set, propertyId, 0, &entry,
        LIBPFF_ENTRY_VALUE_FLAG_MATCH_ANY_VALUE_TYPE | LIBPFF_ENTRY_VALUE_FLAG_IGNORE_NAME_TO_ID_MAP, error.out());
    if (rc == 0) return {};
    if (rc != 1)
        error.raise(mapi::E_CORRUPT_DATA,
            QStringLiteral("Unable to read property %1").arg(propertyId, 4, 16, QLatin1Char('0')).toUpper());
    return RecordEntryPtr(entry);
}

quint32 entryTag(libpff_record_entry_t* entry)
{
    PffError error;
    uint32_t id = 0;
    uint32_t type = 0;
    check(libpff_record_entry_get_entry_type(entry, &id, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to read a property tag"));
    check(libpff_record_entry_get_value_type(entry, &type, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to read a property type"));
    return (id << 16) | (type & 0xFFFF);
}

void entryData(libpff_record_entry_t* entry, QByteArray& buffer)
{
    PffError error;
    size_t size = 0;
    check(libpff_record_entry_get_data_size(entry, &size, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to read the size of a property value"));
    buffer.resize(qsizetype(size));
    if (size == 0) return;
    check(libpff_record_entry_get_data(entry, reinterpret_cast<uint8_t*>(buffer.data()), size, error.out()), error,
        mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read a property value"));
}

QByteArray entryData(libpff_record_entry_t* entry)
{
    PffError error;
    size_t size = 0;
    check(libpff_record_entry_get_data_size(entry, &size, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to read the size of a property value"));
    if (size == 0) return {};
    QByteArray data(qsizetype(size), Qt::Uninitialized);
    check(libpff_record_entry_get_data(entry, reinterpret_cast<uint8_t*>(data.data()), size, error.out()), error,
        mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read a property value"));
    return data;
}

std::optional<QByteArray> rawProperty(libpff_record_set_t* set, quint16 propertyId)
{
    RecordEntryPtr entry = entryById(set, propertyId);
    if (!entry) return std::nullopt;
    return entryData(entry.get());
}

std::optional<quint32> longProperty(libpff_record_set_t* set, quint16 propertyId)
{
    const std::optional<QByteArray> data = rawProperty(set, propertyId);
    if (!data || data->size() < 4) return std::nullopt;
    return readU32(*data, 0);
}

quint16 readU16(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset + 2 > data.size()) return 0;
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

quint32 readU32(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset + 4 > data.size()) return 0;
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint64 readU64(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset + 8 > data.size()) return 0;
    return qFromLittleEndian<quint64>(data.constData() + offset);
}

} // namespace store::pst
