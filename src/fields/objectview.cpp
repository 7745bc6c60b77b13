#include "fields/embeddedview.h"
#include "fields/fielddefs.h"
#include "fields/fieldrows.h"
#include "mainwindow/frmmain.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <array>

namespace {

const QString InfoStoreKind = QStringLiteral("Info Store");
const QString FolderKind = QStringLiteral("Folder");
const QString MessageKind = QStringLiteral("Message");
const QString RecipientKind = QStringLiteral("Recipient");
const QString AttachmentKind = QStringLiteral("Attachment");
const QString AddressListKind = QStringLiteral("Address List");
const QString AddressEntryKind = QStringLiteral("Address Entry");
const QString MemberListKind = QStringLiteral("Member List");

// Enabled states of the object buttons after a selection of a kind; -1 leaves a button as it is.
// Order: InfoStore, Folder, Message, Recip, Attach, AddList, AddEntry, Member.
struct ButtonStates {
    const char* kind;
    std::array<int, 8> enabled;
};
constexpr ButtonStates ButtonTable[] = {
    { "Info Store", { 1, 0, 0, 0, 0, -1, -1, -1 } },
    { "Folder", { 1, 1, 0, 0, 0, -1, -1, -1 } },
    { "Message", { 1, 1, 1, 1, 1, -1, -1, -1 } },
    { "Address List", { -1, -1, -1, -1, -1, 1, 0, 0 } },
    { "Address Entry", { -1, -1, -1, -1, -1, 1, 1, 1 } },
};

// Sets a button to the chosen one of its group without its click handling, so that no second listing starts.
void mark(QRadioButton* button)
{
    const QSignalBlocker blocker(button);
    button->setChecked(true);
}

// The position of a top-list row's object in its collection: the row's tag (a sorted list no longer matches
// row numbers), else its row number.
int topListPosition(QTreeWidget* list, QTreeWidgetItem* row)
{
    bool ok = false;
    const int position = row->data(0, role::Tag).toInt(&ok);
    return ok && position > 0 ? position : list->indexOfTopLevelItem(row) + 1;
}

QString rowTagText(QTreeWidgetItem* row)
{
    return row->data(0, role::Tag).toString();
}

} // namespace

void FrmMain::subDispFieldColl(const store::Fields& oFieldColl)
{
    const int count = oFieldColl.count();
    fraFields->setTitle(QStringLiteral("Fields: (%1)").arg(count));
    lstFields->clear();
    const fields::Naming naming { config.mapiCodes, config.altCodes, showFieldType, showFieldSize };
    for (int i = 1; i <= count; ++i) {
        const store::Field& field = oFieldColl.item(i);
        const fields::FieldRow row = fields::fieldRow(field, ini, naming);
        if (QTreeWidgetItem* item = subAddListRow(lstFields, { row.name, row.value })) {
            item->setData(0, role::Tag, fields::rowTag(field.id()));
            if (!field.name().isEmpty()) item->setData(0, role::Named, field.name());
        }
    }
}

void FrmMain::subSetFieldOpts(const QString& mode)
{
    QRadioButton* const buttons[]
        = { optInfoStore, optFolder, optMessage, optRecip, optAttach, optAddList, optAddEntry, optMember };

    fraFields->setEnabled(true);
    const auto reset = [&] {
        fraFields->setTitle(QStringLiteral("Fields:"));
        for (QRadioButton* button : buttons)
            button->setEnabled(false);
    };
    if (mode == QLatin1String("Info") || mode == QLatin1String("Addr")) {
        reset();
        fraFields->setEnabled(false);
        const bool info = mode == QLatin1String("Info");
        for (int i = 0; i < 8; ++i)
            buttons[i]->setVisible(info == (i < 5));
    } else if (mode == QLatin1String("Reset")) {
        reset();
    }

    for (const ButtonStates& row : ButtonTable) {
        if (mode != QLatin1String(row.kind)) continue;
        for (int i = 0; i < 8; ++i) {
            if (row.enabled[i] >= 0) buttons[i]->setEnabled(row.enabled[i] == 1);
        }
    }
}

void FrmMain::subDispObjFields(const QString& kind)
{
    Status(QStringLiteral("Getting Fields"));

    lstFields->clear();
    presetUnsorted(lstFields);
    lstFields->setHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Value") });

    fieldsKind = kind;

    QTreeWidgetItem* const topRow = lstInfoStores->currentItem();
    QTreeWidgetItem* const node = tvwFolders->currentItem();
    QTreeWidgetItem* const listRow = lstMessages->currentItem();

    if (kind == InfoStoreKind) {
        if (topRow) {
            mark(optInfoStore);
            const auto stores = infoStores ? infoStores : session->infoStores();
            infoStore = stores->item(topListPosition(lstInfoStores, topRow));
            subDispFieldColl(infoStore->fields());
        }
    } else if (kind == FolderKind) {
        if (node) {
            mark(optFolder);
            folder = session->getFolder(rowTagText(node), storeTag);
            subDispFieldColl(folder->fields());
        }
    } else if (kind == MessageKind) {
        if (listRow) {
            mark(optMessage);
            message = embedded::currentMessage(*this, rowTagText(listRow));
            subDispFieldColl(message->fields());
            optAttach->setEnabled(message->attachments()->count() > 0);
            optRecip->setEnabled(message->recipients()->count() > 0);
        }
    } else if (kind == AttachmentKind) {
        if (listRow) {
            // Failure-tolerant: whatever can be read is shown. A message that cannot be opened lists nothing
            // rather than the attachments of the message shown before.
            std::shared_ptr<store::Message> opened;
            try {
                opened = embedded::currentMessage(*this, rowTagText(listRow));
            } catch (const store::Error&) {
            }
            if (opened) {
                message = opened;
                std::shared_ptr<store::Collection<store::Attachment>> attachments;
                int count = 0;
                try {
                    attachments = message->attachments();
                    count = attachments->count();
                    fraFields->setTitle(QStringLiteral("Attachments: (%1)").arg(count));
                } catch (const store::Error&) {
                }
                for (int i = 1; i <= count; ++i) {
                    if (const auto row = fields::attachmentRow(*attachments, i))
                        subAddListRow(lstFields, { row->name, row->value })->setData(0, embedded::PositionRole, i);
                }
            }
        }
    } else if (kind == RecipientKind) {
        if (listRow) {
            message = embedded::currentMessage(*this, rowTagText(listRow));
            const auto recipients = message->recipients();
            const int count = recipients->count();
            fraFields->setTitle(QStringLiteral("Recipients: (%1)").arg(count));
            for (int i = 1; i <= count; ++i) {
                const fields::FieldRow row = fields::recipientRow(*recipients->item(i));
                subAddListRow(lstFields, { row.name, row.value });
            }
        }
    } else if (kind == AddressListKind) {
        mark(optAddList);
        if (topRow) {
            const auto lists = addressLists ? addressLists : session->addressLists();
            subDispFieldColl(lists->item(topListPosition(lstInfoStores, topRow))->fields());
        }
    } else if (kind == AddressEntryKind) {
        mark(optAddEntry);
        if (listRow) {
            addressEntry = session->getAddressEntry(rowTagText(listRow));
            optMember->setEnabled(addressEntry->member(1) != nullptr);
            subDispFieldColl(addressEntry->fields());
        }
    } else if (kind == MemberListKind) {
        mark(optMember);
        if (listRow) {
            addressEntry = session->getAddressEntry(rowTagText(listRow));
            int i = 1;
            for (auto member = addressEntry->member(i); member; member = addressEntry->member(++i))
                subAddListRow(lstFields, { member->name(), member->type() + QStringLiteral(": ") + member->address() });
            fraFields->setTitle(QStringLiteral("Members: (%1)").arg(i - 1));
        }
    }

    Status(QStringLiteral("Ready="));
}

namespace {

// A listing started by an object button has no caller to hand a failure to: it is shown here.
void showFromButton(FrmMain& window, const QString& kind)
{
    try {
        window.subDispObjFields(kind);
    } catch (const store::Error& error) {
        window.setBusyCursor(false);
        window.platform.messageBox(
            QStringLiteral("Error: Fields not available.\r\n") + error.description(), Platform::Icon::Critical);
        window.setStatusDirect(QStringLiteral("Error: Fields not available."));
    }
}

} // namespace

void FrmMain::optInfoStore_Click()
{
    showFromButton(*this, InfoStoreKind);
}
void FrmMain::optFolder_Click()
{
    showFromButton(*this, FolderKind);
}
void FrmMain::optMessage_Click()
{
    showFromButton(*this, MessageKind);
}
void FrmMain::optRecip_Click()
{
    showFromButton(*this, RecipientKind);
}
void FrmMain::optAttach_Click()
{
    showFromButton(*this, AttachmentKind);
}
void FrmMain::optAddList_Click()
{
    showFromButton(*this, AddressListKind);
}
void FrmMain::optAddEntry_Click()
{
    showFromButton(*this, AddressEntryKind);
}
void FrmMain::optMember_Click()
{
    showFromButton(*this, MemberListKind);
}
