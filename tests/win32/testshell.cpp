// lumbravick-testshell: a desktop shell for the end-to-end runs under Wine,
// which has no icon layer of its own. It builds the shell's windows in one of
// the layouts Windows builds them in, draws a wallpaper and a few icons, and
// answers the messages a shell window answers; nothing else.
//
//   lumbravick-testshell LAYOUT
//     classic    Progman > SHELLDLL_DefView > SysListView32
//     workerw    a top-level WorkerW > SHELLDLL_DefView > SysListView32, in
//                front of a Progman that draws the wallpaper
//     24h2       Progman > SHELLDLL_DefView > SysListView32, and a WorkerW
//                child of Progman that draws the wallpaper (Progman itself
//                draws black)
//     secondary  classic, and a Shell_SecondaryTrayWnd
//
// The list view draws the icons on the wallpaper; every other window of the
// layout draws the wallpaper where it shows, so that hiding the list or the
// view leaves exactly the wallpaper. It prints "ready" once everything has
// been drawn, and runs until it is ended.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum class Paint { Wallpaper, Icons, Black, Taskbar };

// The screen as the layout's windows draw it: the wallpaper alone and the
// wallpaper with the icons, as two screen-sized pictures.
struct Pictures {
  int width = 0, height = 0;
  HDC wallpaper = nullptr, icons = nullptr;
};
Pictures g_pictures;
bool g_built = false;

HDC NewPicture(HDC screen, int w, int h) {
  HDC dc = CreateCompatibleDC(screen);
  SelectObject(dc, CreateCompatibleBitmap(screen, w, h));
  return dc;
}

// A gradient in which neighbouring pixels differ, so any shift shows.
COLORREF WallpaperAt(int x, int y, int w, int h) {
  return RGB(30 + 90 * y / h, 70 + 60 * x / w + 40 * y / h, 150 + 80 * x / w);
}

void FillWallpaper(HDC dc, int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = WallpaperAt(x, y, w, h);
      px[static_cast<size_t>(y) * w + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
    }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, 0, 0, w, h, 0, 0, 0, h, px.data(), &info, DIB_RGB_COLORS);
}

// ---- the icons: 32 x 32 glyphs drawn with GDI, with a caption below ----------------

struct Pen {
  Pen(HDC dc, COLORREF line, COLORREF fill)
      : dc(dc),
        pen(SelectObject(dc, CreatePen(PS_SOLID, 1, line))),
        brush(SelectObject(dc, CreateSolidBrush(fill))) {}
  ~Pen() {
    DeleteObject(SelectObject(dc, pen));
    DeleteObject(SelectObject(dc, brush));
  }
  HDC dc;
  HGDIOBJ pen, brush;
};

void Computer(HDC dc, int x, int y) {
  {
    Pen p(dc, RGB(40, 40, 40), RGB(200, 200, 190));
    Rectangle(dc, x + 2, y + 2, x + 30, y + 24);
    Rectangle(dc, x + 10, y + 26, x + 22, y + 31);
  }
  Pen p(dc, RGB(0, 0, 90), RGB(0, 90, 170));
  Rectangle(dc, x + 5, y + 5, x + 27, y + 20);
}

void Folder(HDC dc, int x, int y) {
  Pen p(dc, RGB(120, 90, 0), RGB(240, 200, 60));
  POINT tab[] = {{x + 1, y + 6},  {x + 12, y + 6},  {x + 15, y + 9},
                 {x + 30, y + 9}, {x + 30, y + 28}, {x + 1, y + 28}};
  Polygon(dc, tab, 6);
  Pen front(dc, RGB(120, 90, 0), RGB(250, 220, 110));
  Rectangle(dc, x + 1, y + 13, x + 31, y + 29);
}

void Bin(HDC dc, int x, int y) {
  Pen p(dc, RGB(50, 60, 60), RGB(170, 185, 185));
  POINT body[] = {{x + 6, y + 8}, {x + 26, y + 8}, {x + 23, y + 31}, {x + 9, y + 31}};
  Polygon(dc, body, 4);
  Rectangle(dc, x + 4, y + 4, x + 28, y + 8);
  for (int i = 0; i < 3; ++i) {
    MoveToEx(dc, x + 11 + 5 * i, y + 11, nullptr);
    LineTo(dc, x + 11 + 5 * i, y + 28);
  }
}

void Page(HDC dc, int x, int y) {
  Pen p(dc, RGB(60, 60, 60), RGB(255, 255, 255));
  POINT sheet[] = {
      {x + 5, y + 1}, {x + 20, y + 1}, {x + 27, y + 8}, {x + 27, y + 31}, {x + 5, y + 31}};
  Polygon(dc, sheet, 5);
  for (int i = 0; i < 5; ++i) {
    MoveToEx(dc, x + 9, y + 12 + 4 * i, nullptr);
    LineTo(dc, x + 24, y + 12 + 4 * i);
  }
}

void Note(HDC dc, int x, int y) {
  Pen p(dc, RGB(90, 0, 90), RGB(170, 40, 170));
  Ellipse(dc, x + 3, y + 21, x + 15, y + 31);
  Ellipse(dc, x + 17, y + 17, x + 29, y + 27);
  Rectangle(dc, x + 12, y + 2, x + 15, y + 26);
  Rectangle(dc, x + 26, y + 1, x + 29, y + 22);
  Rectangle(dc, x + 12, y + 1, x + 29, y + 6);
}

void Ball(HDC dc, int x, int y) {
  {
    Pen p(dc, RGB(120, 0, 0), RGB(220, 30, 30));
    Ellipse(dc, x + 1, y + 1, x + 31, y + 31);
  }
  Pen shine(dc, RGB(255, 200, 200), RGB(255, 230, 230));
  Ellipse(dc, x + 8, y + 6, x + 15, y + 12);
}

void Globe(HDC dc, int x, int y) {
  Pen p(dc, RGB(0, 60, 0), RGB(60, 160, 220));
  Ellipse(dc, x + 1, y + 1, x + 31, y + 31);
  Pen land(dc, RGB(0, 90, 0), RGB(60, 170, 60));
  Ellipse(dc, x + 6, y + 6, x + 16, y + 18);
  Ellipse(dc, x + 17, y + 14, x + 27, y + 26);
}

void Picture(HDC dc, int x, int y) {
  {
    Pen p(dc, RGB(90, 60, 20), RGB(250, 250, 240));
    Rectangle(dc, x + 1, y + 4, x + 31, y + 28);
  }
  Pen hill(dc, RGB(0, 100, 0), RGB(70, 150, 60));
  POINT land[] = {
      {x + 4, y + 25}, {x + 13, y + 12}, {x + 19, y + 20}, {x + 23, y + 16}, {x + 28, y + 25}};
  Polygon(dc, land, 5);
  Pen sun(dc, RGB(200, 150, 0), RGB(255, 210, 0));
  Ellipse(dc, x + 21, y + 7, x + 27, y + 13);
}

struct Icon {
  void (*glyph)(HDC, int, int);
  const char* caption;
};
constexpr Icon kIcons[] = {
    {Computer, "Computer"}, {Folder, "Documents"}, {Bin, "Recycle Bin"}, {Page, "Notes"},
    {Note, "Music"},        {Ball, "Games"},       {Globe, "Network"},   {Picture, "Pictures"},
};

// Two staggered rows along the top, as icons arranged by rows leave them:
// a ball that goes up passes through them.
void DrawIcons(HDC dc, int width) {
  constexpr int kCell = 112, kRow = 80;
  HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  int n = 0;
  for (int row = 0; row < 2; ++row)
    for (int left = row * kCell / 2; left + kCell <= width; left += kCell, ++n) {
      const Icon& icon = kIcons[n % std::size(kIcons)];
      int x = left + (kCell - 32) / 2, y = 8 + row * kRow;
      icon.glyph(dc, x, y);
      RECT text{left, y + 36, left + kCell, y + 52};
      for (auto [dx, colour] : {std::pair{1, RGB(0, 0, 0)}, std::pair{0, RGB(255, 255, 255)}}) {
        SetTextColor(dc, colour);
        OffsetRect(&text, dx, dx);
        DrawTextA(dc, icon.caption, -1, &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        OffsetRect(&text, -dx, -dx);
      }
    }
  SelectObject(dc, font);
}

void BuildPictures() {
  HDC screen = GetDC(nullptr);
  Pictures& p = g_pictures;
  p.width = GetSystemMetrics(SM_CXSCREEN);
  p.height = GetSystemMetrics(SM_CYSCREEN);
  p.wallpaper = NewPicture(screen, p.width, p.height);
  p.icons = NewPicture(screen, p.width, p.height);
  ReleaseDC(nullptr, screen);
  FillWallpaper(p.wallpaper, p.width, p.height);
  BitBlt(p.icons, 0, 0, p.width, p.height, p.wallpaper, 0, 0, SRCCOPY);
  DrawIcons(p.icons, p.width);
}

// ---- the windows ------------------------------------------------------------------

Paint PaintOf(HWND w) { return static_cast<Paint>(GetWindowLongPtrA(w, GWLP_USERDATA)); }

void OnPaint(HWND w) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(w, &ps);
  const RECT& r = ps.rcPaint;
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  switch (PaintOf(w)) {
    case Paint::Wallpaper:
    case Paint::Icons: {
      HDC from = PaintOf(w) == Paint::Icons ? g_pictures.icons : g_pictures.wallpaper;
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, from, r.left + origin.x,
             r.top + origin.y, SRCCOPY);
      break;
    }
    case Paint::Black:
      FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      break;
    case Paint::Taskbar: {
      RECT all;
      GetClientRect(w, &all);
      HBRUSH face = CreateSolidBrush(RGB(40, 40, 48));
      FillRect(dc, &all, face);
      DeleteObject(face);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(230, 230, 230));
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      DrawTextA(dc, " Second screen", -1, &all, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      break;
    }
  }
  EndPaint(w, &ps);
}

LRESULT CALLBACK ShellProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // everything is drawn in WM_PAINT
    case WM_PAINT:
      OnPaint(w);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_WINDOWPOSCHANGING:
      // Once built, the desktop's windows keep their place at the bottom.
      if (g_built && !GetParent(w)) reinterpret_cast<WINDOWPOS*>(lp)->flags |= SWP_NOZORDER;
      return 0;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MINIMIZE || (wp & 0xFFF0) == SC_CLOSE) return 0;
      break;
    case WM_CLOSE:
      return 0;  // a desktop is not closed
  }
  return DefWindowProcA(w, msg, wp, lp);
}

HWND Make(const char* cls, HWND parent, Paint paint, RECT place) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ShellProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = cls;
  RegisterClassA(&wc);  // once per class
  DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  DWORD ex = parent ? 0 : WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  const char* title = std::strcmp(cls, "SysListView32") == 0 ? "FolderView" : "";
  // Wine's taskbar gives every top-level window without an owner a button,
  // tool windows too: the shell's are owned by a hidden window of its own.
  static HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      wc.hInstance, nullptr);
  HWND w = CreateWindowExA(ex, cls, title, style, place.left, place.top, place.right - place.left,
                           place.bottom - place.top, parent ? parent : owner, nullptr, wc.hInstance,
                           nullptr);
  if (!w) {
    std::fprintf(stderr, "lumbravick-testshell: cannot make a %s window\n", cls);
    std::exit(1);
  }
  SetWindowLongPtrA(w, GWLP_USERDATA, static_cast<LONG_PTR>(paint));
  return w;
}

// The view and its list of icons, filling `parent`.
HWND MakeView(HWND parent, RECT inside) {
  HWND view = Make("SHELLDLL_DefView", parent, Paint::Wallpaper, inside);
  Make("SysListView32", view, Paint::Icons, inside);
  return view;
}

bool BuildLayout(const std::string& layout) {
  // Wine keeps its taskbar below every other window: the desktop leaves the
  // taskbar's strip free (the work area), so that the taskbar stays in sight.
  RECT desk{0, 0, g_pictures.width, g_pictures.height};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &desk, 0);
  RECT inside{0, 0, desk.right - desk.left, desk.bottom - desk.top};
  std::vector<HWND> bottomUp;
  if (layout == "classic" || layout == "secondary") {
    HWND progman = Make("Progman", nullptr, Paint::Wallpaper, desk);
    MakeView(progman, inside);
    bottomUp = {progman};
    // Where a second screen would be, it would stay off the captures; here it
    // stands at the bottom of the desktop, clear of the icons.
    if (layout == "secondary") {
      HWND second = Make("Shell_SecondaryTrayWnd", nullptr, Paint::Taskbar,
                         {desk.left, desk.bottom - 30, desk.left + 340, desk.bottom});
      SetWindowPos(second, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  } else if (layout == "workerw") {
    HWND progman = Make("Progman", nullptr, Paint::Wallpaper, desk);
    HWND worker = Make("WorkerW", nullptr, Paint::Wallpaper, desk);
    MakeView(worker, inside);
    bottomUp = {progman, worker};
  } else if (layout == "24h2") {
    HWND progman = Make("Progman", nullptr, Paint::Black, desk);
    Make("WorkerW", progman, Paint::Wallpaper, inside);
    HWND view = MakeView(progman, inside);
    SetWindowPos(view, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    bottomUp = {progman};
  } else {
    return false;
  }
  // At the bottom, the front-most window of the layout first.
  for (auto w = bottomUp.rbegin(); w != bottomUp.rend(); ++w)
    SetWindowPos(*w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: lumbravick-testshell classic|workerw|24h2|secondary\n", stderr);
    return 2;
  }
  // Real pixels at any scale, like the game.
  SetProcessDPIAware();
  BuildPictures();
  if (!BuildLayout(argv[1])) {
    std::fprintf(stderr, "lumbravick-testshell: no layout \"%s\"\n", argv[1]);
    return 2;
  }
  g_built = true;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  GdiFlush();
  std::puts("ready");
  std::fflush(stdout);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
