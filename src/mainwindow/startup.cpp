#include "mainwindow/frmmain.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QRadioButton>
#include <QThread>

namespace {

const QString baseTitle = QStringLiteral("Storewalker.");

QString sessionTitle(const QString& sessionName)
{
    return baseTitle + QStringLiteral("  [") + sessionName + QLatin1Char(']');
}

QString failureText(const std::exception& failure)
{
    if (const auto* error = dynamic_cast<const store::Error*>(&failure))
        return QStringLiteral("Error %1: %2").arg(error->numberText(), error->description());
    return QString::fromLocal8Bit(failure.what());
}

// Lets pending painting (splash window, status line) happen while the store library works.
void yieldToEventLoop()
{
    QCoreApplication::processEvents();
}

} // namespace

bool FrmMain::Form_Load(const QString& commandLine)
{
    m_starting = true;
    try {
        showSplash();

        subFullRowSelect(lstInfoStores);
        subFullRowSelect(lstMessages);
        subFullRowSelect(lstFields);

        config.readLimit(ini);
        collectionOffset = 1;
        config.readOptions(ini);
        config.readShortcuts(ini);
        yieldToEventLoop();

        Status(QStringLiteral("Establishing MAPI session ..."));
        session = m_sessionFactory();
        yieldToEventLoop();

        QString profileName = settings::readProfile(ini);
        if (!commandLine.isEmpty()) profileName = commandLine;
        // Exactly one argument: the profile name, or the new-session choice when there is no name.
        store::LogonArgs logonArgs;
        if (profileName.isEmpty()) {
            // The logon may ask for store files: its chooser waits under the normal cursor, above no splash.
            hideSplash();
            setBusyCursor(false);
            logonArgs.newSession = false;
        } else {
            logonArgs.profileName = profileName;
        }
        session->logon(logonArgs);
        m_loggedOn = true;
        yieldToEventLoop();

        setWindowTitle(sessionTitle(session->name()));
        yieldToEventLoop();

        optModeInfo->setChecked(true);
        optModeInfo_Click();

        hideSplash();
    } catch (const store::Error& error) {
        failStart(QStringLiteral("Error %1: %2").arg(error.numberText(), error.description()));
        return false;
    } catch (const std::exception& error) {
        // Any other failure ends the start the same way, instead of ending the program without a word.
        failStart(QString::fromLocal8Bit(error.what()));
        return false;
    } catch (...) {
        failStart(QStringLiteral("An unknown failure."));
        return false;
    }
    m_starting = false;
    return true;
}

void FrmMain::failStart(const QString& reason)
{
    m_starting = false;
    setBusyCursor(false);
    hideSplash();
    platform.messageBox(QStringLiteral("Storewalker cannot start.\n\n") + reason, Platform::Icon::Critical);
    // A session that is open when a later step fails is closed, not left behind.
    Form_QueryUnload();
}

void FrmMain::Form_QueryUnload()
{
    logOff();
    // Ends the run at once: other windows go with the event loop, without their own closing steps. Outside a
    // running event loop (start-up, tests) there is nothing to end, and exit() would make later loops return.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void FrmMain::logOff()
{
    // Every way of closing comes here, some of them twice (the close event and the application's end).
    if (m_loggedOff) return;
    m_loggedOff = true;
    if (session && m_loggedOn) {
        try {
            session->logoff();
        } catch (const store::Error&) {
            // The program ends either way.
        }
    }
}

void FrmMain::mnuFileExit_Click()
{
    close();
}

bool FrmMain::openProfile(const QString& profileName)
{
    if (m_loggedOff) return false; // the window is closing
    setBusyCursor(true);
    // The new session logs on before the old one goes, so a profile that cannot be opened changes nothing.
    std::unique_ptr<store::Session> next;
    try {
        next = m_sessionFactory();
        store::LogonArgs logonArgs;
        logonArgs.profileName = profileName;
        next->logon(logonArgs);
    } catch (const std::exception& failure) {
        setBusyCursor(false);
        platform.messageBox(
            QStringLiteral("The profile cannot be opened: %1\n%2").arg(profileName, failureText(failure)),
            Platform::Icon::Exclamation);
        return false;
    }
    addressEntry.reset();
    addressEntries.reset();
    addressLists.reset();
    message.reset();
    messages.reset();
    folder.reset();
    infoStore.reset();
    infoStores.reset();
    if (session && m_loggedOn) {
        try {
            session->logoff();
        } catch (const store::Error&) {
            // The old profile is left either way.
        }
    }
    session = std::move(next);
    m_loggedOn = true;
    setWindowTitle(sessionTitle(session->name()));
    optModeInfo->setChecked(true);
    optModeInfo_Click();
    return true;
}

QString FrmMain::droppedProfile(const QMimeData& data)
{
    for (const QUrl& url : data.urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

void FrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData() && !droppedProfile(*event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void FrmMain::dropEvent(QDropEvent* event)
{
    const QString profileName = event->mimeData() ? droppedProfile(*event->mimeData()) : QString();
    if (profileName.isEmpty()) return;
    event->acceptProposedAction();
    // Opened once the drop has ended: the program the file came from waits for it, and the logon may show a box.
    QMetaObject::invokeMethod(this, [this, profileName] { openProfile(profileName); }, Qt::QueuedConnection);
}
