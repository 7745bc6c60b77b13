#include "fields/fieldrows.h"
#include "fields/reports.h"
#include "store/value.h"

QString fields::reportHeader(const QDateTime& now)
{
    return QStringLiteral("Storewalker v%1.%2.%3      %4")
        .arg(STOREWALKER_VERSION_MAJOR)
        .arg(STOREWALKER_VERSION_MINOR)
        .arg(STOREWALKER_VERSION_PATCH)
        .arg(store::Value::date(now.toUTC()).text());
}

QString fields::reportText(const ReportView& view, const QDateTime& now)
{
    QString r;
    auto line = [&r](const QString& text) { r += text + reportLineEnd; };

    line(reportHeader(now));
    line({});
    if (!view.addressMode) {
        if (view.topName) line(QStringLiteral("Info Store: ") + *view.topName + QLatin1Char('-') + view.topProvider);
        line({});
        if (view.hasFolderTree && view.folderPath) line(QStringLiteral("Folder: ") + *view.folderPath);
        if (view.pane == ReportView::Fields && view.messageSubject && !view.messageSubject->isEmpty()) {
            line({});
            line(QStringLiteral("Message: ") + *view.messageSubject);
        }
    } else if (view.topName) {
        line(QStringLiteral("DirSource: ") + *view.topName);
    }
    line({});

    auto itemList = [&] {
        for (qsizetype i = 0; i < view.rows.size(); ++i) {
            const ReportView::Row& row = view.rows.at(i);
            QString text = QString::number(i + 1) + QStringLiteral(": ") + row.text;
            if (row.value) text += QLatin1Char('=') + cleanText(*row.value);
            line(text);
        }
    };

    switch (view.pane) {
    case ReportView::TopList:
        line(QStringLiteral("Display: Info Stores"));
        line({});
        line(itemListSeparator);
        itemList();
        break;
    case ReportView::Folders:
        line(QStringLiteral("Display: Folder Hierarchy"));
        line(plainSeparator);
        line({});
        if (view.hierarchy) r += *view.hierarchy;
        break;
    case ReportView::Messages:
        line(QStringLiteral("Display: Messages"));
        line({});
        line(itemListSeparator);
        itemList();
        break;
    case ReportView::Fields:
        line(QStringLiteral("Display: ") + view.fieldsKind + QStringLiteral(" Fields"));
        line({});
        line(selectedFieldSeparator);
        if (view.selectedField) line(view.selectedField->text + QLatin1Char('=') + view.selectedField->value.value_or(QString()));
        line({});
        line(fieldListSeparator);
        itemList();
        break;
    case ReportView::None:
        break;
    }
    return r;
}
