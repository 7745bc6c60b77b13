#pragma once

#include "mainwindow/platform.h"

#include <QList>
#include <deque>
#include <functional>
#include <ostream>

// Readable texts in test failures (lists print element by element through this too).
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// A scripted desktop: records every box shown and answers from queues set up by the test.
class FakePlatform : public Platform {
public:
    struct Box {
        QString text;
        Icon icon;
        Buttons buttons;
        QString title;
    };
    struct Prompt {
        QString prompt;
        QString title;
        QString defaultText;
    };

    QList<Box> boxes;
    QList<Prompt> prompts;
    std::deque<Answer> answers; // next message box answers; Ok (or Yes) when empty
    std::deque<std::optional<QString>> inputs; // next input box answers; cancelled when empty
    std::deque<QStringList> chosenFiles;
    QString clipboard;
    QList<QString> printed;
    QString printedFont; // "name size" of the last print
    QList<QString> opened;
    bool printerAvailable = true;
    QStringList fonts { QStringLiteral("Courier"), QStringLiteral("Arial"), QStringLiteral("Times New Roman") };
    double printerSize = 10; // the printer's current font size, when there is a printer
    bool openSucceeds = true;
    // The cursor at each box, chooser or print that waits for the user (a print waits only without a printer,
    // where it asks for a PDF file), in call order; Qt::ArrowCursor when no override was in force.
    QList<Qt::CursorShape> waitCursors;
    std::function<void()> onWait; // runs at each of those calls, for what a test wants to see then

    Answer messageBox(const QString& text, Icon icon, Buttons buttons, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QStringList openFileNames(const QString& caption, const QString& filter) override;
    QString saveFileName(const QString& caption, const QString& filter) override;
    QString existingFolder(const QString& caption) override { return saveFileName(caption, {}); }
    bool clipboardWorks = true; // false: the clipboard drops what it is given
    void setClipboardText(const QString& text) override
    {
        if (clipboardWorks) clipboard = text;
    }
    QString clipboardText() const override { return clipboard; }
    bool printText(const QString& text, const QString& fontName, double fontSize, QString* error) override;
    QStringList printerFontNames() override { return fonts; }
    std::optional<double> printerFontSize() override
    {
        return printerAvailable ? std::optional<double>(printerSize) : std::nullopt;
    }
    bool openDocument(const QString& path) override;

    // The texts of the boxes shown so far, which are then forgotten.
    QStringList takeBoxTexts()
    {
        QStringList texts;
        for (const Box& box : boxes)
            texts << box.text;
        boxes.clear();
        return texts;
    }
};
