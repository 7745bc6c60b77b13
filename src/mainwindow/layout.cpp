#include "mainwindow/layout.h"

#include "mainwindow/frmmain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeWidget>

namespace layout {

QRect toPixels(const Twips& t, double tpx, double tpy)
{
    return snapped(QRectF(t.left / tpx, t.top / tpy, t.width / tpx, t.height / tpy));
}

QRect snapped(const QRectF& r)
{
    const int left = qRound(r.left());
    const int top = qRound(r.top());
    return QRect(left, top, qRound(r.left() + r.width()) - left, qRound(r.top() + r.height()) - top);
}

Output layOut(const Input& in)
{
    Output out;
    if (in.state == WindowState::Minimized) return out;
    out.apply = true;

    // Single precision throughout, as the columns were always computed.
    float H = float(in.clientH);
    float W = float(in.clientW);
    // A maximized window is never resized: the window manager decides its size, so it is laid out as it is.
    if (in.state == WindowState::Normal) {
        float outerW = W + in.frameW;
        float outerH = H + in.frameH;
        bool grow = false;
        if (H < minClientHeight) {
            H = minClientHeight;
            outerH = minClientHeight + in.frameH;
            grow = true;
        }
        if (W < minClientWidth) {
            W = minClientWidth;
            outerW = minClientWidth + in.frameW;
            grow = true;
        }
        if (grow) out.outerSize = QSizeF(outerW, outerH);
    }
    out.W = W;
    out.H = H;

    const auto tpx = float(in.tpx);
    const auto tpy = float(in.tpy);
    auto px = [tpy](int twips) { return float(twips) / tpy; };
    const float topListTop = px(design::lstInfoStores.top);
    const float treeTop = px(design::tvwFolders.top);
    const float listTop = px(design::lstMessages.top);

    const float treeH = H - (treeTop + bottomReserve);
    const float listH = H - (listTop + bottomReserve);
    const float topListH = in.addressMode ? listH : in.topListHeight;

    const float treeW = W / columnDivisor - 1;
    out.tvwFolders = QRectF(0, treeTop, treeW, treeH);
    const float messagesW = W / columnDivisor - 1;
    const float messagesLeft = treeW + 1;
    out.lstMessages = QRectF(messagesLeft, listTop, messagesW, listH);
    const float fieldsW = 1.5f * W / columnDivisor - 1;
    const float fieldsLeft = treeW + messagesW + 2;
    out.lstFields = QRectF(fieldsLeft, listTop, fieldsW, listH);

    out.fraMode = QRectF(1, px(design::fraMode.top), treeW - 1, px(design::fraMode.height));
    out.lstInfoStores = QRectF(0, topListTop, treeW, topListH);
    out.infoStoresColumns[0] = treeW * 2 / 4 - listColumnAllowance;
    out.infoStoresColumns[1] = treeW * 2 / 4 - listColumnAllowance;

    out.cboFilterWidthTwips = (treeW - 10) * tpx;
    out.cboFilter = QRectF(design::cboFilter.left / tpx, design::cboFilter.top / tpy, out.cboFilterWidthTwips / tpx,
        design::cboFilter.height / tpy);
    out.fraFolders = QRectF(1, px(design::fraFolders.top), treeW - 1, px(design::fraFolders.height));

    const float messagesFrameW = messagesW - 1;
    out.fraMessages
        = QRectF(messagesLeft + 1, px(design::fraMessages.top), messagesFrameW, px(design::fraMessages.height));
    out.txtFilterLeftTwips = float(design::txtFilter.left);
    out.txtFilterWidthTwips = (messagesFrameW - 3) * tpx - out.txtFilterLeftTwips;
    out.txtFilter = QRectF(out.txtFilterLeftTwips / tpx, design::txtFilter.top / tpy, out.txtFilterWidthTwips / tpx,
        design::txtFilter.height / tpy);
    out.messagesColumns[0] = messagesW * 4 / 5 - listColumnAllowance;
    out.messagesColumns[1] = messagesW / 5 - listColumnAllowance;

    out.fraFields = QRectF(fieldsLeft + 1, px(design::fraFields.top), fieldsW - 1, px(design::fraFields.height));
    out.fieldsColumns[0] = fieldsW * 4 / 10 - listColumnAllowance;
    out.fieldsColumns[1] = fieldsW * 6 / 10 - listColumnAllowance;

    // The status bar keeps to the bottom edge at its design height.
    const float statusH = px(design::pnlStatus.height);
    out.pnlStatus = QRectF(0, H - statusH, W, statusH);
    return out;
}

} // namespace layout

double FrmMain::designScaleX() const
{
    return 15.0 / twipsPerPixelX();
}

double FrmMain::designScaleY() const
{
    return 15.0 / twipsPerPixelY();
}

void FrmMain::Form_Resize()
{
    // The pass counts in the design screen's pixels (15 twips each). On a screen of another logical DPI they are
    // scaled like the twips of the controls inside the frames, so that the frames stay wide enough for them.
    const double kx = designScaleX();
    const double ky = designScaleY();
    QWidget* client = centralWidget();
    layout::Input in;
    in.clientW = qRound(client->width() / kx);
    in.clientH = qRound(client->height() / ky);
    in.state = isMinimized()              ? layout::WindowState::Minimized
        : isMaximized() || isFullScreen() ? layout::WindowState::Maximized
                                          : layout::WindowState::Normal;
    in.addressMode = optModeAddr->isChecked();
    in.topListHeight = float(lstInfoStores->height() / ky);
    in.frameW = float((width() - client->width()) / kx);
    in.frameH = float((height() - client->height()) / ky);

    const layout::Output out = layout::layOut(in);
    if (!out.apply) return;
    if (out.outerSize) resize(qRound(out.outerSize->width() * kx), qRound(out.outerSize->height() * ky));

    const auto place = [kx, ky](QWidget* widget, const QRectF& r) {
        widget->setGeometry(layout::snapped(QRectF(r.x() * kx, r.y() * ky, r.width() * kx, r.height() * ky)));
    };
    place(tvwFolders, out.tvwFolders);
    place(lstMessages, out.lstMessages);
    place(lstFields, out.lstFields);
    place(fraMode, out.fraMode);
    place(lstInfoStores, out.lstInfoStores);
    place(cboFilter, out.cboFilter);
    place(fraFolders, out.fraFolders);
    place(fraMessages, out.fraMessages);
    place(txtFilter, out.txtFilter);
    place(fraFields, out.fraFields);
    place(pnlStatus, out.pnlStatus);
    for (int i = 0; i < 2; ++i) {
        lstInfoStores->setColumnWidth(i, qRound(out.infoStoresColumns[i] * kx));
        lstMessages->setColumnWidth(i, qRound(out.messagesColumns[i] * kx));
        lstFields->setColumnWidth(i, qRound(out.fieldsColumns[i] * kx));
    }
}
