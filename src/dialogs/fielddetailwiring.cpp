#include "dialogs/frmfielddetail.h"
#include "fields/fielddetail.h"
#include "fields/fieldrows.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

namespace {

// The fields of the object the field list shows; nullopt for the lists of recipients, attachments and members.
std::optional<store::Fields> listedFields(FrmMain& w)
{
    if (w.fieldsKind == QLatin1String("Info Store") && w.infoStore) return w.infoStore->fields();
    if (w.fieldsKind == QLatin1String("Folder") && w.folder) return w.folder->fields();
    if (w.fieldsKind == QLatin1String("Message") && w.message) return w.message->fields();
    if (w.fieldsKind == QLatin1String("Address Entry") && w.addressEntry) return w.addressEntry->fields();
    if (w.fieldsKind == QLatin1String("Address List") && w.session) {
        QTreeWidgetItem* row = w.lstInfoStores->currentItem();
        if (!row) return std::nullopt;
        bool ok = false;
        int position = row->data(0, role::Tag).toInt(&ok);
        if (!ok || position <= 0) position = w.lstInfoStores->indexOfTopLevelItem(row) + 1;
        const auto lists = w.addressLists ? w.addressLists : w.session->addressLists();
        return lists->item(position)->fields();
    }
    return std::nullopt;
}

// The store's identifier of the object whose fields are listed; empty for the other lists.
QString listedObjectId(FrmMain& w)
{
    if (w.fieldsKind == QLatin1String("Info Store") && w.infoStore) return w.infoStore->id();
    if (w.fieldsKind == QLatin1String("Folder") && w.folder) return w.folder->id();
    if (w.fieldsKind == QLatin1String("Message") && w.message) return w.message->id();
    if (w.fieldsKind == QLatin1String("Address Entry") && w.addressEntry) return w.addressEntry->id();
    return {};
}

QTreeWidgetItem* selectedFieldRow(FrmMain& w)
{
    QTreeWidgetItem* row = w.lstFields->currentItem();
    if (!row || !row->isSelected() || !row->data(0, role::Tag).isValid()) return nullptr;
    return row;
}

FrmFieldDetail* openWindow(FrmMain& w)
{
    return w.findChild<FrmFieldDetail*>(QString(), Qt::FindDirectChildrenOnly);
}

void showSelected(FrmMain& w, FrmFieldDetail* window)
{
    QTreeWidgetItem* row = selectedFieldRow(w);
    if (!row) return;
    QString text;
    try {
        text = selectedFieldDetail(w);
    } catch (const store::Error& e) {
        text = QStringLiteral("The field could not be read: %1 %2\n").arg(e.numberText(), e.description());
    }
    if (text.isEmpty()) return;
    window->showField(row->text(0), text);
}

void showEntryId(FrmMain& w, FrmFieldDetail* window)
{
    QString text;
    w.setBusyCursor(true);
    try {
        text = listedEntryIdDetail(w);
    } catch (const store::Error& e) {
        text = QStringLiteral("The entry identifier could not be read: %1 %2\n").arg(e.numberText(), e.description());
    }
    w.setBusyCursor(false);
    if (!text.isEmpty()) window->showField(text.section(QLatin1Char('\n'), 1, 1).mid(6), text);
}

void mnuActFieldDetails_Click(FrmMain& w)
{
    if (!selectedFieldRow(w)) return;
    FrmFieldDetail* window = openWindow(w);
    // Closing hides the window; the next opening shows the same one.
    if (!window) {
        window = new FrmFieldDetail(w.platform, &w);
        QObject::connect(window->cmdEntryId, &QPushButton::clicked, window, [&w, window] { showEntryId(w, window); });
    }
    w.setBusyCursor(true);
    showSelected(w, window);
    w.setBusyCursor(false);
    window->show();
    window->raise();
    window->activateWindow();
}

// Enter on a field row opens the window; the key goes on to the list as before.
class EnterOpens : public QObject {
public:
    explicit EnterOpens(FrmMain& w)
        : QObject(w.lstFields)
        , m_w(w)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                mnuActFieldDetails_Click(m_w);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    FrmMain& m_w;
};

} // namespace

QString selectedFieldDetail(FrmMain& w)
{
    QTreeWidgetItem* row = selectedFieldRow(w);
    if (!row) return {};
    bool ok = false;
    const quint32 tag = row->data(0, role::Tag).toString().toUInt(&ok, 16);
    if (!ok) return {};
    const std::optional<store::Fields> all = listedFields(w);
    if (!all) return {};
    const store::Field* field = all->find(tag);
    if (!field) return {};
    const auto target
        = [&w](const QByteArray& id) { return w.session ? fields::entryIdTarget(*w.session, id) : QString(); };
    return fields::fieldDetailText({ *field, row->text(0), &*all, target });
}

QString listedEntryIdDetail(FrmMain& w)
{
    const std::optional<store::Fields> stored = listedFields(w);
    if (!stored) return {};
    const store::Fields all = fields::withEntryId(*stored, listedObjectId(w));
    const store::Field* field = all.find(fields::EntryIdTag);
    if (!field) return {};
    const auto target
        = [&w](const QByteArray& id) { return w.session ? fields::entryIdTarget(*w.session, id) : QString(); };
    fields::FieldDetailInput in { *field, fields::fieldName(*field, w.ini, { w.config.mapiCodes, w.config.altCodes }),
        &all, target };
    in.computed = !stored->find(fields::EntryIdTag);
    return fields::fieldDetailText(in);
}

void connectFieldDetail(FrmMain& w)
{
    auto* action = new QAction(QStringLiteral("Field &Details..."), w.mnuAct);
    action->setObjectName(QStringLiteral("mnuActFieldDetails"));
    w.mnuAct->insertAction(w.mnuActCopyItem, action);
    QObject::connect(action, &QAction::triggered, &w, [&w] { mnuActFieldDetails_Click(w); });
    // Enabled only while the field list is the active pane and a field row is selected.
    QObject::connect(w.mnuAct, &QMenu::aboutToShow, action,
        [&w, action] { action->setEnabled(w.activePane == PaneFields && selectedFieldRow(w) != nullptr); });
    w.lstFields->installEventFilter(new EnterOpens(w));
    QObject::connect(w.lstFields, &QTreeWidget::currentItemChanged, &w, [&w] {
        FrmFieldDetail* window = openWindow(w);
        if (window && window->isVisible()) showSelected(w, window);
    });
}
