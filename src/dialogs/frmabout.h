#pragma once

#include <QWidget>
#include <functional>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;

// The About box: the program's title, version, the store library's version and the maker's notice. Modeless;
// the main window keeps one at a time.
class FrmAbout : public QWidget {
public:
    // mapiVersion gives the session's Version when the box loads; it may throw store::Error.
    explicit FrmAbout(std::function<QString()> mapiVersion, QWidget* parent = nullptr);

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblAppVersion;
    QLabel* lblMapiVersion;
    QLabel* lblDescription;
    QFrame* Line1;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;

    void Form_Load();
    void cmdOk_Click();

protected:
    // OK is the default and the cancel button: Enter and Escape press it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<QString()> m_mapiVersion;
};
