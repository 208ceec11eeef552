// The image control's window: it hands its paints to the control, which keeps the rendering, and
// puts the rendering's rows on the screen with StretchDIBits as they come.
#include <exception>

#include "platform/image.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/loop_win32.h"
#include "platform/win32/paint_win32.h"
#include "platform/win32/peer.h"

namespace {

constexpr const wchar_t* kImageClass = L"QuillmorImage";

// A palette display shows a picture of more colours than it has through the halftone palette;
// every other display takes the rows as they are.
class StretchMode {
public:
  explicit StretchMode(HDC dc) : dc_(dc) {
    const bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    if (palette && bits <= 8) {
      halftone_ = CreateHalftonePalette(dc);
      if (halftone_) {
        oldPalette_ = SelectPalette(dc, halftone_, FALSE);
        RealizePalette(dc);
      }
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
    } else {
      SetStretchBltMode(dc, COLORONCOLOR);
    }
  }
  ~StretchMode() {
    if (oldPalette_)
      SelectPalette(dc_, oldPalette_, FALSE);
    if (halftone_)
      DeleteObject(halftone_);
  }
  StretchMode(const StretchMode&) = delete;
  StretchMode& operator=(const StretchMode&) = delete;

private:
  HDC dc_;
  HPALETTE halftone_ = nullptr;
  HPALETTE oldPalette_ = nullptr;
};

// One piece of the rendering: its rows from from.Y on, as a top-down DIB of their own, so the
// source rectangle never depends on how a driver reads a top-down DIB's origin.
void DrawPiece(HDC dc, const TRect& target, const TPixels& rendering, TPoint from) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = LONG(rendering.Stride() / 4);
  info.bmiHeader.biHeight = -LONG(target.Height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(dc, target.Left, target.Top, target.Width, target.Height, from.X, 0, target.Width,
                target.Height, rendering.Row(from.Y), &info, DIB_RGB_COLORS, SRCCOPY);
  // The rows show now, not when the paint ends: that is what incremental display is for.
  GdiFlush();
}

void Paint(HWND hwnd, TImage& image) {
  const platform::win32::Painting painting(hwnd);
  HDC dc = painting.Dc();
  const StretchMode mode(dc);
  const RECT& area = painting.Area();
  image.Paint(TRect{area.left, area.top, area.right - area.left, area.bottom - area.top},
              [dc](const TRect& target, const TPixels& rendering, TPoint from) {
                DrawPiece(dc, target, rendering, from);
              });
}

// The window covers its picture alone: around it the controls and the ground beneath show
// through, as they do around a picture on the desktop, whose image control is no window at all.
void ClipToPicture(HWND hwnd, const TImage& image) {
  const TRect dest = image.DeviceDestRect();
  SetWindowRgn(hwnd, CreateRectRgn(dest.Left, dest.Top, dest.Right(), dest.Bottom()), TRUE);
}

LRESULT CALLBACK ImageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return platform::win32::Guarded(hwnd, msg, wParam, lParam, nullptr, [&]() -> LRESULT {
    auto* image = static_cast<TImage*>(platform::win32::ControlOf(hwnd));
    switch (msg) {
    case WM_SIZE:
      if (image)
        ClipToPicture(hwnd, *image);
      break;
    case WM_ERASEBKGND:
      // A picture covers its whole window: the old one stays on the screen until the new one is
      // drawn over it, with no ground painted between them. Without one (none, or one that
      // failed to decode) the ground shows.
      if (image && !image->Drawable()) {
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(HDC(wParam), &client, platform::win32::GroundBrush(*image));
      }
      return 1;
    case WM_PAINT:
      if (image) {
        Paint(hwnd, *image);
        return 0;
      }
      break;
    case WM_NCHITTEST:
      // Clicks go to the form below, as the display's input handling expects of a picture.
      return HTTRANSPARENT;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  });
}

void RegisterImageClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ImageProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kImageClass;
    return RegisterClassW(&windowClass) != 0;
  }();
  (void)registered;
}

} // namespace

TImage::TImage(TControl& parent, std::string name)
    : TControl(&parent, std::move(name), Kind::Image) {
  RegisterImageClass();
  platform::win32::CreateControlWindow(*this, kImageClass, 0, 0);
  ConnectPicture();
}

void TImage::Repaint() {
  if (HWND hwnd = platform::win32::HwndOf(*this)) {
    ClipToPicture(hwnd, *this);
    InvalidateRect(hwnd, nullptr, TRUE);
  }
}
