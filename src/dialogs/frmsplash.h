#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;

// The window shown while the program starts and opens its session: the program's name, version and maker.
// Any key, or a click on the frame outside its labels and image, closes it.
class FrmSplash : public QWidget {
public:
    explicit FrmSplash(QWidget* parent = nullptr);

    QGroupBox* Frame1;
    QLabel* imgLogo;
    QLabel* lblCompanyProduct;
    QLabel* Label1; // the maker's name again, in white, a little lower and to the right: an embossed look
    QLabel* lblProductName;
    QLabel* Label2;
    QLabel* lblPlatform;
    QLabel* lblVersion;
    QLabel* lblCompany;
    QLabel* lblWarning;

    void Form_Load();
    void Form_KeyPress();
    void Frame1_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* label(const char* name, const QString& text, int left, int top, int width, int height, double points,
        bool bold, Qt::Alignment alignment = Qt::AlignLeft);
};
