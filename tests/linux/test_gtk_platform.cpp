// The platform on GTK: pixels presented into the play window, input from GTK
// reaching the toolkit only through PumpEvents, dialogs built from controls,
// the message box, settings, the single instance and termination requests.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/linux/x_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/input.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/toolkit.h"

using tk::Rgb;
using tk::Surface;
using tk::gtkx::LinuxPlatform;
using Strings = std::vector<std::string>;

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

  // Shows the form and lets GTK and the X server catch up; its window.
  GtkWidget* ShowForm(tk::Form& form) {
    form.Load();
    form.Show(false);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < until) platform->PumpEvents(10);
    return WindowTitled(form.Caption);
  }

  static GtkWidget* WindowTitled(const std::string& title) {
    GList* all = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* l = all; l; l = l->next) {
      const char* t = gtk_window_get_title(GTK_WINDOW(l->data));
      if (t && title == t && gtk_widget_get_visible(GTK_WIDGET(l->data)))
        found = GTK_WIDGET(l->data);
    }
    g_list_free(all);
    return found;
  }

  // Hands widget `w` an event as if the X server had delivered it, past
  // GTK's grabs (only the toolkit may hold input back): a key press (`code`
  // the key), a button press or release (`code` the button), a motion or a
  // close request.
  static void Send(GtkWidget* w, GdkEventType type, guint code = 0, double x = 0, double y = 0) {
    GdkEvent* e = gdk_event_new(type);
    e->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(w)));
    if (type == GDK_KEY_PRESS) {
      e->key.keyval = code;
    } else if (type == GDK_MOTION_NOTIFY) {
      e->motion.x = x;
      e->motion.y = y;
    } else if (type != GDK_DELETE) {
      e->button.button = code;
      e->button.x = x;
      e->button.y = y;
    }
    gtk_widget_event(w, e);
    gdk_event_free(e);
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
  ASSERT_TRUE(ShowForm(form));
  for (int i = 0; i < 200 && platform->presentStats.calls == 0; ++i) {
    form.Invalidate({0, 0, 160, 120});
    form.Refresh();
    platform->PumpEvents(10);
  }
  ASSERT_GT(platform->presentStats.calls, 0u) << "the window never came up";
  platform->Desktop().SetPrimary({0, 0, 160, 120});
  Surface shot(160, 120);
  auto grab = [&] {
    XSync(xtest::Dpy(), False);
    return platform->Desktop().GrabScreen(shot);
  };
  ASSERT_TRUE(grab());
  EXPECT_EQ(shot.Pixels(), form.Frame().Pixels());

  // A changed block goes out as a dirty area of its own.
  const uint64_t pixelsBefore = platform->presentStats.pixels;
  form.board.Image().FillRect({20, 30, 10, 5}, Rgb(250, 10, 10));
  form.board.InvalidateImage({20, 30, 10, 5});
  form.Refresh();
  EXPECT_EQ(platform->presentStats.pixels - pixelsBefore, 50u);
  ASSERT_TRUE(grab());
  EXPECT_EQ(shot.Get(25, 32), Rgb(250, 10, 10));
  EXPECT_EQ(shot.Pixels(), form.Frame().Pixels());
  form.Unload();
}

// Whether a form may take its input (no modal window over it) is decided
// where the queued input is delivered, the same for every backend.
TEST_F(PlatformTest, InputReachesTheFormOnlyInsidePumpEvents) {
  PlayForm form;
  Strings seen;
  auto at = [](float x, float y) { return std::to_string(int(x)) + "," + std::to_string(int(y)); };
  form.board.MouseMove = [&](int16_t, int16_t, float x, float y) {
    seen.push_back("move " + at(x, y));
  };
  form.board.MouseDown = [&](int16_t b, int16_t, float x, float y) {
    seen.push_back("down " + std::to_string(b) + " " + at(x, y));
  };
  form.board.MouseUp = [&](int16_t b, int16_t, float, float) {
    seen.push_back("up " + std::to_string(b));
  };
  form.board.KeyPress = [&](int16_t k) { seen.push_back("key " + std::to_string(k)); };
  form.OnCloseBox = [&] { seen.push_back("close"); };
  GtkWidget* w = ShowForm(form);
  ASSERT_TRUE(w);
  Send(w, GDK_MOTION_NOTIFY, 0, 10, 10);
  Send(w, GDK_MOTION_NOTIFY, 0, 40.7, 50.2);
  Send(w, GDK_BUTTON_PRESS, 3, 41, 51);
  Send(w, GDK_BUTTON_RELEASE, 3, 41, 51);
  for (guint key : {GDK_KEY_Shift_L, GDK_KEY_a, GDK_KEY_Return, GDK_KEY_F5})
    Send(w, GDK_KEY_PRESS, key);
  Send(w, GDK_DELETE);
  EXPECT_TRUE(seen.empty()) << "nothing may run inside GTK's callbacks";
  platform->PumpEvents(0);
  EXPECT_EQ(seen, (Strings{"move 40,50", "down 2 41,51", "up 2", "key 97", "key 13", "close"}));
  form.Unload();
}

TEST_F(PlatformTest, DialogsAreGtkWidgetsThatPressTheirControls) {
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
      for (tk::Control* c : std::initializer_list<tk::Control*>{&ok, &cancel, &one, &two, &logo})
        c->Click = [this, c] { clicks.push_back(c->Name()); };
    }
    tk::Label text{*this, "text"};
    tk::Button ok{*this, "ok"};
    tk::Button cancel{*this, "cancel"};
    tk::Frame group{*this, "group"};
    tk::OptionButton one{*this, "one", &group};
    tk::OptionButton two{*this, "two", &group};
    tk::PictureBox logo{*this, "logo"};
    Strings clicks;
  };

  TestDialog d;
  GtkWidget* w = ShowForm(d);
  ASSERT_TRUE(w);
  GtkWidget* layout = gtk_bin_get_child(GTK_BIN(w));
  EXPECT_EQ(std::make_pair(gtk_widget_get_allocated_width(layout),
                           gtk_widget_get_allocated_height(layout)),
            std::make_pair(240, 140))
      << "the client area is the form's, not the widgets' wish";
  // The widgets in the order of the controls.
  std::vector<GtkWidget*> ws;
  GList* children = gtk_container_get_children(GTK_CONTAINER(layout));
  for (GList* l = children; l; l = l->next) ws.push_back(GTK_WIDGET(l->data));
  g_list_free(children);
  ASSERT_EQ(ws.size(), 7u);
  // A fixed-size label lies in a box of its own, which clips it.
  GList* inLabelBox = gtk_container_get_children(GTK_CONTAINER(ws[0]));
  GtkWidget* text = inLabelBox ? GTK_WIDGET(inLabelBox->data) : nullptr;
  g_list_free(inLabelBox);
  ASSERT_TRUE(GTK_IS_LABEL(text) && GTK_IS_BUTTON(ws[1]) && GTK_IS_FRAME(ws[3]) &&
              GTK_IS_RADIO_BUTTON(ws[4]) && GTK_IS_EVENT_BOX(ws[6]));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(text)), "first line\nsecond line");
  EXPECT_TRUE(gtk_label_get_line_wrap(GTK_LABEL(text)));
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(ws[1])), "_OK");
  EXPECT_TRUE(gtk_button_get_use_underline(GTK_BUTTON(ws[1])));
  EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(ws[3])), "Pick");
  int x = 0, y = 0;
  gtk_widget_translate_coordinates(ws[4], layout, 0, 0, &x, &y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(16, 56)) << "an option sits inside its frame";
  EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ws[4])) ||
               gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ws[5])))
      << "no option chosen yet";

  // Changes of the controls reach the widgets.
  d.text.SetCaption("changed");
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(text)), "changed");
  d.group.SetVisible(false);
  EXPECT_FALSE(gtk_widget_get_visible(ws[4])) << "a hidden frame hides what it holds";
  d.group.SetVisible(true);
  EXPECT_TRUE(gtk_widget_get_visible(ws[4]));
  d.two.Select();
  EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ws[5])));

  // Widgets press their controls, inside PumpEvents only. Enter presses the
  // default button and Esc the cancel button (focus on an option).
  d.clicks.clear();
  gtk_button_clicked(GTK_BUTTON(ws[1]));
  gtk_widget_grab_focus(ws[4]);
  Send(w, GDK_KEY_PRESS, GDK_KEY_Return);
  Send(w, GDK_KEY_PRESS, GDK_KEY_Escape);
  EXPECT_EQ(d.clicks, Strings{});
  platform->PumpEvents(0);
  EXPECT_EQ(d.clicks, (Strings{"ok", "ok", "cancel"}));

  // A disabled default button cannot be pressed, not even by a stray click.
  // Choosing an option selects it, clears the other and raises its click; a
  // picture is clicked; the close box asks the form, which presses Cancel.
  d.clicks.clear();
  d.ok.SetEnabled(false);
  EXPECT_FALSE(gtk_widget_get_sensitive(ws[1]));
  Send(w, GDK_KEY_PRESS, GDK_KEY_Return);
  gtk_button_clicked(GTK_BUTTON(ws[1]));
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ws[4]), TRUE);
  Send(ws[6], GDK_BUTTON_RELEASE, 1, 3, 4);
  Send(w, GDK_DELETE);
  platform->PumpEvents(0);
  EXPECT_EQ(std::make_pair(d.one.Value(), d.two.Value()), std::make_pair(true, false));
  EXPECT_EQ(d.clicks, (Strings{"one", "logo", "cancel"}));
  EXPECT_TRUE(WindowTitled("Test dialog")) << "the window stays until the form unloads it";
  d.Unload();
  EXPECT_FALSE(WindowTitled("Test dialog"));
}

TEST_F(PlatformTest, TheMessageBoxWaitsWithTimersTicking) {
  // Answers each message box that comes up with the next of `responses`, as
  // a timer of the main loop.
  struct BoxScript {
    std::vector<gint> responses;
    LinuxPlatform* platform;
    size_t next = 0;
    bool sawOpenBox = false;
    std::string title{};

    static gboolean Answer(gpointer data) {
      auto* s = static_cast<BoxScript*>(data);
      GList* all = gtk_window_list_toplevels();
      for (GList* l = all; l && s->next < s->responses.size(); l = l->next) {
        if (!GTK_IS_MESSAGE_DIALOG(l->data) || !gtk_widget_get_visible(GTK_WIDGET(l->data)))
          continue;
        s->title = gtk_window_get_title(GTK_WINDOW(l->data));
        s->sawOpenBox = tk::MessageBoxOpen();
        gtk_dialog_response(GTK_DIALOG(l->data), s->responses[s->next++]);
      }
      g_list_free(all);
      return s->next < s->responses.size() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
    }
  };

  tk::Form owner("testOwner", tk::FormStyle::Dialog);
  tk::Timer ticker(owner, "ticker", 10, true);
  int ticks = 0;
  ticker.Tick = [&] { ++ticks; };
  auto yesNo = [] {
    return tk::MsgBox("Play anyway?\r\nReally?", tk::MsgBoxButtons::YesNo, tk::MsgBoxIcon::Critical,
                      "Wallpaper settings");
  };
  // Closing a Yes/No box without an answer does nothing; then No. Then Yes;
  // an OK box closed by its close box answers OK.
  BoxScript script{
      {GTK_RESPONSE_DELETE_EVENT, GTK_RESPONSE_NO, GTK_RESPONSE_YES, GTK_RESPONSE_DELETE_EVENT},
      platform.get()};
  const guint answering = g_timeout_add(60, BoxScript::Answer, &script);
  EXPECT_EQ(yesNo(), tk::MsgBoxResult::No);
  EXPECT_GE(ticks, 4) << "timers tick while the box is open";
  EXPECT_TRUE(script.sawOpenBox);
  EXPECT_EQ(script.title, "Wallpaper settings");
  EXPECT_FALSE(tk::MessageBoxOpen());
  EXPECT_EQ(yesNo(), tk::MsgBoxResult::Yes);
  EXPECT_EQ(tk::MsgBox("Done", tk::MsgBoxButtons::Ok, tk::MsgBoxIcon::None, "Note"),
            tk::MsgBoxResult::Ok);
  if (script.next < script.responses.size())
    g_source_remove(answering);  // it must not outlive `script`
}

TEST_F(PlatformTest, SettingsLocaleAndTheSingleInstance) {
  xtest::TempDir dir;
  platform->SetConfigDir(dir.Path());
  EXPECT_EQ(platform->GetSetting("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "0"), "0");
  EXPECT_TRUE(platform->SaveSetting("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "4"));
  EXPECT_EQ(platform->GetSetting("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "0"), "4");

  platform->SetLockPath(dir.Path() + "/lumbravick.lock");
  EXPECT_FALSE(platform->AnotherInstanceRunning());
  EXPECT_FALSE(platform->AnotherInstanceRunning()) << "asking again keeps the lock";
  LinuxPlatform second;
  second.SetLockPath(dir.Path() + "/lumbravick.lock");
  EXPECT_TRUE(second.AnotherInstanceRunning());

  xtest::ScopedEnv locale("LC_ALL", "C");
  EXPECT_EQ(platform->FormatLongTime(0, 1, 23), "00:01:23");
  EXPECT_EQ(platform->DecimalSeparator(), '.');
}

TEST_F(PlatformTest, ATerminationRequestEndsTheProgramAtTheNextPumpOrDuringASleep) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Ends the process with the exit code of the tk::ProgramEnded that `body`
  // raises within 5 s (2 when later, 1 when none).
  auto exitAsTheProgramEnds = [](const std::function<void()>& body) {
    const auto started = std::chrono::steady_clock::now();
    try {
      body();
    } catch (const tk::ProgramEnded& end) {
      std::_Exit(std::chrono::steady_clock::now() - started < std::chrono::seconds(5) ? end.exitCode
                                                                                      : 2);
    }
    std::_Exit(1);
  };
  const auto sigterm = testing::ExitedWithCode(128 + SIGTERM);
  EXPECT_EXIT(exitAsTheProgramEnds([&] {
                LinuxPlatform::RequestTermination(SIGTERM);
                platform->PumpEvents(0);
              }),
              sigterm, "");
  // Asked from a signal handler, a long sleep is cut short.
  EXPECT_EXIT(exitAsTheProgramEnds([&] {
                signal(SIGALRM, [](int) { LinuxPlatform::RequestTermination(SIGTERM); });
                alarm(1);
                platform->Sleep(20000);
              }),
              sigterm, "");
}
