#pragma once

#include <QIcon>
#include <QString>

class QWidget;

// Who the program is: the title, the version of this release and the maker, shown by the About box, the splash
// window and the reports; and the helpers its dialogs share.
namespace program {

inline const QString title = QStringLiteral("Storewalker");
inline const QString maker = QStringLiteral("Veltrane");
constexpr int versionMajor = STOREWALKER_VERSION_MAJOR;
constexpr int versionMinor = STOREWALKER_VERSION_MINOR;
constexpr int versionRevision = STOREWALKER_VERSION_PATCH;

// The folder that holds the executable, where the help document lies. Tests may put another in its place.
QString folder();
void setFolder(const QString& folder);

// "Version " and the three numbers in decimal, without leading zeros: "Version 2.4.0".
QString versionText();
// The program's icon, in every size it ships.
QIcon icon();
// The dialogs' texts in Arial, or a face of its width where the desktop has no Arial, at this size in points.
QFont arialFont(double pointSize, bool bold = false);
// Places a control at a design position given in twips (left, top, width, height) on the widget's screen.
void placeTwips(QWidget* control, int left, int top, int width, int height);
// A length in twips as pixels on the widget's screen.
int twipsToPixelsX(const QWidget* widget, int twips);
int twipsToPixelsY(const QWidget* widget, int twips);

} // namespace program
