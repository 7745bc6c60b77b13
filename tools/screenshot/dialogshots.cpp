// Draws the splash window, the About box and the Options dialog into PNG files for the documentation, each
// opened the way the program opens it, over a real store. Not a test; built on demand:
//   sw_dialogshots STORE.pst OUTDIR
#include "dialogs/frmabout.h"
#include "dialogs/frmoptions.h"
#include "dialogs/frmsplash.h"
#include "mainwindow/frmmain.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <cstdio>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

bool shoot(QWidget* window, const QString& file)
{
    if (!window) {
        std::fprintf(stderr, "no window for %s\n", qPrintable(file));
        return false;
    }
    window->show();
    settle();
    return window->grab().save(file);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: sw_dialogshots STORE.pst OUTDIR\n");
        return 2;
    }
    const QDir out(args[2]);
    FakePlatform platform;
    FrmMain w(platform, store::pst::sessionFactory(), settings::IniFile(settings::IniFile::defaultPath()));
    bool ok = shoot(new FrmSplash(&w), out.filePath(QStringLiteral("splash.png")));
    if (!w.Form_Load(args[1])) {
        for (const FakePlatform::Box& box : platform.boxes)
            std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
        return 1;
    }
    w.show();
    settle();
    w.mnuHelpAbout_Click();
    ok = shoot(w.about, out.filePath(QStringLiteral("about.png"))) && ok;
    w.mnuFileOptions_Click();
    ok = shoot(w.options, out.filePath(QStringLiteral("options.png"))) && ok;
    return ok ? 0 : 1;
}
