#include "mainwindow/frmmain.h"
#include "mainwindow/layout.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTreeWidget>

#include <optional>

namespace {

constexpr quint32 tagStoreName = 0xFFF9001E; // the store an address list lives in
const QString limitedRow = QStringLiteral("--- limited ---");

// The steps of a handler that passes over failing steps: a failing step is skipped and remembered, and later
// checks ask whether anything has failed so far.
class PassOver {
public:
    template <class F>
    void operator()(F&& step)
    {
        try {
            step();
        } catch (const store::Error& error) {
            m_failure = error;
        }
    }
    bool failed() const { return m_failure.has_value(); }
    QString description() const { return m_failure ? m_failure->description() : QString(); }

private:
    std::optional<store::Error> m_failure; // the latest, as the description shown is the latest failure's
};

void setColumns(QTreeWidget* list, const QString& first, const QString& second)
{
    list->clear();
    list->setHeaderLabels({ first, second });
}

void clearTree(FrmMain& w)
{
    w.tvwFolders->clear();
    w.nodes.clear();
}

// Store objects come as shared or unique pointers; a missing one is a failure like any other.
template <class Pointer>
auto& existing(const Pointer& p)
{
    if (!p) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("The object is not available."));
    return *p;
}

} // namespace

void FrmMain::optModeInfo_Click()
{
    try {
        setEditMenuEnabled(false);
        lstInfoStores->resize(lstInfoStores->width(), qRound(layout::topListHeightInfo * designScaleY()));
        tvwFolders->setVisible(true);
        clearTree(*this);
        lstFields->clear();
        Status(QStringLiteral("Getting Info Stores ..."));
        infoStores = existing(session).infoStores();
        setColumns(lstInfoStores, QStringLiteral("Name"), QStringLiteral("Provider"));
        fraMessages->setTitle(QStringLiteral("Messages"));
        fraMessages->setEnabled(false);
        chkAssociated->setVisible(true);
        setColumns(lstMessages, QStringLiteral("Subject"), QStringLiteral("Type"));
        fraFields->setEnabled(false);
        setColumns(lstFields, QStringLiteral("Name"), QStringLiteral("Value"));
        subSetFieldOpts(QStringLiteral("Info"));
        fraFolders->setVisible(true);
        const int count = existing(infoStores).count();
        for (int i = 1; i <= count; ++i) {
            infoStore = infoStores->item(i);
            // The tag goes on the row just added: in a sorted list, row i need not be the i-th store.
            QTreeWidgetItem* row = subAddListRow(lstInfoStores, { infoStore->name(), infoStore->providerName() });
            row->setData(0, role::Tag, i);
        }
        Form_Resize();
        Status(QStringLiteral("Mode= Information Store"));
    } catch (const store::Error& error) {
        if (m_starting) throw;
        reportFailure(error);
    }
}

void FrmMain::optModeAddr_Click()
{
    try {
        setEditMenuEnabled(false);
        subSetFieldOpts(QStringLiteral("Addr"));
        lstInfoStores->resize(lstInfoStores->width(), qRound(layout::topListHeightAddr * designScaleY()));
        fraFolders->setVisible(false);
        tvwFolders->setVisible(false);
        Form_Resize();
        fraMessages->setTitle(QStringLiteral("Address Entries"));
        fraMessages->setEnabled(false);
        chkAssociated->setVisible(false); // address lists have no hidden entries
        clearTree(*this);
        setColumns(lstInfoStores, QStringLiteral("Name"), QStringLiteral("Provider"));
        setColumns(lstMessages, QStringLiteral("Display"), QStringLiteral("Type"));
        setColumns(lstFields, QStringLiteral("Name"), QStringLiteral("Value"));
        Status(QStringLiteral("Getting Address Book Lists ..."));
        addressLists = existing(session).addressLists();
        lstInfoStores->clear();
    } catch (const store::Error& error) {
        reportFailure(error);
        return;
    }

    PassOver step;
    int count = 0;
    step([&] { count = existing(addressLists).count(); });
    for (int i = 1; i <= count; ++i) {
        std::shared_ptr<store::AddressList> list;
        QString name;
        bool named = false;
        step([&] {
            list = addressLists->item(i);
            name = existing(list).name();
            named = true;
        });
        if (!named) continue;
        QTreeWidgetItem* row = subAddListRow(lstInfoStores, { name });
        step([&] { row->setText(1, funFieldText(list->fields(), tagStoreName)); });
        row->setData(0, role::Tag, i);
    }
    Form_Resize();
    Status(QStringLiteral("Mode= Address List"));
}

void FrmMain::lstInfoStores_Click()
{
    setEditMenuEnabled(true);
    clearTree(*this);
    lstMessages->clear();
    lstFields->clear();

    PassOver step;
    QTreeWidgetItem* selected = lstInfoStores->currentItem();
    int tag = 0;
    step([&] {
        if (!selected) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("No row is selected."));
        tag = selected->data(0, role::Tag).toInt();
    });
    const QString selectedText = selected ? selected->text(0) : QString();

    if (optModeAddr->isChecked()) {
        fraMessages->setEnabled(true);
        step([&] { subSetFieldOpts(QStringLiteral("Address List")); });
        Status(QStringLiteral("Collecting Address Entries"));
        step([&] { addressEntries = existing(existing(addressLists).item(tag)).addressEntries(); });
        if (step.failed() || !addressEntries) {
            platform.messageBox(QStringLiteral("Error: Address List not available.\n") + step.description(),
                Platform::Icon::Critical, Platform::Buttons::Ok);
            Status(QStringLiteral("Error: Address List not available."));
            setBusyCursor(false);
            return;
        }
        if (chkFilter->isChecked()) step([&] { addressEntries->setNameFilter(txtFilter->text()); });
        step([&] { addressEntries->sort(store::Messages::Ascending); });

        listingCounter = 0;
        addressEntry.reset();
        step([&] { addressEntry = addressEntries->getFirst(); });
        const qint64 last = qint64(config.limit) + collectionOffset;
        while (addressEntry) {
            ++listingCounter;
            if (listingCounter > last) {
                subAddListRow(lstMessages, { limitedRow });
                break;
            }
            if (listingCounter >= collectionOffset) {
                QString name;
                bool named = false;
                step([&] {
                    name = addressEntry->name();
                    named = true;
                });
                if (named) {
                    QString type;
                    step([&] { type = funDisplayTypeName(addressEntry->displayType()); });
                    QTreeWidgetItem* row = subAddListRow(lstMessages, { name, type });
                    step([&] { row->setData(0, role::Tag, addressEntry->id()); });
                }
            }
            // A failing GetNext ends the walk instead of listing the same entry for ever.
            std::shared_ptr<store::AddressEntry> next;
            step([&] { next = addressEntries->getNext(); });
            addressEntry = next;
        }
        step([&] { subDispObjFields(QStringLiteral("Address List")); });
        step([&] { fraMessages->setTitle(QStringLiteral("Address Entries (%1)").arg(addressEntries->count())); });
        Status(QStringLiteral("Address List= ") + selectedText);
        return;
    }

    fraFolders->setEnabled(true);
    step([&] { subSetFieldOpts(QStringLiteral("Info Store")); });
    Status(QStringLiteral("Collecting Folder Hierarchy"));
    step([&] {
        infoStore = existing(infoStores).item(tag);
        folder = existing(infoStore).rootFolder();
    });
    if (step.failed() || !folder) {
        platform.messageBox(QStringLiteral("Error: Infomation store is not available.\n") + step.description(),
            Platform::Icon::Exclamation, Platform::Buttons::Ok);
        setStatusDirect(QStringLiteral("Error: Informaion store is not available."));
        setBusyCursor(false);
        return;
    }

    const int filterIndex = cboFilter->currentIndex();
    if (filterIndex < 1) {
        filterTag = QStringLiteral("\\");
    } else {
        step([&] {
            if (filterIndex > config.shortcuts.count())
                throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("The shortcut does not exist."));
            folder = existing(session).getFolder(config.shortcuts.at(filterIndex - 1).folderId, infoStore->id());
        });
        if (step.failed() || !folder) {
            platform.messageBox(QStringLiteral("Error: Folder is not available with this filter\n"
                                               "Select either a different filter or information store\n")
                    + step.description(),
                Platform::Icon::Critical, Platform::Buttons::Ok);
            setStatusDirect(QStringLiteral("Error: Folder is not available with this filter. Select either a "
                                           "different filter or information store."));
            setBusyCursor(false);
            return;
        }
    }

    listingCounter = 0;
    clearTree(*this);
    QTreeWidgetItem* root = nullptr;
    step([&] {
        const QString name = folder->name();
        root = new QTreeWidgetItem(tvwFolders, QStringList { name });
        root->setData(0, role::Key, QStringLiteral("x0"));
        nodes.insert(QStringLiteral("x0"), root);
        root->setData(0, role::Tag, folder->id());
    });
    step([&] { storeTag = folder->storeId(); });
    if (root) step([&] { subFolderList(folder, root); });
    if (root && filterIndex < 1) step([&] { addPseudoFolders(*infoStore, root); });
    step([&] { subDispObjFields(QStringLiteral("Info Store")); });
    Status(QStringLiteral("Info Store= ") + selectedText);
}

void FrmMain::lstInfoStores_MouseDown(Qt::MouseButton button, const QPoint& pos)
{
    mnuActAddShortcut->setEnabled(false);
    mnuActGetURL->setEnabled(false);
    mnuActOffset->setEnabled(false);
    mnuActFind->setEnabled(false);
    mnuActCopyItem->setEnabled(!lstInfoStores->selectedItems().isEmpty());
    activePane = PaneTopList;
    if (button == Qt::RightButton) popupEditMenu(lstInfoStores, pos);
}

void FrmMain::lstInfoStores_ColumnClick(int column)
{
    subSortColumn(lstInfoStores, column);
}

QString FrmMain::funDisplayTypeName(int code)
{
    static const char* const names[]
        = { "Internal", "Group", "PubicFolder", "Agent", "Org", "PrvateGroup", "External" };
    if (code < 0 || code >= int(std::size(names))) return {};
    return QLatin1String(names[code]);
}

void FrmMain::reportFailure(const store::Error& error)
{
    setBusyCursor(false);
    platform.messageBox(
        QStringLiteral("Error %1: %2").arg(error.numberText(), error.description()), Platform::Icon::Critical);
}
