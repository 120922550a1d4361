// Dialog forms as native windows: real controls made from the form's control
// list, their state kept in step with the controls, the keyboard of a dialog
// (Enter, Esc, Alt+letter), clicks, tool tips and the message box.
#include <string>
#include <vector>

#include "tests/win32/win32_test_support.h"

namespace {

using namespace win32_test;

tk::Picture Banner(int w, int h, int seed) {
  std::vector<tk::Argb> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px[static_cast<size_t>(y) * w + x] = 0xFF000000u | Pattern(x, y, seed);
  return std::make_shared<tk::PictureData>(w, h, std::move(px));
}

struct TestDialog : tk::Form {
  TestDialog() : tk::Form("frmTest", tk::FormStyle::Dialog) {
    Caption = "Vantoro Test";
    SetClientSize(320, 181);
    lblTitle.Move(8, 8, 40, 13);  // narrower than its line
    lblTitle.SetCaption("Vantoro Lumbravick");
    lblTitle.Bold = true;
    lblWrap.Move(8, 40, 150, 41);
    lblWrap.SetCaption("You were playing 00:00:12 and destroyed 12.35 pixels a second");
    lblWrap.WordWrap = true;
    fraSheets.Move(170, 8, 140, 70);
    fraSheets.Caption = "Style sheet";
    optClassic.Move(8, 16, 120, 17);
    optClassic.SetCaption("&Classic");
    optWood.Move(8, 40, 120, 17);
    optWood.SetCaption("&Wood");
    picBanner.Move(8, 104, 304, 42);
    picBanner.SetPicture(Banner(300, 38, 0));
    picBanner.ToolTipText = "Vantoro";
    cmdOK.Move(144, 152, 81, 25);
    cmdOK.SetCaption("OK");
    cmdOK.SetEnabled(false);
    cmdOK.Default = true;
    cmdAbout.Move(232, 152, 81, 25);
    cmdAbout.SetCaption("&About");
    cmdAbout.Cancel = true;
    cmdAbout.Click = [this] { pressed.push_back("About"); };
    picBanner.Click = [this] { pressed.push_back("banner"); };
    optWood.Click = [this] { pressed.push_back("wood"); };
  }
  tk::Label lblTitle{*this, "lblTitle"};
  tk::Label lblWrap{*this, "lblWrap"};
  tk::Frame fraSheets{*this, "fraSheets"};
  tk::OptionButton optClassic{*this, "optClassic", &fraSheets};
  tk::OptionButton optWood{*this, "optWood", &fraSheets};
  tk::PictureBox picBanner{*this, "picBanner"};
  tk::Button cmdOK{*this, "cmdOK"};
  tk::Button cmdAbout{*this, "cmdAbout"};
  std::vector<std::string> pressed;

  HWND Widget(const tk::Control& c) const {
    auto* peer = dynamic_cast<tk::win32::DialogPeer*>(Peer());
    return peer ? peer->ControlWindow(c) : nullptr;
  }
};

LONG_PTR Style(HWND w) { return GetWindowLongPtrW(w, GWL_STYLE); }
bool SunkenEdge(HWND w) { return GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE; }

// How many pixels of the bitmap a picture control shows differ from
// Pattern(seed); -1 when it is not w x h.
int WrongPixels(HWND picture, int w, int h, int seed) {
  auto bmp = reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (!bmp || !GetObjectW(bmp, sizeof info, &info) || info.bmWidth != w || info.bmHeight != h)
    return -1;
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  tk::Surface shown(w, h);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bmp, 0, h, shown.Row(0), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  for (int i = 0; i < w * h; ++i) shown.Row(0)[i] &= 0xFFFFFFu;  // the unused byte
  return win32_test::WrongPixels(shown, seed, {0, 0, w, h});
}

using DialogTest = PlatformTest;

TEST_F(DialogTest, ControlsBecomeNativeWidgetsThatFollowThem) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.Show(false);
  HWND w = WindowOf(form);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(TextOf(w), L"Vantoro Test");
  RECT client{};
  GetClientRect(w, &client);
  EXPECT_EQ((std::pair{client.right, client.bottom}), (std::pair{320L, 181L}));

  // Each control as the widget of its kind. A label whose box holds one line
  // stays on one line; one told to wrap, wraps. The first option of a frame
  // starts a group; only the default button is one; a disabled button is a
  // disabled widget.
  struct Expected {
    const tk::Control& control;
    const wchar_t *cls, *text;
    LONG_PTR mask, style;
  } widgets[] = {
      {form.lblTitle, L"Static", L"Vantoro Lumbravick", SS_TYPEMASK, SS_LEFTNOWORDWRAP},
      {form.lblWrap, L"Static", L"You were playing 00:00:12 and destroyed 12.35 pixels a second",
       SS_TYPEMASK, SS_LEFT},
      {form.fraSheets, L"Button", L"Style sheet", BS_TYPEMASK, BS_GROUPBOX},
      {form.optClassic, L"Button", L"&Classic", BS_TYPEMASK | WS_GROUP, BS_RADIOBUTTON | WS_GROUP},
      {form.optWood, L"Button", L"&Wood", BS_TYPEMASK | WS_GROUP, BS_RADIOBUTTON},
      {form.cmdOK, L"Button", L"OK", BS_TYPEMASK | WS_DISABLED, BS_DEFPUSHBUTTON | WS_DISABLED},
      {form.cmdAbout, L"Button", L"&About", BS_TYPEMASK | WS_DISABLED, BS_PUSHBUTTON},
      {form.picBanner, L"Static", L"", SS_TYPEMASK, SS_BITMAP},
  };
  for (const Expected& e : widgets) {
    SCOPED_TRACE(e.control.Name());
    HWND c = form.Widget(e.control);
    EXPECT_EQ(ClassOf(c), e.cls);
    EXPECT_EQ(TextOf(c), e.text);
    EXPECT_EQ(Style(c) & e.mask, e.style);
    EXPECT_GT(GetDlgCtrlID(c), IDCONTINUE);  // clear of IDOK, IDCANCEL: a click is no key
  }
  EXPECT_EQ(PlaceOf(form.Widget(form.lblWrap)), (Place{8, 40, 150, 41}));

  // The bold title is at its place and as wide as its line needs in the font
  // it is shown in (fonts differ between machines): it is never cut off.
  HWND title = form.Widget(form.lblTitle);
  auto font = [](HWND c) { return reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)); };
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, font(title));
  SIZE line{};
  GetTextExtentPoint32W(dc, L"Vantoro Lumbravick", 18, &line);
  DeleteDC(dc);
  Place place = PlaceOf(title);
  EXPECT_EQ(place, (Place{8, 8, std::max(place[2], line.cx), 13}));  // as wide or wider
  auto weight = [&](HWND c) {
    LOGFONTW f{};
    GetObjectW(font(c), sizeof f, &f);
    return f.lfWeight;
  };
  EXPECT_GE(weight(title), FW_BOLD);
  EXPECT_LT(weight(form.Widget(form.lblWrap)), FW_BOLD);

  // The banner: a sunken two-pixel edge around exactly its picture.
  HWND banner = form.Widget(form.picBanner);
  EXPECT_TRUE(SunkenEdge(banner));
  EXPECT_EQ(PlaceOf(banner), (Place{8, 104, 304, 42}));
  EXPECT_EQ(WrongPixels(banner, 300, 38, 0), 0);

  HWND tips = dynamic_cast<tk::win32::DialogPeer*>(form.Peer())->ToolTips();
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t tip[64] = {};
  TTTOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.hwnd = w;
  ti.uId = reinterpret_cast<UINT_PTR>(banner);
  ti.lpszText = tip;
  SendMessageW(tips, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&ti));
  EXPECT_STREQ(tip, L"Vantoro");

  // Changes to the controls reach the widgets.
  form.cmdOK.SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(form.Widget(form.cmdOK)));
  form.lblTitle.SetCaption("You were playing 00:01:23");
  EXPECT_EQ(TextOf(form.Widget(form.lblTitle)), L"You were playing 00:01:23");

  form.optWood.Select();
  EXPECT_EQ(SendMessageW(form.Widget(form.optWood), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(form.Widget(form.optClassic), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // Hiding a frame hides what it holds; moving it moves them.
  HWND wood = form.Widget(form.optWood);
  form.fraSheets.SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(wood));
  form.fraSheets.SetVisible(true);
  form.fraSheets.Move(160, 10);
  EXPECT_TRUE(IsWindowVisible(wood));
  EXPECT_EQ(PlaceOf(wood), (Place{168, 50, 120, 17}));

  // A one-pixel margin around the picture is a flat line.
  form.picBanner.Move(8, 104, 302, 40);
  form.picBanner.SetPicture(Banner(300, 38, 5));
  EXPECT_TRUE(Style(banner) & WS_BORDER);
  EXPECT_FALSE(SunkenEdge(banner));
  EXPECT_EQ(WrongPixels(banner, 300, 38, 5), 0);

  // A control made after the window exists gets its widget on first change.
  tk::Label late(form, "lblLate");
  late.Move(8, 88, 100, 13);
  late.SetCaption("late");
  EXPECT_EQ(TextOf(form.Widget(late)), L"late");
  // A self-sizing label that would pass the window's edge (less its left
  // margin) wraps there and grows downwards.
  late.AutoSize = true;
  late.SetCaption("You were playing 00:01:23 and destroyed 1749999 of 1749999 pixels, or so");
  const Place wrapped = PlaceOf(form.Widget(late));
  EXPECT_LE(wrapped[0] + wrapped[2], 312);
  EXPECT_GT(wrapped[3], line.cy) << "more than one line";
  EXPECT_EQ(Style(form.Widget(late)) & SS_TYPEMASK, SS_LEFT);
}

// Enter and Esc press the default and the cancel button, Enter only while
// the default one is enabled; Alt and a letter press the button with that
// accelerator; the close box means Cancel; clicks reach pictures, options
// and buttons. The script notes each step before the presses it causes.
TEST_F(DialogTest, KeysClicksAndTheCloseBoxPressTheirButtons) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.cmdOK.Click = [&] {
    form.pressed.push_back("OK");
    form.Unload();
  };
  auto note = [&](const char* what) {
    form.pressed.push_back(what);
    return WindowOf(form);
  };
  RunModalScript(form, {[&] {
                          HWND w = note("Enter, Esc:");  // OK is still locked
                          PostKey(w, VK_RETURN);
                          PostKey(w, VK_ESCAPE);
                        },
                        [&] { PostMessageW(note("Alt+A:"), WM_SYSCHAR, 'a', 1 << 29); },
                        [&] { PostMessageW(note("close box:"), WM_CLOSE, 0, 0); },
                        [&] {
                          note("clicks:");
                          HWND banner = form.Widget(form.picBanner);
                          PostMessageW(banner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
                          PostMessageW(banner, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
                          PostMessageW(form.Widget(form.optWood), BM_CLICK, 0, 0);
                        },
                        [&] {
                          HWND w = note("Enter:");
                          form.cmdOK.SetEnabled(true);
                          PostKey(w, VK_RETURN);
                        }});
  EXPECT_EQ(form.pressed, (std::vector<std::string>{"Enter, Esc:", "About", "Alt+A:", "About",
                                                    "close box:", "About", "clicks:", "banner",
                                                    "wood", "Enter:", "OK"}));
  EXPECT_TRUE(form.optWood.Value());
}

// The keys of a dialog come up as the end screen's do (OK the default and
// cancel button, locked at first): the form decides what they press, from a
// fresh dialog and after Tab moved the focus, as on every backend.
TEST_F(DialogTest, KeysPressWhatTheFormSaysWhereverTheFocusIs) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.cmdOK.Cancel = true;
  form.cmdAbout.Cancel = false;
  form.cmdOK.Click = [&] { form.pressed.push_back("OK"); };
  HWND fresh = nullptr, unlocked = nullptr, tabbed = nullptr, window = nullptr, ok = nullptr,
       about = nullptr;
  auto keys = [](std::initializer_list<WPARAM> all) {
    for (WPARAM key : all) PostKey(GetFocus(), key);
  };
  RunModalScript(form, {[&] {
                          fresh = GetFocus();
                          window = WindowOf(form);
                          ok = form.Widget(form.cmdOK);
                          about = form.Widget(form.cmdAbout);
                          keys({VK_RETURN, VK_SPACE, VK_ESCAPE});
                        },
                        [&] {
                          form.pressed.push_back("unlocked:");
                          form.cmdOK.SetEnabled(true);
                          unlocked = GetFocus();
                          keys({VK_TAB});
                        },
                        [&] {
                          tabbed = GetFocus();
                          keys({VK_RETURN, VK_ESCAPE, VK_SPACE});
                        },
                        [&] { form.Unload(); }});
  EXPECT_EQ(fresh, window) << "the focus on no control while OK is locked";
  EXPECT_EQ(unlocked, ok);
  EXPECT_EQ(tabbed, about);
  EXPECT_EQ(form.pressed, (std::vector<std::string>{"unlocked:", "OK", "OK", "About"}));
}

// The box is owned by the form, which takes no input meanwhile. Enter takes
// the default button; Esc closes a box that has OK alone but cannot answer
// Yes or No. A box the key left open is closed by a click after 30 ticks.
TEST_F(DialogTest, MessageBoxIsModalKeepsTimersTickingAndAnswersWithTheButton) {
  REQUIRE_DISPLAY();
  PlaySurface owner;
  owner.Show();
  HWND ownerWindow = WindowOf(owner);
  using B = tk::MsgBoxButtons;
  using R = tk::MsgBoxResult;
  const char* text = "Do you want to play anyway?";
  for (auto [buttons, icon, key, click, answer] :
       {std::tuple{B::YesNo, tk::MsgBoxIcon::Critical, VK_ESCAPE, IDNO, R::No},
        std::tuple{B::YesNo, tk::MsgBoxIcon::None, VK_RETURN, IDNO, R::Yes},
        std::tuple{B::Ok, tk::MsgBoxIcon::None, VK_ESCAPE, IDOK, R::Ok}}) {
    tk::Timer timer(owner, "tmrBox", 25, true);
    int ticks = 0;  // while the box is open
    timer.Tick = [&] {
      HWND box = FindWindowW(tk::win32::kMessageBoxClass, nullptr);
      if (box && ++ticks == 1) {
        EXPECT_FALSE(IsWindowEnabled(ownerWindow));
        EXPECT_EQ(GetWindow(box, GW_OWNER), ownerWindow);
        EXPECT_NE(FindWindowExW(box, nullptr, L"Static", L"Do you want to play anyway?"), nullptr);
        PostKey(GetFocus(), key);
      }
      if (box && ticks == 30) PostMessageW(GetDlgItem(box, click), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(tk::MsgBox(text, buttons, icon, "Wallpaper settings"), answer);
    EXPECT_EQ(ticks >= 30, answer == R::No) << ticks << " ticks";  // No only by the click
    EXPECT_TRUE(IsWindowEnabled(ownerWindow));
    EXPECT_EQ(FindWindowW(tk::win32::kMessageBoxClass, nullptr), nullptr);
  }
}

}  // namespace
