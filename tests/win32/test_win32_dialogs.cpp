// Dialog forms as native windows: real controls made from the form's control
// list, their state kept in step with the controls, the keyboard of a dialog
// (Enter, Esc, Alt+letter), clicks, tool tips and the message box.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/win32/win32_test_support.h"
#include "toolkit/controls.h"

namespace {

using win32_test::ClassOf;
using win32_test::Pattern;
using win32_test::PlatformTest;
using win32_test::PumpUntil;
using win32_test::RectInParent;
using win32_test::TextOf;
using win32_test::WindowOf;

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
    lblTitle.Move(8, 8, 116, 13);
    lblTitle.Bold = true;
    lblTitle.SetCaption("Vantoro Lumbravick");
    lblLine.Move(8, 24, 0, 13);
    lblLine.AutoSize = true;
    lblLine.SetCaption("You were playing 00:00:12");
    lblWrap.Move(8, 40, 150, 41);
    lblWrap.WordWrap = true;
    lblWrap.SetCaption(
        "Your pixel destroy speed was 12.35 pps (pixels per second) and more words to wrap");
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
    cmdOK.Click = [this] { pressed.push_back("OK"); };
    cmdAbout.Click = [this] { pressed.push_back("About"); };
    picBanner.Click = [this] { pressed.push_back("banner"); };
    optWood.Click = [this] { pressed.push_back("wood"); };
  }
  tk::Label lblTitle{*this, "lblTitle"};
  tk::Label lblLine{*this, "lblLine"};
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
LONG_PTR ExStyle(HWND w) { return GetWindowLongPtrW(w, GWL_EXSTYLE); }

void ExpectRect(HWND w, int x, int y, int cx, int cy) {
  RECT r = RectInParent(w);
  EXPECT_EQ(r.left, x);
  EXPECT_EQ(r.top, y);
  EXPECT_EQ(r.right - r.left, cx);
  EXPECT_EQ(r.bottom - r.top, cy);
}

// The bitmap a picture control shows, as 0x00RRGGBB.
std::vector<tk::Color> BitmapPixels(HWND w, int& width, int& height) {
  auto bmp = reinterpret_cast<HBITMAP>(SendMessageW(w, STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (!bmp || !GetObjectW(bmp, sizeof info, &info)) return {};
  width = info.bmWidth, height = info.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<tk::Color> px(static_cast<size_t>(width) * height);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bmp, 0, height, px.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  for (auto& p : px) p &= 0xFFFFFFu;
  return px;
}

using DialogTest = PlatformTest;

TEST_F(DialogTest, ControlsBecomeRealWidgetsWithTheFormsState) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.Show(false);
  HWND w = WindowOf(form);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(TextOf(w), L"Vantoro Test");
  RECT client{};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 181);

  HWND title = form.Widget(form.lblTitle);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(ClassOf(title), L"Static");
  EXPECT_EQ(TextOf(title), L"Vantoro Lumbravick");
  // At its place, and as wide as its line needs in the font it is shown in
  // (fonts differ between machines): the text is never cut off.
  RECT titleRect = RectInParent(title);
  EXPECT_EQ(titleRect.left, 8);
  EXPECT_EQ(titleRect.top, 8);
  EXPECT_EQ(titleRect.bottom - titleRect.top, 13);
  HDC dc = GetDC(title);
  HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(title, WM_GETFONT, 0, 0)));
  SIZE line{};
  GetTextExtentPoint32W(dc, L"Vantoro Lumbravick", 18, &line);
  SelectObject(dc, oldFont);
  ReleaseDC(title, dc);
  EXPECT_GE(titleRect.right - titleRect.left, std::max<LONG>(116, line.cx));
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(title, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_GE(font.lfWeight, FW_BOLD);
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form.Widget(form.lblLine), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_LT(font.lfWeight, FW_BOLD);

  // A label that sizes itself, or whose box holds one line, stays on one
  // line; one that is told to wrap, wraps.
  EXPECT_EQ(Style(form.Widget(form.lblLine)) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
  EXPECT_EQ(Style(title) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
  EXPECT_EQ(Style(form.Widget(form.lblWrap)) & SS_TYPEMASK, SS_LEFT);
  ExpectRect(form.Widget(form.lblWrap), 8, 40, 150, 41);

  HWND frame = form.Widget(form.fraSheets);
  EXPECT_EQ(ClassOf(frame), L"Button");
  EXPECT_EQ(Style(frame) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(TextOf(frame), L"Style sheet");
  ExpectRect(frame, 170, 8, 140, 70);

  HWND classic = form.Widget(form.optClassic), wood = form.Widget(form.optWood);
  EXPECT_EQ(Style(classic) & BS_TYPEMASK, BS_RADIOBUTTON);
  EXPECT_TRUE(Style(classic) & WS_GROUP);
  EXPECT_FALSE(Style(wood) & WS_GROUP);
  ExpectRect(classic, 178, 24, 120, 17);  // inside the frame
  EXPECT_EQ(TextOf(wood), L"&Wood");
  EXPECT_EQ(SendMessageW(wood, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  HWND ok = form.Widget(form.cmdOK), about = form.Widget(form.cmdAbout);
  EXPECT_EQ(Style(ok) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(Style(about) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_FALSE(IsWindowEnabled(ok));
  EXPECT_TRUE(IsWindowEnabled(about));
  EXPECT_EQ(TextOf(about), L"&About");
  ExpectRect(ok, 144, 152, 81, 25);

  // The banner: a sunken two-pixel edge around exactly its picture.
  HWND banner = form.Widget(form.picBanner);
  EXPECT_TRUE(Style(banner) & SS_BITMAP);
  EXPECT_TRUE(ExStyle(banner) & WS_EX_CLIENTEDGE);
  ExpectRect(banner, 8, 104, 304, 42);
  int bw = 0, bh = 0;
  std::vector<tk::Color> shown = BitmapPixels(banner, bw, bh);
  ASSERT_EQ(bw, 300);
  ASSERT_EQ(bh, 38);
  int wrong = 0;
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x)
      wrong += shown[static_cast<size_t>(y) * bw + x] != Pattern(x, y, 0);
  EXPECT_EQ(wrong, 0);

  auto* peer = dynamic_cast<tk::win32::DialogPeer*>(form.Peer());
  HWND tips = peer->ToolTips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(ClassOf(tips), std::wstring(TOOLTIPS_CLASSW));
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t tip[64] = {};
  TTTOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;
  ti.hwnd = w;
  ti.uId = reinterpret_cast<UINT_PTR>(banner);
  ti.lpszText = tip;
  SendMessageW(tips, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&ti));
  EXPECT_STREQ(tip, L"Vantoro");
}

TEST_F(DialogTest, ChangesToTheControlsReachTheWidgets) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.Show(false);
  HWND ok = form.Widget(form.cmdOK);

  form.cmdOK.SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(ok));
  form.lblLine.SetCaption("You were playing 00:01:23");
  EXPECT_EQ(TextOf(form.Widget(form.lblLine)), L"You were playing 00:01:23");
  form.cmdAbout.Move(200, 150, 90, 27);
  ExpectRect(form.Widget(form.cmdAbout), 200, 150, 90, 27);

  form.optWood.Select();
  EXPECT_EQ(SendMessageW(form.Widget(form.optWood), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(form.Widget(form.optClassic), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  form.optClassic.Select();
  EXPECT_EQ(SendMessageW(form.Widget(form.optWood), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // Hiding a frame hides what it holds; moving it moves them.
  form.fraSheets.SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(form.Widget(form.optWood)));
  form.fraSheets.SetVisible(true);
  form.fraSheets.Move(160, 10);
  EXPECT_TRUE(IsWindowVisible(form.Widget(form.optWood)));
  ExpectRect(form.Widget(form.optWood), 168, 50, 120, 17);

  // A one-pixel margin around the picture is a flat line.
  form.picBanner.Move(8, 104, 302, 40);
  form.picBanner.SetPicture(Banner(300, 38, 5));
  HWND banner = form.Widget(form.picBanner);
  EXPECT_TRUE(Style(banner) & WS_BORDER);
  EXPECT_FALSE(ExStyle(banner) & WS_EX_CLIENTEDGE);
  int bw = 0, bh = 0;
  std::vector<tk::Color> shown = BitmapPixels(banner, bw, bh);
  ASSERT_EQ(bw, 300);
  EXPECT_EQ(shown[static_cast<size_t>(7) * bw + 9], Pattern(9, 7, 5));

  // A control made after the window exists gets its widget on first change.
  tk::Label late(form, "lblLate");
  late.Move(8, 88, 100, 13);
  late.SetCaption("late");
  HWND lateWidget = form.Widget(late);
  ASSERT_NE(lateWidget, nullptr);
  EXPECT_EQ(TextOf(lateWidget), L"late");
}

// Runs `form` modally while `step` is called every 30 ms with a step count;
// the form must close itself.
void RunModalScript(TestDialog& form, const std::function<void(int, HWND)>& step) {
  tk::Timer script(form, "tmrScript", 30, true);
  int n = 0;
  script.Tick = [&] { step(++n, WindowOf(form)); };
  form.Show(true);
}

TEST_F(DialogTest, EnterAndEscPressTheDefaultAndCancelButtonsOnlyWhileEnabled) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.cmdOK.Click = [&] {
    form.pressed.push_back("OK");
    form.Unload();
  };
  RunModalScript(form, [&](int step, HWND w) {
    if (step == 1) {
      PostMessageW(w, WM_KEYDOWN, VK_RETURN, 0);  // OK is still locked
      PostMessageW(w, WM_KEYUP, VK_RETURN, 0);
      PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
      PostMessageW(w, WM_KEYUP, VK_ESCAPE, 0);
    } else if (step == 3) {
      form.cmdOK.SetEnabled(true);
    } else if (step == 4) {
      PostMessageW(w, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageW(w, WM_KEYUP, VK_RETURN, 0);
    } else if (step > 40) {
      form.Unload();  // give up: the check below fails
    }
  });
  EXPECT_EQ(form.pressed, (std::vector<std::string>{"About", "OK"}));
}

TEST_F(DialogTest, AltAndALetterPressTheButtonWithThatAccelerator) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.cmdAbout.Click = [&] {
    form.pressed.push_back("About");
    form.Unload();
  };
  RunModalScript(form, [&](int step, HWND w) {
    if (step == 1)
      PostMessageW(w, WM_SYSCHAR, 'a', 1 << 29);
    else if (step > 40)
      form.Unload();
  });
  EXPECT_EQ(form.pressed, std::vector<std::string>{"About"});
}

TEST_F(DialogTest, ClicksReachPicturesOptionsAndButtons) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.cmdOK.SetEnabled(true);
  form.cmdOK.Click = [&] {
    form.pressed.push_back("OK");
    form.Unload();
  };
  RunModalScript(form, [&](int step, HWND) {
    if (step == 1) {
      HWND banner = form.Widget(form.picBanner);
      PostMessageW(banner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
      PostMessageW(banner, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
      PostMessageW(form.Widget(form.optWood), BM_CLICK, 0, 0);
    } else if (step == 3) {
      PostMessageW(form.Widget(form.cmdOK), BM_CLICK, 0, 0);
    } else if (step > 40) {
      form.Unload();
    }
  });
  EXPECT_EQ(form.pressed, (std::vector<std::string>{"banner", "wood", "OK"}));
  EXPECT_TRUE(form.optWood.Value());
}

TEST_F(DialogTest, CloseBoxPressesTheCancelButton) {
  REQUIRE_DISPLAY();
  TestDialog form;
  form.cmdAbout.Click = [&] {
    form.pressed.push_back("About");
    form.Unload();
  };
  RunModalScript(form, [&](int step, HWND w) {
    if (step == 1)
      PostMessageW(w, WM_CLOSE, 0, 0);
    else if (step > 40)
      form.Unload();
  });
  EXPECT_EQ(form.pressed, std::vector<std::string>{"About"});
}

// ---- the message box --------------------------------------------------------------

struct Owner : tk::Form {
  Owner() : tk::Form("frmOwner", tk::FormStyle::Composed) {
    Caption = "Owner";
    SetClientSize(100, 80);
  }
};

HWND FindBox(const wchar_t* title) { return FindWindowW(tk::win32::kMessageBoxClass, title); }

TEST_F(DialogTest, MessageBoxKeepsTimersTickingAndReturnsTheButtonPressed) {
  REQUIRE_DISPLAY();
  Owner owner;
  owner.Show();
  HWND ownerWindow = WindowOf(owner);
  tk::Timer timer(owner, "tmrCount", 25, true);
  int ticks = 0;
  bool ownerDisabled = false, ownedByTheForm = false;
  std::wstring text;
  timer.Tick = [&] {
    ++ticks;
    HWND box = FindBox(L"Wallpaper settings");
    if (!box) return;
    if (ticks == 3) {
      ownerDisabled = !IsWindowEnabled(ownerWindow);
      ownedByTheForm = GetWindow(box, GW_OWNER) == ownerWindow;
      for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == L"Static" && !TextOf(c).empty()) text = TextOf(c);
    } else if (ticks == 6) {
      PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    }
  };
  tk::MsgBoxResult answer = tk::MsgBox("Do you want to play anyway?", tk::MsgBoxButtons::YesNo,
                                       tk::MsgBoxIcon::Critical, "Wallpaper settings");
  EXPECT_EQ(answer, tk::MsgBoxResult::No);
  EXPECT_GE(ticks, 6);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(ownedByTheForm);
  EXPECT_EQ(text, L"Do you want to play anyway?");
  EXPECT_TRUE(IsWindowEnabled(ownerWindow));
  EXPECT_EQ(FindBox(L"Wallpaper settings"), nullptr);
}

TEST_F(DialogTest, MessageBoxAnswersEnterWithTheDefaultAndEscOnlyWhenItCanCancel) {
  REQUIRE_DISPLAY();
  Owner owner;
  owner.Show();
  tk::Timer timer(owner, "tmrKeys", 30, true);
  int ticks = 0;
  timer.Tick = [&] {
    ++ticks;
    HWND box = FindBox(L"Question");
    if (!box) box = FindBox(L"Note");
    if (!box) return;
    // Esc cannot answer Yes/No; Enter takes the default, Esc closes an OK box.
    if (ticks % 4 == 1) {
      PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
      PostMessageW(GetFocus(), WM_KEYUP, VK_ESCAPE, 0);
    } else if (ticks % 4 == 3) {
      PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
      PostMessageW(GetFocus(), WM_KEYUP, VK_RETURN, 0);
    }
  };
  EXPECT_EQ(tk::MsgBox("Play on?", tk::MsgBoxButtons::YesNo, tk::MsgBoxIcon::None, "Question"),
            tk::MsgBoxResult::Yes);
  EXPECT_GE(ticks, 3);
  int before = ticks;
  EXPECT_EQ(tk::MsgBox("Done.", tk::MsgBoxButtons::Ok, tk::MsgBoxIcon::None, "Note"),
            tk::MsgBoxResult::Ok);
  EXPECT_LE(ticks - before, 4);
}

}  // namespace
