#pragma once

#include <QComboBox>
#include <functional>

// The path filter's combo box: tells its owner each time its list is about to open, so the list can be filled
// from the shortcuts as they are at that moment.
class FilterCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> dropDown;

    void showPopup() override
    {
        if (dropDown) dropDown();
        QComboBox::showPopup();
    }
};
