#include "decode/entryid.h"

#include "decode/bytereader.h"

#include <iterator>

namespace decode {

namespace {
    struct KnownUid {
        const char bytes[17];
        const char* name;
    };

    // Provider UIDs as they stand in the identifier (byte order as stored).
    const KnownUid knownUids[] = {
        { "\x81\x2B\x1F\xA4\xBE\xA3\x10\x19\x9D\x6E\x00\xDD\x01\x0F\x54\x02", "one-off address" },
        { "\xDC\xA7\x40\xC8\xC0\x42\x10\x1A\xB4\xB9\x08\x00\x2B\x2F\xE1\x82", "Exchange address book (X500)" },
        { "\x38\xA1\xBB\x10\x05\xE5\x10\x1A\xA1\xBB\x08\x00\x2B\x2A\x56\xC2", "wrapped message store" },
        { "\xFE\x42\xAA\x0A\x18\xC7\x1A\x10\xE8\x85\x0B\x65\x1C\x24\x00\x00", "contact address book" },
    };

    const KnownUid& uid(int index)
    {
        return knownUids[index];
    }
    bool is(QByteArrayView bytes, int index)
    {
        return bytes == QByteArrayView(uid(index).bytes, 16);
    }

    QString objectTypeName(quint32 type)
    {
        switch (type) {
        case 0:
            return QStringLiteral("local mail user");
        case 1:
            return QStringLiteral("distribution list");
        case 2:
            return QStringLiteral("bulletin board or public folder");
        case 3:
            return QStringLiteral("automated mailbox");
        case 4:
            return QStringLiteral("organizational mailbox");
        case 5:
            return QStringLiteral("private distribution list");
        case 6:
            return QStringLiteral("remote mail user");
        case 0x100:
            return QStringLiteral("container");
        case 0x101:
            return QStringLiteral("template");
        case 0x102:
            return QStringLiteral("address creation template");
        case 0x200:
            return QStringLiteral("search");
        default:
            return QStringLiteral("unknown");
        }
    }

    QString folderType(quint16 type)
    {
        switch (type) {
        case 0x0001:
            return QStringLiteral("private folder");
        case 0x0003:
            return QStringLiteral("public folder");
        case 0x0005:
            return QStringLiteral("mapped public folder");
        case 0x0007:
            return QStringLiteral("private message");
        case 0x0009:
            return QStringLiteral("public message");
        case 0x000B:
            return QStringLiteral("mapped public message");
        case 0x000C:
            return QStringLiteral("public news folder");
        default:
            return QStringLiteral("unknown type");
        }
    }

    QString hex(quint32 v, int digits)
    {
        return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
    }

    void oneOff(ByteReader& r, QStringList& lines)
    {
        const quint16 version = r.u16("the version");
        const quint16 flags = r.u16("the flags");
        const bool unicode = flags & 0x8000;
        lines << QStringLiteral("Version: %1").arg(version)
              << QStringLiteral("Flags: %1 (%2%3)")
                     .arg(hex(flags, 4), unicode ? QStringLiteral("Unicode") : QStringLiteral("8-bit"),
                         flags & 0x0001 ? QStringLiteral(", no rich text") : QString());
        const char* const names[] = { "Display name", "Address type", "E-mail address" };
        for (const char* name : names) {
            const QString text = unicode ? r.string16(name) : r.string8(name);
            if (r.failed()) return;
            lines << QStringLiteral("%1: %2").arg(QLatin1String(name), text);
        }
    }

    void addressBook(ByteReader& r, QStringList& lines)
    {
        const quint32 version = r.u32("the version");
        const quint32 type = r.u32("the object type");
        if (r.failed()) return;
        lines << QStringLiteral("Version: %1").arg(version)
              << QStringLiteral("Object type: %1 (%2)").arg(type).arg(objectTypeName(type));
        const QString dn = r.string8("the X500 DN");
        if (!r.failed()) lines << QStringLiteral("X500 DN: %1").arg(dn);
    }

    void wrappedStore(ByteReader& r, QStringList& lines)
    {
        const quint8 version = r.u8("the version");
        const quint8 flag = r.u8("the flag");
        const QString dll = r.string8("the DLL file name");
        if (r.failed()) return;
        lines << QStringLiteral("Version: %1, flag: %2").arg(version).arg(flag) << QStringLiteral("DLL: %1").arg(dll);
        // The DLL name is padded with zeros so that what follows starts on a 4-byte boundary.
        while (!r.atEnd() && r.offset() % 4 != 0)
            r.u8("padding");
        const quint32 wrappedFlags = r.u32("the wrapped flags");
        const QByteArrayView wrappedUid = r.bytes(16, "the wrapped provider UID");
        const quint32 wrappedType = r.u32("the wrapped type");
        if (r.failed()) return;
        lines << QStringLiteral("Wrapped flags: %1").arg(hex(wrappedFlags, 8))
              << QStringLiteral("Wrapped provider UID: %1").arg(hexBytes(wrappedUid))
              << QStringLiteral("Wrapped type: %1").arg(hex(wrappedType, 8));
        if (dll.compare(QLatin1String("emsmdb.dll"), Qt::CaseInsensitive) == 0) {
            const QString server = r.string8("the server name");
            const QString mailbox = r.string8("the mailbox DN");
            if (!r.failed())
                lines << QStringLiteral("Server: %1").arg(server) << QStringLiteral("Mailbox DN: %1").arg(mailbox);
            return;
        }
        // A file store gives its path, in 8-bit text or, where a second zero follows the first character, UTF-16.
        const QByteArrayView rest = r.bytes(r.remaining(), "the path");
        const bool wide = rest.size() >= 2 && rest[1] == '\0';
        ByteReader path(rest);
        const QString text = wide ? path.string16("the path") : path.string8("the path");
        if (!path.failed() && !text.isEmpty()) lines << QStringLiteral("Path: %1").arg(text);
    }

    void exchangeObject(ByteReader& r, QStringList& lines, qsizetype total)
    {
        const quint16 type = r.u16("the object type");
        lines << QStringLiteral("Type: %1 (%2)").arg(hex(type, 4), folderType(type));
        const char* const parts[][2] = { { "the folder database GUID", "the folder global counter" },
            { "the message database GUID", "the message global counter" } };
        const int count = total == 70 ? 2 : 1;
        for (int i = 0; i < count; ++i) {
            const QUuid db = r.guid(parts[i][0]);
            const QByteArrayView counter = r.bytes(6, parts[i][1]);
            r.u16("the padding");
            if (r.failed()) return;
            lines << QStringLiteral("%1 database: %2")
                         .arg(i ? QStringLiteral("Message") : QStringLiteral("Folder"), guidText(db))
                  << QStringLiteral("%1 global counter: %2")
                         .arg(i ? QStringLiteral("Message") : QStringLiteral("Folder"), hexBytes(counter));
        }
    }
} // namespace

QString providerName(QByteArrayView bytes)
{
    for (int i = 0; i < int(std::size(knownUids)); ++i)
        if (is(bytes, i)) return QLatin1String(uid(i).name);
    return {};
}

QStringList describeEntryId(QByteArrayView value)
{
    QStringList lines;
    ByteReader r(value);
    const quint32 flags = r.u32("the flags");
    const QByteArrayView provider = r.bytes(16, "the provider UID");
    if (r.failed()) return finish(lines, r);
    const QString known = providerName(provider);
    lines << QStringLiteral("Flags: %1").arg(hex(flags, 8))
          << QStringLiteral("Provider UID: %1%2")
                 .arg(
                     hexBytes(provider), known.isEmpty() ? QString() : QStringLiteral(" (") + known + QLatin1Char(')'));
    if (is(provider, 0)) {
        lines.prepend(QStringLiteral("One-off entry identifier"));
        oneOff(r, lines);
    } else if (is(provider, 1)) {
        lines.prepend(QStringLiteral("Address book entry identifier"));
        addressBook(r, lines);
    } else if (is(provider, 2)) {
        lines.prepend(QStringLiteral("Wrapped store entry identifier"));
        wrappedStore(r, lines);
    } else if (value.size() == 24) {
        lines.prepend(QStringLiteral("Store object entry identifier"));
        lines << QStringLiteral("Object number: %1").arg(hex(r.u32("the object number"), 8));
    } else if (value.size() == 46 || value.size() == 70) {
        lines.prepend(value.size() == 46 ? QStringLiteral("Folder entry identifier")
                                         : QStringLiteral("Message entry identifier"));
        exchangeObject(r, lines, value.size());
    } else {
        lines.prepend(QStringLiteral("Entry identifier"));
        if (!r.atEnd()) lines << QStringLiteral("Provider data: %1 bytes").arg(r.remaining());
    }
    return finish(lines, r);
}

bool isEntryIdTag(quint32 tag)
{
    // Entry identifiers of messages, folders, stores and addresses; 0x0102 binary or 0x1102 multiple binary.
    static const quint16 ids[] = { 0x0FFF, 0x0E09, 0x0FFB, 0x0E0A, 0x0C19, 0x0041, 0x003F, 0x0043, 0x0045, 0x0046,
        0x005B, 0x005E, 0x3A12, 0x3010, 0x35E0, 0x35E2, 0x35E3, 0x35E4, 0x35E5, 0x35E6, 0x35E7, 0x36D0, 0x36D1, 0x36D2,
        0x36D3, 0x36D4, 0x36D5, 0x36D6, 0x36D7, 0x36D8, 0x3FF9, 0x3FFB };
    const quint16 type = quint16(tag & 0xFFFF);
    if (type != 0x0102 && type != 0x1102) return false;
    const quint16 id = quint16(tag >> 16);
    for (quint16 known : ids)
        if (known == id) return true;
    return false;
}

} // namespace decode
