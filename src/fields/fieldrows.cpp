#include "fields/fielddefs.h"
#include "fields/nameddefs.h"
#include "mainwindow/frmmain.h"

#include <QGroupBox>
#include <QTreeWidget>

namespace fields {

QString hexTag(quint32 tag)
{
    return QStringLiteral("%1").arg(tag, 8, 16, QLatin1Char('0')).toUpper();
}

QString rowTag(quint32 tag)
{
    return QString::number(tag, 16).toUpper();
}

QString definitionKey(const QString& paddedTag)
{
    return paddedTag.left(4);
}

QString definitionName(const settings::IniFile& ini, const QString& key, bool altCodes)
{
    QString name;
    if (altCodes) name = settings::funStripComment(ini.funGetIni(AltSection, key, QString()));
    if (name.isEmpty()) name = settings::funStripComment(ini.funGetIni(MapiSection, key, QString()));
    return name;
}

std::optional<QString> definitionComment(const settings::IniFile& ini, const QString& key)
{
    const QString value = ini.funGetIni(AltSection, key, QString());
    const qsizetype apostrophe = value.lastIndexOf(QLatin1Char('\''));
    if (apostrophe < 0) return std::nullopt;
    return value.mid(apostrophe + 1).trimmed();
}

} // namespace fields

namespace {

// Longer values are cut so that bodies and binary values do not swamp the list.
constexpr qsizetype MaxValueChars = 1000;

} // namespace

void FrmMain::subDispFieldColl(const store::Fields& oFieldColl)
{
    const int count = oFieldColl.count();
    fraFields->setTitle(QStringLiteral("Fields: (%1)").arg(count));
    lstFields->clear();

    for (int i = 1; i <= count; ++i) {
        const store::Field& field = oFieldColl.item(i);
        const store::Value& value = field.value(); // an unreadable field ends the listing here

        // Only the part that is shown is ever built; the length comes without the text where the value allows.
        const qsizetype length = value.textLength();
        QString rowValue = value.text(MaxValueChars);
        if (length > MaxValueChars) rowValue += QStringLiteral("***");

        QString rowName;
        if (field.name().isEmpty()) {
            const QString tag = fields::hexTag(field.id());
            if (config.mapiCodes) rowName = fields::definitionName(ini, fields::definitionKey(tag), config.altCodes);
            if (rowName.isEmpty()) rowName = tag;
        } else {
            rowName = config.mapiCodes ? fields::namedRowName(ini, field.name())
                                       : QLatin1Char('<') + field.name() + QLatin1Char('>');
        }
        if (showFieldType) rowName += QLatin1Char('-') + value.typeName();
        if (showFieldSize) rowName += QLatin1Char(':') + QString::number(length);

        if (QTreeWidgetItem* row = subAddListRow(lstFields, { rowName, rowValue })) {
            row->setData(0, role::Tag, fields::rowTag(field.id()));
            if (!field.name().isEmpty()) row->setData(0, role::Named, field.name());
        }
    }
}
