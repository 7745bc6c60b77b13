#include "fields/nameddefs.h"

#include <QStringList>

namespace fields {

namespace {
    struct KnownSet {
        const char* guid;
        const char* name;
    };

    // The property sets that have a well-known name.
    constexpr KnownSet knownSets[] = {
        { "{00020328-0000-0000-C000-000000000046}", "PS_MAPI" },
        { "{00020329-0000-0000-C000-000000000046}", "PS_PUBLIC_STRINGS" },
        { "{00020386-0000-0000-C000-000000000046}", "PS_INTERNET_HEADERS" },
        { "{00062008-0000-0000-C000-000000000046}", "PSETID_Common" },
        { "{00062004-0000-0000-C000-000000000046}", "PSETID_Address" },
        { "{00062002-0000-0000-C000-000000000046}", "PSETID_Appointment" },
        { "{00062003-0000-0000-C000-000000000046}", "PSETID_Task" },
        { "{6ED8DA90-450B-101B-98DA-00AA003F1305}", "PSETID_Meeting" },
        { "{0006200E-0000-0000-C000-000000000046}", "PSETID_Note" },
        { "{0006200A-0000-0000-C000-000000000046}", "PSETID_Log" },
        { "{00062013-0000-0000-C000-000000000046}", "PSETID_Report" },
        { "{00062014-0000-0000-C000-000000000046}", "PSETID_Remote" },
        { "{00062040-0000-0000-C000-000000000046}", "PSETID_Sharing" },
        { "{00062041-0000-0000-C000-000000000046}", "PSETID_PostRss" },
        { "{41F28F13-83F4-4114-A584-EEDB5A6B0BFF}", "PSETID_Messaging" },
        { "{4442858E-A9E3-4E80-B900-317A210CC15B}", "PSETID_UnifiedMessaging" },
        { "{71035549-0739-4DCB-9163-00F0580DBBDF}", "PSETID_AirSync" },
        { "{11000E07-B51B-40D6-AF21-CAA85EDAB1D0}", "PSETID_CalendarAssistant" },
        { "{96357F7F-59E1-47D0-99A7-46515C183B54}", "PSETID_Attachment" },
        { "{23239608-685D-4732-9C55-4C95CB4E8E33}", "PSETID_XmlExtractedEntities" },
    };

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
            const QString name = knownSetName(QUuid(set));
            if (!name.isEmpty()) sets << name;
        } else if (const QUuid guid = knownSetGuid(set); !guid.isNull()) {
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

QString knownSetName(const QUuid& set)
{
    const QString text = set.toString(QUuid::WithBraces).toUpper();
    for (const KnownSet& s : knownSets)
        if (text == QLatin1String(s.guid)) return QLatin1String(s.name);
    return {};
}

QUuid knownSetGuid(const QString& name)
{
    for (const KnownSet& s : knownSets)
        if (name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) return QUuid(QLatin1String(s.guid));
    return {};
}

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
