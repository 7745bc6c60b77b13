#include "settings/inifile.h"

#include "settings/inidocument.h"
#include "settings/settingspath.h"

#include <QCoreApplication>
#include <QDir>

namespace settings {

namespace {

    // Name lookups read the file once per field row; parsing it again only when its bytes changed keeps a
    // hand edit visible at the next read without paying for a full parse every time.
    const IniDocument* readDocument(const QString& path)
    {
        struct Cache {
            QString path;
            QByteArray bytes;
            IniDocument document;
        };
        thread_local Cache cache;
        QByteArray bytes;
        if (IniDocument::readFile(path, &bytes) != IniDocument::LoadResult::Loaded) return nullptr;
        if (cache.path != path || cache.bytes != bytes) {
            cache.document.parse(bytes);
            cache.path = path;
            cache.bytes = std::move(bytes);
        }
        return &cache.document;
    }

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

QString IniFile::defaultPath()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return settingsFilePath(programFolder, configHome(), canWriteSettingsIn(programFolder));
}

QString IniFile::funGetIni(const QString& section, const QString& key, const QString& defaultValue) const
{
    const IniDocument* document = readDocument(m_path);
    return document ? document->value(section, key).value_or(defaultValue) : defaultValue;
}

bool IniFile::subPutIni(const QString& section, const QString& key, const QString& value) const
{
    return update([&](IniDocument& document) { return document.setValue(section, key, value); });
}

QStringList IniFile::funGetIniKeys(const QString& section) const
{
    QStringList keys { QString() };
    if (const IniDocument* document = readDocument(m_path)) keys += document->keys(section);
    return keys;
}

bool IniFile::subDelIniSection(const QString& section) const
{
    return update([&](IniDocument& document) {
        document.removeSection(section);
        return true;
    });
}

bool IniFile::update(const std::function<bool(IniDocument&)>& change, QString* error) const
{
    IniDocument document;
    // A file that exists but cannot be read is never replaced by one made from nothing.
    QString reason;
    const IniDocument::LoadResult loaded = document.load(m_path, &reason);
    if (loaded == IniDocument::LoadResult::Failed) {
        if (error) *error = QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(m_path), reason);
        return false;
    }
    const QByteArray before = document.toBytes();
    if (!change(document)) return false;
    const QByteArray after = document.toBytes();
    // Nothing to write: no new file for a removal from a missing one, no rewrite for a value set again.
    if (after == before && (loaded == IniDocument::LoadResult::Loaded || after.isEmpty())) return true;
    if (document.save(m_path, &reason)) return true;
    if (error) *error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(m_path), reason);
    return false;
}

bool IniFile::canStoreKey(const QString& key)
{
    return IniDocument::canStoreKey(key);
}

QString funStripComment(const QString& text)
{
    const qsizetype apostrophe = text.lastIndexOf(u'\'');
    if (apostrophe < 0) return text;
    qsizetype end = apostrophe;
    while (end > 0 && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.left(end);
}

} // namespace settings
