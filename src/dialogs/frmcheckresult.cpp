#include "dialogs/frmcheckresult.h"

#include "mainwindow/platform.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmCheckResult::FrmCheckResult(const QString& text, Platform& platform, QWidget* parent)
    : QDialog(parent)
    , m_text(text)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("frmCheckResult"));
    setWindowTitle(QStringLiteral("Store Check"));
    auto* view = new QPlainTextEdit(text, this);
    view->setObjectName(QStringLiteral("txtResult"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copyButton = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    QPushButton* saveButton = buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole);
    copyButton->setObjectName(QStringLiteral("cmdCopy"));
    saveButton->setObjectName(QStringLiteral("cmdSave"));
    connect(copyButton, &QPushButton::clicked, this, &FrmCheckResult::copy);
    connect(saveButton, &QPushButton::clicked, this, &FrmCheckResult::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view);
    layout->addWidget(buttons);
    resize(640, 400);
}

void FrmCheckResult::copy()
{
    m_platform.setClipboardText(m_text);
}

void FrmCheckResult::save()
{
    const QString path
        = m_platform.saveFileName(QStringLiteral("Save the check's result"), QStringLiteral("Text files (*.txt);;All files (*)"));
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(m_text.toUtf8()) < 0 || !file.flush())
        m_platform.messageBox(
            QStringLiteral("The result could not be saved to %1:\n%2").arg(path, file.errorString()), Platform::Icon::Exclamation);
}
