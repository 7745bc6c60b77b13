#include "mainwindow/qtplatform.h"

// Placeholder bodies; the main window subsystem fills them in.
Platform::Answer QtPlatform::messageBox(const QString&, Icon, Buttons, const QString&) { return Answer::Ok; }
std::optional<QString> QtPlatform::inputBox(const QString&, const QString&, const QString&) { return std::nullopt; }
QStringList QtPlatform::openFileNames(const QString&, const QString&) { return {}; }
QString QtPlatform::saveFileName(const QString&, const QString&) { return {}; }
void QtPlatform::setClipboardText(const QString&) { }
QString QtPlatform::clipboardText() const { return {}; }
bool QtPlatform::printText(const QString&, const QString&, double, QString*) { return false; }
bool QtPlatform::openDocument(const QString&) { return false; }
