#include "dialogs/frmabout.h"

#include "dialogs/programinfo.h"
#include "mainwindow/controls.h"
#include "store/store.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

using controls::named;

// The title block: the title line, then each further line after an empty one.
const QString titleBlock = QStringLiteral("Active Messaging - Storewalker (tm)\n\n"
                                          "A read-only viewer of MAPI message stores\n\n"
                                          "Stores, folders, messages and their fields");
const QString disclaimer = QStringLiteral("Warning: unsupported software from Veltrane.");

} // namespace

FrmAbout::FrmAbout(std::function<QString()> mapiVersion, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
              | Qt::WindowCloseButtonHint)
    , m_mapiVersion(std::move(mapiVersion))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(program::icon());
    setFont(program::arialFont(8));
    setFixedSize(program::twipsToPixelsX(this, 5580), program::twipsToPixelsY(this, 2325));

    picIcon = named<QLabel>("picIcon", this);
    program::placeTwips(picIcon, 240, 240, 480, 480);
    picIcon->setPixmap(program::icon().pixmap(picIcon->size()));
    lblTitle = named<QLabel>("lblTitle", QStringLiteral("App Title"), this);
    lblTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    program::placeTwips(lblTitle, 1020, 120, 3885, 1080);
    lblAppVersion = named<QLabel>("lblAppVersion", QStringLiteral("App Version"), this);
    program::placeTwips(lblAppVersion, 1020, 1260, 3885, 225);
    lblMapiVersion = named<QLabel>("lblMapiVersion", QStringLiteral("Mapi Version"), this);
    program::placeTwips(lblMapiVersion, 1020, 1560, 3885, 225);
    lblDescription = named<QLabel>("lblDescription", QStringLiteral("App Description"), this);
    program::placeTwips(lblDescription, 60, 780, 945, 270);
    // An etched separator: a grey line over a white one.
    Line1 = named<QFrame>("Line1", this);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    program::placeTwips(Line1, 60, 1860, 5400, 30);
    lblDisclaimer = named<QLabel>("lblDisclaimer", QStringLiteral("Warning: ..."), this);
    program::placeTwips(lblDisclaimer, 240, 1980, 3825, 225);
    cmdOK = named<QPushButton>("cmdOK", QStringLiteral("OK"), this);
    program::placeTwips(cmdOK, 4200, 1920, 1260, 345);

    connect(cmdOK, &QPushButton::clicked, this, &FrmAbout::cmdOk_Click);
    Form_Load();
}

void FrmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + program::title);
    lblTitle->setText(titleBlock);
    lblAppVersion->setText(program::versionText());
    QString mapiVersion;
    try {
        mapiVersion = m_mapiVersion ? m_mapiVersion() : QString();
    } catch (const store::Error&) {
        // The box still opens; it says the version is unknown instead of failing.
        mapiVersion = QStringLiteral("not available");
    }
    lblMapiVersion->setText(QStringLiteral("MAPI version: ") + mapiVersion);
    lblDisclaimer->setText(disclaimer);
    lblDescription->setText(QString());
}

void FrmAbout::cmdOk_Click()
{
    close();
}

void FrmAbout::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        cmdOK->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
