#include "cli/command.h"
#include "dialogs/programinfo.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/qtplatform.h"
#include "store/pst/pstprovider.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <unistd.h>

namespace {

// A store failure that a handler lets through is reported, and the program goes on; Qt cannot carry an exception
// through its event loop.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    QPointer<FrmMain> window;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const store::Error& error) {
            if (window) window->reportFailure(error);
        } catch (const std::exception& error) {
            if (window)
                window->reportFailure(store::Error(store::mapi::E_CALL_FAILED, QString::fromLocal8Bit(error.what())));
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // The command line is decided before any application object exists: it gets a core application only, so it
    // needs no display, loads no platform plugin and shows no window.
    if (cli::isCommand(arguments)) {
        QCoreApplication app(argc, argv);
        // Unbuffered on the descriptors: a pipe sees each row as soon as it is written.
        QFile out, err;
        if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered)
            || !err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return 1;
        return cli::run(QCoreApplication::arguments(), store::pst::sessionFactory(),
            settings::IniFile(settings::IniFile::defaultPath()), out, err);
    }
    Application app(argc, argv);
    app.setWindowIcon(program::icon());
    QtPlatform platform;
    // The provider's profile dialog, for a logon without a profile name and without a default profile.
    auto pickStores = [&platform]() -> std::optional<QStringList> {
        const QStringList files = platform.openFileNames(QStringLiteral("Storewalker: choose the store files"),
            QStringLiteral("Outlook stores (*.pst *.ost);;All files (*)"));
        if (files.isEmpty()) return std::nullopt;
        return files;
    };
    FrmMain window(
        platform, store::pst::sessionFactory(pickStores), settings::IniFile(settings::IniFile::defaultPath()));
    app.window = &window;
    // The whole argument text is one profile name.
    if (!window.Form_Load(QCoreApplication::arguments().mid(1).join(QLatin1Char(' ')))) return 1;
    window.show();
    return app.exec();
}
