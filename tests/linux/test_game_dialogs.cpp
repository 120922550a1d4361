// The game's dialogs as GTK shows them: with the longest texts the game
// writes into them, every text lies within its control and its window, every
// widget keeps its control's box, pictures have no black margin, and the
// window manager is asked for a fixed border; the keys and the focus follow
// the form wherever GTK would put them; the warning has its icon.
#include <chrono>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/results.h"
#include "stylesheets/frmStyleSheets.h"
#include "tests/linux/x_fixture.h"
#include "toolkit/dialog_face.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/toolkit.h"
#include "windows/frmAbout.h"
#include "windows/frmEndScreen.h"

namespace {

using tk::Rect;

bool Within(const Rect& inner, const Rect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
         inner.Bottom() <= outer.Bottom();
}

std::string Describe(const Rect& r) {
  return "(" + std::to_string(r.x) + ", " + std::to_string(r.y) + ") " + std::to_string(r.w) +
         " x " + std::to_string(r.h);
}

class DialogLayoutTest : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_X();
    platform_ = std::make_unique<tk::gtkx::LinuxPlatform>();
    tk::InstallPlatform(platform_.get());
  }
  void TearDown() override {
    if (!platform_) return;
    tk::InstallPlatform(nullptr);
    platform_.reset();
  }

  // Lets GTK lay out and draw what changed.
  void Settle() {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
    while (std::chrono::steady_clock::now() < until) platform_->PumpEvents(10);
  }

  // The GtkLayout that holds the widgets of the shown form.
  static GtkWidget* ClientArea(const tk::Form& form) {
    GtkWidget* found = nullptr;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
      const char* title = gtk_window_get_title(GTK_WINDOW(l->data));
      if (title && form.Caption == title && gtk_widget_get_visible(GTK_WIDGET(l->data)))
        found = gtk_bin_get_child(GTK_BIN(l->data));
    }
    g_list_free(all);
    return found;
  }

  static GtkWidget* WidgetOf(GtkWidget* client, const tk::Control& c) {
    GtkWidget* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(client));
    for (GList* l = children; l; l = l->next)
      if (c.Name() == gtk_widget_get_name(GTK_WIDGET(l->data))) found = GTK_WIDGET(l->data);
    g_list_free(children);
    return found;
  }

  // Where GTK put the widget, in the client area's pixels.
  static Rect Placed(GtkWidget* w, GtkWidget* client) {
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(w, client, 0, 0, &x, &y);
    return {x, y, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w)};
  }

  // The label that shows the text of a control's widget, if any.
  static GtkLabel* TextLabel(GtkWidget* w) {
    if (GTK_IS_LABEL(w)) return GTK_LABEL(w);
    if (GTK_IS_FRAME(w)) return TextLabel(gtk_frame_get_label_widget(GTK_FRAME(w)));
    if (!GTK_IS_CONTAINER(w)) return nullptr;
    GtkLabel* label = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(w));
    for (GList* l = children; l && !label; l = l->next) label = TextLabel(GTK_WIDGET(l->data));
    g_list_free(children);
    return label;
  }

  // The whole text as laid out (also what a clipping box hides), in the
  // client area's pixels.
  static Rect TextExtent(GtkLabel* label, GtkWidget* client) {
    int lx = 0, ly = 0;
    gtk_label_get_layout_offsets(label, &lx, &ly);
    GtkAllocation a;
    gtk_widget_get_allocation(GTK_WIDGET(label), &a);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(gtk_label_get_layout(label), nullptr, &logical);
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(GTK_WIDGET(label), client, lx - a.x + logical.x,
                                     ly - a.y + logical.y, &x, &y);
    return {x, y, logical.width, logical.height};
  }

  // Every showing control of the shown form: its widget keeps the control's
  // box (an auto-sized label, the window), its text lies within that and the
  // client area, and a picture box has no black in its margin.
  void ExpectLaidOutWithin(const tk::Form& form) {
    Settle();
    GtkWidget* client = ClientArea(form);
    ASSERT_TRUE(client) << form.Name();
    const Rect area{0, 0, static_cast<int>(form.ScaleWidth()),
                    static_cast<int>(form.ScaleHeight())};
    for (const tk::Control* c : form.Controls()) {
      if (!c->Showing()) continue;
      GtkWidget* w = WidgetOf(client, *c);
      ASSERT_TRUE(w) << c->Name();
      const bool grows =
          c->Kind() == tk::ControlKind::Label && static_cast<const tk::Label*>(c)->AutoSize;
      const Rect box = grows ? Placed(w, client) : c->FormRect();
      EXPECT_TRUE(Within(Placed(w, client), grows ? area : box))
          << form.Name() << "." << c->Name() << " laid out at " << Describe(Placed(w, client))
          << ", its box is " << Describe(box);
      if (c->Kind() == tk::ControlKind::PictureBox)
        ExpectNoBlackMargin(static_cast<const tk::PictureBox&>(*c), w);
      GtkLabel* label = TextLabel(w);
      if (!label || !*gtk_label_get_text(label)) continue;
      const Rect text = TextExtent(label, client);
      EXPECT_TRUE(Within(text, box) && Within(text, area))
          << form.Name() << "." << c->Name() << ": \"" << gtk_label_get_text(label) << "\" takes "
          << Describe(text) << ", its box is " << Describe(box);
    }
  }

  static void ExpectNoBlackMargin(const tk::PictureBox& box, GtkWidget* widget) {
    GtkWidget* image = gtk_bin_get_child(GTK_BIN(widget));
    GdkPixbuf* pb = image ? gtk_image_get_pixbuf(GTK_IMAGE(image)) : nullptr;
    const tk::PictureData* picture = box.GetPicture().get();
    if (!pb || !picture) return;
    const int margin = tk::BorderWidth(tk::PictureBoxBorder(box));
    const int n = gdk_pixbuf_get_n_channels(pb), stride = gdk_pixbuf_get_rowstride(pb);
    const guchar* px = gdk_pixbuf_get_pixels(pb);
    const int w = gdk_pixbuf_get_width(pb), h = gdk_pixbuf_get_height(pb);
    int black = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool inMargin = x < margin || y < margin || x >= margin + picture->Width() ||
                              y >= margin + picture->Height();
        const guchar* p = px + y * stride + x * n;
        if (inMargin && p[0] == 0 && p[1] == 0 && p[2] == 0) ++black;
      }
    EXPECT_EQ(black, 0) << box.Name() << ": black pixels beside the picture";
  }

  // A key as the X server would hand it to the window.
  static void Press(GtkWidget* window, guint keyval) {
    GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
    e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    e->key.keyval = keyval;
    gtk_widget_event(window, e);
    gdk_event_free(e);
  }

  std::unique_ptr<tk::gtkx::LinuxPlatform> platform_;
};

}  // namespace

TEST_F(DialogLayoutTest, TheEndScreenFitsItsLongestTexts) {
  frmEndScreen end;
  end.Load();
  end.Show(false);
  constexpr int32_t kScreen = 1920 * 1080;
  std::vector<std::string> speeds;
  for (auto [standing, seconds] : {std::pair{kScreen, 1}, std::pair{0, 1}, std::pair{400, 3},
                                   std::pair{1000000, 7}, std::pair{2000000, 3}}) {
    std::string text;
    ASSERT_TRUE(game::SpeedText(kScreen, standing, true, seconds, text));
    speeds.push_back(text);
  }
  // The clock's own long format and a twelve-hour one, with 5 and 7 digits.
  for (const std::string& time : {tk::TimeOfDayText(86399), std::string("11:59:59 PM")}) {
    for (int32_t total : {17490, kScreen}) {
      end.lblPlayTime.SetCaption(game::PlayTimeText(time, total, 1, true));
      for (const std::string& speed : speeds) {
        end.lblSpeed.SetCaption(speed);
        ExpectLaidOutWithin(end);
      }
    }
  }
  end.Unload();
}

TEST_F(DialogLayoutTest, TheAboutWindowAndTheChooserFitTheirTextsWithAFixedBorder) {
  frmAbout about;
  about.Show(false);
  ExpectLaidOutWithin(about);
  frmStyleSheetsDialog chooser;
  chooser.Show(false);
  ExpectLaidOutWithin(chooser);

  // Moving and closing only: no resizing, minimising or maximising.
  GtkWidget* window = gtk_widget_get_toplevel(ClientArea(chooser));
  EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window)));
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(xtest::Dpy(), GDK_WINDOW_XID(gtk_widget_get_window(window)),
                     xtest::A("_MOTIF_WM_HINTS"), 0, 5, False, AnyPropertyType, &type, &format,
                     &count, &after, &data);
  ASSERT_TRUE(data && count >= 3) << "no window manager hints";
  const auto* hints = reinterpret_cast<const unsigned long*>(data);
  constexpr unsigned long kFunctions = 1, kMove = 4, kClose = 32;
  EXPECT_EQ(hints[0] & kFunctions, kFunctions);
  EXPECT_EQ(hints[1], kMove | kClose);
  XFree(data);
  chooser.Unload();
  about.Unload();
}

TEST_F(DialogLayoutTest, TheWallpaperWarningShowsTheCriticalStopWithYesAsTheDefault) {
  struct Seen {
    bool icon = false, yesDefault = false, yesFocused = false;
  } seen;
  // Looks at the box once it is up, then presses its default button.
  const guint watcher = g_timeout_add(
      100,
      +[](gpointer data) -> gboolean {
        auto* s = static_cast<Seen*>(data);
        GList* all = gtk_window_list_toplevels();
        for (GList* l = all; l; l = l->next) {
          if (!GTK_IS_MESSAGE_DIALOG(l->data) || !gtk_widget_get_mapped(GTK_WIDGET(l->data)))
            continue;
          GtkWindow* box = GTK_WINDOW(l->data);
          GtkWidget* row =
              gtk_widget_get_parent(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(box)));
          GList* items = gtk_container_get_children(GTK_CONTAINER(row));
          GtkWidget* first = items ? GTK_WIDGET(items->data) : nullptr;
          g_list_free(items);
          s->icon = first && GTK_IS_IMAGE(first) && gtk_widget_get_mapped(first) &&
                    gtk_widget_get_allocated_width(first) >= 32 &&
                    gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), "dialog-error");
          GtkWidget* def = gtk_window_get_default_widget(box);
          s->yesDefault = def && GTK_IS_BUTTON(def) &&
                          std::string(gtk_button_get_label(GTK_BUTTON(def))) == "_Yes";
          s->yesFocused = def && gtk_window_get_focus(box) == def;
          gtk_window_activate_default(box);
        }
        g_list_free(all);
        return G_SOURCE_CONTINUE;
      },
      &seen);
  const tk::MsgBoxResult answer =
      tk::MsgBox("Do you want to play anyway?", tk::MsgBoxButtons::YesNo, tk::MsgBoxIcon::Critical,
                 "Wallpaper settings");
  g_source_remove(watcher);
  EXPECT_EQ(answer, tk::MsgBoxResult::Yes);
  EXPECT_TRUE(seen.icon) << "the critical-stop image before the text";
  EXPECT_TRUE(seen.yesDefault && seen.yesFocused) << "Yes is the default and has the focus";
}

TEST_F(DialogLayoutTest, KeysPressWhatTheFormSaysFromAFreshDialogAndAfterTheFocusMoved) {
  frmEndScreen end;
  std::vector<std::string> pressed;
  end.cmdOK.Click = [&] { pressed.push_back("OK"); };
  end.cmdAbout.Click = [&] { pressed.push_back("About"); };
  end.Load();
  end.Show(false);
  Settle();
  GtkWidget* client = ClientArea(end);
  ASSERT_TRUE(client);
  GtkWindow* window = GTK_WINDOW(gtk_widget_get_toplevel(client));
  // Fresh, with OK locked: the focus on no widget, and no key presses anything.
  EXPECT_EQ(gtk_window_get_focus(window), nullptr) << "not on \"About\", the first that takes it";
  for (guint key : {GDK_KEY_Return, GDK_KEY_space, GDK_KEY_Escape}) Press(GTK_WIDGET(window), key);
  Settle();
  EXPECT_EQ(pressed, std::vector<std::string>{});
  // OK unlocked takes the focus; Enter and Space press it.
  end.cmdOK.SetEnabled(true);
  EXPECT_EQ(gtk_window_get_focus(window), WidgetOf(client, end.cmdOK));
  Press(GTK_WIDGET(window), GDK_KEY_Return);
  Press(GTK_WIDGET(window), GDK_KEY_space);
  Settle();
  EXPECT_EQ(pressed, (std::vector<std::string>{"OK", "OK"}));
  // The player moves the focus to About: Enter and Esc still press OK,
  // Space presses About.
  pressed.clear();
  gtk_widget_grab_focus(WidgetOf(client, end.cmdAbout));
  Settle();
  EXPECT_EQ(end.Focus, &end.cmdAbout);
  for (guint key : {GDK_KEY_Return, GDK_KEY_Escape, GDK_KEY_space}) Press(GTK_WIDGET(window), key);
  Settle();
  EXPECT_EQ(pressed, (std::vector<std::string>{"OK", "OK", "About"}));
  end.Unload();
}
