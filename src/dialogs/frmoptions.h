#pragma once

#include <QWidget>
#include <functional>

class Platform;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace settings {
class IniFile;
struct CurrentSettings;
}

// What the Options dialog reads and changes of the main window. Every change lands here at once, while the
// dialog is open; Ok only writes the settings file.
struct OptionsHost {
    settings::CurrentSettings& settings; // limit, flags, printer font and the shortcut table held for the run
    bool& showFieldType; // "Show Type" under "Fields:", not saved
    bool& showFieldSize; // "Show Size", not saved
    qint32& collectionOffset;
    const settings::IniFile& ini;
    Platform& platform; // message boxes, the printer's fonts
    std::function<void(bool)> setBusyCursor;
};

// The Options dialog: listing limit, display flags, printer font and the shortcuts. Modeless; the main window
// keeps one at a time.
class FrmOptions : public QWidget {
public:
    explicit FrmOptions(OptionsHost host, QWidget* parent = nullptr);

    QGroupBox* Frame2;
    QLabel* Label2;
    QLineEdit* txtLimit;
    QGroupBox* fraFolder;
    QCheckBox* chkFolderType;
    QGroupBox* fraFields;
    QCheckBox* chkMapiCodes;
    QCheckBox* chkAltCodes;
    QCheckBox* chkFldType;
    QCheckBox* chkFldSize;
    QGroupBox* Frame1;
    QLabel* Label6;
    QComboBox* cboFontName;
    QLabel* Label4;
    QLineEdit* txtFontSize;
    QLabel* lblShortcuts;
    QTreeWidget* lstShortCuts;
    QPushButton* cmdDelete;
    QPushButton* cmdOk;

    void Form_Load();
    void txtLimit_Change();
    void txtFontSize_Change();
    void cboFontName_Change();
    void chkAltCodes_Click();
    void chkMapiCodes_Click();
    void chkFolderType_Click();
    void chkFldSize_Click();
    void chkFldType_Click();
    void lstShortCuts_ItemClick();
    void lstShortCuts_AfterLabelEdit(QTreeWidgetItem* item, const QString& newString);
    void cmdDelete_Click();
    void cmdOk_Click();

    // The number a text begins with, after blanks: sign, digits, fraction and exponent; 0 when it begins with
    // none.
    static double funLeadingNumber(const QString& text);

private:
    void createControls();
    void fillShortcuts();
    // The table row of a list row: rows carry their shortcut's name, so an entry added in the main window while
    // the dialog is open never makes a row act on another shortcut. -1 when the shortcut is gone.
    int shortcutIndex(const QTreeWidgetItem* item) const;

    OptionsHost m_host;
    bool m_filling = false; // the dialog itself changes rows or texts: no user edit
};
