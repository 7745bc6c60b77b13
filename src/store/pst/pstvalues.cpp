#include "store/pst/pstvalues.h"

namespace store::pst {

QString namedPropertyName(libpff_record_entry_t* entry, quint32 tag)
{
    if ((tag >> 16) < 0x8000) return {};
    PffError error;
    libpff_name_to_id_map_entry_t* map = nullptr;
    if (libpff_record_entry_get_name_to_id_map_entry(entry, &map, error.out()) != 1 || !map) return {};
    uint8_t kind = 0;
    if (libpff_name_to_id_map_entry_get_type(map, &kind, error.out()) != 1) return {};
    if (kind == LIBPFF_NAME_TO_ID_MAP_ENTRY_TYPE_STRING) {
        size_t size = 0;
        if (libpff_name_to_id_map_entry_get_utf8_string_size(map, &size, error.out()) != 1 || size == 0) return {};
        QByteArray utf8(qsizetype(size), '\0');
        if (libpff_name_to_id_map_entry_get_utf8_string(map, reinterpret_cast<uint8_t*>(utf8.data()), size, error.out())
            != 1)
            return {};
        return QString::fromUtf8(utf8.constData());
    }
    uint8_t guid[16] = {};
    uint32_t number = 0;
    if (libpff_name_to_id_map_entry_get_guid(map, guid, sizeof guid, error.out()) != 1
        || libpff_name_to_id_map_entry_get_number(map, &number, error.out()) != 1)
        return {};
    return propertySetName(guidFromBytes(reinterpret_cast<const char*>(guid))) + QStringLiteral(":0x")
        + QString::number(number, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

Fields readFields(libpff_record_set_t* set, int codepage)
{
    std::vector<Field> fields;
    const int count = entryCount(set);
    fields.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        quint32 tag = 0;
        QString name;
        try {
            RecordEntryPtr entry = entryAt(set, i);
            tag = entryTag(entry.get());
            name = namedPropertyName(entry.get(), tag);
            fields.emplace_back(tag, name, decodeValue(tag, entryData(entry.get()), codepage));
        } catch (const Error& failure) {
            fields.emplace_back(tag, name, failure);
        }
    }
    return Fields(std::move(fields));
}

QString stringProperty(libpff_record_set_t* set, quint16 propertyId, int codepage)
{
    try {
        RecordEntryPtr entry = entryById(set, propertyId);
        if (!entry) return {};
        const quint32 tag = entryTag(entry.get());
        const quint16 type = quint16(tag & 0xFFFF);
        if (type != proptype::String8 && type != proptype::Unicode) return {};
        return decodeValue(tag, entryData(entry.get()), codepage).toString();
    } catch (const Error&) {
        return {};
    }
}

quint32 findNamedTag(libpff_record_set_t* set, const QUuid& propertySet, quint32 number)
{
    const QString wanted = propertySetName(propertySet) + QStringLiteral(":0x")
        + QString::number(number, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    const int count = entryCount(set);
    for (int i = 0; i < count; ++i) {
        RecordEntryPtr entry = entryAt(set, i);
        const quint32 tag = entryTag(entry.get());
        if ((tag >> 16) >= 0x8000 && namedPropertyName(entry.get(), tag) == wanted) return tag;
    }
    return 0;
}

} // namespace store::pst
