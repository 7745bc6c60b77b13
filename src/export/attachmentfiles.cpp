#include "export/attachmentfiles.h"

#include "export/eml.h"
#include "export/filenames.h"
#include "export/newfile.h"

#include <QDir>

namespace exporting {

namespace {

    QString text(const store::Fields& fields, quint32 tag)
    {
        try {
            if (const store::Field* field = fields.find(tag)) return field->value().toString();
        } catch (const store::Error&) {
        }
        return {};
    }

    QString emlName(QString name)
    {
        if (name.endsWith(QLatin1String(".msg"), Qt::CaseInsensitive)
            || name.endsWith(QLatin1String(".eml"), Qt::CaseInsensitive))
            name.chop(4);
        return (name.isEmpty() ? QStringLiteral("message") : name) + QStringLiteral(".eml");
    }

} // namespace

SavedAttachment saveAttachment(const store::Attachment& attachment, int position, const QString& folder)
{
    QString name = QStringLiteral("attachment-%1").arg(position);
    try {
        const store::Fields fields = attachment.fields();
        name = attachmentFileName(fields, position);
        const int type = attachment.type();
        if (type == 2) {
            QString target = text(fields, 0x370D001F);
            if (target.isEmpty()) target = text(fields, 0x3708001F);
            return { {},
                QStringLiteral("%1: by reference, no file written; it pointed to %2")
                    .arg(name, target.isEmpty() ? QStringLiteral("nowhere given") : target) };
        }
        QString path;
        if (type == 1) {
            const std::shared_ptr<store::Message> inner = attachment.embeddedMessage();
            if (!inner) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("the embedded message is missing"));
            path = writeNewFile(folder, emlName(name), [&](QFile& file) { writeEml(*inner, file); });
        } else {
            path = writeNewFile(folder, name, [&](QFile& file) {
                attachment.readData([&](const QByteArray& piece) {
                    if (file.write(piece) != piece.size())
                        throw store::Error(store::mapi::E_DISK_ERROR, file.errorString());
                    return true;
                });
            });
        }
        return { path, QDir::toNativeSeparators(path) };
    } catch (const store::Error& error) {
        return { {}, QStringLiteral("%1: failed: %2").arg(name, error.description()), true };
    }
}

std::vector<SavedAttachment> saveAttachments(
    const store::Message& message, const QList<int>& positions, const QString& folder)
{
    std::vector<SavedAttachment> out;
    QList<int> chosen = positions;
    const std::shared_ptr<store::Collection<store::Attachment>> attachments = message.attachments();
    if (chosen.isEmpty())
        for (int i = 1; i <= attachments->count(); ++i)
            chosen.append(i);
    for (const int position : chosen) {
        try {
            out.push_back(saveAttachment(*attachments->item(position), position, folder));
        } catch (const store::Error& error) {
            out.push_back(
                { {}, QStringLiteral("attachment-%1: failed: %2").arg(position).arg(error.description()), true });
        }
    }
    return out;
}

} // namespace exporting
