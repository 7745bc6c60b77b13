// A bounded property test: a few hundred randomly generated descriptions (folders, messages with properties of
// every type and size, recipients, attachments) must each read back through libpff exactly as described.
#include "values.h"
#include "writertest.h"

#include <QJsonArray>
#include <QRandomGenerator>

using namespace pffread;

namespace {
struct Generator {
    QRandomGenerator rng;
    int bounded(int n) { return int(rng.bounded(quint32(n))); }
    QString text(int maxLength)
    {
        static const char16_t alphabet[] = u"abcxyz ABC 0123 \u00e9\u00fc\u03b3\u4e2d\u2603-_.";
        QString s;
        const int n = bounded(maxLength + 1);
        for (int i = 0; i < n; ++i)
            s.append(QChar(alphabet[bounded(int(std::size(alphabet)) - 1)]));
        return s;
    }
    QJsonValue value(quint16 type)
    {
        const quint16 base = type & 0x0FFF;
        if (type & 0x1000) {
            QJsonArray a;
            for (int i = bounded(4); i > 0; --i)
                a.append(value(base));
            return a;
        }
        switch (base) {
        case 0x0002:
            return bounded(65536) - 32768;
        case 0x0003:
        case 0x0014:
            return qint64(rng.generate()) - 0x7FFFFFFF;
        case 0x0004:
        case 0x0005:
        case 0x0006:
            return double(bounded(100000)) / 8;
        case 0x000B:
            return bounded(2) == 1;
        case 0x0007:
        case 0x0040:
            return QDateTime::fromSecsSinceEpoch(qint64(rng.generate()), Qt::UTC).toString(Qt::ISODate);
        case 0x0048:
            return QUuid(rng.generate(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10).toString();
        case 0x001E:
            return QString(bounded(50), QLatin1Char('q'));
        case 0x001F:
            return bounded(10) == 0
                ? QJsonValue(QJsonObject { { "repeat", text(5) + QStringLiteral("x") }, { "count", bounded(3000) } })
                : QJsonValue(text(40));
        default: { // binary: usually small, sometimes beyond the heap or one block
            const int sizes[] = { 0, 1, 16, 300, 2000, 3580, 3581, 9000, 20000 };
            QByteArray b(sizes[bounded(9)], '\0');
            for (char& c : b)
                c = char(bounded(256));
            return QString::fromLatin1(b.toHex());
        }
        }
    }
    QJsonObject message(int depth)
    {
        static const quint16 types[] = { 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x000B, 0x0014, 0x001E, 0x001F,
            0x0040, 0x0048, 0x0102, 0x1002, 0x1003, 0x1014, 0x101F, 0x1102, 0x1040, 0x1048, 0x101E };
        QJsonObject m { { "subject", text(30) } };
        QJsonArray props;
        for (int i = bounded(10) == 0 ? 20 + bounded(60) : bounded(8); i > 0; --i) { // some fill many heap pages
            const quint16 type = types[bounded(int(std::size(types)))];
            props.append(QJsonObject {
                { "tag", QString::asprintf("0x%04X%04X", 0x6600 + bounded(0x100), type) }, { "value", value(type) } });
        }
        m.insert("properties", props);
        static const char* sets[] = { "PS_PUBLIC_STRINGS", "PSETID_Common", "{0A0B0C0D-1111-2222-3333-444455556666}" };
        QJsonArray named;
        for (int i = bounded(3); i > 0; --i) {
            const quint16 type = types[bounded(int(std::size(types)))];
            QJsonObject n { { "set", sets[bounded(3)] }, { "type", QString::asprintf("0x%04X", type) },
                { "value", value(type) } };
            // libpff reports no set for numbers in PS_PUBLIC_STRINGS (as for PS_MAPI): names only there.
            if (bounded(2) || n["set"] == QLatin1String("PS_PUBLIC_STRINGS"))
                n.insert("name", QStringLiteral("N") + text(6));
            else
                n.insert("id", 0x8500 + bounded(16));
            named.append(n);
        }
        m.insert("named", named);
        QJsonArray recipients, attachments;
        for (int i = bounded(4); i > 0; --i)
            recipients.append(
                QJsonObject { { "name", text(10) }, { "email", text(10) + "@x.org" }, { "type", 1 + bounded(3) } });
        for (int i = bounded(3); i > 0; --i) {
            if (depth < 2 && bounded(4) == 0)
                attachments.append(QJsonObject { { "message", message(depth + 1) } });
            else
                attachments.append(QJsonObject { { "name", text(8) + ".bin" }, { "content", value(0x0102) } });
        }
        m.insert("recipients", recipients);
        m.insert("attachments", attachments);
        return m;
    }
    QJsonObject folder(int depth, int index)
    {
        QJsonObject f { { "name", QStringLiteral("F%1 ").arg(index) + text(10) }, { "class", "IPF.Note" } };
        QJsonArray messages, folders;
        for (int i = bounded(4); i > 0; --i)
            messages.append(message(0));
        for (int i = depth < 2 ? bounded(3) : 0; i > 0; --i)
            folders.append(folder(depth + 1, i));
        f.insert("messages", messages);
        f.insert("folders", folders);
        return f;
    }
};

// Compares what libpff read with the description; returns the first difference.
QString compareMessage(const QJsonObject& want, const Message& got)
{
    if (text(find(got.props, 0x0037001F)) != want.value("subject").toString()) return QStringLiteral("subject");
    QHash<quint32, QJsonValue> last; // of values for one property identifier, the last is kept
    for (const QJsonValue& v : want.value("properties").toArray()) {
        const quint32 tag = v["tag"].toString().toUInt(nullptr, 16);
        for (auto it = last.begin(); it != last.end(); ++it)
            if (it.key() >> 16 == tag >> 16) {
                last.erase(it);
                break;
            }
        last.insert(tag, v["value"]);
    }
    auto compare = [](quint32 tag, const QJsonValue& value, const Prop* p) {
        QByteArray expected;
        QString error;
        pstwriter::encodeValue(quint16(tag), value, &expected, &error);
        if (!p || (p->tag & 0xFFFF) != (tag & 0xFFFF)) return false;
        return ((tag & 0xFFFF) == 0x000B ? p->data.left(1) : p->data) == expected;
    };
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        if (!compare(it.key(), it.value(), find(got.props, it.key())))
            return QStringLiteral("value of 0x%1").arg(it.key(), 8, 16);
    QList<QJsonObject> named; // again the last of each name wins
    for (const QJsonValue& v : want.value("named").toArray()) {
        const QJsonObject n = v.toObject();
        named.removeIf(
            [&](const QJsonObject& o) { return o["set"] == n["set"] && o["name"] == n["name"] && o["id"] == n["id"]; });
        named.append(n);
    }
    for (const QJsonObject& n : named) {
        const QUuid set = pstwriter::propertySet(n["set"].toString());
        const auto p = std::find_if(got.props.begin(), got.props.end(), [&](const Prop& p) {
            return p.named && p.set == set
                && (n.contains("name") ? p.name == n["name"].toString() : p.number == quint32(n["id"].toInt()));
        });
        if (!compare(n["type"].toString().toUInt(nullptr, 16), n["value"], p == got.props.end() ? nullptr : &*p))
            return QStringLiteral("named %1%2 in %3 (%4)")
                .arg(n["name"].toString())
                .arg(n["id"].toInt())
                .arg(n["set"].toString())
                .arg(p == got.props.end() ? QStringLiteral("missing") : QString::number(p->tag, 16));
    }
    const QJsonArray recipients = want.value("recipients").toArray();
    if (got.recipients.size() != size_t(recipients.size())) return QStringLiteral("recipient count");
    for (int i = 0; i < recipients.size(); ++i)
        if (text(find(got.recipients[size_t(i)], 0x3003001F)) != recipients[i]["email"].toString())
            return QStringLiteral("recipient %1").arg(i);
    const QJsonArray attachments = want.value("attachments").toArray();
    if (got.attachments.size() != size_t(attachments.size())) return QStringLiteral("attachment count");
    for (int i = 0; i < attachments.size(); ++i) {
        const Attachment& a = got.attachments[size_t(i)];
        if (attachments[i].toObject().contains("message")) {
            if (!a.embedded) return QStringLiteral("embedded %1 missing").arg(i);
            const QString inner = compareMessage(attachments[i]["message"].toObject(), *a.embedded);
            if (!inner.isEmpty()) return QStringLiteral("embedded %1: %2").arg(i).arg(inner);
        } else if (a.data != QByteArray::fromHex(attachments[i]["content"].toString().toLatin1())) {
            return QStringLiteral("attachment %1 data").arg(i);
        }
    }
    return {};
}

QString compareFolder(const QJsonObject& want, const Folder& got)
{
    if (got.name() != want.value("name").toString()) return QStringLiteral("folder name");
    const QJsonArray messages = want.value("messages").toArray(), folders = want.value("folders").toArray();
    if (got.messages.size() != size_t(messages.size()) || got.contentsRows.size() != size_t(messages.size()))
        return QStringLiteral("message count in %1").arg(got.name());
    for (int i = 0; i < messages.size(); ++i) {
        const QString d = compareMessage(messages[i].toObject(), got.messages[size_t(i)]);
        if (!d.isEmpty()) return QStringLiteral("%1 message %2: %3").arg(got.name()).arg(i).arg(d);
        if (text(find(got.contentsRows[size_t(i)], 0x0037001F)) != messages[i]["subject"].toString())
            return QStringLiteral("contents row %1").arg(i);
    }
    if (got.folders.size() != size_t(folders.size())) return QStringLiteral("folder count in %1").arg(got.name());
    for (int i = 0; i < folders.size(); ++i) {
        const QString d = compareFolder(folders[i].toObject(), got.folders[size_t(i)]);
        if (!d.isEmpty()) return d;
    }
    return {};
}
} // namespace

TEST_F(WriterTest, RandomDescriptionsRoundTrip)
{
    const int runs = 250;
    for (int run = 0; run < runs; ++run) {
        Generator g { QRandomGenerator(quint32(run) * 7919u + 17u) };
        QJsonArray folders;
        for (int i = 1 + g.bounded(3); i > 0; --i)
            folders.append(g.folder(0, i));
        const QJsonObject d { { "name", g.text(20) }, { "folders", folders } };
        QString error;
        ASSERT_TRUE(pstwriter::writeStore(d, path(), &error)) << "run " << run << ": " << error.toStdString();
        const Store s = pffread::read(path());
        ASSERT_EQ(s.error.toStdString(), "") << "run " << run;
        ASSERT_EQ(s.root.folders.size(), 1u) << "run " << run;
        const Folder& topFolder = s.root.folders.front();
        ASSERT_EQ(topFolder.folders.size(), size_t(folders.size())) << "run " << run;
        for (int i = 0; i < folders.size(); ++i) {
            const QString diff = compareFolder(folders[i].toObject(), topFolder.folders[size_t(i)]);
            ASSERT_TRUE(diff.isEmpty()) << "run " << run << ": " << diff.toStdString() << "\n"
                                        << QJsonDocument(d).toJson().left(4000).toStdString();
        }
    }
}
