#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Everything the program does with the desktop beyond its own window: modal boxes, file choosers, the
// clipboard, the printer and starting other programs. The program uses QtPlatform; tests use a scripted fake,
// so no handler ever blocks a test on a modal dialog.
class Platform {
public:
    enum class Icon { None, Critical, Question, Exclamation, Information };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Platform() = default;

    // A message box; title empty means the application's title.
    virtual Answer messageBox(
        const QString& text, Icon icon = Icon::None, Buttons buttons = Buttons::Ok, const QString& title = {})
        = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText)
        = 0;
    // File choosers; empty when cancelled.
    virtual QStringList openFileNames(const QString& caption, const QString& filter) = 0;
    virtual QString saveFileName(const QString& caption, const QString& filter) = 0;
    // A folder chooser; empty when cancelled (always, where there is no desktop).
    virtual QString existingFolder(const QString& /*caption*/) { return {}; }

    virtual void setClipboardText(const QString& text) = 0;
    virtual QString clipboardText() const = 0;

    // Prints plain text in the given font; false with a reason when nothing was printed.
    virtual bool printText(const QString& text, const QString& fontName, double fontSize, QString* error) = 0;
    // The fonts printing can use, each once. Without a printer these are the fonts the system has.
    virtual QStringList printerFontNames() = 0;
    // The printer's current font size; nullopt when no printer is installed.
    virtual std::optional<double> printerFontSize() = 0;
    // Opens a document with the desktop's handler; false when nothing could be started.
    virtual bool openDocument(const QString& path) = 0;

    // Parent for any window the platform shows (may stay null).
    QWidget* dialogParent = nullptr;
};
