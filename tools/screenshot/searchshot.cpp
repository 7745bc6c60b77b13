// Draws the Search Folders window, with matches from several folders, into a PNG for the documentation. The store
// is written here, so the picture needs no sample file. Not a test; built on demand: sw_searchshot OUT.png
#include "mainwindow/frmmain.h"
#include "pstwriter.h"
#include "search/frmsearch.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QAction>
#include <QApplication>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

namespace {

const char* const mailbox = R"({ "time": "2024-03-01T09:00:00Z", "folders": [
  { "name": "Inbox", "messages": [
      { "subject": "Budget review on Thursday", "created": "2024-03-04T08:12:00Z" },
      { "subject": "Lunch?", "created": "2024-03-04T11:30:00Z" },
      { "subject": "RE: Budget 2024, second draft", "created": "2024-03-02T16:45:00Z" } ],
    "folders": [ { "name": "Finance", "messages": [
      { "subject": "Budget figures for Q1", "created": "2024-02-27T10:05:00Z" },
      { "subject": "Invoice 1182", "created": "2024-02-26T09:00:00Z" },
      { "subject": "FW: travel budget", "created": "2024-02-20T14:20:00Z" } ] } ] },
  { "name": "Sent Items", "messages": [
      { "subject": "Budget 2024, first draft", "created": "2024-02-28T17:02:00Z" } ] },
  { "name": "Archive", "folders": [ { "name": "2023", "messages": [
      { "subject": "Budget 2023 closed", "created": "2023-12-21T12:00:00Z" } ] } ] } ] })";

void settle()
{
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: sw_searchshot OUT.png\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString pst = dir.filePath(QStringLiteral("Mailbox.pst"));
    QString error;
    if (!pstwriter::writeStore(QJsonDocument::fromJson(mailbox).object(), pst, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    FakePlatform platform;
    FrmMain w(platform, store::pst::sessionFactory(), settings::IniFile(settings::IniFile::defaultPath()));
    if (!w.Form_Load(pst)) return 1;
    w.show();
    settle();
    w.findChild<QAction*>(QStringLiteral("mnuActSearch"))->trigger();
    auto* s = w.findChild<FrmSearch*>();
    s->txtText->setText(QStringLiteral("budget"));
    s->optScopeAll->setChecked(true);
    s->cmdSearch->click();
    for (int i = 0; i < 1000 && s->searching(); ++i)
        QCoreApplication::processEvents();
    s->lstMatches->setCurrentItem(s->lstMatches->topLevelItem(2));
    settle();
    return s->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
