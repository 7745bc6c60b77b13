#include "mainwindow/frmmain.h"
#include "browse/filtercombo.h"
#include "mainwindow/controls.h"
#include "mainwindow/layout.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTreeWidget>

namespace {

using controls::named;

// The frames draw their line through the middle of their caption, as the design expects: its buttons sit just
// below the caption, where the application's style may draw the line instead. One style for every window.
QStyle* frameStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style) style->setParent(qApp); // lives as long as any window that uses it
    }
    return style;
}

QTreeWidget* reportList(const char* name, QWidget* parent)
{
    auto* list = named<QTreeWidget>(name, parent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    list->header()->setStretchLastSection(false); // the layout sizes both columns and leaves room for a scroll bar
    return list;
}

} // namespace

FrmMain::FrmMain(Platform& platform_, store::SessionFactory sessionFactory, settings::IniFile ini_, QWidget* parent)
    : QMainWindow(parent)
    , platform(platform_)
    , ini(std::move(ini_))
    , m_sessionFactory(std::move(sessionFactory))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Storewalker."));
    // The design packs its captions into narrow boxes. Liberation Sans (Arial's widths, installed with the program)
    // at 7.5 points fits every one of them at any DPI; the desktop's usual fonts are too wide at that size.
    QFont small = font();
    small.setFamilies({ QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), small.family() });
    small.setPointSizeF(7.5);
    setFont(small);
    createControls();
    createMenus();
    connectHandlers();
    platform.dialogParent = this;
    setAcceptDrops(true); // a store file dropped on the window opens as the profile

    // The design size is also the smallest the layout accepts; telling the window manager keeps it from offering
    // smaller sizes that the layout would only undo.
    const QSize minimum(
        qRound(layout::minClientWidth * designScaleX()), qRound(layout::minClientHeight * designScaleY()));
    centralWidget()->setMinimumSize(minimum);
    resize(minimum.width(), minimum.height() + menuBar()->sizeHint().height());
}

FrmMain::~FrmMain()
{
    if (platform.dialogParent == this) platform.dialogParent = nullptr;
    logOff();
}

double FrmMain::twipsPerPixelX() const
{
    return 1440.0 / logicalDpiX();
}

double FrmMain::twipsPerPixelY() const
{
    return 1440.0 / logicalDpiY();
}

void FrmMain::createControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    fraMode = named<QGroupBox>("fraMode", QStringLiteral("Mode:"), client);
    optModeInfo = named<QRadioButton>("optModeInfo", QStringLiteral("Information Stores"), fraMode);
    optModeAddr = named<QRadioButton>("optModeAddr", QStringLiteral(" Address Lists"), fraMode);
    lstInfoStores = reportList("lstInfoStores", client);
    fraFolders = named<QGroupBox>("fraFolders", QStringLiteral("Folder Hierarchy"), client);
    cboFilter = named<FilterCombo>("cboFilter", fraFolders);
    tvwFolders = named<QTreeWidget>("tvwFolders", client);
    tvwFolders->setHeaderHidden(true);
    fraMessages = named<QGroupBox>("fraMessages", QStringLiteral("Messages"), client);
    chkAssociated = named<QCheckBox>("chkAssociated", QStringLiteral("Associated"), fraMessages);
    chkAssociated->setToolTip(QStringLiteral("List the folder's associated (hidden) contents"));
    chkFilter = named<QCheckBox>("chkFilter", QStringLiteral("Filter="), fraMessages);
    txtFilter = named<QLineEdit>("txtFilter", fraMessages);
    lstMessages = reportList("lstMessages", client);
    fraFields = named<QGroupBox>("fraFields", QStringLiteral("Fields: "), client);
    optInfoStore = named<QRadioButton>("optInfoStore", QStringLiteral("InfoStore"), fraFields);
    optFolder = named<QRadioButton>("optFolder", QStringLiteral("Folder"), fraFields);
    optMessage = named<QRadioButton>("optMessage", QStringLiteral("Message"), fraFields);
    optRecip = named<QRadioButton>("optRecip", QStringLiteral("Recip"), fraFields);
    optAttach = named<QRadioButton>("optAttach", QStringLiteral("Attach"), fraFields);
    optAddList = named<QRadioButton>("optAddList", QStringLiteral("Address List"), fraFields);
    optAddEntry = named<QRadioButton>("optAddEntry", QStringLiteral("Address Entry"), fraFields);
    optMember = named<QRadioButton>("optMember", QStringLiteral("Members"), fraFields);
    lstFields = reportList("lstFields", client);
    pnlStatus = named<QStatusBar>("pnlStatus", client);
    pnlStatusText = named<QLabel>("pnlStatusText", pnlStatus);
    pnlStatus->addWidget(pnlStatusText, 1);
    pnlStatus->setSizeGripEnabled(false);
    txtTemp = named<QPlainTextEdit>("txtTemp", client);
    txtTemp->setVisible(false);

    if (QStyle* style = frameStyle())
        for (QGroupBox* frame : { fraMode, fraFolders, fraMessages, fraFields })
            frame->setStyle(style);

    cboFilter->setPlaceholderText(QStringLiteral("<None>")); // shown while no entry is chosen
    cboFilter->setToolTip(QStringLiteral("Path Filter=OFF.... starting from root of selected store"));

    // Design geometry; the layout pass then fits the columns to the window.
    const double tpx = twipsPerPixelX();
    const double tpy = twipsPerPixelY();
    namespace d = layout::design;
    const std::pair<QWidget*, layout::Twips> geometry[] = { { fraMode, d::fraMode }, { optModeInfo, d::optModeInfo },
        { optModeAddr, d::optModeAddr }, { lstInfoStores, d::lstInfoStores }, { fraFolders, d::fraFolders },
        { cboFilter, d::cboFilter }, { tvwFolders, d::tvwFolders }, { fraMessages, d::fraMessages },
        { chkAssociated, d::chkAssociated }, { chkFilter, d::chkFilter }, { txtFilter, d::txtFilter }, { lstMessages, d::lstMessages },
        { fraFields, d::fraFields }, { optInfoStore, d::optInfoStore }, { optFolder, d::optFolder },
        { optMessage, d::optMessage }, { optRecip, d::optRecip }, { optAttach, d::optAttach },
        { optAddList, d::optAddList }, { optAddEntry, d::optAddEntry }, { optMember, d::optMember },
        { lstFields, d::lstFields }, { pnlStatus, d::pnlStatus }, { txtTemp, d::txtTemp } };
    for (const auto& [widget, twips] : geometry)
        widget->setGeometry(layout::toPixels(twips, tpx, tpy));
}

void FrmMain::createMenus()
{
    auto action = [](QMenu* menu, const char* name, const QString& caption, const QKeySequence& key = {}) {
        auto* item = menu->addAction(caption);
        item->setObjectName(QLatin1String(name));
        item->setShortcut(key);
        return item;
    };
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QLatin1String(name)); };

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOptions = action(mnuFile, "mnuFileOptions", QStringLiteral("&Options ..."), Qt::Key_F2);
    mnuFileCheck = action(mnuFile, "mnuFileCheck", QStringLiteral("&Check Store..."));
    separator(mnuFile, "sep7");
    mnuFileExit = action(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));

    mnuAct = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuAct->setObjectName(QStringLiteral("mnuAct"));
    mnuActFind = action(mnuAct, "mnuActFind", QStringLiteral("&Find ..."), Qt::Key_F3);
    separator(mnuAct, "mnuSep2");
    mnuActCopyItem = action(mnuAct, "mnuActCopyItem", QStringLiteral("Copy &Item"));
    mnuActCopyAll = action(mnuAct, "mnuActCopyAll", QStringLiteral("Copy &All"));
    separator(mnuAct, "mnuSep11");
    mnuActPrintAll = action(mnuAct, "mnuActPrintAll", QStringLiteral("&Print All"));
    separator(mnuAct, "mnuSep99");
    mnuActGetURL = action(mnuAct, "mnuActGetURL", QStringLiteral("Get &URL"));
    separator(mnuAct, "sep36");
    mnuActAddShortcut = action(mnuAct, "mnuActAddShortcut", QStringLiteral("Add to &Shortcuts..."));
    mnuActOffset = action(mnuAct, "mnuActOffset", QStringLiteral("Collection Offset (1) ..."));

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpInfo = action(mnuHelp, "mnuHelpInfo", QStringLiteral("&Information ..."), Qt::Key_F1);
    mnuHelpAbout = action(mnuHelp, "mnuHelpAbout", QStringLiteral("&About ..."));
}

void FrmMain::connectHandlers()
{
    // The end of the user's desktop session, or any other end of the application, closes the session too.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &FrmMain::Form_QueryUnload);
    connect(mnuFileExit, &QAction::triggered, this, &FrmMain::mnuFileExit_Click);
    connectDialogs();
    connect(optModeInfo, &QRadioButton::clicked, this, &FrmMain::optModeInfo_Click);
    connect(optModeAddr, &QRadioButton::clicked, this, &FrmMain::optModeAddr_Click);
    connect(lstInfoStores, &QTreeWidget::itemClicked, this, &FrmMain::lstInfoStores_Click);
    connect(lstInfoStores->header(), &QHeaderView::sectionClicked, this,
        [this](int section) { lstInfoStores_ColumnClick(section + 1); });
    connect(tvwFolders, &QTreeWidget::itemExpanded, this, &FrmMain::tvwFolders_Expand);
    connect(tvwFolders, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { tvwFolders_NodeClick(node); });
    connect(lstMessages, &QTreeWidget::itemClicked, this, &FrmMain::lstMessages_Click);
    connect(lstMessages->header(), &QHeaderView::sectionClicked, this,
        [this](int section) { lstMessages_ColumnClick(section + 1); });
    connect(chkFilter, &QCheckBox::clicked, this, &FrmMain::chkFilter_Click);
    connect(chkAssociated, &QCheckBox::clicked, this, &FrmMain::chkAssociated_Click);
    connect(mnuActOffset, &QAction::triggered, this, &FrmMain::mnuActOffset_Click);
    connect(mnuActAddShortcut, &QAction::triggered, this, &FrmMain::mnuActAddShortcut_Click);
    connect(mnuActGetURL, &QAction::triggered, this, &FrmMain::mnuActGetURL_Click);
    static_cast<FilterCombo*>(cboFilter)->dropDown = [this] { cboFilter_DropDown(); };
    connect(cboFilter, &QComboBox::activated, this, &FrmMain::cboFilter_Click);
    connect(mnuActFind, &QAction::triggered, this, &FrmMain::mnuActFind_Click);
    connect(mnuActCopyItem, &QAction::triggered, this, &FrmMain::mnuActCopyItem_Click);
    connect(mnuActCopyAll, &QAction::triggered, this, &FrmMain::mnuActCopyAll_Click);
    connect(mnuActPrintAll, &QAction::triggered, this, &FrmMain::mnuActPrintAll_Click);
    connect(optInfoStore, &QRadioButton::clicked, this, &FrmMain::optInfoStore_Click);
    connect(optFolder, &QRadioButton::clicked, this, &FrmMain::optFolder_Click);
    connect(optMessage, &QRadioButton::clicked, this, &FrmMain::optMessage_Click);
    connect(optRecip, &QRadioButton::clicked, this, &FrmMain::optRecip_Click);
    connect(optAttach, &QRadioButton::clicked, this, &FrmMain::optAttach_Click);
    connect(optAddList, &QRadioButton::clicked, this, &FrmMain::optAddList_Click);
    connect(optAddEntry, &QRadioButton::clicked, this, &FrmMain::optAddEntry_Click);
    connect(optMember, &QRadioButton::clicked, this, &FrmMain::optMember_Click);
    connect(lstFields, &QTreeWidget::itemClicked, this, &FrmMain::lstFields_Click);
    connect(lstFields, &QTreeWidget::itemDoubleClicked, this, &FrmMain::lstFields_DblClick);
    connect(lstFields->header(), &QHeaderView::sectionClicked, this,
        [this](int section) { lstFields_ColumnClick(section + 1); });

    // Mouse presses and key releases of the panes come through the event filter.
    for (QWidget* pane : { static_cast<QWidget*>(lstInfoStores), static_cast<QWidget*>(tvwFolders),
             static_cast<QWidget*>(lstMessages), static_cast<QWidget*>(lstFields) }) {
        pane->installEventFilter(this);
        if (auto* view = qobject_cast<QAbstractItemView*>(pane)) view->viewport()->installEventFilter(this);
    }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event)
{
    auto isPane = [watched](QTreeWidget* pane) { return watched == pane || watched == pane->viewport(); };
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // Positions go to the handlers in viewport coordinates, which itemAt() and popupEditMenu() take.
        QPoint pos = mouse->position().toPoint();
        if (auto* view = qobject_cast<QAbstractItemView*>(watched)) pos = view->viewport()->mapFrom(view, pos);
        if (isPane(lstInfoStores))
            lstInfoStores_MouseDown(mouse->button(), pos);
        else if (isPane(tvwFolders))
            tvwFolders_MouseDown(mouse->button(), pos);
        else if (isPane(lstMessages))
            lstMessages_MouseDown(mouse->button(), pos);
        else if (isPane(lstFields))
            lstFields_MouseDown(mouse->button(), pos);
    } else if (event->type() == QEvent::KeyRelease) {
        if (watched == lstMessages)
            lstMessages_KeyUp();
        else if (watched == lstFields)
            lstFields_KeyUp();
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void FrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) Form_Resize();
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
}
