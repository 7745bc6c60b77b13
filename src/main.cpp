#include "mainwindow/frmmain.h"
#include "mainwindow/qtplatform.h"
#include "store/pst/pstprovider.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QtPlatform platform;
    FrmMain window(platform, store::pst::sessionFactory(), settings::IniFile(settings::IniFile::defaultPath()));
    // The whole argument text is one profile name.
    if (!window.Form_Load(QCoreApplication::arguments().mid(1).join(QLatin1Char(' '))))
        return 1;
    window.show();
    return app.exec();
}
