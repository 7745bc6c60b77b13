#include "dialogs/frmfind.h"

#include "mainwindow/controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTreeWidget>

namespace {

// Put in place of the search text after a tree hit, so that no later node of the same walk matches.
const QString spentSearchText = QStringLiteral("XXXXXXX((((**&&^%$$DKDJCJVQISUGIU^%#%$*&*(");

const QString captionFind = QStringLiteral("Find");
const QString captionFindNext = QStringLiteral("Find Next");
const QString captionFindComplete = QStringLiteral("Find Complete");

using controls::named;

QTreeWidgetItem* nextSibling(QTreeWidgetItem* node)
{
    QTreeWidgetItem* parent = node->parent();
    if (parent) {
        const int i = parent->indexOfChild(node);
        return i + 1 < parent->childCount() ? parent->child(i + 1) : nullptr;
    }
    QTreeWidget* tree = node->treeWidget();
    const int i = tree->indexOfTopLevelItem(node);
    return i + 1 < tree->topLevelItemCount() ? tree->topLevelItem(i + 1) : nullptr;
}

} // namespace

FrmFind::FrmFind(FindPanes panes, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_panes(std::move(panes))
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Storewalker - Find"));
    setModal(false);

    Label1 = named<QLabel>("Label1", QStringLiteral("Find:"), this);
    txtFind = named<QLineEdit>("txtFind", this);
    Frame2 = named<QGroupBox>("Frame2", QStringLiteral("Find What:"), this);
    optFindName = named<QRadioButton>("optFindName", QStringLiteral("Name"), Frame2);
    optFindValue = named<QRadioButton>("optFindValue", QStringLiteral("Value"), Frame2);
    Frame1 = named<QGroupBox>("Frame1", QStringLiteral("Search Type:"), this);
    optTypeBegin = named<QRadioButton>("optTypeBegin", QStringLiteral("Begins with"), Frame1);
    optTypeAnyPart = named<QRadioButton>("optTypeAnyPart", QStringLiteral("Any part"), Frame1);
    optTypeFullMatch = named<QRadioButton>("optTypeFullMatch", QStringLiteral("Full match"), Frame1);
    cmdFind = named<QPushButton>("cmdFind", captionFind, this);
    cmdClear = named<QPushButton>("cmdClear", QStringLiteral("Clear"), this);
    optFindName->setChecked(true);
    optTypeAnyPart->setChecked(true);
    cmdFind->setAutoDefault(false);
    cmdClear->setAutoDefault(false);

    // Design geometry in twips (left, top, width, height); options lie inside their frames.
    const double tx = 1440.0 / logicalDpiX(), ty = 1440.0 / logicalDpiY();
    auto place = [tx, ty](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(qRound(left / tx), qRound(top / ty), qRound(width / tx), qRound(height / ty));
    };
    place(Label1, 120, 1140, 435, 255);
    place(txtFind, 540, 1080, 4035, 315);
    place(Frame2, 120, 60, 1215, 915);
    place(optFindName, 180, 240, 915, 195);
    place(optFindValue, 180, 600, 975, 195);
    place(Frame1, 1620, 60, 1395, 915);
    place(optTypeBegin, 60, 180, 1155, 195);
    place(optTypeAnyPart, 60, 420, 1095, 195);
    place(optTypeFullMatch, 60, 660, 1095, 195);
    place(cmdFind, 3120, 180, 1395, 495);
    place(cmdClear, 3120, 720, 1395, 255);
    setFixedSize(qRound(4680 / tx), qRound(1515 / ty));

    setTabOrder(txtFind, cmdFind);
    setTabOrder(cmdFind, cmdClear);
    txtFind->setFocus();

    connect(txtFind, &QLineEdit::textChanged, this, &FrmFind::txtFind_Change);
    for (QRadioButton* option : { optFindName, optFindValue, optTypeBegin, optTypeAnyPart, optTypeFullMatch })
        connect(option, &QRadioButton::clicked, this, &FrmFind::optionClicked);
    connect(cmdClear, &QPushButton::clicked, this, &FrmFind::cmdClear_Click);
    connect(cmdFind, &QPushButton::clicked, this, &FrmFind::cmdFind_Click);

    Form_Load();
}

void FrmFind::Form_Load()
{
    cmdFind->setEnabled(false);
    // Only the field list has names and values; the choice is fixed for as long as the dialog stays open.
    optFindValue->setEnabled(false);
    if (m_panes.activePane && m_panes.activePane() == 3) optFindValue->setEnabled(true);
}

void FrmFind::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return; // shown again by the window system (restored from an icon): no new opening
    // An opening after Escape or the close box keeps the text and options, and searches from the start of the pane
    // pressed last, whose kind decides again whether values can be searched.
    const bool fieldList = m_panes.activePane && m_panes.activePane() == 3;
    optFindValue->setEnabled(fieldList);
    if (!fieldList && optFindValue->isChecked()) optFindName->setChecked(true);
    cmdFind->setText(captionFind);
    cmdFind->setEnabled(!txtFind->text().isEmpty());
    m_position = 0;
}

void FrmFind::txtFind_Change()
{
    cmdFind->setText(captionFind);
    m_position = 0;
    cmdFind->setEnabled(!txtFind->text().isEmpty());
}

void FrmFind::optionClicked()
{
    cmdFind->setText(captionFind);
    cmdFind->setEnabled(true);
    m_position = 0;
}

void FrmFind::cmdClear_Click()
{
    txtFind->setText(QString());
    m_position = 0;
}

FrmFind::MatchType FrmFind::matchType() const
{
    if (optTypeAnyPart->isChecked()) return MatchType::AnyPart;
    if (optTypeBegin->isChecked()) return MatchType::BeginsWith;
    return MatchType::FullMatch;
}

bool FrmFind::matches(const QString& s, const QString& t, MatchType type)
{
    const QString search = s.toLower();
    const QString text = t.toLower();
    switch (type) {
    case MatchType::AnyPart:
        return search.isEmpty() ? !text.isEmpty() : text.contains(search);
    case MatchType::BeginsWith:
        return search.isEmpty() ? !text.isEmpty() : text.startsWith(search);
    case MatchType::FullMatch:
        break;
    }
    return search == text;
}

void FrmFind::cmdFind_Click()
{
    const int pane = m_panes.activePane ? m_panes.activePane() : 0;
    if (pane == 1)
        searchTree();
    else if (pane == 2)
        searchList(m_panes.lstMessages, false);
    else if (pane == 3)
        searchList(m_panes.lstFields, true);
}

void FrmFind::complete()
{
    cmdFind->setText(captionFindComplete);
    cmdFind->setEnabled(false);
    m_position = 0;
}

void FrmFind::searchList(QTreeWidget* list, bool fieldList)
{
    if (!list) return;
    const MatchType type = matchType();
    const bool byValue = fieldList && optFindValue->isChecked();
    const bool trimmed = byValue && type != MatchType::AnyPart;
    const QString search = txtFind->text();
    const int rows = list->topLevelItemCount();
    // Positions are whole 32-bit numbers: a long list is searched to its end.
    for (qint64 i = qint64(m_position) + 1; i <= rows; ++i) {
        QTreeWidgetItem* row = list->topLevelItem(int(i - 1));
        QString candidate = row->text(byValue ? 1 : 0);
        // Only blanks are trimmed, as the value is shown.
        if (trimmed) {
            qsizetype first = 0, last = candidate.size();
            while (first < last && candidate.at(first) == QLatin1Char(' '))
                ++first;
            while (last > first && candidate.at(last - 1) == QLatin1Char(' '))
                --last;
            candidate = candidate.mid(first, last - first);
        }
        if (!matches(search, candidate, type)) continue;
        cmdFind->setText(captionFindNext);
        list->scrollToItem(row);
        list->setCurrentItem(row); // selects without the click: the found object's fields are not shown
        m_position = qint32(i);
        return;
    }
    complete();
}

qint32 FrmFind::nodeNumber(const QTreeWidgetItem* node) const
{
    return node->data(0, m_panes.nodeKeyRole).toString().mid(1).toInt();
}

void FrmFind::searchTree()
{
    QTreeWidget* tree = m_panes.tvwFolders;
    // An empty tree holds nothing to find.
    QTreeWidgetItem* root = tree ? tree->topLevelItem(0) : nullptr;
    if (!root) {
        complete();
        return;
    }
    QString tFind = txtFind->text();
    if (root->childCount() > 0) subFindNodes(root->child(0), tFind, m_position);

    QTreeWidgetItem* selected = tree->currentItem();
    if (!selected) {
        complete();
        return;
    }
    m_position = nodeNumber(selected);
    if (m_position == m_lastTreeHit.toInt()) {
        complete();
    } else {
        cmdFind->setText(captionFindNext);
        m_lastTreeHit = QString::number(m_position);
    }
}

void FrmFind::subFindNodes(QTreeWidgetItem* NodePar, QString& tFind, qint32 iPos)
{
    const MatchType type = matchType();
    for (QTreeWidgetItem* node = NodePar; node; node = nextSibling(node)) {
        if (matches(tFind, node->text(0), type) && nodeNumber(node) > iPos) {
            for (QTreeWidgetItem* up = node->parent(); up; up = up->parent())
                if (!up->isExpanded()) up->setExpanded(true);
            node->treeWidget()->scrollToItem(node);
            node->treeWidget()->setCurrentItem(node);
            tFind = spentSearchText;
        }
        if (node->childCount() > 0) subFindNodes(node->child(0), tFind, iPos);
    }
}
