#include "fields/fielddefs.h"
#include "fields/fieldrows.h"

namespace fields {

QString hexTag(quint32 tag)
{
    return QStringLiteral("%1").arg(tag, 8, 16, QLatin1Char('0')).toUpper();
}

QString rowTag(quint32 tag)
{
    return QString::number(tag, 16).toUpper();
}

QString definitionKey(const QString& paddedTag)
{
    return paddedTag.left(4);
}

QString definitionName(const settings::IniFile& ini, const QString& key, bool altCodes)
{
    QString name;
    if (altCodes) name = settings::funStripComment(ini.funGetIni(AltSection, key, QString()));
    if (name.isEmpty()) name = settings::funStripComment(ini.funGetIni(MapiSection, key, QString()));
    return name;
}

std::optional<QString> definitionComment(const settings::IniFile& ini, const QString& key)
{
    const QString value = ini.funGetIni(AltSection, key, QString());
    const qsizetype apostrophe = value.lastIndexOf(QLatin1Char('\''));
    if (apostrophe < 0) return std::nullopt;
    return value.mid(apostrophe + 1).trimmed();
}

} // namespace fields

namespace fields {

QString fieldName(const store::Field& field, const settings::IniFile& ini, const Naming& naming)
{
    if (!field.name().isEmpty()) return QLatin1Char('<') + field.name() + QLatin1Char('>');
    const QString tag = hexTag(field.id());
    QString name;
    if (naming.mapiCodes) name = definitionName(ini, definitionKey(tag), naming.altCodes);
    return name.isEmpty() ? tag : name;
}

FieldRow fieldRow(const store::Field& field, const settings::IniFile& ini, const Naming& naming)
{
    const store::Value* readable = nullptr;
    try {
        readable = &field.value();
    } catch (const store::Error& failure) {
        // A field that cannot be read shows its failure as its value, and the listing goes on: in a damaged store
        // the fields after it, the recipients and the attachments are what the user came to see.
        return { fieldName(field, ini, naming),
            QStringLiteral("Error %1: %2").arg(failure.numberText(), failure.description()) };
    }
    const store::Value& value = *readable;
    // Only the part that is shown is ever built; the length comes without the text where the value allows.
    const qsizetype length = value.textLength();
    FieldRow row { fieldName(field, ini, naming), value.text(MaxValueChars) };
    if (length > MaxValueChars) row.value += QStringLiteral("***");
    if (naming.showType) row.name += QLatin1Char('-') + value.typeName();
    if (naming.showSize) row.name += QLatin1Char(':') + QString::number(length);
    return row;
}

namespace {

    constexpr quint32 AttachSizeTag = 0x0E200003;
    constexpr quint32 CreationTimeTag = 0x30070040;

    QString attachmentTypeWord(int type)
    {
        switch (type) {
        case 0:
            return QStringLiteral("Data");
        case 1:
            return QStringLiteral("Embedded");
        case 2:
            return QStringLiteral("Pointer");
        default:
            return QStringLiteral("Unknown");
        }
    }

    QString recipientTypeLabel(int type)
    {
        static const char* const labels[] = { " Org: ", " To : ", " Cc : ", " Bcc: " };
        return type >= 0 && type < 4 ? QLatin1String(labels[type]) : QString();
    }

    QString displayTypeLabel(int displayType)
    {
        static const char* const labels[]
            = { " User  ", " DstLst", " Forum ", " Agent ", " Org   ", " PvrLst", " RmtUsr" };
        return displayType >= 0 && displayType < 7 ? QLatin1String(labels[displayType]) : QString();
    }

} // namespace

FieldRow recipientRow(const store::Recipient& recipient)
{
    return { recipientTypeLabel(recipient.type()) + displayTypeLabel(recipient.displayType()),
        recipient.name() + QStringLiteral(" [") + recipient.address() + QLatin1Char(']') };
}

std::optional<FieldRow> attachmentRow(const store::Collection<store::Attachment>& attachments, int index)
{
    std::shared_ptr<store::Attachment> attachment;
    try {
        attachment = attachments.item(index);
    } catch (const store::Error&) {
        return std::nullopt;
    }
    FieldRow row;
    try {
        row.name = attachment->name();
    } catch (const store::Error&) {
    }
    try {
        row.value += QStringLiteral("Type:") + attachmentTypeWord(attachment->type());
    } catch (const store::Error&) {
    }
    try {
        const store::Fields fields = attachment->fields();
        try {
            row.value += QStringLiteral("  Size:") + fields.item(AttachSizeTag).value().text();
        } catch (const store::Error&) {
        }
        try {
            row.value += QStringLiteral("  Date:") + fields.item(CreationTimeTag).value().text();
        } catch (const store::Error&) {
        }
    } catch (const store::Error&) {
    }
    return row;
}

QString cleanText(const QString& text)
{
    constexpr qsizetype MaxChars = 200;
    const QString lineBreak = QStringLiteral(" <cr> ");
    QString out;
    out.reserve(qMin(text.size(), MaxChars) + lineBreak.size());
    for (qsizetype i = 0; i < text.size() && out.size() < MaxChars; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
            out += lineBreak;
        } else {
            out += c;
        }
    }
    return out.left(MaxChars);
}

} // namespace fields
