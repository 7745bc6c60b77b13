#pragma once

#include <QDialog>
#include <QString>

class FrmMain;
class Platform;
class QPlainTextEdit;
class QPushButton;

// The field detail window: one field's header, whole value and decoded structure as text that can be copied and
// saved. Non-modal; the main window keeps one and shows the selected field row in it while it is open.
class FrmFieldDetail : public QDialog {
public:
    FrmFieldDetail(Platform& platform, QWidget* parent = nullptr);

    void showField(const QString& rowName, const QString& text);
    QString text() const;

    QPlainTextEdit* txtDetail;
    QPushButton* cmdEntryId; // the listed object's entry identifier, stored or not
    QPushButton* cmdCopy;
    QPushButton* cmdSave;
    QPushButton* cmdClose;

    void cmdCopy_Click();
    void cmdSave_Click();

private:
    Platform& m_platform;
};

// Adds "Field Details..." to the Edit menu (and so to the pop-up), opens the window on Enter in the field list, and
// lets it follow the selected field row. Called once by the main window's dialog wiring.
void connectFieldDetail(FrmMain& window);
// The detail text of the selected field row, or empty when the field list shows no field row or none is selected.
QString selectedFieldDetail(FrmMain& window);
// The detail of PR_ENTRYID of the object whose fields are listed, the store's identifier of it where the object
// stores none; empty when the list shows no object's fields.
QString listedEntryIdDetail(FrmMain& window);
