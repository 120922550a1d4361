// The platform on GTK: pixels presented into the play window, input from GTK
// reaching the toolkit only through PumpEvents, dialogs built from controls,
// the message box, settings, the single instance and termination requests.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/toolkit.h"
#include "tests/linux/x_fixture.h"

using tk::Rgb;
using tk::Surface;
using tk::gtkx::LinuxPlatform;

namespace {

class PlatformTest : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_X();
    platform = std::make_unique<LinuxPlatform>();
    tk::InstallPlatform(platform.get());
  }
  void TearDown() override {
    if (!platform) return;
    tk::InstallPlatform(nullptr);
    platform.reset();
  }

  // Lets GTK and the X server catch up for a while.
  void Pump(int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) platform->PumpEvents(10);
  }

  static GtkWindow* WindowTitled(const std::string& title) {
    GList* all = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* l = all; l; l = l->next) {
      const char* t = gtk_window_get_title(GTK_WINDOW(l->data));
      if (t && title == t && gtk_widget_get_visible(GTK_WIDGET(l->data))) found = GTK_WINDOW(l->data);
    }
    g_list_free(all);
    return found;
  }

  // Sends an event through GTK as if the X server had delivered it.
  static void Inject(GdkEvent* e) {
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_event_set_device(e, e->type == GDK_KEY_PRESS ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat));
    gtk_main_do_event(e);
    gdk_event_free(e);
  }
  static void Button(GtkWindow* w, GdkEventType type, guint button, double x, double y) {
    GdkEvent* e = gdk_event_new(type);
    e->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(w))));
    e->button.button = button;
    e->button.x = x;
    e->button.y = y;
    e->button.time = GDK_CURRENT_TIME;
    Inject(e);
  }
  static void Motion(GtkWindow* w, double x, double y) {
    GdkEvent* e = gdk_event_new(GDK_MOTION_NOTIFY);
    e->motion.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(w))));
    e->motion.x = x;
    e->motion.y = y;
    e->motion.time = GDK_CURRENT_TIME;
    Inject(e);
  }
  static void Key(GtkWindow* w, guint keyval, guint state = 0) {
    GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
    e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(w))));
    e->key.keyval = keyval;
    e->key.state = state;
    e->key.time = GDK_CURRENT_TIME;
    Inject(e);
  }

  std::unique_ptr<LinuxPlatform> platform;
};

// A small play surface: one picture box with an image of its own.
struct PlayForm : tk::Form {
  PlayForm() : tk::Form("testPlay", tk::FormStyle::Composed) {
    Caption = "test play surface";
    Maximised = false;
    SetClientSize(160, 120);
    board.Move(0, 0, 160, 120);
    board.ClearImage();
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) board.Image().Set(x, y, Rgb(x, y, (x * y) & 255));
    Focus = &board;
  }
  tk::PictureBox board{*this, "board"};
};

}  // namespace

TEST_F(PlatformTest, ThePlaySurfaceShowsTheComposedPixels) {
  PlayForm form;
  form.Load();
  form.Show(false);
  // Presented once the window is on the screen.
  for (int i = 0; i < 200 && platform->presentStats.calls == 0; ++i) {
    form.Invalidate({0, 0, 160, 120});
    form.Refresh();
    platform->PumpEvents(10);
  }
  ASSERT_GT(platform->presentStats.calls, 0u) << "the window never came up";
  Pump(100);
  auto grab = [&] {
    XSync(xtest::Dpy(), False);
    platform->Desktop().SetPrimary({0, 0, 160, 120});
    Surface shot(160, 120);
    EXPECT_TRUE(platform->Desktop().GrabScreen(shot));
    return shot;
  };
  EXPECT_EQ(grab().Pixels(), form.Frame().Pixels());

  // A changed block goes out as a dirty area of its own.
  uint64_t pixelsBefore = platform->presentStats.pixels;
  form.board.Image().FillRect({20, 30, 10, 5}, Rgb(250, 10, 10));
  form.board.InvalidateImage({20, 30, 10, 5});
  form.Refresh();
  EXPECT_EQ(platform->presentStats.pixels - pixelsBefore, 50u);
  Surface shot = grab();
  EXPECT_EQ(shot.Get(25, 32), Rgb(250, 10, 10));
  EXPECT_EQ(shot.Pixels(), form.Frame().Pixels());
  form.Unload();
}

TEST_F(PlatformTest, InputReachesTheFormOnlyInsidePumpEvents) {
  PlayForm form;
  std::vector<std::string> seen;
  form.board.MouseMove = [&](int16_t, int16_t, float x, float y) {
    seen.push_back("move " + std::to_string(int(x)) + "," + std::to_string(int(y)));
  };
  form.board.MouseDown = [&](int16_t b, int16_t, float x, float y) {
    seen.push_back("down " + std::to_string(b) + " " + std::to_string(int(x)) + "," + std::to_string(int(y)));
  };
  form.board.MouseUp = [&](int16_t b, int16_t, float, float) { seen.push_back("up " + std::to_string(b)); };
  form.board.KeyPress = [&](int16_t k) { seen.push_back("key " + std::to_string(k)); };
  form.OnCloseBox = [&] { seen.push_back("close"); };
  form.Load();
  form.Show(false);
  Pump(200);
  GtkWindow* w = WindowTitled("test play surface");
  ASSERT_TRUE(w);

  Motion(w, 10, 10);
  Motion(w, 40.7, 50.2);
  Button(w, GDK_BUTTON_PRESS, 3, 41, 51);
  Button(w, GDK_BUTTON_RELEASE, 3, 41, 51);
  Key(w, GDK_KEY_Shift_L);
  Key(w, GDK_KEY_a);
  Key(w, GDK_KEY_Return);
  Key(w, GDK_KEY_F5);
  GdkEvent* del = gdk_event_new(GDK_DELETE);
  del->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(w))));
  gtk_main_do_event(del);
  gdk_event_free(del);
  EXPECT_TRUE(seen.empty()) << "nothing may run inside GTK's callbacks";

  platform->PumpEvents(0);
  EXPECT_EQ(seen, (std::vector<std::string>{"move 40,50", "down 2 41,51", "up 2", "key 97", "key 13", "close"}));
  form.Unload();
}

TEST_F(PlatformTest, AModalWindowKeepsInputFromThePlaySurface) {
  PlayForm play;
  int downs = 0;
  play.board.MouseDown = [&](int16_t, int16_t, float, float) { ++downs; };
  play.Load();
  play.Show(false);
  Pump(100);
  GtkWindow* w = WindowTitled("test play surface");
  ASSERT_TRUE(w);
  tk::Form dialog("testModal", tk::FormStyle::Dialog);
  dialog.Caption = "modal";
  dialog.SetClientSize(100, 50);
  tk::Timer closer(dialog, "closer", 50, true);
  closer.Tick = [&] {
    Button(w, GDK_BUTTON_PRESS, 1, 5, 5);  // GTK's grab may let it through; the platform must not
    platform->PumpEvents(0);
    dialog.Unload();
  };
  dialog.Show(true);
  EXPECT_EQ(downs, 0);
  play.Unload();
}

namespace {

struct TestDialog : tk::Form {
  TestDialog() : tk::Form("testDialog", tk::FormStyle::Dialog) {
    Caption = "Test dialog";
    SetClientSize(240, 140);
    text.Move(8, 8, 220, 30);
    text.WordWrap = true;
    text.SetCaption("first line\r\nsecond line");
    ok.Move(8, 100, 70, 25);
    ok.SetCaption("&OK");
    ok.Default = true;
    cancel.Move(90, 100, 70, 25);
    cancel.SetCaption("Cancel");
    cancel.Cancel = true;
    group.Move(8, 40, 160, 50);
    group.Caption = "&Pick";
    one.Move(8, 16, 60, 20);
    one.SetCaption("One");
    two.Move(80, 16, 60, 20);
    two.SetCaption("Two");
    logo.Move(180, 40, 32, 32);
    logo.BackColor = Rgb(0, 0, 255);
    ok.Click = [this] { clicks.push_back("ok"); };
    cancel.Click = [this] { clicks.push_back("cancel"); };
    one.Click = [this] { clicks.push_back("one"); };
    two.Click = [this] { clicks.push_back("two"); };
    logo.Click = [this] { clicks.push_back("logo"); };
  }
  tk::Label text{*this, "text"};
  tk::Button ok{*this, "ok"};
  tk::Button cancel{*this, "cancel"};
  tk::Frame group{*this, "group"};
  tk::OptionButton one{*this, "one", &group};
  tk::OptionButton two{*this, "two", &group};
  tk::PictureBox logo{*this, "logo"};
  std::vector<std::string> clicks;
};

// The widgets of a dialog in the order of its controls.
std::vector<GtkWidget*> Widgets(GtkWindow* w) {
  GtkWidget* layout = gtk_bin_get_child(GTK_BIN(w));
  GList* children = gtk_container_get_children(GTK_CONTAINER(layout));
  std::vector<GtkWidget*> out;
  for (GList* l = children; l; l = l->next) out.push_back(GTK_WIDGET(l->data));
  g_list_free(children);
  return out;
}

}  // namespace

TEST_F(PlatformTest, DialogsAreNativeWidgetsAtTheControlsPositions) {
  TestDialog d;
  d.Load();
  d.Show(false);
  Pump(150);
  GtkWindow* w = WindowTitled("Test dialog");
  ASSERT_TRUE(w);
  GtkWidget* layout = gtk_bin_get_child(GTK_BIN(w));
  EXPECT_EQ(gtk_widget_get_allocated_width(layout), 240);
  EXPECT_EQ(gtk_widget_get_allocated_height(layout), 140) << "the client area is the form's, not the widgets' wish";
  auto ws = Widgets(w);
  ASSERT_EQ(ws.size(), 7u);
  ASSERT_TRUE(GTK_IS_LABEL(ws[0]));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(ws[0])), "first line\nsecond line");
  EXPECT_TRUE(gtk_label_get_line_wrap(GTK_LABEL(ws[0])));
  ASSERT_TRUE(GTK_IS_BUTTON(ws[1]));
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(ws[1])), "_OK");
  EXPECT_TRUE(gtk_button_get_use_underline(GTK_BUTTON(ws[1])));
  ASSERT_TRUE(GTK_IS_FRAME(ws[3]));
  EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(ws[3])), "Pick");
  ASSERT_TRUE(GTK_IS_RADIO_BUTTON(ws[4]));
  ASSERT_TRUE(GTK_IS_EVENT_BOX(ws[6]));
  // Positions: the options sit inside their frame.
  int x = 0, y = 0;
  gtk_widget_translate_coordinates(ws[4], layout, 0, 0, &x, &y);
  EXPECT_EQ(x, 16);
  EXPECT_EQ(y, 56);
  gtk_widget_translate_coordinates(ws[1], layout, 0, 0, &x, &y);
  EXPECT_EQ(x, 8);
  EXPECT_EQ(y, 100);
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ws[4]))) << "no option chosen yet";
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ws[5])));

  // Changes of the controls reach the widgets.
  d.text.SetCaption("changed");
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(ws[0])), "changed");
  d.ok.SetEnabled(false);
  EXPECT_FALSE(gtk_widget_get_sensitive(ws[1]));
  d.group.SetVisible(false);
  EXPECT_FALSE(gtk_widget_get_visible(ws[4])) << "a hidden frame hides what it holds";
  d.group.SetVisible(true);
  EXPECT_TRUE(gtk_widget_get_visible(ws[4]));
  d.two.Select();
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ws[5])));
  d.Unload();
}

TEST_F(PlatformTest, DialogWidgetsPressTheirControls) {
  TestDialog d;
  d.Load();
  d.Show(false);
  Pump(150);
  GtkWindow* w = WindowTitled("Test dialog");
  ASSERT_TRUE(w);
  auto ws = Widgets(w);
  ASSERT_EQ(ws.size(), 7u);

  gtk_button_clicked(GTK_BUTTON(ws[1]));
  EXPECT_TRUE(d.clicks.empty());
  platform->PumpEvents(0);
  EXPECT_EQ(d.clicks, std::vector<std::string>{"ok"});

  // Enter presses the default button, Esc the cancel button (focus on an option).
  d.clicks.clear();
  gtk_widget_grab_focus(ws[4]);
  Key(w, GDK_KEY_Return);
  Key(w, GDK_KEY_Escape);
  platform->PumpEvents(0);
  EXPECT_EQ(d.clicks, (std::vector<std::string>{"ok", "cancel"}));

  // A disabled default button cannot be pressed, not even by a stray click.
  d.clicks.clear();
  d.ok.SetEnabled(false);
  Key(w, GDK_KEY_Return);
  gtk_button_clicked(GTK_BUTTON(ws[1]));
  platform->PumpEvents(0);
  EXPECT_TRUE(d.clicks.empty());

  // Choosing an option selects it, clears the other, raises its click.
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ws[5]), TRUE);
  platform->PumpEvents(0);
  EXPECT_TRUE(d.two.Value());
  EXPECT_FALSE(d.one.Value());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ws[4]), TRUE);
  platform->PumpEvents(0);
  EXPECT_TRUE(d.one.Value());
  EXPECT_FALSE(d.two.Value());
  EXPECT_EQ(d.clicks, (std::vector<std::string>{"two", "one"}));

  // A click on a picture.
  d.clicks.clear();
  GdkEvent* e = gdk_event_new(GDK_BUTTON_RELEASE);
  e->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(ws[6])));
  e->button.button = 1;
  e->button.x = 3;
  e->button.y = 4;
  gboolean handled = FALSE;
  g_signal_emit_by_name(ws[6], "button-release-event", e, &handled);
  gdk_event_free(e);
  EXPECT_TRUE(handled);
  platform->PumpEvents(0);
  EXPECT_EQ(d.clicks, std::vector<std::string>{"logo"});

  // The close box asks the form, which presses Cancel.
  d.clicks.clear();
  GdkEvent* del = gdk_event_new(GDK_DELETE);
  del->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(w))));
  gtk_main_do_event(del);
  gdk_event_free(del);
  platform->PumpEvents(0);
  EXPECT_EQ(d.clicks, std::vector<std::string>{"cancel"});
  EXPECT_TRUE(WindowTitled("Test dialog")) << "the window stays until the form unloads it";
  d.Unload();
  EXPECT_FALSE(WindowTitled("Test dialog"));
}

namespace {

struct BoxScript {
  BoxScript(std::vector<gint> r, LinuxPlatform* p) : responses(std::move(r)), platform(p) {}
  std::vector<gint> responses;  // given one after another
  size_t next = 0;
  bool sawOpenBox = false;
  std::string title;
  LinuxPlatform* platform = nullptr;
};

gboolean AnswerBox(gpointer data) {
  auto* s = static_cast<BoxScript*>(data);
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next) {
    if (!GTK_IS_MESSAGE_DIALOG(l->data) || !gtk_widget_get_visible(GTK_WIDGET(l->data))) continue;
    s->title = gtk_window_get_title(GTK_WINDOW(l->data));
    s->sawOpenBox = s->platform->MessageBoxOpen();
    gtk_dialog_response(GTK_DIALOG(l->data), s->responses[s->next++]);
  }
  g_list_free(all);
  return s->next < s->responses.size() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

}  // namespace

TEST_F(PlatformTest, TheMessageBoxWaitsWithTimersTicking) {
  tk::Form owner("testOwner", tk::FormStyle::Dialog);
  tk::Timer ticker(owner, "ticker", 10, true);
  int ticks = 0;
  ticker.Tick = [&] { ++ticks; };
  // Closing a Yes/No box without an answer does nothing; then No.
  BoxScript script({GTK_RESPONSE_DELETE_EVENT, GTK_RESPONSE_NO}, platform.get());
  g_timeout_add(60, AnswerBox, &script);
  auto started = std::chrono::steady_clock::now();
  tk::MessageBoxRequest r{"Play anyway?\r\nReally?", "Wallpaper settings", tk::MsgBoxButtons::YesNo,
                          tk::MsgBoxIcon::Critical, tk::MsgBoxResult::Yes};
  EXPECT_EQ(platform->MessageBox(r), tk::MsgBoxResult::No);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  EXPECT_GE(ms, 110) << "the close box must not have answered";
  EXPECT_GE(ticks, 4) << "timers tick while the box is open";
  EXPECT_TRUE(script.sawOpenBox);
  EXPECT_EQ(script.title, "Wallpaper settings");
  EXPECT_FALSE(platform->MessageBoxOpen());

  BoxScript yes({GTK_RESPONSE_YES}, platform.get());
  g_timeout_add(30, AnswerBox, &yes);
  EXPECT_EQ(platform->MessageBox(r), tk::MsgBoxResult::Yes);

  // An OK box closed by its close box answers OK.
  BoxScript closed({GTK_RESPONSE_DELETE_EVENT}, platform.get());
  g_timeout_add(30, AnswerBox, &closed);
  tk::MessageBoxRequest ok{"Done", "Note", tk::MsgBoxButtons::Ok, tk::MsgBoxIcon::None, tk::MsgBoxResult::Ok};
  EXPECT_EQ(platform->MessageBox(ok), tk::MsgBoxResult::Ok);
}

TEST_F(PlatformTest, SettingsLocaleAndTheSingleInstance) {
  char pattern[] = "/tmp/lumbravick-platform.XXXXXX";
  std::string dir = mkdtemp(pattern);
  platform->SetConfigDir(dir);
  EXPECT_EQ(platform->GetSetting("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "0"), "0");
  EXPECT_TRUE(platform->SaveSetting("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "4"));
  EXPECT_EQ(platform->GetSetting("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "0"), "4");

  platform->SetLockPath(dir + "/lumbravick.lock");
  EXPECT_FALSE(platform->AnotherInstanceRunning());
  EXPECT_FALSE(platform->AnotherInstanceRunning()) << "asking again keeps the lock";
  LinuxPlatform second;
  second.SetLockPath(dir + "/lumbravick.lock");
  EXPECT_TRUE(second.AnotherInstanceRunning());

  const char* old = std::getenv("LC_ALL");
  std::string saved = old ? old : "";
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(platform->FormatLongTime(0, 1, 23), "00:01:23");
  EXPECT_EQ(platform->DecimalSeparator(), '.');
  if (old) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
  std::system(("rm -rf '" + dir + "'").c_str());
}

namespace {

void AskToEnd(int) { LinuxPlatform::RequestTermination(SIGTERM); }

}  // namespace

TEST_F(PlatformTest, ATerminationRequestEndsTheProgramAtTheNextYield) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        LinuxPlatform::RequestTermination(SIGTERM);
        try {
          platform->PumpEvents(0);
        } catch (const tk::ProgramEnded& end) {
          std::_Exit(end.exitCode);
        }
        std::_Exit(1);
      },
      testing::ExitedWithCode(128 + SIGTERM), "");
}

TEST_F(PlatformTest, ATerminationRequestCutsASleepShort) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        signal(SIGALRM, AskToEnd);
        alarm(1);
        auto started = std::chrono::steady_clock::now();
        try {
          platform->Sleep(20000);
        } catch (const tk::ProgramEnded& end) {
          auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
          std::_Exit(s.count() < 5 ? end.exitCode : 2);
        }
        std::_Exit(1);
      },
      testing::ExitedWithCode(128 + SIGTERM), "");
}
