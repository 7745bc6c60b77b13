#include "dialogs/frmoptions.h"

#include "browse/browsetexts.h"
#include "dialogs/programinfo.h"
#include "mainwindow/controls.h"
#include "mainwindow/platform.h"
#include "settings/currentsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int NameRole = Qt::UserRole; // a row's shortcut name as it stands in the table

template <class T, class... Args>
T* control(const char* name, QWidget* parent, int left, int top, int width, int height, Args&&... args)
{
    auto* widget = controls::named<T>(name, std::forward<Args>(args)..., parent);
    program::placeTwips(widget, left, top, width, height);
    return widget;
}

QString numberText(double number)
{
    return QString::number(number, 'g', 7);
}

} // namespace

FrmOptions::FrmOptions(OptionsHost host, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
              | Qt::WindowCloseButtonHint)
    , m_host(std::move(host))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Storewalker - Options"));
    setWindowIcon(program::icon());
    setFont(program::arialFont(8));
    setFixedSize(program::twipsToPixelsX(this, 7650), program::twipsToPixelsY(this, 4110));
    createControls();
    Form_Load();
}

void FrmOptions::createControls()
{
    Frame2 = control<QGroupBox>("Frame2", this, 60, 0, 1335, 1095, QStringLiteral("Message:"));
    Label2 = control<QLabel>("Label2", Frame2, 120, 240, 855, 255, QStringLiteral("Limit Count:"));
    txtLimit = control<QLineEdit>("txtLimit", Frame2, 120, 480, 795, 315);
    fraFolder = control<QGroupBox>("fraFolder", this, 1560, 0, 1635, 1095, QStringLiteral("Folder:"));
    chkFolderType = control<QCheckBox>("chkFolderType", fraFolder, 60, 420, 1275, 255, QStringLiteral("Show Type:"));
    fraFields = control<QGroupBox>("fraFields", this, 3360, 0, 1695, 1215, QStringLiteral("Fields:"));
    chkMapiCodes = control<QCheckBox>("chkMapiCodes", fraFields, 120, 180, 1455, 255, QStringLiteral("MAPI Codes"));
    chkAltCodes = control<QCheckBox>("chkAltCodes", fraFields, 120, 420, 1395, 255, QStringLiteral("Alt Codes"));
    chkFldType = control<QCheckBox>("chkFldType", fraFields, 120, 660, 1395, 255, QStringLiteral("Show Type"));
    chkFldSize = control<QCheckBox>("chkFldSize", fraFields, 120, 960, 1395, 195, QStringLiteral("Show Size"));
    Frame1 = control<QGroupBox>("Frame1", this, 5220, 0, 2295, 1215, QStringLiteral("Printer Font:"));
    Label6 = control<QLabel>("Label6", Frame1, 120, 300, 555, 255, QStringLiteral("Name:"));
    cboFontName = control<QComboBox>("cboFontName", Frame1, 600, 240, 1575, 315);
    cboFontName->setEditable(true);
    cboFontName->setInsertPolicy(QComboBox::NoInsert);
    Label4 = control<QLabel>("Label4", Frame1, 120, 720, 495, 255, QStringLiteral("Size:"));
    txtFontSize = control<QLineEdit>("txtFontSize", Frame1, 600, 660, 495, 315);
    lblShortcuts = control<QLabel>("lblShortcuts", this, 60, 1140, 1455, 195, QStringLiteral("Shortcuts:"));
    QFont bold = lblShortcuts->font();
    bold.setBold(true);
    lblShortcuts->setFont(bold);
    lstShortCuts = control<QTreeWidget>("lstShortCuts", this, 60, 1320, 7455, 2295);
    lstShortCuts->setRootIsDecorated(false);
    lstShortCuts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstShortCuts->setAllColumnsShowFocus(true);
    lstShortCuts->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    lstShortCuts->header()->setStretchLastSection(false);
    cmdDelete = control<QPushButton>("cmdDelete", this, 60, 3630, 1155, 315, QStringLiteral("Delete"));
    cmdOk = control<QPushButton>("cmdOk", this, 6240, 3660, 1275, 375, QStringLiteral("Ok"));

    connect(txtLimit, &QLineEdit::textChanged, this, &FrmOptions::txtLimit_Change);
    connect(txtFontSize, &QLineEdit::textChanged, this, &FrmOptions::txtFontSize_Change);
    // Typing a name and choosing one from the list both change the box's text.
    connect(cboFontName, &QComboBox::editTextChanged, this, &FrmOptions::cboFontName_Change);
    connect(chkAltCodes, &QCheckBox::toggled, this, &FrmOptions::chkAltCodes_Click);
    connect(chkMapiCodes, &QCheckBox::toggled, this, &FrmOptions::chkMapiCodes_Click);
    connect(chkFolderType, &QCheckBox::toggled, this, &FrmOptions::chkFolderType_Click);
    connect(chkFldSize, &QCheckBox::toggled, this, &FrmOptions::chkFldSize_Click);
    connect(chkFldType, &QCheckBox::toggled, this, &FrmOptions::chkFldType_Click);
    connect(lstShortCuts, &QTreeWidget::itemSelectionChanged, this, &FrmOptions::lstShortCuts_ItemClick);
    connect(lstShortCuts, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 0 && !m_filling) lstShortCuts_AfterLabelEdit(item, item->text(0));
    });
    connect(cmdDelete, &QPushButton::clicked, this, &FrmOptions::cmdDelete_Click);
    connect(cmdOk, &QPushButton::clicked, this, &FrmOptions::cmdOk_Click);
}

void FrmOptions::Form_Load()
{
    const settings::CurrentSettings& held = m_host.settings;
    cmdDelete->setEnabled(false);

    lstShortCuts->clear();
    lstShortCuts->setHeaderLabels({ QStringLiteral("Name"), QStringLiteral("Path") });
    lstShortCuts->setColumnWidth(0, lstShortCuts->width() * 2 / 5);
    lstShortCuts->setColumnWidth(1, program::twipsToPixelsX(this, 9999));

    txtLimit->setText(QString::number(held.limit));
    m_host.collectionOffset = 1;

    chkAltCodes->setChecked(held.altCodes);
    chkMapiCodes->setChecked(held.mapiCodes);
    chkFolderType->setChecked(held.folderType);
    // The two field options show the state in force, not an unticked box over flags that are on.
    chkFldSize->setChecked(m_host.showFieldSize);
    chkFldType->setChecked(m_host.showFieldType);

    txtFontSize->setText(numberText(held.fontSize));
    // Showing the held name is no choice of the user's: the held size stays, so Ok writes what was chosen.
    m_filling = true;
    cboFontName->setEditText(held.fontName);
    m_filling = false;
    m_host.settings.fontName = held.fontName;

    fillShortcuts();

    // The list is filled without touching the text: a first item would otherwise become the text.
    const QString name = cboFontName->currentText();
    cboFontName->blockSignals(true);
    cboFontName->clear();
    for (const QString& font : m_host.platform.printerFontNames())
        if (cboFontName->findText(font, Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0) cboFontName->addItem(font);
    cboFontName->setEditText(name);
    cboFontName->blockSignals(false);
}

void FrmOptions::fillShortcuts()
{
    m_filling = true;
    lstShortCuts->clear();
    for (const settings::Shortcut& shortcut : m_host.settings.shortcuts) {
        auto* row = new QTreeWidgetItem(lstShortCuts, { shortcut.name, shortcut.path });
        row->setData(0, NameRole, shortcut.name);
        row->setFlags(row->flags() | Qt::ItemIsEditable);
    }
    m_filling = false;
}

int FrmOptions::shortcutIndex(const QTreeWidgetItem* item) const
{
    return item ? m_host.settings.shortcuts.indexOf(item->data(0, NameRole).toString()) : -1;
}

double FrmOptions::funLeadingNumber(const QString& text)
{
    qsizetype i = 0;
    auto digits = [&] {
        const qsizetype start = i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i > start;
    };
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    bool any = digits();
    if (i < text.size() && text[i] == u'.') {
        ++i;
        any = digits() || any;
    }
    if (!any) return 0;
    qsizetype end = i;
    // An exponent counts only when digits follow it: "12e" is 12.
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
        if (digits()) end = i;
    }
    QString number = text.mid(start, end - start);
    number.replace(u'd', u'e').replace(u'D', u'e');
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (ok) return value;
    // Out of the range of a double: the sign's infinity.
    return number.startsWith(u'-') ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}

void FrmOptions::txtLimit_Change()
{
    // Nearest whole number, a half to the even one; outside the 16-bit range the nearest end, shown in the box.
    const double number = std::nearbyint(funLeadingNumber(txtLimit->text()));
    const double taken = std::clamp(number, -32768.0, 32767.0);
    m_host.settings.limit = qint16(taken);
    if (taken != number) txtLimit->setText(QString::number(m_host.settings.limit));
}

void FrmOptions::txtFontSize_Change()
{
    m_host.settings.fontSize = float(funLeadingNumber(txtFontSize->text()));
}

void FrmOptions::cboFontName_Change()
{
    if (m_filling) return;
    // The size stays the printer font's: a new name is no reason to take another font's size.
    m_host.settings.fontName = cboFontName->currentText();
}

void FrmOptions::chkAltCodes_Click()
{
    m_host.settings.altCodes = chkAltCodes->isChecked();
}

void FrmOptions::chkMapiCodes_Click()
{
    m_host.settings.mapiCodes = chkMapiCodes->isChecked();
}

void FrmOptions::chkFolderType_Click()
{
    m_host.settings.folderType = chkFolderType->isChecked();
}

void FrmOptions::chkFldSize_Click()
{
    m_host.showFieldSize = chkFldSize->isChecked();
}

void FrmOptions::chkFldType_Click()
{
    m_host.showFieldType = chkFldType->isChecked();
}

void FrmOptions::lstShortCuts_ItemClick()
{
    if (!m_filling && !lstShortCuts->selectedItems().isEmpty()) cmdDelete->setEnabled(true);
}

void FrmOptions::lstShortCuts_AfterLabelEdit(QTreeWidgetItem* item, const QString& newString)
{
    const int index = shortcutIndex(item);
    QString reason;
    if (index >= 0 && m_host.settings.shortcuts.at(index).name == newString) return;
    if (index < 0 || !m_host.settings.shortcuts.rename(index, newString, &reason)) {
        // A name the settings file cannot hold as a key, or one another shortcut has, would be lost at the next
        // save: the row goes back to the name in force.
        if (index < 0) reason = QStringLiteral("The shortcut no longer exists.");
        m_host.platform.messageBox(
            QStringLiteral("The shortcut cannot be named \"%1\".\n%2").arg(newString, reason), Platform::Icon::Exclamation);
        fillShortcuts();
        return;
    }
    m_filling = true;
    item->setData(0, NameRole, newString);
    m_filling = false;
}

void FrmOptions::cmdDelete_Click()
{
    const QList<QTreeWidgetItem*> selected = lstShortCuts->selectedItems();
    if (selected.isEmpty()) return;
    const int index = shortcutIndex(selected.first());
    if (index >= 0) m_host.settings.shortcuts.remove(index);
    fillShortcuts();
    cmdDelete->setEnabled(false);
}

void FrmOptions::cmdOk_Click()
{
    // Keys past the hundredth were never loaded, and the save rewrites the whole section: as Add to Shortcuts
    // does, the user decides. No keeps the file as it is and the dialog open.
    const int dropped = m_host.settings.shortcuts.dropped();
    if (dropped > 0
        && m_host.platform.messageBox(browse::shortcutsDroppedText.arg(dropped), Platform::Icon::Question,
               Platform::Buttons::YesNo)
            != Platform::Answer::Yes)
        return;
    m_host.setBusyCursor(true);
    QString reason;
    const bool saved = m_host.settings.write(m_host.ini, &reason);
    m_host.setBusyCursor(false);
    if (!saved) {
        // The dialog stays open with every value, so the user can mend the cause and press Ok again.
        m_host.platform.messageBox(
            QStringLiteral("The settings could not be saved.\n") + reason, Platform::Icon::Exclamation);
        return;
    }
    close();
}
