#include "description.h"

#include "pstwriter.h"
#include "store/pst/format/bytes.h"
#include "values.h"

#include <QJsonArray>
#include <QTimeZone>

namespace pstwriter {

using namespace store::pst::format;

namespace {
    const QString kAddressSet = QStringLiteral("PSETID_Address");

    QString str(const QJsonObject& o, const char* key)
    {
        return o.value(QLatin1String(key)).toString();
    }
    quint16 inferType(const QJsonValue& v)
    {
        if (v.isBool()) return 0x000B;
        if (v.isString()) return 0x001F;
        if (v.isDouble()) return v.toDouble() == double(qint32(v.toDouble())) ? 0x0003 : 0x0005;
        if (v.isArray()) return v.toArray().isEmpty() || v.toArray().first().isString() ? 0x101F : 0x1003;
        return 0x0102;
    }
    // The value a command-line or description name stands for, in any case.
    template <class T>
    bool fromName(const QHash<QString, T>& names, const QString& name, T* out)
    {
        const auto it = names.constFind(name.toLower());
        if (it == names.constEnd()) return false;
        *out = *it;
        return true;
    }
} // namespace

QByteArray oneOffEntryId(const QString& name, const QString& addressType, const QString& address)
{
    QByteArray id(4, '\0');
    id.append(QByteArray::fromHex("812B1FA4BEA310199D6E00DD010F5402"));
    append16(id, 0); // version
    append16(id, 0x9001); // Unicode strings, no rich text
    for (const QString& s : { name, addressType, address }) {
        id.append(utf16le(s));
        append16(id, 0);
    }
    return id;
}

QByteArray wrappedContactEntryId(const QByteArray& contactEntryId)
{
    QByteArray id(4, '\0');
    id.append(QByteArray::fromHex("C091ADD3519DCF11A4A900AA0047FAA4"));
    id.append(char(0xC3)); // a message entry identifier of a contact, first e-mail address
    id.append(contactEntryId);
    return id;
}

bool DescriptionReader::fail(const QString& where, const QString& what)
{
    if (m_error.isEmpty()) m_error = where.isEmpty() ? what : QStringLiteral("%1: %2").arg(where, what);
    return false;
}

Property DescriptionReader::named(quint32 number, quint16 type, const QByteArray& data)
{
    NamedKey key;
    key.set = propertySet(kAddressSet);
    key.number = number;
    return { m_writer.namedTag(key, type), data };
}

bool DescriptionReader::read(const QJsonObject& d)
{
    if (d.contains(QLatin1String("time"))) {
        QDateTime t;
        if (!parseTime(d.value(QLatin1String("time")), &t)) return fail(QString(), QStringLiteral("bad time"));
        m_writer.setDefaultTime(t);
    }
    for (const QJsonValue& f : d.value(QLatin1String("folders")).toArray())
        if (!readFolder(m_writer.ipmSubtree(), f.toObject(), QString())) return false;
    for (const Pending& p : m_pending) {
        const QString where
            = QStringLiteral("%1 \"%2\"")
                  .arg(p.kind, str(p.object, "subject").isEmpty() ? str(p.object, "name") : str(p.object, "subject"));
        MessageSpec spec;
        if (!readMessage(p.object, p.kind, &spec, where)) return false;
        if (p.object.value(QLatin1String("deleted")).toBool())
            m_writer.addDeletedMessage(p.folder, spec, p.nid);
        else
            m_writer.addMessage(p.folder, spec, p.nid, !p.object.value(QLatin1String("unlisted")).toBool());
    }
    for (const Nid folder : m_deleted)
        m_writer.deleteFolder(folder);
    return true;
}

bool DescriptionReader::readFolder(Nid parent, const QJsonObject& f, const QString& parentPath)
{
    const QString name = str(f, "name");
    const QString path = parentPath + QLatin1Char('/') + name;
    if (name.isEmpty()) return fail(path, QStringLiteral("a folder needs a name"));
    std::vector<Property> extra;
    if (!readProperties(f, &extra, path)) return false;
    const Nid nid = m_writer.addFolder(parent, name, str(f, "class"), extra);
    if (f.value(QLatin1String("deleted")).toBool()) m_deleted.push_back(nid);
    static const std::pair<const char*, const char*> lists[]
        = { { "messages", "message" }, { "contacts", "contact" }, { "distributionLists", "distributionList" } };
    for (const auto& [key, kind] : lists) {
        for (const QJsonValue& v : f.value(QLatin1String(key)).toArray()) {
            const QJsonObject o = v.toObject();
            QString k = QString::fromLatin1(kind);
            const QString cls = str(o, "class");
            if (k == QLatin1String("message") && cls.startsWith(QLatin1String("IPM.Contact")))
                k = QStringLiteral("contact");
            if (k == QLatin1String("message") && cls.startsWith(QLatin1String("IPM.DistList")))
                k = QStringLiteral("distributionList");
            const Nid m = m_writer.reserveMessageNid();
            if (o.contains(QLatin1String("key"))) m_keys.insert(str(o, "key"), m);
            m_pending.push_back({ nid, m, o, k });
        }
    }
    for (const QJsonValue& v : f.value(QLatin1String("folders")).toArray())
        if (!readFolder(nid, v.toObject(), path)) return false;
    return true;
}

bool DescriptionReader::readProperties(const QJsonObject& o, std::vector<Property>* props, const QString& where)
{
    for (const QJsonValue& v : o.value(QLatin1String("properties")).toArray()) {
        const QJsonObject p = v.toObject();
        quint32 tag = 0;
        if (!parseNumber(p.value(QLatin1String("tag")), &tag) || tag < 0x10000)
            return fail(where, QStringLiteral("a property needs a full tag such as \"0x0037001F\""));
        QByteArray data;
        QString error;
        if (!encodeValue(quint16(tag), p.value(QLatin1String("value")), &data, &error, m_codepage))
            return fail(where, QStringLiteral("property 0x%1: %2").arg(tag, 8, 16, QLatin1Char('0')).arg(error));
        setProperty(*props, { tag, data });
    }
    for (const QJsonValue& v : o.value(QLatin1String("named")).toArray()) {
        const QJsonObject p = v.toObject();
        NamedKey key;
        key.set = propertySet(str(p, "set"));
        if (key.set.isNull()) return fail(where, QStringLiteral("unknown property set \"%1\"").arg(str(p, "set")));
        if (p.contains(QLatin1String("name"))) {
            key.isString = true;
            key.name = str(p, "name");
        } else if (!parseNumber(p.value(QLatin1String("id")), &key.number)) {
            return fail(where, QStringLiteral("a named property needs an id or a name"));
        }
        const QJsonValue value = p.value(QLatin1String("value"));
        quint32 type = inferType(value);
        if (p.contains(QLatin1String("type")) && !parseNumber(p.value(QLatin1String("type")), &type))
            return fail(where, QStringLiteral("bad type"));
        QByteArray data;
        QString error;
        if (!encodeValue(quint16(type), value, &data, &error, m_codepage)) return fail(where, error);
        setProperty(*props, { m_writer.namedTag(key, quint16(type)), data });
    }
    return true;
}

bool DescriptionReader::readMessage(const QJsonObject& o, const QString& kind, MessageSpec* out, const QString& where)
{
    if (++m_depth > 16) return fail(where, QStringLiteral("embedded messages nest too deep"));
    std::vector<Property>& props = out->props;
    const QString defaultClass = kind == QLatin1String("contact") ? QStringLiteral("IPM.Contact")
        : kind == QLatin1String("distributionList")               ? QStringLiteral("IPM.DistList")
                                                                  : QStringLiteral("IPM.Note");
    props.push_back(stringProperty(0x001A, o.contains(QLatin1String("class")) ? str(o, "class") : defaultClass));
    if (o.contains(QLatin1String("subject"))) props.push_back(stringProperty(0x0037, str(o, "subject")));
    if (o.contains(QLatin1String("body"))) {
        QString body, error;
        if (!textValue(o.value(QLatin1String("body")), &body, &error)) return fail(where, error);
        props.push_back(stringProperty(0x1000, body));
    }
    if (o.contains(QLatin1String("html"))) props.push_back(binaryProperty(0x1013, str(o, "html").toUtf8()));
    const QJsonObject from = o.value(QLatin1String("from")).toObject();
    if (!from.isEmpty()) {
        const QString type = from.contains(QLatin1String("addrType")) ? str(from, "addrType") : QStringLiteral("SMTP");
        props.push_back(stringProperty(0x0C1A, str(from, "name")));
        props.push_back(stringProperty(0x0C1E, type));
        props.push_back(stringProperty(0x0C1F, str(from, "email")));
        props.push_back(stringProperty(0x0042, str(from, "name")));
        props.push_back(stringProperty(0x0064, type));
        props.push_back(stringProperty(0x0065, str(from, "email")));
    }
    static const std::pair<const char*, quint16> times[]
        = { { "created", 0x3007 }, { "modified", 0x3008 }, { "received", 0x0E06 }, { "sent", 0x0039 } };
    for (const auto& [key, id] : times) {
        if (!o.contains(QLatin1String(key))) continue;
        QDateTime t;
        if (!parseTime(o.value(QLatin1String(key)), &t))
            return fail(where, QStringLiteral("bad time in %1").arg(QLatin1String(key)));
        props.push_back(timeProperty(id, t));
    }
    if (o.contains(QLatin1String("read")))
        props.push_back(int32Property(0x0E07,
            (o.value(QLatin1String("read")).toBool() ? 1 : 0)
                | (o.value(QLatin1String("attachments")).toArray().isEmpty() ? 0 : 0x10)));
    if (o.contains(QLatin1String("importance")))
        props.push_back(int32Property(0x0017, o.value(QLatin1String("importance")).toInt()));
    if (kind == QLatin1String("contact") && !readContact(o, &props, where)) return false;
    if (kind == QLatin1String("distributionList") && !readDistributionList(o, &props, where)) return false;
    const QJsonArray recipients = o.value(QLatin1String("recipients")).toArray();
    for (int i = 0; i < recipients.size(); ++i) {
        out->recipients.emplace_back();
        if (!readRecipient(recipients[i].toObject(), i, &out->recipients.back(), where)) return false;
    }
    for (const QJsonValue& a : o.value(QLatin1String("attachments")).toArray()) {
        out->attachments.emplace_back();
        if (!readAttachment(a.toObject(), &out->attachments.back(), where)) return false;
    }
    if (out->attachments.size() > size_t(kMaxSubnodes - 8)) // room for tables and large values
        return fail(where, QStringLiteral("too many attachments (at most %1)").arg(kMaxSubnodes - 8));
    --m_depth;
    return readProperties(o, &props, where);
}

bool DescriptionReader::readRecipient(const QJsonObject& o, int index, std::vector<Property>* row, const QString& where)
{
    const QJsonValue typeValue = o.value(QLatin1String("type"));
    static const QHash<QString, int> types = { { QStringLiteral("from"), 0 }, { QStringLiteral("to"), 1 },
        { QStringLiteral("cc"), 2 }, { QStringLiteral("bcc"), 3 } };
    int type = 1;
    if (typeValue.isString()) {
        if (!types.contains(typeValue.toString().toLower()))
            return fail(where, QStringLiteral("recipient type must be to, cc, bcc or from"));
        type = types.value(typeValue.toString().toLower());
    } else if (typeValue.isDouble()) {
        type = typeValue.toInt();
    }
    const QString name = str(o, "name"), email = str(o, "email");
    const QString addrType = o.contains(QLatin1String("addrType")) ? str(o, "addrType") : QStringLiteral("SMTP");
    const QString display = name.isEmpty() ? email : name;
    *row = { int32Property(0x0C15, type), boolProperty(0x0E0F, true), int32Property(0x0FFE, 6),
        binaryProperty(0x0FFF, oneOffEntryId(display, addrType, email)), stringProperty(0x3001, display),
        stringProperty(0x3002, addrType), stringProperty(0x3003, email), int32Property(0x3900, 0),
        int32Property(0x5FDF, index), stringProperty(0x5FF6, display), int32Property(0x5FFD, 1) };
    if (addrType == QLatin1String("SMTP")) row->push_back(stringProperty(0x39FE, email));
    return readProperties(o, row, where);
}

bool DescriptionReader::readAttachment(const QJsonObject& o, AttachmentSpec* out, const QString& where)
{
    std::vector<Property>& props = out->props;
    const QString name = str(o, "name");
    if (!name.isEmpty()) {
        props.push_back(stringProperty(0x3001, name));
        props.push_back(stringProperty(0x3707, name));
        props.push_back(stringProperty(0x3704, name.left(12)));
    }
    if (o.contains(QLatin1String("mime"))) props.push_back(stringProperty(0x370E, str(o, "mime")));
    if (o.contains(QLatin1String("message"))) {
        out->embedded = std::make_shared<MessageSpec>();
        if (!readMessage(o.value(QLatin1String("message")).toObject(), QStringLiteral("message"), out->embedded.get(),
                where + QStringLiteral(" (embedded)")))
            return false;
        props.push_back(int32Property(0x3705, 5));
    } else if (o.contains(QLatin1String("reference"))) {
        props.push_back(int32Property(0x3705, o.value(QLatin1String("method")).toInt(2)));
        props.push_back(stringProperty(0x3708, str(o, "reference")));
        props.push_back(stringProperty(0x370D, str(o, "reference")));
    } else {
        QByteArray data;
        QString error;
        if (o.contains(QLatin1String("text"))) {
            QString text;
            if (!textValue(o.value(QLatin1String("text")), &text, &error)) return fail(where, error);
            data = text.toUtf8();
        } else if (o.contains(QLatin1String("content"))
            && !binaryValue(o.value(QLatin1String("content")), &data, &error)) {
            return fail(where, error);
        }
        props.push_back(int32Property(0x3705, o.value(QLatin1String("method")).toInt(1)));
        props.push_back(binaryProperty(0x3701, data));
    }
    return readProperties(o, &props, where);
}

bool DescriptionReader::readContact(const QJsonObject& o, std::vector<Property>* props, const QString& where)
{
    const QString name = str(o, "name"), email = str(o, "email");
    if (name.isEmpty()) return fail(where, QStringLiteral("a contact needs a name"));
    const QString addrType = o.contains(QLatin1String("addrType")) ? str(o, "addrType") : QStringLiteral("SMTP");
    setProperty(*props, stringProperty(0x3001, name));
    if (!o.contains(QLatin1String("subject"))) setProperty(*props, stringProperty(0x0037, name));
    if (o.contains(QLatin1String("givenName"))) setProperty(*props, stringProperty(0x3A06, str(o, "givenName")));
    if (o.contains(QLatin1String("surname"))) setProperty(*props, stringProperty(0x3A11, str(o, "surname")));
    if (o.contains(QLatin1String("company"))) setProperty(*props, stringProperty(0x3A16, str(o, "company")));
    if (!email.isEmpty()) {
        setProperty(*props, named(0x8080, 0x001F, utf16le(QStringLiteral("%1 (%2)").arg(name, email))));
        setProperty(*props, named(0x8082, 0x001F, utf16le(addrType)));
        setProperty(*props, named(0x8083, 0x001F, utf16le(email)));
        setProperty(*props, named(0x8084, 0x001F, utf16le(email)));
    }
    return true;
}

bool DescriptionReader::readDistributionList(const QJsonObject& o, std::vector<Property>* props, const QString& where)
{
    const QString name = str(o, "name");
    if (name.isEmpty()) return fail(where, QStringLiteral("a distribution list needs a name"));
    setProperty(*props, stringProperty(0x3001, name));
    if (!o.contains(QLatin1String("subject"))) setProperty(*props, stringProperty(0x0037, name));
    setProperty(*props, named(0x8053, 0x001F, utf16le(name)));
    std::vector<QByteArray> members, oneOffs;
    for (const QJsonValue& v : o.value(QLatin1String("members")).toArray()) {
        const QJsonObject m = v.toObject();
        if (m.contains(QLatin1String("contact"))) {
            const auto it = m_keys.constFind(str(m, "contact"));
            if (it == m_keys.constEnd())
                return fail(where, QStringLiteral("no contact with key \"%1\"").arg(str(m, "contact")));
            members.push_back(wrappedContactEntryId(m_writer.entryId(*it)));
        } else if (m.contains(QLatin1String("entryId"))) {
            // A member given by its identifier as it stands, such as a contact of another store.
            members.push_back(QByteArray::fromHex(str(m, "entryId").toLatin1()));
        } else {
            const QString type = m.contains(QLatin1String("addrType")) ? str(m, "addrType") : QStringLiteral("SMTP");
            oneOffs.push_back(oneOffEntryId(str(m, "name"), type, str(m, "email")));
        }
    }
    setProperty(*props, named(0x8055, 0x1102, multiVariable(members)));
    setProperty(*props, named(0x8054, 0x1102, multiVariable(oneOffs)));
    return true;
}

bool variantFromName(const QString& name, Variant* out)
{
    static const QHash<QString, Variant> names = { { QStringLiteral("ansi"), Variant::Ansi },
        { QStringLiteral("unicode"), Variant::Unicode }, { QStringLiteral("4k"), Variant::Unicode4k } };
    return fromName(names, name, out);
}

bool encodingFromName(const QString& name, CryptMethod* out)
{
    static const QHash<QString, CryptMethod> names = { { QStringLiteral("none"), CryptMethod::CryptNone },
        { QStringLiteral("permute"), CryptMethod::CryptPermute }, { QStringLiteral("cyclic"), CryptMethod::CryptCyclic } };
    return fromName(names, name, out);
}

namespace {
    bool readOptions(const QJsonObject& d, StoreOptions* options, QString* error)
    {
        const QString format = d.value(QLatin1String("format")).toString(QStringLiteral("unicode"));
        const QString encoding = d.value(QLatin1String("encoding")).toString(QStringLiteral("none"));
        if (!variantFromName(format, &options->variant)) {
            *error = QStringLiteral("format must be ansi, unicode or 4k, not \"%1\"").arg(format);
            return false;
        }
        if (!encodingFromName(encoding, &options->encoding)) {
            *error = QStringLiteral("encoding must be none, permute or cyclic, not \"%1\"").arg(encoding);
            return false;
        }
        options->codepage = d.value(QLatin1String("codepage")).toInt(1252);
        if (!codepageKnown(options->codepage)) {
            *error = QStringLiteral("unknown codepage %1").arg(options->codepage);
            return false;
        }
        options->creationColumn = d.value(QLatin1String("creationColumn")).toBool(true);
        return true;
    }
} // namespace

bool writeStore(const QJsonObject& description, const QString& path, QString* error)
{
    QString reason;
    StoreOptions options;
    if (!readOptions(description, &options, &reason)) {
        if (error) *error = reason;
        return false;
    }
    StoreWriter writer;
    if (description.contains(QLatin1String("recordKey"))) {
        const QByteArray key = QByteArray::fromHex(description.value(QLatin1String("recordKey")).toString().toLatin1());
        if (key.size() != 16) {
            if (error) *error = QStringLiteral("recordKey must be 16 bytes of hex");
            return false;
        }
        writer.setRecordKey(key);
    }
    const QString name = description.contains(QLatin1String("name"))
        ? description.value(QLatin1String("name")).toString()
        : QStringLiteral("Personal Folders");
    if (!writer.open(path, name, options)) return writer.finish(error);
    DescriptionReader reader(writer, options.codepage);
    if (!reader.read(description)) {
        if (error) *error = reader.errorString();
        writer.discard();
        return false;
    }
    return writer.finish(error);
}

bool writeBulkStore(const QString& path, const BulkOptions& options, QString* error)
{
    if (options.count < 0 || options.folders < 1) {
        if (error) *error = QStringLiteral("bad message or folder count");
        return false;
    }
    StoreWriter writer;
    const QDateTime base(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC);
    writer.setDefaultTime(base);
    if (!writer.open(path, QStringLiteral("Bulk store"), options.store)) return writer.finish(error);
    std::vector<Nid> folders;
    for (int k = 1; k <= options.folders; ++k)
        folders.push_back(writer.addFolder(writer.ipmSubtree(),
            options.folders == 1 ? QStringLiteral("Bulk") : QStringLiteral("Bulk %1").arg(k), QStringLiteral("IPF.Note")));
    for (int i = 0; i < options.count && writer.ok(); ++i) {
        MessageSpec m;
        const QDateTime t = base.addSecs(qint64(i) * 60);
        m.props = { stringProperty(0x001A, QStringLiteral("IPM.Note")),
            stringProperty(0x0037, QStringLiteral("Bulk message %1 about quarterly figures").arg(i + 1)),
            stringProperty(0x0C1A, QStringLiteral("Sender %1").arg(i % 97)),
            stringProperty(0x1000, QStringLiteral("Body of bulk message %1.\r\n").arg(i + 1)), timeProperty(0x3007, t),
            timeProperty(0x0E06, t), int32Property(0x0E07, i % 3 ? 1 : 0) };
        m.recipients.push_back({ int32Property(0x0C15, 1), stringProperty(0x3001, QStringLiteral("Reader")),
            stringProperty(0x3002, QStringLiteral("SMTP")),
            stringProperty(0x3003, QStringLiteral("reader@example.com")) });
        // Deleted ones spread evenly over the store.
        const Nid folder = folders[size_t(i % options.folders)];
        if (options.deleted > 0 && qint64(i + 1) * options.deleted / options.count != qint64(i) * options.deleted / options.count)
            writer.addDeletedMessage(folder, m);
        else
            writer.addMessage(folder, m);
    }
    return writer.finish(error);
}

} // namespace pstwriter
