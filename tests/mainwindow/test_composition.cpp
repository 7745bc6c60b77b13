#include "windowfixture.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>
#include <gtest/gtest.h>

namespace {

// Every check box and option button shows its whole text in the window's font: inside its own box and its frame,
// clear of the frame's lines and caption and of the controls beside it. CTest runs this at 96 DPI and at 144 DPI,
// scaled by the toolkit and unscaled; SW_EXPECT_DPI says which DPI the run must have.
TEST(Composition, EveryButtonShowsItsWholeText)
{
    WindowFixture f(browseSession());
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    w.show();
    const int expectedDpi
        = qEnvironmentVariableIsSet("SW_EXPECT_DPI") ? qEnvironmentVariableIntValue("SW_EXPECT_DPI") : 96;
    ASSERT_EQ(qRound(w.logicalDpiX() * w.devicePixelRatioF()), expectedDpi);
    const QString family = QFontInfo(w.font()).family();

    QSet<QString> checked;
    const auto checkVisibleButtons = [&] {
        for (QGroupBox* frame : w.findChildren<QGroupBox*>()) {
            if (!frame->isVisibleTo(&w)) continue;
            // What the frame draws itself: its lines and its caption, without background and children.
            QImage own(frame->size() * w.devicePixelRatioF(), QImage::Format_ARGB32);
            own.setDevicePixelRatio(w.devicePixelRatioF());
            own.fill(Qt::transparent);
            frame->render(&own, QPoint(), QRegion(), QWidget::RenderFlags());
            const QList<QWidget*> controls = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (auto* button : frame->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
                if (!button->isVisibleTo(frame)) continue;
                SCOPED_TRACE(button->objectName().toStdString() + " in " + family.toStdString());
                checked.insert(button->objectName());
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                const bool box = qobject_cast<QCheckBox*>(button);
                const QRect contents = button->style()->subElementRect(
                    box ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, button);
                const QRect text = button->style()->itemTextRect(button->fontMetrics(), contents,
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, true, button->text());
                EXPECT_TRUE(button->rect().contains(text))
                    << "text " << text.x() << "," << text.y() << " " << text.width() << "x" << text.height()
                    << " in box " << button->width() << "x" << button->height();
                const QRect inFrame = text.translated(button->pos());
                EXPECT_TRUE(frame->rect().contains(inFrame)) << "frame width " << frame->width();
                for (QWidget* other : controls)
                    EXPECT_TRUE(other == button || !other->isVisibleTo(frame) || !other->geometry().intersects(inFrame))
                        << "under " << other->objectName().toStdString();
                int crossed = 0;
                const QRect device(inFrame.topLeft() * w.devicePixelRatioF(), inFrame.size() * w.devicePixelRatioF());
                for (int y = device.top(); y <= device.bottom(); ++y)
                    for (int x = device.left(); x <= device.right(); ++x)
                        crossed += own.rect().contains(x, y) && qAlpha(own.pixel(x, y)) != 0;
                EXPECT_EQ(crossed, 0) << "pixels of the frame's line or caption across the text";
            }
        }
    };
    checkVisibleButtons(); // information stores: the mode buttons, "Associated", "Filter=", the five object buttons
    f.modeAddr();
    checkVisibleButtons(); // address lists: the three object buttons of that mode
    EXPECT_EQ(checked.size(), 12);
}

} // namespace
