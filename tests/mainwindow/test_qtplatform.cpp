#include "mainwindow/qtplatform.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// The real desktop, with the file chooser answered by the test.
struct ChosenFilePlatform : QtPlatform {
    QString chosen;
    int asked = 0;
    QString saveFileName(const QString&, const QString&) override { return ++asked, chosen; }
};

TEST(QtPlatform, WithoutPrinterPrintsIntoTheChosenPdf)
{
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed here";
    QTemporaryDir dir;
    const std::pair<QString, QString> cases[] = { // chosen name, file printed into (empty: none)
        { dir.filePath("report.pdf"), dir.filePath("report.pdf") },
        { dir.filePath("plain"), dir.filePath("plain.pdf") }, { QString(), QString() },
        { "/nonexistent-folder/x.pdf", QString() }
    };
    for (const auto& [chosen, file] : cases) {
        SCOPED_TRACE(chosen.toStdString());
        ChosenFilePlatform platform;
        platform.chosen = chosen;
        QString error;
        // A font that scripts/install-deps installs and that is not the fallback: the check proves it was used.
        EXPECT_EQ(platform.printText("Storewalker report\nField one", "Liberation Serif", 7, &error), !file.isEmpty());
        EXPECT_EQ(platform.asked, 1);
        EXPECT_EQ(error.isEmpty(), !file.isEmpty()) << error.toStdString();
        if (file.isEmpty()) continue;
        ASSERT_TRUE(QFileInfo::exists(file));
        QProcess pdftotext;
        pdftotext.start("pdftotext", { file, "-" });
        if (!pdftotext.waitForFinished(20000)) continue; // the reader is missing: the file's existence has to do
        EXPECT_TRUE(pdftotext.readAllStandardOutput().contains("Field one"));
        QProcess pdffonts;
        pdffonts.start("pdffonts", { file });
        EXPECT_TRUE(pdffonts.waitForFinished(20000) && pdffonts.readAllStandardOutput().contains("LiberationSerif"));
    }
    // Opening a missing document, or a folder, fails.
    EXPECT_FALSE(QtPlatform().openDocument("/nonexistent-folder/StorWalk.rtf"));
    EXPECT_FALSE(QtPlatform().openDocument(dir.path()));
}

// A box waits for the user under the normal cursor, whatever busy cursor the program had set; that comes back.
TEST(QtPlatform, BoxesWaitUnderTheNormalCursor)
{
    QtPlatform qt;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    bool busyWhileWaiting = true;
    QTimer::singleShot(0, [&] {
        busyWhileWaiting = QGuiApplication::overrideCursor() != nullptr;
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    static_cast<Platform&>(qt).messageBox("Text");
    EXPECT_FALSE(busyWhileWaiting);
    ASSERT_TRUE(QGuiApplication::overrideCursor());
    QGuiApplication::restoreOverrideCursor();
}

} // namespace
