#include "fields/nameddefs.h"
#include "store/propertysets.h"

#include <QStringList>

namespace fields {

namespace {
    // The keys a store's name may stand under: the set by its name or by its GUID. Each is a read of the file, so
    // no more forms are tried.
    QStringList candidateKeys(const QString& storeName)
    {
        const qsizetype colon = storeName.indexOf(QLatin1Char(':'), storeName.startsWith(QLatin1Char('{')) ? 37 : 0);
        if (colon <= 0) return {};
        const QString set = storeName.left(colon);
        const QString id = storeName.mid(colon + 1);
        QStringList sets { set };
        if (set.startsWith(QLatin1Char('{'))) {
            const QString name = store::knownPropertySetName(QUuid(set));
            if (!name.isEmpty()) sets << name;
        } else if (const QUuid guid = store::knownPropertySetGuid(set); !guid.isNull()) {
            sets << guid.toString(QUuid::WithBraces).toUpper();
        }
        QStringList keys;
        for (const QString& s : sets)
            keys << s + QLatin1Char(':') + id;
        return keys;
    }

    QString rawValue(const settings::IniFile& ini, const QString& storeName)
    {
        for (const QString& key : candidateKeys(storeName)) {
            // A key with "=" or a line break cannot stand in the file.
            if (!settings::IniFile::canStoreKey(key)) continue;
            const QString value = ini.funGetIni(NamedSection, key, QString());
            if (!value.isEmpty()) return value;
        }
        return {};
    }
} // namespace

QString namedDefinitionName(const settings::IniFile& ini, const QString& storeName)
{
    return settings::funStripComment(rawValue(ini, storeName));
}

std::optional<QString> namedDefinitionComment(const settings::IniFile& ini, const QString& storeName)
{
    const QString value = rawValue(ini, storeName);
    const qsizetype apostrophe = value.lastIndexOf(QLatin1Char('\''));
    if (apostrophe < 0) return std::nullopt;
    return value.mid(apostrophe + 1).trimmed();
}

QString namedRowName(const settings::IniFile& ini, const QString& storeName)
{
    const QString name = namedDefinitionName(ini, storeName);
    return name.isEmpty() ? QLatin1Char('<') + storeName + QLatin1Char('>') : name;
}

} // namespace fields
