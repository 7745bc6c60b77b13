#pragma once

#include "mainwindow/platform.h"
#include "settings/currentsettings.h"
#include "settings/inifile.h"
#include "store/store.h"

#include <QHash>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStringList>
#include <memory>

class FrmAbout;
class FrmOptions;
class FrmSplash;
class FrmFind;
class FrmCheckResult;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPlainTextEdit;
class QRadioButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

// Item data roles that stand in for the list rows' and tree nodes' tags and keys.
namespace role {
constexpr int Tag = Qt::UserRole; // row tag / node tag (identifier, position or tag text)
constexpr int Key = Qt::UserRole + 1; // tree node key ("x0", "x1", ...)
constexpr int Named = Qt::UserRole + 2; // field rows: the store's name of a named property
} // namespace role

// Which pane last had a mouse press.
enum Pane { PaneTopList = 0, PaneFolders = 1, PaneMessages = 2, PaneFields = 3 };

// The one browsing window. It owns the controls, the session, the current objects and the settings held for the
// run. Its handlers and procedures are defined in the folder of the subsystem they belong to: start-up, modes,
// status line and layout in mainwindow/, the folder tree and message list in browse/, the field list in fields/.
class FrmMain : public QMainWindow {
public:
    FrmMain(Platform& platform, store::SessionFactory sessionFactory, settings::IniFile ini, QWidget* parent = nullptr);
    ~FrmMain() override;

    // ---- controls, named as in the design (also their Qt object names) ----
    QGroupBox* fraMode;
    QRadioButton* optModeInfo;
    QRadioButton* optModeAddr;
    QTreeWidget* lstInfoStores;
    QGroupBox* fraFolders;
    QComboBox* cboFilter;
    QTreeWidget* tvwFolders;
    QGroupBox* fraMessages;
    QCheckBox* chkAssociated; // lists the folder's associated contents instead of its contents
    QCheckBox* chkFilter;
    QLineEdit* txtFilter;
    QTreeWidget* lstMessages;
    QGroupBox* fraFields;
    QRadioButton* optInfoStore;
    QRadioButton* optFolder;
    QRadioButton* optMessage;
    QRadioButton* optRecip;
    QRadioButton* optAttach;
    QRadioButton* optAddList;
    QRadioButton* optAddEntry;
    QRadioButton* optMember;
    QTreeWidget* lstFields;
    QStatusBar* pnlStatus;
    QLabel* pnlStatusText; // the status bar's one text field
    QPlainTextEdit* txtTemp;

    QMenu* mnuFile;
    QAction* mnuFileOptions;
    QAction* mnuFileCheck;
    QAction* mnuFileExit;
    QMenu* mnuAct;
    QAction* mnuActFind;
    QAction* mnuActCopyItem;
    QAction* mnuActCopyAll;
    QAction* mnuActPrintAll;
    QAction* mnuActGetURL;
    QAction* mnuActAddShortcut;
    QAction* mnuActOffset;
    QMenu* mnuHelp;
    QAction* mnuHelpInfo;
    QAction* mnuHelpAbout;

    // ---- state held for the run ----
    Platform& platform;
    settings::IniFile ini;
    settings::CurrentSettings config;
    bool showFieldType = false; // Options "Show Type" (not stored)
    bool showFieldSize = false; // Options "Show Size" (not stored)
    qint32 collectionOffset = 1;
    qint32 listingCounter = 0;
    qint32 activePane = PaneTopList;

    std::unique_ptr<store::Session> session;
    std::shared_ptr<store::Collection<store::InfoStore>> infoStores;
    std::shared_ptr<store::InfoStore> infoStore;
    std::shared_ptr<store::Folder> folder;
    std::shared_ptr<store::Messages> messages;
    std::shared_ptr<store::Message> message;
    std::shared_ptr<store::Collection<store::AddressList>> addressLists;
    std::shared_ptr<store::AddressEntries> addressEntries;
    std::shared_ptr<store::AddressEntry> addressEntry;

    QString storeTag; // tag of lstInfoStores: the store identifier of the tree's folders
    QString filterTag = QStringLiteral("\\"); // tag of cboFilter: the path filter's parent path
    QString fieldsKind; // tag of fraFields: the object kind the field list shows
    QHash<QString, QTreeWidgetItem*> nodes; // tvwFolders by key

    // ---- start-up and shutdown (mainwindow/startup.cpp) ----
    // Runs the start-up sequence. On a failed logon shows the failure and returns false.
    bool Form_Load(const QString& commandLine);
    void Form_QueryUnload();
    void mnuFileExit_Click();
    // Opens a profile in place of the current one, as starting with it does (a file dropped on the window). When it
    // cannot be opened, a box says why and the window keeps the profile it has.
    bool openProfile(const QString& profileName);
    // The profile name a drop carries: its first local file or folder; empty when it carries none.
    static QString droppedProfile(const QMimeData& data);
    bool loggedOff() const { return m_loggedOff; }

    // ---- browse modes and the top list (mainwindow/browsemodes.cpp) ----
    void optModeInfo_Click();
    void optModeAddr_Click();
    void lstInfoStores_Click();
    void lstInfoStores_MouseDown(Qt::MouseButton button, const QPoint& pos);
    void lstInfoStores_ColumnClick(int column);
    static QString funDisplayTypeName(int code);

    // ---- status line and list helpers (mainwindow/listhelpers.cpp) ----
    void Status(const QString& text);
    void setStatusDirect(const QString& text); // a status text without Status' blanks and cursor rule
    QString statusText() const;
    // The list's current order is its "swSortOrder" property (a Qt::SortOrder; absent means ascending).
    static void subSortColumn(QTreeWidget* list, int columnIndex);
    // Sorting off and the order preset to descending: rows keep the order they are added in, and the first header
    // click then sorts ascending.
    static void presetUnsorted(QTreeWidget* list);
    static QTreeWidgetItem* subAddListRow(QTreeWidget* list, const QStringList& texts);
    static void subFullRowSelect(QTreeWidget* list);
    QString funNodePath(QTreeWidgetItem* node) const;
    static QString funFieldText(const store::Fields& fields, quint32 tag);
    void setBusyCursor(bool busy); // exactly two states, never a stack of overrides
    bool busyCursor() const { return m_busy; }
    // Pops the "&Edit" menu up at pos, given in the pane's viewport coordinates (as the MouseDown handlers get it).
    void popupEditMenu(QWidget* pane, const QPoint& pos);
    void setEditMenuEnabled(bool enabled); // the "&Edit" menu in the menu bar; the pop-up shows in any case
    bool editMenuEnabled() const;
    // A store failure that no handler traps: shown with its number and description, default cursor.
    void reportFailure(const store::Error& error);

    // ---- layout (mainwindow/layout.cpp) ----
    void Form_Resize();
    // The screen's twips per pixel (1440 / logical DPI): 15 at 96 DPI.
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;
    // Screen pixels per design pixel (logical DPI / 96): the layout's pixel rules are the design screen's.
    double designScaleX() const;
    double designScaleY() const;

    // ---- folder tree (browse/foldertree.cpp) ----
    void subFolderList(const std::shared_ptr<store::Folder>& oParFold, QTreeWidgetItem* oParNode);
    void tvwFolders_Expand(QTreeWidgetItem* node);
    void tvwFolders_MouseDown(Qt::MouseButton button, const QPoint& pos);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& text, const QString& tag);
    // The store's pseudo-folders after the real subfolders of the tree's root, in a look of their own.
    void addPseudoFolders(const store::InfoStore& infoStore, QTreeWidgetItem* root);
    // A pseudo-folder's listing is found on its click, with progress in the status bar.
    void findPseudoListing(const store::Folder& pseudo);

    // ---- folder scan (browse/folderscan.cpp) ----
    // Appends to txtTemp one indented line per visible node below NodePar, depth first.
    void subFldRecLstDsp(QTreeWidgetItem* NodePar);
    qint16 scanDepth = 0;

    // ---- message list (browse/messagelist.cpp) ----
    void tvwFolders_NodeClick(QTreeWidgetItem* node);
    void lstMessages_Click();
    void lstMessages_KeyUp();
    void lstMessages_MouseDown(Qt::MouseButton button, const QPoint& pos);
    void lstMessages_ColumnClick(int column);
    void chkFilter_Click();
    void chkAssociated_Click();
    void mnuActOffset_Click();

    // ---- shortcuts, path filter and Outlook links (browse/shortcuts.cpp, browse/outlookurl.cpp) ----
    void mnuActAddShortcut_Click();
    void cboFilter_DropDown();
    void cboFilter_Click();
    void mnuActGetURL_Click();
    // "<Outlook:\\" + the names up the object's Parent chain, each followed by "\", + "~" + subject + ">".
    static QString funOutlookURL(const std::shared_ptr<store::Object>& obj);

    // ---- field rows and object views (fields/fieldrows.cpp, fields/objectview.cpp) ----
    void subDispFieldColl(const store::Fields& oFieldColl);
    void subSetFieldOpts(const QString& mode);
    void subDispObjFields(const QString& kind);
    void optInfoStore_Click();
    void optFolder_Click();
    void optMessage_Click();
    void optRecip_Click();
    void optAttach_Click();
    void optAddList_Click();
    void optAddEntry_Click();
    void optMember_Click();

    // ---- field list interaction (fields/fieldlist.cpp) ----
    void lstFields_Click();
    void lstFields_KeyUp();
    void lstFields_DblClick();
    void lstFields_ColumnClick(int column);
    void lstFields_MouseDown(Qt::MouseButton button, const QPoint& pos);
    static QString funCleanText(const QString& tIn);

    // ---- reports (fields/reports.cpp) ----
    void mnuActCopyItem_Click();
    void mnuActCopyAll_Click();
    void mnuActPrintAll_Click();
    // The whole-window report of Copy All. Never fails: a part that cannot be read is left out.
    QString funReportText();
    // False, after saying so in a message box, when the clipboard did not take the text.
    bool putOnClipboard(const QString& text);

    // ---- dialogs and help (dialogs/dialogwiring.cpp) ----
    void mnuFileOptions_Click();
    void mnuHelpInfo_Click();
    void mnuHelpAbout_Click();
    void showSplash(); // the first step of start-up
    void hideSplash(); // the last; a splash the user closed stays closed
    QPointer<FrmSplash> splash;
    QPointer<FrmAbout> about;
    QPointer<FrmOptions> options;

    // ---- Check Store (dialogs/checkmenu.cpp) ----
    void mnuFileCheck_Click();
    QPointer<FrmCheckResult> checkResult; // the last check's result window, while it is open

    // ---- Find (dialogs/findmenu.cpp) ----
    void mnuActFind_Click();
    QPointer<FrmFind> frmFind; // null while the dialog is closed

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override; // a window restored from an icon is laid out again
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createMenus();
    void connectHandlers();
    void connectDialogs();
    void logOff(); // once per run, whatever closes the window
    void failStart(const QString& reason); // the start-up failure's box, then the session closed

    store::SessionFactory m_sessionFactory;
    bool m_loggedOn = false;
    bool m_loggedOff = false;
    bool m_starting = false; // start-up lets failures end the program instead of reporting them
    bool m_busy = false;
    QPersistentModelIndex m_failedRow; // the lstMessages row whose failure was shown while it stays selected
};
