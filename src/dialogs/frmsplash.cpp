#include "dialogs/frmsplash.h"

#include "dialogs/programinfo.h"
#include "mainwindow/controls.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace {

using controls::named;

const QString makerNotice = QStringLiteral("A read-only store viewer by Veltrane");

} // namespace

FrmSplash::FrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowIcon(program::icon());
    setWindowTitle(program::title);
    setFixedSize(program::twipsToPixelsX(this, 6345), program::twipsToPixelsY(this, 2610));

    Frame1 = named<QGroupBox>("Frame1", this);
    program::placeTwips(Frame1, 120, 60, 6120, 2430);
    Frame1->installEventFilter(this);

    imgLogo = named<QLabel>("imgLogo", Frame1);
    program::placeTwips(imgLogo, 120, 300, 1455, 1425);
    imgLogo->setPixmap(program::icon().pixmap(QSize(256, 256)));
    imgLogo->setScaledContents(true);
    imgLogo->setAttribute(Qt::WA_NoMousePropagation); // a click on the image is not one on the frame

    lblCompanyProduct = label("lblCompanyProduct", program::maker, 1845, 405, 2715, 525, 15.75, true);
    Label1 = label("Label1", program::maker, 1860, 420, 2700, 375, 15.75, true);
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);
    lblProductName = label("lblProductName", QStringLiteral("Storewalker"), 1770, 840, 3795, 660, 27.75, true);
    Label2 = label("Label2", QStringLiteral("™"), 5580, 900, 315, 255, 15.75, true);
    lblPlatform = label("lblPlatform", QStringLiteral("Platform"), 4620, 1440, 1275, 360, 15.75, true, Qt::AlignRight);
    lblVersion = label("lblVersion", QStringLiteral("Version"), 4980, 1860, 885, 285, 12, true, Qt::AlignRight);
    lblCompany = label("lblCompany", makerNotice, 120, 1800, 3255, 255, 8.25, false);
    lblWarning = label(
        "lblWarning", QStringLiteral("Establishing MAPI sesson ... please wait"), 1320, 2160, 3195, 195, 8.25, false);

    // Centred on the screen it opens on.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
}

QLabel* FrmSplash::label(const char* name, const QString& text, int left, int top, int width, int height,
    double points, bool bold, Qt::Alignment alignment)
{
    auto* label = named<QLabel>(name, text, Frame1);
    label->setFont(program::arialFont(points, bold));
    label->setAlignment(alignment | Qt::AlignTop);
    label->setAttribute(Qt::WA_NoMousePropagation); // a click on a label is not one on the frame
    program::placeTwips(label, left, top, width, height);
    return label;
}

void FrmSplash::Form_Load()
{
    // These labels take the size of their text. A right-aligned one keeps its right edge, so a longer text grows
    // to the left and stays inside the frame.
    auto setSized = [](QLabel* label, const QString& text) {
        const QRect design = label->geometry();
        label->setText(text);
        label->adjustSize();
        QRect sized(design.topLeft(), label->size());
        if (label->alignment() & Qt::AlignRight) sized.moveRight(design.right());
        label->setGeometry(sized);
    };
    setSized(lblVersion, program::versionText());
    setSized(lblProductName, program::title);
    setSized(lblPlatform, QString());
    setSized(lblCompanyProduct, lblCompanyProduct->text());
    setSized(Label1, Label1->text());
}

void FrmSplash::Form_KeyPress()
{
    close();
}

void FrmSplash::Frame1_Click()
{
    close();
}

void FrmSplash::keyPressEvent(QKeyEvent*)
{
    Form_KeyPress();
}

bool FrmSplash::eventFilter(QObject* watched, QEvent* event)
{
    // A click is a press and a release on the frame; labels and the image keep theirs to themselves.
    if (watched == Frame1 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
        && Frame1->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Frame1_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
