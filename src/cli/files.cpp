#include "cli/files.h"

#include "export/attachmentfiles.h"
#include "export/filenames.h"
#include "export/newfile.h"

#include <QDir>

namespace cli {

namespace {

    void makeFolder(const QString& dir)
    {
        if (!QDir().mkpath(dir))
            throw store::Error(store::mapi::E_DISK_ERROR,
                QStringLiteral("%1 cannot be made").arg(QDir::toNativeSeparators(dir)));
    }

    void line(QIODevice& device, const QString& text)
    {
        device.write((text + QLatin1Char('\n')).toUtf8());
    }

} // namespace

int saveAttachmentFiles(const store::Message& message, const QString& dir, QIODevice& out, QIODevice& err)
{
    makeFolder(dir);
    int status = 0;
    for (const exporting::SavedAttachment& saved : exporting::saveAttachments(message, {}, dir)) {
        if (saved.failed) {
            line(err, QStringLiteral("storewalker: ") + saved.text);
            status = 1;
        } else {
            line(out, saved.text);
        }
    }
    return status;
}

int exportOneMessage(const store::Message& message, const MessageFormat& format, const QString& dir, QIODevice& out,
    QIODevice& err)
{
    makeFolder(dir);
    QString subject;
    bool failed = false;
    try {
        subject = message.subject();
        QString name = exporting::cleanFileName(subject);
        if (name.isEmpty()) name = QStringLiteral("message");
        // Room for the extension within the longest name made.
        name = exporting::cleanFileName(name.left(150) + format.extension);
        exporting::writeNewFile(dir, name, [&](QFile& file) { format.write(message, file); });
    } catch (const store::Error& error) {
        line(err, QStringLiteral("failed: %1: %2").arg(subject, error.description()));
        failed = true;
    }
    line(out, QStringLiteral("written %1, failed %2, skipped 0").arg(failed ? 0 : 1).arg(failed ? 1 : 0));
    return failed ? 1 : 0;
}

} // namespace cli
