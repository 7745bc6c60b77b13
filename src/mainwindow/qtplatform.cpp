#include "mainwindow/qtplatform.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <QScopeGuard>
#include <QUrl>
#include <memory>

namespace {

const QString applicationTitle = QStringLiteral("Storewalker");

QString titleOr(const QString& title)
{
    return title.isEmpty() ? applicationTitle : title;
}

QMessageBox::Icon boxIcon(Platform::Icon icon)
{
    switch (icon) {
    case Platform::Icon::Critical:
        return QMessageBox::Critical;
    case Platform::Icon::Question:
        return QMessageBox::Question;
    case Platform::Icon::Exclamation:
        return QMessageBox::Warning;
    case Platform::Icon::Information:
        return QMessageBox::Information;
    case Platform::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Platform::Buttons buttons)
{
    switch (buttons) {
    case Platform::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Platform::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Platform::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Platform::Buttons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// Lifts the program's busy cursor while a box or chooser waits for the user, and puts it back afterwards.
class NormalCursor {
public:
    NormalCursor()
    {
        while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            m_lifted.prepend(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~NormalCursor()
    {
        for (const QCursor& cursor : m_lifted)
            QGuiApplication::setOverrideCursor(cursor);
    }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    QList<QCursor> m_lifted; // bottom of the stack first
};

} // namespace

Platform::Answer QtPlatform::messageBox(const QString& text, Icon icon, Buttons buttons, const QString& title)
{
    const NormalCursor normal;
    QMessageBox box(boxIcon(icon), titleOr(title), text, boxButtons(buttons), dialogParent);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Closing a box without a Cancel button counts as its only answer.
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<QString> QtPlatform::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    const NormalCursor normal;
    bool ok = false;
    const QString text
        = QInputDialog::getText(dialogParent, titleOr(title), prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) return std::nullopt;
    return text;
}

QStringList QtPlatform::openFileNames(const QString& caption, const QString& filter)
{
    const NormalCursor normal;
    return QFileDialog::getOpenFileNames(dialogParent, caption, QString(), filter);
}

QString QtPlatform::saveFileName(const QString& caption, const QString& filter)
{
    const NormalCursor normal;
    return QFileDialog::getSaveFileName(dialogParent, caption, QString(), filter);
}

QString QtPlatform::existingFolder(const QString& caption)
{
    return QFileDialog::getExistingDirectory(dialogParent, caption);
}

void QtPlatform::setClipboardText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString QtPlatform::clipboardText() const
{
    return QGuiApplication::clipboard()->text();
}

bool QtPlatform::printText(const QString& text, const QString& fontName, double fontSize, QString* error)
{
    auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return false;
    };

    // Without a printer a QPrinter cannot begin; a PDF file is the paper of a machine without one.
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    std::unique_ptr<QPrinter> printer;
    QString pdfFile;
    if (printerInfo.isNull()) {
        pdfFile = saveFileName(
            QStringLiteral("No printer is installed: print into a PDF file"), QStringLiteral("PDF files (*.pdf)"));
        if (pdfFile.isEmpty()) return fail(QStringLiteral("No printer is installed, and no PDF file was chosen."));
        if (QFileInfo(pdfFile).suffix().isEmpty()) pdfFile += QStringLiteral(".pdf");
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfFile);
        QFile::remove(pdfFile); // so that the file seen afterwards is this print's
    } else {
        printer = std::make_unique<QPrinter>(printerInfo, QPrinter::HighResolution);
    }
    printer->setDocName(applicationTitle);

    // The user has answered what there was to ask; from here on the print only works.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    QTextDocument document;
    QFont font(fontName);
    if (fontSize > 0) font.setPointSizeF(fontSize);
    document.setDefaultFont(font);
    document.setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // Laid out on the printer's own pages, the document prints as it is, without the page numbers Qt adds to a
    // document that it has to paginate itself.
    document.documentLayout()->setPaintDevice(printer.get());
    document.setPageSize(QSizeF(printer->width(), printer->height()));
    document.print(printer.get());

    if (printer->printerState() == QPrinter::Error) return fail(QStringLiteral("The printer reported an error."));
    if (!pdfFile.isEmpty() && QFileInfo(pdfFile).size() == 0)
        return fail(QStringLiteral("The PDF file %1 could not be written.").arg(pdfFile));
    return true;
}

QStringList QtPlatform::printerFontNames()
{
    // Qt prints with the fonts of the system, with or without a printer.
    return QFontDatabase::families();
}

std::optional<double> QtPlatform::printerFontSize()
{
    if (QPrinterInfo::defaultPrinter().isNull()) return std::nullopt;
    // A printer has no font of its own here: its current size is what a font gets when nobody chose one.
    return QGuiApplication::font().pointSizeF();
}

bool QtPlatform::openDocument(const QString& path)
{
    if (!QFileInfo(path).isFile()) return false;
    // The desktop's opener claims success even when it finds no program for the document, so the desktop's
    // choice for the document's type is asked first. Where that cannot be asked, the opener's word is taken.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    bool handlerKnown = false;
    bool asked = false;
    for (const QString& name : QStringList(type.name()) + type.aliases()) {
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), { QStringLiteral("query"), QStringLiteral("default"), name });
        if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit) break;
        asked = true;
        if (!query.readAllStandardOutput().trimmed().isEmpty()) {
            handlerKnown = true;
            break;
        }
    }
    if (asked && !handlerKnown) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}
