#include "store/propertysets.h"

namespace store {

namespace {
    struct KnownSet {
        const char* guid;
        const char* name;
    };

    // Property sets of [MS-OXPROPS] with a well-known name.
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
} // namespace

QString knownPropertySetName(const QUuid& set)
{
    const QString text = set.toString(QUuid::WithBraces).toUpper();
    for (const KnownSet& s : knownSets)
        if (text == QLatin1String(s.guid)) return QLatin1String(s.name);
    return {};
}

QUuid knownPropertySetGuid(const QString& name)
{
    for (const KnownSet& s : knownSets)
        if (name.compare(QLatin1String(s.name), Qt::CaseInsensitive) == 0) return QUuid(QLatin1String(s.guid));
    return {};
}

} // namespace store
