#include "stores.h"

#include "pstwriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace oracle {

namespace {
    // Values of every type the format stores, single and multi-valued, small and past the heap's and a block's limits.
    const char* const kTypes = R"({"name": "Types", "time": "2024-05-06T09:00:00Z",
      "folders": [{"name": "Values", "messages": [
        {"subject": "fixed", "properties": [
          {"tag": "0x66000002", "value": -2}, {"tag": "0x66010003", "value": 305419896},
          {"tag": "0x66020004", "value": 1.5}, {"tag": "0x66030005", "value": -2.25},
          {"tag": "0x66040006", "value": 12.3456}, {"tag": "0x66050007", "value": 45000.5},
          {"tag": "0x6606000A", "value": 2147746063}, {"tag": "0x6607000B", "value": true},
          {"tag": "0x66080014", "value": "0x0102030405060708"}, {"tag": "0x66090040", "value": "1999-12-31T23:59:59Z"},
          {"tag": "0x660A0048", "value": "{00112233-4455-6677-8899-AABBCCDDEEFF}"}]},
        {"subject": "variable", "properties": [
          {"tag": "0x6600001E", "value": "eight-bit text"}, {"tag": "0x6601001F", "value": "Unicode \u00e9\u4e2d\u2603"},
          {"tag": "0x6602001F", "value": ""}, {"tag": "0x66030102", "value": ""},
          {"tag": "0x66040102", "value": "00FF10"}, {"tag": "0x6605001F", "value": {"repeat": "long ", "count": 900}},
          {"tag": "0x66060102", "value": {"repeat": "block+", "count": 3000}},
          {"tag": "0x66070102", "value": {"repeat": "tree", "count": 6000}}]},
        {"subject": "multi", "properties": [
          {"tag": "0x66001002", "value": [1, -2, 3]}, {"tag": "0x66011003", "value": [7, 8]},
          {"tag": "0x66021004", "value": [0.5]}, {"tag": "0x66031005", "value": [1.25, -9.5]},
          {"tag": "0x66041006", "value": [3.5]}, {"tag": "0x66051007", "value": [1.5, 2.5]},
          {"tag": "0x66061014", "value": ["0x1122334455667788", 9]}, {"tag": "0x66071040", "value": ["2024-01-01T00:00:00Z"]},
          {"tag": "0x66081048", "value": ["{00112233-4455-6677-8899-AABBCCDDEEFF}"]},
          {"tag": "0x6609101F", "value": ["one", "", "three \u00fc"]}, {"tag": "0x660A101E", "value": ["a", "bb"]},
          {"tag": "0x660B1102", "value": ["00", "", "FFEEDD"]}, {"tag": "0x660C101F", "value": []},
          {"tag": "0x660D1102", "value": [{"repeat": "big", "count": 2000}, "01"]}]}
      ]}]})";

    // Folders nested deep and wide, a folder whose contents table spans several blocks, recipients of every kind,
    // attachments by value, by reference and embedded (two deep), named properties by name and by number.
    QJsonObject shapes()
    {
        QJsonArray many;
        for (int i = 0; i < 160; ++i)
            many.append(QJsonObject {
                { "subject", QStringLiteral("Message %1 ").arg(i) + QString(i % 7 * 40, QLatin1Char('s')) },
                { "importance", i % 3 }, { "read", i % 2 == 0 } });
        QJsonObject deep { { "name", "Level 6" } };
        for (int level = 5; level >= 1; --level)
            deep
                = QJsonObject { { "name", QStringLiteral("Level %1").arg(level) }, { "folders", QJsonArray { deep } } };
        QJsonArray wide;
        for (int i = 0; i < 30; ++i)
            wide.append(QJsonObject { { "name", QStringLiteral("Sub %1").arg(i) } });
        const auto compact
            = [](const auto& json) { return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact)); };
        const QString text = QString::fromUtf8(R"({"name": "Shapes", "time": "2024-05-06T09:00:00Z", "folders": [
          {"name": "Inbox", "folders": [%1], "messages": [{
            "subject": "With everything", "body": "Body text", "html": "<p>html</p>",
            "from": {"name": "Ann", "email": "ann@example.com"},
            "recipients": [{"name": "Bob", "email": "bob@example.com", "type": "to"},
                           {"name": "Cy", "email": "cy@example.com", "type": "cc"},
                           {"name": "Di", "email": "di@example.com", "type": "bcc", "addrType": "EX"}],
            "attachments": [
              {"name": "a.txt", "mime": "text/plain", "text": "by value"},
              {"name": "big.bin", "content": {"repeat": "0123456789", "count": 3000}},
              {"name": "c.doc", "reference": "\\\\server\\share\\c.doc"},
              {"message": {"subject": "Embedded", "recipients": [{"name": "Ed", "email": "ed@example.com"}],
                "attachments": [{"name": "inner.txt", "text": "inner"},
                                {"message": {"subject": "Embedded twice", "body": "deepest"}}]}}],
            "named": [{"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "0x101F", "value": ["x", "y"]},
                      {"set": "PSETID_Common", "id": "0x8514", "type": "0x000B", "value": true},
                      {"set": "{0A0B0C0D-1111-2222-3333-444455556666}", "name": "Custom", "value": 42}]}]},
          {"name": "Many", "messages": %2}, {"name": "Wide", "folders": %3},
          {"name": "Contacts", "class": "IPF.Contact",
           "contacts": [{"key": "ann", "name": "Ann Smith", "email": "ann@example.com"}],
           "distributionLists": [{"name": "Team",
             "members": [{"contact": "ann"}, {"name": "Ext", "email": "ext@example.org"}]}]}]})");
        return QJsonDocument::fromJson(text.arg(compact(deep), compact(many), compact(wide)).toUtf8()).object();
    }

    QJsonObject fromFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    }
} // namespace

std::vector<StoreFile> sampleStores(const QString& subfolder)
{
    std::vector<StoreFile> out;
    const QDir dir(QStringLiteral(SW_SAMPLES_DIR "/") + subfolder);
    for (const QFileInfo& f :
        dir.entryInfoList({ QStringLiteral("*.pst"), QStringLiteral("*.ost") }, QDir::Files, QDir::Name))
        out.push_back({ f.fileName(), f.filePath() });
    return out;
}

std::vector<StoreFile> writerStores(const QString& folder, QString* error)
{
    const QJsonObject types = QJsonDocument::fromJson(kTypes).object();
    const QJsonObject sample = fromFile(QStringLiteral(SW_SOURCE_DIR "/samples/sample.json"));
    const QJsonObject many = shapes();
    // Each variant of the format and each encoding of blocks, on the store of every type and on the sample.
    const struct {
        const char* name;
        const QJsonObject& description;
        const char* format; // the writer's "format"
        const char* encoding;
    } stores[] = {
        { "types", types, "unicode", "none" },
        { "shapes", many, "unicode", "none" },
        { "sample", sample, "unicode", "none" },
        { "types (ANSI)", types, "ansi", "none" },
        { "types (ANSI, permute)", types, "ansi", "permute" },
        { "types (4K)", types, "4k", "none" },
        { "types (4K, cyclic)", types, "4k", "cyclic" },
        { "types (permute)", types, "unicode", "permute" },
        { "types (cyclic)", types, "unicode", "cyclic" },
        { "sample (ANSI, cyclic)", sample, "ansi", "cyclic" },
        { "sample (4K)", sample, "4k", "none" },
    };
    std::vector<StoreFile> out;
    QDir().mkpath(folder);
    for (const auto& store : stores) {
        StoreFile s { QString::fromLatin1(store.name),
            QDir(folder).filePath(
                QString::fromLatin1(store.name).remove(QRegularExpression(QStringLiteral("[ (),]"))) + ".pst") };
        QJsonObject description = store.description;
        description[QLatin1String("format")] = QLatin1String(store.format);
        description[QLatin1String("encoding")] = QLatin1String(store.encoding);
        if (store.description.isEmpty() || !pstwriter::writeStore(description, s.path, error)) {
            if (error) error->prepend(s.name + ": ");
            return {};
        }
        out.push_back(s);
    }
    return out;
}

} // namespace oracle
