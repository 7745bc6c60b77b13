#include "dialogs/programinfo.h"

#include <QCoreApplication>
#include <QFont>
#include <QWidget>
#include <cmath>

namespace program {

namespace {
    QString folderInPlace;
}

QString folder()
{
    return folderInPlace.isEmpty() ? QCoreApplication::applicationDirPath() : folderInPlace;
}

void setFolder(const QString& folder)
{
    folderInPlace = folder;
}

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3").arg(versionMajor).arg(versionMinor).arg(versionRevision);
}

QIcon icon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/storewalker/icons/storewalker-48.png"));
    icon.addFile(QStringLiteral(":/storewalker/icons/storewalker-256.png"));
    return icon;
}

QFont arialFont(double pointSize, bool bold)
{
    QFont font;
    font.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
        QStringLiteral("Helvetica"), font.family() });
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// 1440 twips to the inch, at the screen's logical resolution: 15 twips a pixel at 96 DPI.
int twipsToPixelsX(const QWidget* widget, int twips)
{
    return int(std::lround(twips * widget->logicalDpiX() / 1440.0));
}

int twipsToPixelsY(const QWidget* widget, int twips)
{
    return int(std::lround(twips * widget->logicalDpiY() / 1440.0));
}

void placeTwips(QWidget* control, int left, int top, int width, int height)
{
    control->setGeometry(twipsToPixelsX(control, left), twipsToPixelsY(control, top), twipsToPixelsX(control, width),
        twipsToPixelsY(control, height));
}

} // namespace program
