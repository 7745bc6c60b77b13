#pragma once

#include "mainwindow/platform.h"

// The desktop as Qt offers it.
class QtPlatform : public Platform {
public:
    Answer messageBox(const QString& text, Icon icon, Buttons buttons, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QStringList openFileNames(const QString& caption, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& filter) override;
    QString existingFolder(const QString& caption) override;
    void setClipboardText(const QString& text) override;
    QString clipboardText() const override;
    bool printText(const QString& text, const QString& fontName, double fontSize, QString* error) override;
    QStringList printerFontNames() override;
    std::optional<double> printerFontSize() override;
    bool openDocument(const QString& path) override;
};
