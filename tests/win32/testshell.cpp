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

// One shape of a glyph: a rectangle, an ellipse, a polygon or a line, with
// its outline and fill colours; points relative to the glyph's corner.
struct Shape {
  char kind;  // 'r', 'e', 'p', 'l'
  COLORREF line, fill;
  std::vector<POINT> points;
};
struct Icon {
  const char* caption;
  std::vector<Shape> shapes;
};

const std::vector<Icon>& Icons() {
  const COLORREF white = RGB(255, 255, 255), grey = RGB(170, 185, 185), dark = RGB(50, 60, 60);
  static const std::vector<Icon> icons = {
      {"Computer",
       {{'r', RGB(40, 40, 40), RGB(200, 200, 190), {{2, 2}, {30, 24}}},
        {'r', RGB(40, 40, 40), RGB(200, 200, 190), {{10, 26}, {22, 31}}},
        {'r', RGB(0, 0, 90), RGB(0, 90, 170), {{5, 5}, {27, 20}}}}},
      {"Documents",
       {{'p', RGB(120, 90, 0), RGB(240, 200, 60), {{1, 6}, {12, 6}, {15, 9}, {30, 9}, {30, 28}}},
        {'r', RGB(120, 90, 0), RGB(250, 220, 110), {{1, 13}, {31, 29}}}}},
      {"Recycle Bin",
       {{'p', dark, grey, {{6, 8}, {26, 8}, {23, 31}, {9, 31}}},
        {'r', dark, grey, {{4, 4}, {28, 8}}},
        {'l', dark, grey, {{11, 11}, {11, 28}}},
        {'l', dark, grey, {{16, 11}, {16, 28}}},
        {'l', dark, grey, {{21, 11}, {21, 28}}}}},
      {"Notes",
       {{'p', RGB(60, 60, 60), white, {{5, 1}, {20, 1}, {27, 8}, {27, 31}, {5, 31}}},
        {'l', RGB(90, 90, 90), white, {{9, 12}, {24, 12}}},
        {'l', RGB(90, 90, 90), white, {{9, 17}, {24, 17}}},
        {'l', RGB(90, 90, 90), white, {{9, 22}, {24, 22}}}}},
      {"Music",
       {{'e', RGB(90, 0, 90), RGB(170, 40, 170), {{3, 21}, {15, 31}}},
        {'e', RGB(90, 0, 90), RGB(170, 40, 170), {{17, 17}, {29, 27}}},
        {'p',
         RGB(90, 0, 90),
         RGB(170, 40, 170),
         {{12, 26}, {12, 1}, {29, 1}, {29, 22}, {26, 22}, {26, 6}, {15, 6}, {15, 26}}}}},
      {"Games",
       {{'e', RGB(120, 0, 0), RGB(220, 30, 30), {{1, 1}, {31, 31}}},
        {'e', RGB(255, 200, 200), RGB(255, 230, 230), {{8, 6}, {15, 12}}}}},
      {"Network",
       {{'e', RGB(0, 60, 0), RGB(60, 160, 220), {{1, 1}, {31, 31}}},
        {'e', RGB(0, 90, 0), RGB(60, 170, 60), {{6, 6}, {16, 18}}},
        {'e', RGB(0, 90, 0), RGB(60, 170, 60), {{17, 14}, {27, 26}}}}},
      {"Pictures",
       {{'r', RGB(90, 60, 20), RGB(250, 250, 240), {{1, 4}, {31, 28}}},
        {'p', RGB(0, 100, 0), RGB(70, 150, 60), {{4, 25}, {13, 12}, {19, 20}, {23, 16}, {28, 25}}},
        {'e', RGB(200, 150, 0), RGB(255, 210, 0), {{21, 7}, {27, 13}}}}},
  };
  return icons;
}

void DrawGlyph(HDC dc, const Icon& icon, int x, int y) {
  for (const Shape& shape : icon.shapes) {
    HGDIOBJ pen = SelectObject(dc, CreatePen(PS_SOLID, 1, shape.line));
    HGDIOBJ brush = SelectObject(dc, CreateSolidBrush(shape.fill));
    std::vector<POINT> p = shape.points;
    for (POINT& point : p) point = {point.x + x, point.y + y};
    if (shape.kind == 'r') Rectangle(dc, p[0].x, p[0].y, p[1].x, p[1].y);
    if (shape.kind == 'e') Ellipse(dc, p[0].x, p[0].y, p[1].x, p[1].y);
    if (shape.kind == 'p') Polygon(dc, p.data(), static_cast<int>(p.size()));
    if (shape.kind == 'l') Polyline(dc, p.data(), static_cast<int>(p.size()));
    DeleteObject(SelectObject(dc, pen));
    DeleteObject(SelectObject(dc, brush));
  }
}

// Two staggered rows along the top, as icons arranged by rows leave them:
// a ball that goes up passes through them.
void DrawIcons(HDC dc, int width) {
  constexpr int kCell = 112, kRow = 80;
  HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  int n = 0;
  for (int row = 0; row < 2; ++row)
    for (int left = row * kCell / 2; left + kCell <= width; left += kCell, ++n) {
      const Icon& icon = Icons()[n % Icons().size()];
      int x = left + (kCell - 32) / 2, y = 8 + row * kRow;
      DrawGlyph(dc, icon, x, y);
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
