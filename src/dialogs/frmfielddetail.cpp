#include "dialogs/frmfielddetail.h"

#include "dialogs/programinfo.h"
#include "mainwindow/platform.h"

#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmFieldDetail::FrmFieldDetail(Platform& platform, QWidget* parent)
    : QDialog(parent)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("frmFieldDetail"));
    setWindowTitle(QStringLiteral("Field Details"));
    setWindowIcon(program::icon());
    setModal(false);
    resize(720, 520);

    txtDetail = new QPlainTextEdit(this);
    txtDetail->setObjectName(QStringLiteral("txtDetail"));
    txtDetail->setReadOnly(true);
    txtDetail->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The hex dump lines up only in a fixed-pitch font.
    txtDetail->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cmdEntryId = new QPushButton(QStringLiteral("&Entry ID"), this);
    cmdEntryId->setObjectName(QStringLiteral("cmdEntryId"));
    cmdEntryId->setToolTip(QStringLiteral("The entry identifier of the object whose fields are listed"));
    cmdCopy = new QPushButton(QStringLiteral("&Copy"), this);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdSave = new QPushButton(QStringLiteral("&Save..."), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdEntryId);
    buttons->addStretch();
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtDetail);
    layout->addLayout(buttons);

    connect(cmdCopy, &QPushButton::clicked, this, &FrmFieldDetail::cmdCopy_Click);
    connect(cmdSave, &QPushButton::clicked, this, &FrmFieldDetail::cmdSave_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
}

void FrmFieldDetail::showField(const QString& rowName, const QString& text)
{
    setWindowTitle(QStringLiteral("Field Details - ") + rowName);
    txtDetail->setPlainText(text);
}

QString FrmFieldDetail::text() const
{
    return txtDetail->toPlainText();
}

void FrmFieldDetail::cmdCopy_Click()
{
    // A selection copies what is selected; without one, the whole text.
    const QString selected
        = txtDetail->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    m_platform.setClipboardText(selected.isEmpty() ? text() : selected);
}

void FrmFieldDetail::cmdSave_Click()
{
    const QString path = m_platform.saveFileName(
        QStringLiteral("Save Field Details"), QStringLiteral("Text files (*.txt);;All files (*)"));
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text().toUtf8()) < 0 || !file.flush()) {
        m_platform.messageBox(QStringLiteral("The field details could not be saved:\n") + path + QStringLiteral("\n")
                + file.errorString(),
            Platform::Icon::Exclamation);
    }
}
