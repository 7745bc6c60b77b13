#pragma once

#include <QComboBox>
#include <QWheelEvent>
#include <functional>

// The path filter's combo box: tells its owner each time its list is about to open, so the list can be filled
// from the shortcuts as they are at that moment. Each choice rebuilds the folder tree, so only a choice made in
// the opened list counts: the wheel passing over the closed box changes nothing.
class FilterCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> dropDown;

    void showPopup() override
    {
        if (dropDown) dropDown();
        QComboBox::showPopup();
    }

protected:
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};
