#include "mainwindow/qtplatform.h"

#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The real desktop, with the file chooser answered by the test.
class ChosenFilePlatform : public QtPlatform {
public:
    QString chosen;
    int asked = 0;
    QString saveFileName(const QString&, const QString&) override
    {
        ++asked;
        return chosen;
    }
};

TEST(QtPlatform, WithoutPrinterPrintsIntoTheChosenPdf)
{
    if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a printer is installed here";
    QTemporaryDir dir;
    struct {
        const char* name;
        QString chosen;
        bool printed;
        QString file;
    } const cases[] = {
        { "chosen file", dir.filePath("report.pdf"), true, dir.filePath("report.pdf") },
        { "name without suffix", dir.filePath("plain"), true, dir.filePath("plain.pdf") },
        { "cancelled", QString(), false, QString() },
        { "unwritable place", "/nonexistent-folder/x.pdf", false, QString() },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChosenFilePlatform platform;
        platform.chosen = c.chosen;
        QString error;
        EXPECT_EQ(platform.printText("Storewalker report\nField one", "Courier", 8, &error), c.printed);
        EXPECT_EQ(platform.asked, 1);
        EXPECT_EQ(error.isEmpty(), c.printed) << error.toStdString();
        if (!c.printed) continue;
        ASSERT_TRUE(QFileInfo::exists(c.file));
        QProcess pdftotext;
        pdftotext.start("pdftotext", { c.file, "-" });
        if (!pdftotext.waitForFinished(20000)) continue; // the reader is missing: the file's existence has to do
        EXPECT_TRUE(pdftotext.readAllStandardOutput().contains("Field one"));
    }
}

TEST(QtPlatform, OpeningAMissingDocumentFails)
{
    QtPlatform platform;
    EXPECT_FALSE(platform.openDocument("/nonexistent-folder/StorWalk.rtf"));
    QTemporaryDir dir;
    EXPECT_FALSE(platform.openDocument(dir.path())); // a folder is no document
}

} // namespace
