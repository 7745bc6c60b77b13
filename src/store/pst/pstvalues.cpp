#include "store/pst/pstvalues.h"

#include "store/pst/pststore.h"

namespace store::pst {

namespace {
    bool isString(quint32 tag)
    {
        const quint16 type = quint16(tag & 0xFFFF);
        return type == proptype::String8 || type == proptype::Unicode;
    }

    // The column of a table with that property identifier; nullopt when the table has none.
    std::optional<quint32> columnTag(const ltp::TableContext& table, quint16 propertyId)
    {
        for (const ltp::Column& column : table.columns()) {
            if (quint16(column.tag >> 16) == propertyId) return column.tag;
        }
        return std::nullopt;
    }
} // namespace

QString stringOf(const RawProperty& property, int codepage)
{
    if (!isString(property.tag)) return {};
    try {
        return decodeValue(property.tag, property.data, codepage).toString();
    } catch (const Error&) {
        return {};
    }
}

Fields readFields(const ltp::PropertyContext& pc, const NameMap& names, int codepage)
{
    std::vector<Field> fields;
    const auto& entries = pc.entries();
    fields.reserve(entries.size());
    for (const ltp::PropertyEntry& entry : entries) {
        const QString name = entry.tag >> 16 >= 0x8000 ? names.name(quint16(entry.tag >> 16)) : QString();
        try {
            fields.emplace_back(entry.tag, name, decodeValue(entry.tag, pc.value(entry), codepage));
        } catch (const Error& failure) {
            fields.emplace_back(entry.tag, name, failure);
        }
    }
    return Fields(std::move(fields));
}

Fields readRowFields(const ltp::TableContext& table, quint32 row, const NameMap& names, int codepage)
{
    std::vector<Field> fields;
    for (const ltp::Column& column : table.columns()) {
        const QString name = column.tag >> 16 >= 0x8000 ? names.name(quint16(column.tag >> 16)) : QString();
        try {
            const std::optional<QByteArray> cell = table.cell(row, column.tag);
            if (cell) fields.emplace_back(column.tag, name, decodeValue(column.tag, *cell, codepage));
        } catch (const Error& failure) {
            fields.emplace_back(column.tag, name, failure);
        }
    }
    return Fields(std::move(fields));
}

std::optional<RawProperty> rawProperty(const ltp::PropertyContext& pc, quint16 propertyId)
{
    const std::optional<ltp::PropertyEntry> entry = pc.find(propertyId);
    if (!entry) return std::nullopt;
    return RawProperty { entry->tag, pc.value(*entry) };
}

QString stringProperty(const ltp::PropertyContext& pc, quint16 propertyId, int codepage)
{
    try {
        const std::optional<RawProperty> property = rawProperty(pc, propertyId);
        return property ? stringOf(*property, codepage) : QString();
    } catch (const Error&) {
        return {};
    }
}

std::optional<quint32> longProperty(const ltp::PropertyContext& pc, quint16 propertyId)
{
    try {
        const std::optional<RawProperty> property = rawProperty(pc, propertyId);
        if (!property || (property->tag & 0xFFFF) != proptype::Long || property->data.size() < 4) return std::nullopt;
        return readU32(property->data, 0);
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::optional<RawProperty> rawCell(const ltp::TableContext& table, quint32 row, quint16 propertyId)
{
    const std::optional<quint32> tag = columnTag(table, propertyId);
    if (!tag) return std::nullopt;
    std::optional<QByteArray> cell = table.cell(row, *tag);
    if (!cell) return std::nullopt;
    return RawProperty { *tag, std::move(*cell) };
}

QString stringCell(const ltp::TableContext& table, quint32 row, quint16 propertyId, int codepage)
{
    try {
        const std::optional<RawProperty> cell = rawCell(table, row, propertyId);
        return cell ? stringOf(*cell, codepage) : QString();
    } catch (const Error&) {
        return {};
    }
}

std::optional<quint32> longCell(const ltp::TableContext& table, quint32 row, quint16 propertyId)
{
    try {
        const std::optional<RawProperty> cell = rawCell(table, row, propertyId);
        if (!cell || (cell->tag & 0xFFFF) != proptype::Long || cell->data.size() < 4) return std::nullopt;
        return readU32(cell->data, 0);
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace store::pst
