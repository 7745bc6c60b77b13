#include "export/folderexport.h"

#include "export/eml.h"
#include "export/filenames.h"
#include "export/msg.h"
#include "export/newfile.h"

#include <QDir>

namespace exporting {

namespace {

    int countMessages(const store::Folder& folder, bool recursive, int depth)
    {
        int total = 0;
        try {
            total = folder.messages()->count();
            if (recursive && depth < 64) {
                const auto subfolders = folder.folders();
                for (auto sub = subfolders->getFirst(); sub; sub = subfolders->getNext())
                    total += countMessages(*sub, true, depth + 1);
            }
        } catch (const store::Error&) {
        }
        return total;
    }

    class Walk {
    public:
        Walk(int total, const std::function<bool(int, int)>& progress, MessageFormat format)
            : m_total(total)
            , m_progress(progress)
            , m_format(format)
        {
        }

        FolderExport result;

        // False once cancelled.
        bool folder(const store::Folder& folder, const QString& target, const QString& path, bool recursive, int depth)
        {
            try {
                const auto messages = folder.messages();
                for (auto message = messages->getFirst(); message; message = messages->getNext()) {
                    if (!one(*message, target, path)) return false;
                }
                if (!recursive || depth >= 64) return true;
                const auto subfolders = folder.folders();
                for (auto sub = subfolders->getFirst(); sub; sub = subfolders->getNext()) {
                    QString name = cleanFileName(sub->name());
                    if (name.isEmpty()) name = QStringLiteral("folder");
                    const QString dir = QDir(target).filePath(name);
                    if (!QDir().mkpath(dir))
                        throw store::Error(store::mapi::E_DISK_ERROR, QStringLiteral("%1 cannot be made").arg(dir));
                    if (!this->folder(*sub, dir, path + QLatin1Char('\\') + sub->name(), true, depth + 1)) return false;
                }
            } catch (const store::Error& error) {
                ++result.failed;
                result.failures << path + QStringLiteral(": ") + error.description();
            }
            return true;
        }

    private:
        bool one(const store::Message& message, const QString& target, const QString& path)
        {
            QString subject;
            try {
                subject = message.subject();
                QString name = cleanFileName(subject);
                if (name.isEmpty()) name = QStringLiteral("message");
                const bool msg = m_format == MessageFormat::Msg;
                name = cleanFileName(name.left(150) + (msg ? QStringLiteral(".msg") : QStringLiteral(".eml")));
                writeNewFile(
                    target, name, [&](QFile& file) { msg ? writeMsg(message, file) : writeEml(message, file); });
                ++result.written;
            } catch (const store::Error& error) {
                ++result.failed;
                result.failures << path + QLatin1Char('\\') + subject + QStringLiteral(": ") + error.description();
            }
            ++m_done;
            if (m_progress && !m_progress(m_done, qMax(m_total, m_done))) {
                result.skipped = qMax(0, m_total - m_done);
                return false;
            }
            return true;
        }

        int m_total;
        int m_done = 0;
        const std::function<bool(int, int)>& m_progress;
        MessageFormat m_format;
    };

} // namespace

FolderExport exportFolder(const store::Folder& folder, const QString& target, bool recursive,
    const std::function<bool(int done, int total)>& progress, MessageFormat format)
{
    Walk walk(countMessages(folder, recursive, 0), progress, format);
    QString path;
    try {
        path = folder.name();
    } catch (const store::Error&) {
    }
    walk.folder(folder, target, path, recursive, 0);
    return walk.result;
}

} // namespace exporting
