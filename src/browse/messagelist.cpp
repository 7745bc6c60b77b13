#include "browse/browsetexts.h"
#include "fields/listing.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QTreeWidget>
#include <cmath>
#include <limits>

namespace {

// The offset prompt's answer as a 32-bit number: an integer, or a decimal number rounded as a whole-number
// conversion rounds (half to even). Anything else, or a number out of range, gives nullopt.
std::optional<qint32> toLong(const QString& answer)
{
    const QString text = answer.trimmed();
    bool ok = false;
    const qint32 whole = text.toInt(&ok);
    if (ok) return whole;
    const double number = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    const double rounded = std::nearbyint(number);
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(rounded);
}

} // namespace

void FrmMain::tvwFolders_NodeClick(QTreeWidgetItem* node)
{
    try {
        subSetFieldOpts(QStringLiteral("Folder"));
        fraMessages->setEnabled(true);
        Status(QStringLiteral("Getting Message Collection"));
        lstMessages->clear();
        lstFields->clear();
        presetUnsorted(lstMessages);
        lstMessages->headerItem()->setText(0, QStringLiteral("Subject"));
        lstMessages->headerItem()->setText(1, QStringLiteral("Type"));

        if (!node) throw store::Error(store::mapi::E_INVALID_PARAMETER, QStringLiteral("No folder is selected."));
        folder = session->getFolder(node->data(0, role::Tag).toString(), storeTag);
        messages.reset(); // a large folder's collection is big: never hold two at once
        const bool pseudo = folder->kind() != store::Folder::Kind::Normal;
        if (pseudo) findPseudoListing(*folder);
        const bool associated = chkAssociated->isChecked();
        messages = associated ? folder->associatedMessages() : folder->messages();
        if (chkFilter->isChecked()) messages->setSubjectFilter(txtFilter->text());
        listingCounter = 0;
        listingCounter = fields::listMessages(*messages, collectionOffset, config.limit,
            [this](int, const std::shared_ptr<store::Message>& msg) {
                if (!msg) {
                    subAddListRow(lstMessages, { browse::limitRowText });
                    return;
                }
                QTreeWidgetItem* row = subAddListRow(lstMessages, { msg->subject(), msg->type() });
                if (row) row->setData(0, role::Tag, msg->id());
            });
        if (pseudo && messages->count() == 0) subAddListRow(lstMessages, { browse::nothingFoundText });

        subDispObjFields(QStringLiteral("Folder"));
        fraMessages->setTitle((associated ? QStringLiteral("Associated (") : QStringLiteral("Messages ("))
            + QString::number(messages->count()) + QLatin1Char(')'));
        // The path filter's parent path ends in "\", which the node path brings again.
        Status(QStringLiteral("Folder= \\") + filterTag.left(qMax(0, filterTag.size() - 1)) + funNodePath(node));
    } catch (const std::exception& e) {
        platform.messageBox(browse::withReason(browse::folderFailureText, e), Platform::Icon::Exclamation);
        Status(browse::folderFailureText);
        // The text has no "=", so the busy cursor would stay on after the failure.
        setBusyCursor(false);
    }
}

void FrmMain::findPseudoListing(const store::Folder& pseudo)
{
    const QString what = pseudo.kind() == store::Folder::Kind::Orphans ? QStringLiteral("Finding orphaned items")
                                                                       : QStringLiteral("Finding recovered items");
    Status(what + QStringLiteral(" ..."));
    int shown = -1;
    pseudo.findListing([&](int permille) {
        // The status bar is repainted at once; a percent step is enough.
        if (permille / 10 != shown) {
            shown = permille / 10;
            Status(QStringLiteral("%1 ... %2 %").arg(what).arg(shown));
        }
        return true;
    });
}

void FrmMain::lstMessages_Click()
{
    if (lstMessages->topLevelItemCount() == 0) return;
    QTreeWidgetItem* row = lstMessages->currentItem();
    if (!row) return;
    // A row's failure is shown once while it stays selected: the key release of the Enter that closes the box
    // would otherwise bring the box back.
    const QPersistentModelIndex current(lstMessages->currentIndex().siblingAtColumn(0));
    if (current.isValid() && current == m_failedRow) return;
    m_failedRow = QPersistentModelIndex();
    const QString position = QString::number(lstMessages->indexOfTopLevelItem(row) + 1);
    const QString summary = row->text(0) + QStringLiteral("  (") + row->text(1) + QLatin1Char(')');
    try {
        if (optModeAddr->isChecked()) {
            Status(QStringLiteral("Getting Address Field Names"));
            lstFields->clear();
            subSetFieldOpts(QStringLiteral("Address Entry"));
            // The limit row, the one row without a tag, stands for no entry: say so instead of failing to open an
            // entry without identifier. An entry may bear any name, that row's text included.
            const bool limitRow = !row->data(0, role::Tag).isValid();
            if (!limitRow) subDispObjFields(QStringLiteral("Address Entry"));
            Status(position + QStringLiteral(" Display=") + summary);
            if (limitRow) {
                m_failedRow = current;
                platform.messageBox(QStringLiteral("Selection is not valid"));
            }
        } else if (!row->data(0, role::Tag).isValid() && row->text(0) == browse::nothingFoundText) {
            Status(QStringLiteral("Display=") + browse::nothingFoundText);
        } else {
            subSetFieldOpts(QStringLiteral("Message"));
            subDispObjFields(QStringLiteral("Message"));
            Status(position + QStringLiteral(" Subject=") + summary);
        }
    } catch (const std::exception&) {
        m_failedRow = current;
        platform.messageBox(browse::itemFailureText, Platform::Icon::Information);
        Status(browse::itemFailureStatus);
    }
}

void FrmMain::lstMessages_KeyUp()
{
    lstMessages_Click();
}

void FrmMain::lstMessages_MouseDown(Qt::MouseButton button, const QPoint& pos)
{
    mnuActAddShortcut->setEnabled(false);
    mnuActGetURL->setEnabled(true);
    mnuActFind->setEnabled(true);
    // The top list and the field list disable the offset, and it is the listing here that uses it: without this
    // it would stay disabled for the rest of the run after the first press on the top list.
    mnuActOffset->setEnabled(true);
    mnuActCopyItem->setEnabled(lstMessages->topLevelItemCount() > 0);
    activePane = PaneMessages;
    if (button == Qt::RightButton) popupEditMenu(lstMessages, pos);
}

void FrmMain::lstMessages_ColumnClick(int column)
{
    subSortColumn(lstMessages, column);
}

void FrmMain::chkFilter_Click()
{
    if (txtFilter->text().isEmpty()) chkFilter->setChecked(false);
    if (optModeInfo->isChecked()) {
        // With no folder chosen the folder click reports that it has nothing to list.
        tvwFolders_NodeClick(tvwFolders->currentItem());
    } else {
        lstInfoStores_Click();
    }
}

void FrmMain::chkAssociated_Click()
{
    tvwFolders_NodeClick(tvwFolders->currentItem());
}

void FrmMain::mnuActOffset_Click()
{
    const std::optional<QString> answer = platform.inputBox(
        QStringLiteral("Enter limit number"), QStringLiteral("Storewalker"), QString::number(collectionOffset));
    const std::optional<qint32> offset = answer ? toLong(*answer) : std::nullopt;
    collectionOffset = offset.value_or(0) != 0 ? *offset : 1;
    mnuActOffset->setText(
        QStringLiteral("Collection Offset (") + QString::number(collectionOffset) + QStringLiteral(") ..."));
}
