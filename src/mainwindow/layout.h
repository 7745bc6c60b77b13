#pragma once

#include <QRect>
#include <QRectF>
#include <QSize>
#include <optional>

// The main window's geometry: the design positions of its controls (twips, relative to their container) and the
// layout pass that fits the three columns to the client area. The pass is a pure function of its inputs, so the
// window and the tests share it.
namespace layout {

struct Twips {
    int left, top, width, height;
};

namespace design {
    // The client area below the menu bar, status bar included.
    constexpr Twips client { 0, 0, 11910, 7890 };
    constexpr Twips fraMode { 0, 0, 3375, 495 };
    constexpr Twips optModeInfo { 180, 210, 1635, 195 };
    constexpr Twips optModeAddr { 1860, 210, 1275, 195 };
    constexpr Twips lstInfoStores { 0, 420, 3375, 1335 };
    constexpr Twips fraFolders { 0, 1800, 3375, 675 };
    constexpr Twips cboFilter { 60, 240, 3255, 315 };
    constexpr Twips tvwFolders { 0, 2400, 3375, 5115 };
    constexpr Twips fraMessages { 3420, 0, 3315, 495 };
    constexpr Twips chkAssociated { 60, 180, 1035, 225 };
    constexpr Twips chkFilter { 1110, 180, 735, 225 };
    constexpr Twips txtFilter { 1830, 120, 1185, 285 };
    constexpr Twips lstMessages { 3420, 420, 3315, 7095 };
    constexpr Twips fraFields { 6780, 0, 5055, 495 };
    constexpr Twips optInfoStore { 180, 180, 1035, 255 };
    constexpr Twips optFolder { 1200, 180, 915, 255 };
    constexpr Twips optMessage { 2160, 180, 975, 255 };
    constexpr Twips optRecip { 3240, 180, 855, 255 };
    constexpr Twips optAttach { 4140, 180, 855, 255 };
    constexpr Twips optAddList { 360, 180, 1455, 255 };
    constexpr Twips optAddEntry { 2040, 180, 1395, 255 };
    constexpr Twips optMember { 3600, 180, 1035, 255 };
    constexpr Twips lstFields { 6780, 420, 5055, 7095 };
    constexpr Twips pnlStatus { 0, 7575, 11910, 315 };
    constexpr Twips txtTemp { 6540, -60, 195, 285 };
} // namespace design

// Heights the browse modes give the top list, in pixels.
constexpr int topListHeightInfo = 89;
constexpr int topListHeightAddr = 475;

constexpr int minClientHeight = 526;
constexpr int minClientWidth = 794;
constexpr int frameAllowanceHeight = 700; // twips, the original window frame
constexpr int frameAllowanceWidth = 200; // twips
constexpr float bottomReserve = 22; // pixels kept free for the status bar
constexpr float columnDivisor = 3.5f;
constexpr float listColumnAllowance = 21.5f;

// Twips to pixels with the screen's twips per pixel, as a control applies them.
QRect toPixels(const Twips& t, double tpx, double tpy);

enum class WindowState { Normal, Minimized, Maximized };

struct Input {
    int clientW = 0; // pixels
    int clientH = 0;
    WindowState state = WindowState::Normal;
    bool addressMode = false;
    double tpx = 15; // twips per pixel
    double tpy = 15;
    float topListHeight = topListHeightInfo; // the top list's current height, kept in information-store mode
    // What the window adds around its client area (pixels). The original frame allowance is the default.
    float frameW = frameAllowanceWidth / 15.0f;
    float frameH = frameAllowanceHeight / 15.0f;
};

struct Output {
    bool apply = false; // false for a minimized window: nothing changes
    float W = 0, H = 0; // the client size the pass used
    std::optional<QSizeF> outerSize; // the window's new outer size, when it was below the minimum

    // Window-level controls in pixels of the client area.
    QRectF fraMode, lstInfoStores, fraFolders, tvwFolders, fraMessages, lstMessages, fraFields, lstFields, pnlStatus;
    // Controls inside frames, in pixels of their frame.
    QRectF cboFilter, txtFilter;
    // The same two in twips, as the pass computes them.
    float cboFilterWidthTwips = 0, txtFilterLeftTwips = 0, txtFilterWidthTwips = 0;

    float infoStoresColumns[2] = {};
    float messagesColumns[2] = {};
    float fieldsColumns[2] = {};
};

// One layout pass.
Output layOut(const Input& in);

// Whole pixels of a fractional rectangle: edges are rounded, so neighbouring columns keep their gaps.
QRect snapped(const QRectF& r);

} // namespace layout
