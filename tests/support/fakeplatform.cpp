#include "support/fakeplatform.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

void noteWait(FakePlatform& platform)
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    platform.waitCursors.append(cursor ? cursor->shape() : Qt::ArrowCursor);
    if (platform.onWait) platform.onWait();
}

} // namespace

Platform::Answer FakePlatform::messageBox(const QString& text, Icon icon, Buttons buttons, const QString& title)
{
    noteWait(*this);
    boxes.append({ text, icon, buttons, title });
    if (!answers.empty()) {
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

std::optional<QString> FakePlatform::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    noteWait(*this);
    prompts.append({ prompt, title, defaultText });
    if (inputs.empty())
        return std::nullopt;
    const bool answered = inputs.front().has_value();
    const QString text = inputs.front().value_or(QString());
    inputs.pop_front();
    if (!answered)
        return std::nullopt;
    return text;
}

QStringList FakePlatform::openFileNames(const QString&, const QString&)
{
    noteWait(*this);
    if (chosenFiles.empty())
        return {};
    QStringList files = chosenFiles.front();
    chosenFiles.pop_front();
    return files;
}

QString FakePlatform::saveFileName(const QString& caption, const QString& filter)
{
    const QStringList files = openFileNames(caption, filter); // notes the wait
    return files.isEmpty() ? QString() : files.first();
}

bool FakePlatform::printText(const QString& text, const QString& fontName, double fontSize, QString* error)
{
    if (!printerAvailable) {
        noteWait(*this);
        if (error)
            *error = QStringLiteral("No printer is installed.");
        return false;
    }
    printed.append(text);
    printedFont = fontName + u' ' + QString::number(fontSize);
    return true;
}

bool FakePlatform::openDocument(const QString& path)
{
    opened.append(path);
    return openSucceeds;
}
