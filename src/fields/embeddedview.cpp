#include "fields/embeddedview.h"

#include "fields/messagepath.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>
#include <utility>

namespace {

const QString AttachmentKind = QStringLiteral("Attachment");

class EmbeddedNavigator : public QObject {
public:
    explicit EmbeddedNavigator(FrmMain& window)
        : QObject(&window)
        , m_window(window)
    {
        setObjectName(QStringLiteral("embeddedNavigator"));
        m_window.mnuAct->addSeparator()->setObjectName(QStringLiteral("mnuSepEmbedded"));
        m_open = m_window.mnuAct->addAction(QStringLiteral("&Open Embedded Message"));
        m_open->setObjectName(QStringLiteral("mnuActOpenEmbedded"));
        m_back = m_window.mnuAct->addAction(QStringLiteral("&Back"));
        m_back->setObjectName(QStringLiteral("mnuActBack"));
        m_back->setShortcut(Qt::Key_Backspace);
        connect(m_open, &QAction::triggered, this, &EmbeddedNavigator::openSelected);
        connect(m_back, &QAction::triggered, this, &EmbeddedNavigator::goBack);
        connect(m_window.mnuAct, &QMenu::aboutToShow, this, &EmbeddedNavigator::updateItems);
        m_window.lstFields->installEventFilter(this);
        // A new message, folder or store chosen by the user starts a new path.
        for (QTreeWidget* pane : { m_window.lstMessages, m_window.tvwFolders, m_window.lstInfoStores }) {
            pane->installEventFilter(this);
            pane->viewport()->installEventFilter(this);
        }
    }

    MessagePath path;

    void updateItems()
    {
        m_open->setEnabled(selectedPosition() > 0);
        m_back->setEnabled(path.depth() > 0);
    }

    void openSelected()
    {
        const int position = selectedPosition();
        if (position <= 0) return;
        try {
            if (!path.open(position)) {
                m_window.setStatusDirect(QStringLiteral("The attachment holds no message."));
                return;
            }
        } catch (const store::Error& error) {
            m_window.setBusyCursor(false);
            m_window.platform.messageBox(
                QStringLiteral("Error: The embedded message cannot be opened.\r\n") + error.description(),
                Platform::Icon::Critical);
            return;
        }
        show(false);
    }

    void goBack()
    {
        if (path.back()) show(true);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched == m_window.lstFields) {
            if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
            if (type == QEvent::KeyPress && m_window.fieldsKind == AttachmentKind) {
                m_pressed = true;
                openSelected();
                return true;
            }
            // The release puts the list's row into the status line when the window sees it first: the path goes
            // back in.
            if (type == QEvent::KeyRelease && std::exchange(m_pressed, false)) {
                if (path.depth() > 0) m_window.setStatusDirect(QStringLiteral("Message: ") + path.subjects());
                return true;
            }
            return false;
        }
        if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress) path.clear();
        return false;
    }

private:
    // The attachment row's position when the field list shows attachments and one is selected; 0 otherwise.
    int selectedPosition() const
    {
        if (m_window.fieldsKind != AttachmentKind) return 0;
        const QTreeWidgetItem* row = m_window.lstFields->currentItem();
        return row ? row->data(0, embedded::PositionRole).toInt() : 0;
    }

    // The current message's fields after opening, its attachments after going back (where the user came from).
    void show(bool attachments)
    {
        if (attachments)
            m_window.optAttach_Click();
        else
            m_window.optMessage_Click();
        m_window.setStatusDirect(QStringLiteral("Message: ") + path.subjects());
    }

    FrmMain& m_window;
    QAction* m_open = nullptr;
    QAction* m_back = nullptr;
    bool m_pressed = false; // an Enter press opened a message; its release is ours too
};

EmbeddedNavigator* navigator(FrmMain& window)
{
    return window.findChild<EmbeddedNavigator*>(QStringLiteral("embeddedNavigator"), Qt::FindDirectChildrenOnly);
}

} // namespace

void embedded::install(FrmMain& window)
{
    if (!navigator(window)) new EmbeddedNavigator(window);
}

std::shared_ptr<store::Message> embedded::currentMessage(FrmMain& window, const QString& rowTag)
{
    EmbeddedNavigator* nav = navigator(window);
    if (nav && nav->path.rowTag() == rowTag && nav->path.depth() > 0) return nav->path.current();
    std::shared_ptr<store::Message> message = window.session->getMessage(rowTag, window.storeTag);
    if (nav) nav->path.start(message, rowTag);
    return message;
}

QString embedded::subjectPath(FrmMain& window, const QString& rowTag)
{
    EmbeddedNavigator* nav = navigator(window);
    if (!nav || nav->path.depth() < 1 || nav->path.rowTag() != rowTag) return {};
    return nav->path.subjects();
}
