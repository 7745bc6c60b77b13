// A bounded property test: a few hundred randomly generated descriptions (folder trees, messages with properties of
// every type and size, named properties, recipients, attachments, embedded messages) must each read back through
// libpff exactly as described.
#include "values.h"
#include "writertest.h"

#include <QJsonArray>
#include <QRandomGenerator>

using namespace pffread;

namespace {
const quint16 kTypes[] = { 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x000B, 0x0014, 0x001E, 0x001F, 0x0040,
    0x0048, 0x0102, 0x1002, 0x1003, 0x1014, 0x101F, 0x1102, 0x1040, 0x1048, 0x101E };

struct Generator {
    QRandomGenerator rng;
    int bounded(int n) { return int(rng.bounded(quint32(n))); }
    quint16 type() { return kTypes[bounded(int(std::size(kTypes)))]; }
    QString text(int maxLength)
    {
        static const char16_t alphabet[] = u"abcxyz ABC 0123 \u00e9\u00fc\u03b3\u4e2d\u2603-_.";
        QString s;
        for (int n = bounded(maxLength + 1); n > 0; --n)
            s.append(QChar(alphabet[bounded(int(std::size(alphabet)) - 1)]));
        return s;
    }
    QJsonValue value(quint16 type)
    {
        QJsonArray a;
        for (int i = type & 0x1000 ? bounded(4) : 0; i > 0; --i)
            a.append(value(type & 0x0FFF));
        if (type & 0x1000) return a;
        if (type == 0x0002) return bounded(65536) - 32768;
        if (type == 0x0003 || type == 0x0014) return qint64(rng.generate()) - 0x7FFFFFFF;
        if (type == 0x000B) return bounded(2) == 1;
        if (type == 0x0007 || type == 0x0040)
            return QDateTime::fromSecsSinceEpoch(qint64(rng.generate()), Qt::UTC).toString(Qt::ISODate);
        if (type == 0x0048) return QUuid(rng.generate(), 1, 2, 3, 4, 5, 6, 7, 8, 9, 10).toString();
        if (type == 0x001E) return QString(bounded(50), QLatin1Char('q'));
        if (type == 0x001F && bounded(10)) return text(40);
        if (type == 0x001F) return QJsonObject { { "repeat", text(5) + "x" }, { "count", bounded(3000) } }; // > heap
        if (type != 0x0102) return double(bounded(100000)) / 8;
        const int sizes[] = { 0, 1, 16, 300, 2000, 3580, 3581, 9000, 20000 }; // around the heap's and a block's limits
        QByteArray b(sizes[bounded(9)], '\0');
        for (char& c : b)
            c = char(bounded(256));
        return QString::fromLatin1(b.toHex());
    }
    QJsonObject message(int depth)
    {
        QJsonArray props, named, recipients, attachments;
        for (int i = bounded(10) == 0 ? 20 + bounded(60) : bounded(8); i > 0; --i) { // some fill many heap pages
            const quint16 t = type();
            props.append(
                QJsonObject { { "tag", QString::asprintf("0x%04X%04X", 0x6600 + i, t) }, { "value", value(t) } });
        }
        static const char* sets[] = { "PS_PUBLIC_STRINGS", "PSETID_Common", "{0A0B0C0D-1111-2222-3333-444455556666}" };
        for (int i = bounded(3); i > 0; --i) {
            const quint16 t = type();
            const char* set = sets[bounded(3)];
            // libpff reports no set for numbers in PS_PUBLIC_STRINGS (as for PS_MAPI): names only there.
            const bool byName = bounded(2) || set == sets[0];
            named.append(
                QJsonObject { { "set", set }, { "type", QString::asprintf("0x%04X", t) }, { "value", value(t) },
                    { byName ? "name" : "id",
                        byName ? QStringLiteral("N%1").arg(i) + text(6) : QString::asprintf("0x%X", 0x8500 + i) } });
        }
        for (int i = bounded(4); i > 0; --i)
            recipients.append(
                QJsonObject { { "name", text(10) }, { "email", text(10) + "@x.org" }, { "type", 1 + bounded(3) } });
        for (int i = bounded(3); i > 0; --i)
            attachments.append(depth < 2 && bounded(4) == 0
                    ? QJsonObject { { "message", message(depth + 1) } }
                    : QJsonObject { { "name", text(8) + ".bin" }, { "content", value(0x0102) } });
        return { { "subject", text(30) }, { "properties", props }, { "named", named }, { "recipients", recipients },
            { "attachments", attachments } };
    }
    QJsonObject folder(int depth, int index)
    {
        QJsonArray messages, folders;
        for (int i = bounded(4); i > 0; --i)
            messages.append(message(0));
        for (int i = depth < 2 ? bounded(3) : 0; i > 0; --i)
            folders.append(folder(depth + 1, i));
        return { { "name", QStringLiteral("F%1 ").arg(index) + text(10) }, { "messages", messages },
            { "folders", folders } };
    }
};

// What differs between a described folder, message or attachment and what libpff read.
QStringList differences(const QJsonObject& want, const Item& got)
{
    QStringList out;
    const auto expect = [&](bool same, const QString& what) {
        if (!same) out << what;
    };
    const auto value = [&](quint16 type, const QJsonValue& v, const Prop* p, const QString& what) {
        QByteArray bytes;
        QString error;
        expect(pstwriter::encodeValue(type, v, &bytes, &error) && p && (p->tag & 0xFFFF) == type
                && (type == 0x000B ? p->data.left(1) : p->data) == bytes,
            what);
    };
    for (const QJsonValue& v : want["properties"].toArray())
        value(quint16(v["tag"].toString().toUInt(nullptr, 16)), v["value"],
            find(got.props, v["tag"].toString().toUInt(nullptr, 16)), v["tag"].toString());
    for (const QJsonValue& n : want["named"].toArray()) // each has a name or an "id" such as "0x8501"
        value(quint16(n["type"].toString().toUInt(nullptr, 16)), n["value"],
            findNamed(
                got.props, pstwriter::propertySet(n["set"].toString()), n["name"].toString() + n["id"].toString()),
            n["name"].toString() + n["id"].toString());
    if (want.contains("content"))
        expect(got.data == QByteArray::fromHex(want["content"].toString().toLatin1()), QStringLiteral("content"));
    const bool folder = want.contains("folders"); // else a message or an attachment
    if (folder || want.contains("subject"))
        expect(text(find(got.props, folder ? 0x3001001F : 0x0037001F)) == want[folder ? "name" : "subject"].toString(),
            QStringLiteral("name"));
    // A folder's contents table lists its messages by subject, a message's recipient table its recipients.
    const QJsonArray rows = want[folder ? "messages" : "recipients"].toArray();
    expect(got.rows.size() == size_t(rows.size()), QStringLiteral("rows"));
    for (int i = 0; i < rows.size() && size_t(i) < got.rows.size(); ++i)
        expect(text(find(got.rows[size_t(i)], folder ? 0x0037001F : 0x3003001F))
                == rows[i][folder ? "subject" : "email"].toString(),
            QStringLiteral("row %1").arg(i));
    const std::pair<const char*, const std::vector<Item>*> children[]
        = { { "folders", &got.folders }, { "messages", &got.messages }, { "attachments", &got.attachments } };
    for (const auto& [key, items] : children) {
        // An attachment's embedded message is its one message.
        const bool embedded = want.contains("message") && key == QLatin1String("messages");
        const QJsonArray list = embedded ? QJsonArray { want["message"] } : want[key].toArray();
        expect(items->size() == size_t(list.size()), QStringLiteral("%1 count").arg(key));
        for (int i = 0; i < list.size() && size_t(i) < items->size(); ++i)
            for (const QString& d : differences(list[i].toObject(), (*items)[size_t(i)]))
                out << QStringLiteral("%1 %2: %3").arg(key).arg(i).arg(d);
    }
    return out;
}
} // namespace

TEST_F(WriterTest, RandomDescriptionsRoundTrip)
{
    for (int run = 0; run < 250; ++run) {
        Generator g { QRandomGenerator(quint32(run) * 7919u + 17u) };
        QJsonArray folders;
        for (int i = 1 + g.bounded(3); i > 0; --i)
            folders.append(g.folder(0, i));
        const QJsonObject d { { "name", g.text(20) }, { "folders", folders } };
        const Store s = roundTrip(d);
        ASSERT_FALSE(HasFailure()) << "run " << run;
        ASSERT_EQ(s.root.folders.size(), 1u) << "run " << run;
        QStringList diff
            = differences({ { "name", "Top of Personal Folders" }, { "folders", folders } }, s.root.folders.front());
        if (text(find(s.props, 0x3001001F)) != d["name"].toString()) diff << QStringLiteral("store name");
        ASSERT_TRUE(diff.isEmpty()) << "run " << run << ": " << diff.join(", ").toStdString() << "\n"
                                    << QJsonDocument(d).toJson().left(4000).toStdString();
    }
}
