#include "cli/diff.h"
#include "cli/values.h"
#include "fields/fielddefs.h"
#include "fields/listing.h"

#include <QJsonObject>
#include <map>

namespace cli {

bool parseDiffObject(const QString& text, DiffObject* object, QString* error)
{
    const qsizetype hash = text.lastIndexOf(QLatin1Char('#'));
    object->folderPath = (hash < 0 ? text : text.left(hash)).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (object->folderPath.isEmpty()) {
        *error = QStringLiteral("--diff needs folder paths such as '\\Top of Personal Folders\\Inbox\\#1'.");
        return false;
    }
    if (hash >= 0) {
        bool ok = false;
        object->message = text.mid(hash + 1).toInt(&ok);
        if (!ok || object->message < 1) {
            *error = QStringLiteral("\"#\" needs the number of a message from 1 on: ") + text;
            return false;
        }
    }
    return true;
}

store::Fields diffFields(const Profile& profile, const DiffObject& object)
{
    const FolderAt at = findFolder(*profile.session, object.folderPath);
    if (object.message == 0) return at.folder->fields();
    QString id;
    int rows = 0;
    fields::listMessages(*at.folder->messages(), 1, profile.config.limit,
        [&](int row, const std::shared_ptr<store::Message>& m) {
            rows = row;
            if (m && row == object.message) id = m->id();
        });
    if (id.isEmpty())
        throw store::Error(store::mapi::E_NOT_FOUND,
            QStringLiteral("The folder %1 lists no message %2 (it lists %3 rows).")
                .arg(pathText(at.names))
                .arg(object.message)
                .arg(rows));
    return profile.session->getMessage(id, at.folder->storeId())->fields();
}

namespace {

    // A field's value for the comparison and the output; a failure is its error object.
    QJsonValue sideValue(const store::Field* field)
    {
        if (!field) return QJsonValue(QJsonValue::Undefined);
        if (field->readable()) return jsonValue(field->value());
        try {
            field->value();
        } catch (const store::Error& error) {
            return QJsonObject { { QStringLiteral("error"), errorObject(error) } };
        }
        return QJsonValue();
    }

    QString sideText(const store::Field* field)
    {
        if (!field) return {};
        try {
            return field->value().text();
        } catch (const store::Error& error) {
            return QStringLiteral("Error %1: %2").arg(error.numberText(), error.description());
        }
    }

} // namespace

bool diff(const store::Fields& a, const store::Fields& b, bool all, const settings::IniFile& ini,
    const fields::Naming& naming, Format format, RowWriter& rows, QIODevice& out)
{
    std::map<quint32, std::pair<const store::Field*, const store::Field*>> byTag;
    for (const store::Field& field : a.all())
        byTag[field.id()].first = &field;
    for (const store::Field& field : b.all())
        byTag[field.id()].second = &field;
    bool differ = false;
    for (const auto& [tag, sides] : byTag) {
        const auto [fa, fb] = sides;
        const QJsonValue va = sideValue(fa), vb = sideValue(fb);
        const QString status = !fb ? QStringLiteral("only in a")
            : !fa                  ? QStringLiteral("only in b")
            : va != vb             ? QStringLiteral("differs")
                                   : QStringLiteral("equal");
        const bool equal = status == QStringLiteral("equal");
        differ = differ || !equal;
        if (equal && !all) continue;
        const store::Field& any = fa ? *fa : *fb;
        if (format == Format::Text) {
            QString line = fields::hexTag(tag) + QLatin1Char(' ') + fields::fieldName(any, ini, naming) + QStringLiteral(": ")
                + status;
            if (fa) line += QStringLiteral("\n  a: ") + fields::cleanText(sideText(fa));
            if (fb) line += QStringLiteral("\n  b: ") + fields::cleanText(sideText(fb));
            out.write((line + QLatin1Char('\n')).toUtf8());
            continue;
        }
        QJsonObject o { { QStringLiteral("status"), status }, { QStringLiteral("tag"), qint64(tag) },
            { QStringLiteral("tagHex"), fields::hexTag(tag) }, { QStringLiteral("type"), propertyTypeName(tag) },
            { QStringLiteral("name"), fields::fieldName(any, ini, naming) } };
        if (fa) o.insert(QStringLiteral("a"), va);
        if (fb) o.insert(QStringLiteral("b"), vb);
        rows.row(o);
    }
    return differ;
}

} // namespace cli
