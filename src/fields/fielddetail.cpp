#include "fields/fielddetail.h"

#include "decode/decoders.h"
#include "decode/entryid.h"
#include "decode/hexdump.h"
#include "fields/nameddefs.h"
#include "store/propertysets.h"

#include <QRegularExpression>

namespace fields {

namespace {
    constexpr quint32 InternetCodepageTag = 0x3FDE0003;

    QString typeCodeName(quint16 type)
    {
        switch (type & 0x0FFF) {
        case 0x0002:
            return QStringLiteral("PT_I2");
        case 0x0003:
            return QStringLiteral("PT_LONG");
        case 0x0004:
            return QStringLiteral("PT_R4");
        case 0x0005:
            return QStringLiteral("PT_DOUBLE");
        case 0x0006:
            return QStringLiteral("PT_CURRENCY");
        case 0x0007:
            return QStringLiteral("PT_APPTIME");
        case 0x000A:
            return QStringLiteral("PT_ERROR");
        case 0x000B:
            return QStringLiteral("PT_BOOLEAN");
        case 0x000D:
            return QStringLiteral("PT_OBJECT");
        case 0x0014:
            return QStringLiteral("PT_I8");
        case 0x001E:
            return QStringLiteral("PT_STRING8");
        case 0x001F:
            return QStringLiteral("PT_UNICODE");
        case 0x0040:
            return QStringLiteral("PT_SYSTIME");
        case 0x0048:
            return QStringLiteral("PT_CLSID");
        case 0x0102:
            return QStringLiteral("PT_BINARY");
        default:
            return QStringLiteral("unknown");
        }
    }

    QString hex(quint32 v, int digits)
    {
        return QString::number(v, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
    }

    // The whole value: text with its line breaks, binary as a hex dump, one numbered line or dump per element.
    QString wholeValue(const store::Value& value)
    {
        if (value.type() == store::Value::Type::Binary) return decode::hexDump(value.toByteArray());
        if (value.type() == store::Value::Type::String) {
            QString text = value.toString();
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            return text + QLatin1Char('\n');
        }
        if (value.isArray()) {
            QString out;
            int n = 0;
            for (const store::Value& e : value.elements()) {
                out += QStringLiteral("[%1] ").arg(++n);
                out += e.type() == store::Value::Type::Binary ? QStringLiteral("\n") + decode::hexDump(e.toByteArray())
                                                              : wholeValue(e);
            }
            return out;
        }
        return value.text() + QLatin1Char('\n');
    }

    quint32 codepage(const store::Fields* siblings)
    {
        if (!siblings) return 0;
        const store::Field* f = siblings->find(InternetCodepageTag);
        if (!f || !f->readable()) return 0;
        return quint32(f->value().toInt64());
    }

    QStringList decodedLines(const FieldDetailInput& in, const store::Value& value)
    {
        const quint32 tag = in.field.id();
        const auto one = [&](const QByteArray& bytes) {
            QStringList lines = decode::decodeField(tag & ~0x1000u, in.field.name(), bytes, codepage(in.siblings));
            if (in.target && decode::isEntryIdTag(tag) && !lines.isEmpty()) {
                const QString target = in.target(bytes);
                if (!target.isEmpty()) lines << QStringLiteral("Points to: ") + target;
            }
            return lines;
        };
        if (value.type() == store::Value::Type::Binary) return one(value.toByteArray());
        QStringList lines;
        if (value.isArray() && value.elementType() == store::Value::Type::Binary) {
            int n = 0;
            for (const store::Value& e : value.elements()) {
                ++n;
                const QStringList part = one(e.toByteArray());
                if (part.isEmpty()) continue;
                lines << QStringLiteral("[%1]").arg(n);
                for (const QString& l : part)
                    lines << QStringLiteral("  ") + l;
            }
        }
        return lines;
    }
} // namespace

QString fieldDetailText(const FieldDetailInput& in)
{
    const quint32 tag = in.field.id();
    QString out;
    out += QStringLiteral("Tag: %1\n").arg(hex(tag, 8));
    out += QStringLiteral("Name: %1\n").arg(in.rowName);
    if (in.computed) out += QStringLiteral("Not stored: the identifier the store gives the object\n");
    const QString& named = in.field.name();
    if (!named.isEmpty()) {
        const qsizetype colon = named.indexOf(QLatin1Char(':'), named.startsWith(QLatin1Char('{')) ? 37 : 0);
        const QString set = named.left(colon);
        const QString id = named.mid(colon + 1);
        QString guid = set;
        QString known = set;
        if (set.startsWith(QLatin1Char('{')))
            known = store::knownPropertySetName(QUuid(set));
        else
            guid = store::knownPropertySetGuid(set).toString(QUuid::WithBraces).toUpper();
        out += QStringLiteral("Property set: %1%2\n")
                   .arg(guid, known.isEmpty() ? QString() : QStringLiteral(" (") + known + QLatin1Char(')'));
        out += id.startsWith(QLatin1String("0x")) ? QStringLiteral("Number: %1\n").arg(id)
                                                  : QStringLiteral("String name: %1\n").arg(id);
    }
    if (!in.field.readable()) {
        try {
            (void)in.field.value();
        } catch (const store::Error& e) {
            out += QStringLiteral("Type: %1 (0x%2)\n").arg(typeCodeName(quint16(tag)), hex(tag & 0xFFFF, 4));
            out += QStringLiteral("\nUnreadable: %1 %2\n").arg(e.numberText(), e.description());
        }
        return out;
    }
    const store::Value& value = in.field.value();
    out += QStringLiteral("Type: %1 (%2, 0x%3)\n")
               .arg(value.typeName(), typeCodeName(quint16(tag)), hex(tag & 0xFFFF, 4));
    qsizetype size = value.textLength();
    QString unit;
    if (value.type() == store::Value::Type::Binary) {
        size = value.toByteArray().size();
        unit = QStringLiteral(" bytes");
    } else if (value.type() == store::Value::Type::String) {
        unit = QStringLiteral(" characters");
    } else if (value.isArray()) {
        size = value.elements().size();
        unit = QStringLiteral(" values");
    }
    out += QStringLiteral("Size: %1%2\n").arg(size).arg(unit);
    out += QStringLiteral("\nValue:\n") + wholeValue(value);
    const QStringList decoded = decodedLines(in, value);
    if (!decoded.isEmpty()) out += QStringLiteral("\nDecoded:\n") + decoded.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return out;
}

store::Fields withEntryId(const store::Fields& stored, const QString& objectId)
{
    static const QRegularExpression hexPairs(QStringLiteral("^(?:[0-9A-Fa-f]{2})+$"));
    // Identifiers of stores that are not MAPI stores (the in-memory one) are no entry identifiers.
    if (stored.find(EntryIdTag) || !hexPairs.match(objectId).hasMatch()) return stored;
    std::vector<store::Field> all = stored.all();
    all.emplace_back(EntryIdTag, QString(), store::Value::binary(QByteArray::fromHex(objectId.toLatin1())));
    return store::Fields(std::move(all));
}

QString entryIdTarget(const store::Session& session, const QByteArray& entryId)
{
    const QString id = QString::fromLatin1(entryId.toHex().toUpper());
    try {
        if (auto folder = session.getFolder(id)) {
            // The path as the window shows it: names from the store's top folder down, each followed by "\".
            // The top folder is named too; its parent is the store, which is not.
            QString path;
            std::shared_ptr<store::Object> o = folder;
            for (int depth = 0; o && std::dynamic_pointer_cast<store::Folder>(o) && depth < 64; ++depth) {
                path.prepend(o->name() + QLatin1Char('\\'));
                o = o->parent();
            }
            return QStringLiteral("folder \\") + path;
        }
    } catch (const store::Error&) {
    }
    try {
        if (auto message = session.getMessage(id)) return QStringLiteral("message \"%1\"").arg(message->subject());
    } catch (const store::Error&) {
    }
    return {};
}

} // namespace fields
