// A dialog form as a GtkWindow with one native widget per control.
#include <gtk/gtk.h>

#include <algorithm>
#include <list>
#include <map>

#include "toolkit/controls.h"
#include "toolkit/dialog_face.h"
#include "toolkit/dialog_keys.h"
#include "toolkit/input.h"
#include "toolkit/linux/gtk_peers.h"
#include "toolkit/linux/linux_platform.h"
#include "toolkit/linux/text_input.h"

namespace tk::gtkx {

namespace {

// The dialogs are laid out in pixels for a small sans face of Arial's metrics
// (8 points on a 96 dpi screen): the widgets get such a face at a pixel size
// that leaves the designed boxes a pixel to spare whatever the screen's
// resolution, and compact buttons and options, once per screen.
void InstallDialogStyle() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(
      css,
      ".lumbravick-dialog label, .lumbravick-dialog button, .lumbravick-dialog radiobutton {"
      " font-family: \"Liberation Sans\", Arimo, Arial, sans-serif; font-size: 10.5px; }"
      " .lumbravick-dialog button { padding: 0 4px; min-height: 0; }"
      " .lumbravick-dialog radiobutton { padding: 0; min-height: 0; }"
      " .lumbravick-dialog radiobutton radio { margin: 0 4px 0 0; }",
      -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
}

// An auto-sized label takes its text's width up to `limit`; a longer text
// wraps there, between words, and the label grows downwards instead.
void FitAutoSizeLabel(GtkLabel* label, int limit) {
  gtk_label_set_line_wrap(label, FALSE);
  gtk_widget_set_size_request(GTK_WIDGET(label), -1, -1);
  int natural = 0;
  gtk_widget_get_preferred_width(GTK_WIDGET(label), nullptr, &natural);
  if (natural <= limit) return;
  gtk_label_set_line_wrap(label, TRUE);
  gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD);
  gtk_label_set_max_width_chars(label, 1);
  gtk_widget_set_size_request(GTK_WIDGET(label), limit, -1);
}

// A fixed-size label wraps at its box's width; its box clips what does not fit.
void FitFixedLabel(GtkLabel* label, GtkLayout* box, const Rect& r) {
  gtk_label_set_line_wrap(label, TRUE);
  gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD);
  // Wraps at the control's width, not at GTK's idea of a good width.
  gtk_label_set_max_width_chars(label, 1);
  gtk_widget_set_size_request(GTK_WIDGET(label), std::max(r.w, 1), -1);
  gtk_layout_set_size(box, static_cast<guint>(std::max(r.w, 1)),
                      static_cast<guint>(std::max(r.h, 1)));
}

class DialogPeer : public WindowPeer {
 public:
  DialogPeer(LinuxPlatform& platform, Form& form) : platform_(platform), form_(form) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    gtk_window_set_title(GTK_WINDOW(window_), form_.Caption.c_str());
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    // A fixed border: the window manager offers moving and closing only.
    gtk_widget_realize(window_);
    GdkWindow* native = gtk_widget_get_window(window_);
    gdk_window_set_functions(native, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
    gdk_window_set_decorations(
        native, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
    // A GtkLayout keeps the size it is given whatever its children want:
    // the client area is exactly the form's, as designed.
    const int w = static_cast<int>(form_.ScaleWidth()), h = static_cast<int>(form_.ScaleHeight());
    layout_ = gtk_layout_new(nullptr, nullptr);
    gtk_layout_set_size(GTK_LAYOUT(layout_), static_cast<guint>(std::max(w, 1)),
                        static_cast<guint>(std::max(h, 1)));
    gtk_widget_set_size_request(layout_, w, h);
    gtk_container_add(GTK_CONTAINER(window_), layout_);
    gtk_widget_show(layout_);
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), "lumbravick-dialog");
    InstallDialogStyle();
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(window_, "set-focus", G_CALLBACK(OnSetFocus), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    for (Control* c : form_.Controls()) Build(*c);
    platform_.RegisterWindow(&form_, window_);
  }

  ~DialogPeer() override {
    platform_.UnregisterWindow(&form_);
    // The controls may be gone already: only widgets are touched here.
    for (auto& item : items_) {
      g_signal_handlers_disconnect_by_data(item.outer, &item);
      if (item.inner != item.outer) g_signal_handlers_disconnect_by_data(item.inner, &item);
    }
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
    for (auto& [container, anchor] : anchors_) g_object_unref(anchor);
  }

  void Show(bool modal) override {
    gtk_window_set_title(GTK_WINDOW(window_), form_.Caption.c_str());
    for (auto& item : items_) Sync(item);
    GtkWindow* parent = platform_.ParentWindow(&form_);
    gtk_window_set_transient_for(GTK_WINDOW(window_), parent);
    gtk_window_set_modal(GTK_WINDOW(window_), modal ? TRUE : FALSE);
    gtk_window_set_keep_above(GTK_WINDOW(window_), TRUE);
    if (!gtk_widget_get_visible(window_)) {
      Rect screen = platform_.PrimaryScreen();
      int w = static_cast<int>(form_.ScaleWidth()), h = static_cast<int>(form_.ScaleHeight());
      gtk_window_move(GTK_WINDOW(window_), screen.x + (screen.w - w) / 2,
                      screen.y + (screen.h - h) / 2);
      // GTK would put the focus on the first widget that takes it.
      placing_focus_ = true;
      gtk_widget_show(window_);
      placing_focus_ = false;
    }
    gtk_window_present(GTK_WINDOW(window_));
    PlaceFocus(true);
  }

  void Hide() override { gtk_widget_hide(window_); }

  void ControlChanged(Control& c) override {
    Item* item = Find(c);
    if (!item) item = Build(c);
    if (!item) return;
    Sync(*item);
    // Showing and position of what the control contains follow it.
    for (auto& other : items_)
      if (&other != item && Inside(*other.control, c)) Sync(other);
    PlaceFocus(false);
  }

  void Present(const Surface&, std::span<const Rect>) override {}

 private:
  struct Item {
    DialogPeer* peer = nullptr;
    Control* control = nullptr;
    GtkWidget* outer = nullptr;  // placed in the GtkLayout
    GtkWidget* inner = nullptr;  // label, button, radio, frame or image
    const void* shown_picture = nullptr;
    int shown_w = -1, shown_h = -1;
  };

  static bool Inside(const Control& c, const Control& container) {
    for (const Control* k = c.Container(); k; k = k->Container())
      if (k == &container) return true;
    return false;
  }

  Item* Find(const Control& c) {
    for (auto& item : items_)
      if (item.control == &c) return &item;
    return nullptr;
  }

  GtkWidget* Anchor(const Control* container) {
    auto it = anchors_.find(container);
    if (it != anchors_.end()) return it->second;
    // A radio that is never shown: the group's "nothing selected".
    GtkWidget* anchor = gtk_radio_button_new(nullptr);
    g_object_ref_sink(anchor);
    anchors_[container] = anchor;
    return anchor;
  }

  Item* Build(Control& c) {
    Item item;
    item.peer = this;
    item.control = &c;
    switch (c.Kind()) {
      case ControlKind::Label: {
        item.inner = gtk_label_new("");
        gtk_label_set_xalign(GTK_LABEL(item.inner), 0.0f);
        gtk_label_set_yalign(GTK_LABEL(item.inner), 0.0f);
        if (static_cast<Label&>(c).AutoSize) {
          item.outer = item.inner;
        } else {
          // A box of the label's own, which clips what does not fit.
          item.outer = gtk_layout_new(nullptr, nullptr);
          gtk_layout_put(GTK_LAYOUT(item.outer), item.inner, 0, 0);
          gtk_widget_show(item.inner);
        }
        break;
      }
      case ControlKind::Button: {
        item.inner = item.outer = gtk_button_new_with_mnemonic("");
        break;
      }
      case ControlKind::OptionButton: {
        GtkWidget* anchor = Anchor(c.Container());
        item.inner = item.outer =
            gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(anchor), "");
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(anchor), TRUE);
        break;
      }
      case ControlKind::Frame: {
        item.inner = item.outer = gtk_frame_new(nullptr);
        break;
      }
      case ControlKind::PictureBox:
      case ControlKind::Image: {
        item.outer = gtk_event_box_new();
        gtk_event_box_set_visible_window(GTK_EVENT_BOX(item.outer), FALSE);
        gtk_widget_add_events(item.outer, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
        item.inner = gtk_image_new();
        gtk_widget_set_halign(item.inner, GTK_ALIGN_START);
        gtk_widget_set_valign(item.inner, GTK_ALIGN_START);
        gtk_container_add(GTK_CONTAINER(item.outer), item.inner);
        gtk_widget_show(item.inner);
        break;
      }
    }
    if (!item.outer) return nullptr;
    items_.push_back(item);
    Item* stored = &items_.back();
    Rect r = c.FormRect();
    gtk_layout_put(GTK_LAYOUT(layout_), stored->outer, r.x, r.y);
    // Named as the control: what a test or a style sheet can find it by.
    gtk_widget_set_name(stored->outer, c.Name().c_str());
    gtk_widget_set_has_tooltip(stored->outer, TRUE);
    g_signal_connect(stored->outer, "query-tooltip", G_CALLBACK(OnQueryTooltip), stored);
    switch (c.Kind()) {
      case ControlKind::Button:
        g_signal_connect(stored->outer, "clicked", G_CALLBACK(OnClicked), stored);
        break;
      case ControlKind::OptionButton:
        g_signal_connect(stored->outer, "toggled", G_CALLBACK(OnToggled), stored);
        break;
      case ControlKind::PictureBox:
      case ControlKind::Image:
        g_signal_connect(stored->outer, "button-press-event", G_CALLBACK(OnPictureButton), stored);
        g_signal_connect(stored->outer, "button-release-event", G_CALLBACK(OnPictureButton),
                         stored);
        break;
      default:
        break;
    }
    Sync(*stored);
    return stored;
  }

  // Brings a widget in line with its control.
  void Sync(Item& item) {
    Control& c = *item.control;
    Rect r = c.FormRect();
    gtk_layout_move(GTK_LAYOUT(layout_), item.outer, r.x, r.y);
    const bool autosize_label = c.Kind() == ControlKind::Label && static_cast<Label&>(c).AutoSize;
    if (autosize_label)
      gtk_widget_set_size_request(item.outer, -1, -1);
    else
      gtk_widget_set_size_request(item.outer, std::max(r.w, 1), std::max(r.h, 1));

    switch (c.Kind()) {
      case ControlKind::Label: {
        auto& l = static_cast<Label&>(c);
        GtkLabel* label = GTK_LABEL(item.inner);
        gtk_label_set_text(label, LabelText(l.Caption()).c_str());
        PangoAttrList* attrs = pango_attr_list_new();
        if (l.Bold) pango_attr_list_insert(attrs, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
        Color fc = l.ForeColor();
        pango_attr_list_insert(
            attrs, pango_attr_foreground_new(static_cast<guint16>(((fc >> 16) & 255) * 257),
                                             static_cast<guint16>(((fc >> 8) & 255) * 257),
                                             static_cast<guint16>((fc & 255) * 257)));
        gtk_label_set_attributes(label, attrs);
        pango_attr_list_unref(attrs);
        if (l.AutoSize)
          FitAutoSizeLabel(label, AutoSizeLabelLimit(l));
        else
          FitFixedLabel(label, GTK_LAYOUT(item.outer), r);
        break;
      }
      case ControlKind::Button: {
        auto& b = static_cast<Button&>(c);
        gtk_button_set_label(GTK_BUTTON(item.inner), MnemonicCaption(b.Caption()).c_str());
        gtk_button_set_use_underline(GTK_BUTTON(item.inner), TRUE);
        gtk_widget_set_sensitive(item.inner, b.Enabled() ? TRUE : FALSE);
        if (b.Default) {
          gtk_widget_set_can_default(item.inner, TRUE);
          gtk_window_set_default(GTK_WINDOW(window_), item.inner);
        }
        break;
      }
      case ControlKind::OptionButton: {
        auto& o = static_cast<OptionButton&>(c);
        gtk_button_set_label(GTK_BUTTON(item.inner), MnemonicCaption(o.Caption()).c_str());
        gtk_button_set_use_underline(GTK_BUTTON(item.inner), TRUE);
        updating_ = true;
        if (o.Value()) {
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(item.inner), TRUE);
        } else if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item.inner))) {
          gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Anchor(c.Container())), TRUE);
        }
        updating_ = false;
        break;
      }
      case ControlKind::Frame: {
        std::string caption = PlainCaption(static_cast<Frame&>(c).Caption);
        gtk_frame_set_label(GTK_FRAME(item.inner), caption.empty() ? nullptr : caption.c_str());
        break;
      }
      case ControlKind::PictureBox:
      case ControlKind::Image:
        SyncPicture(item, r);
        break;
    }
    if (c.Showing())
      gtk_widget_show(item.outer);
    else
      gtk_widget_hide(item.outer);
  }

  void SyncPicture(Item& item, const Rect& r) {
    Control& c = *item.control;
    GdkPixbuf* pb = nullptr;
    if (c.Kind() == ControlKind::PictureBox) {
      auto& box = static_cast<PictureBox&>(c);
      const Picture& p = box.GetPicture();
      // The persistent image changes without telling: always redrawn.
      if (box.Image().Empty() && p.get() == item.shown_picture && r.w == item.shown_w &&
          r.h == item.shown_h)
        return;
      item.shown_picture = box.Image().Empty() ? p.get() : nullptr;
      pb = PixbufFromSurface(PictureBoxFace(box));
    } else {
      const Picture& p = static_cast<Image&>(c).GetPicture();
      if (p.get() == item.shown_picture && r.w == item.shown_w && r.h == item.shown_h) return;
      item.shown_picture = p.get();
      if (p && r.w > 0 && r.h > 0) {
        GdkPixbuf* natural = PixbufFromPicture(*p);
        if (natural && (r.w != p->Width() || r.h != p->Height())) {
          pb = gdk_pixbuf_scale_simple(natural, r.w, r.h, GDK_INTERP_NEAREST);
          g_object_unref(natural);
        } else {
          pb = natural;
        }
      }
    }
    item.shown_w = r.w;
    item.shown_h = r.h;
    gtk_image_set_from_pixbuf(GTK_IMAGE(item.inner), pb);
    if (pb) g_object_unref(pb);
  }

  void Queue(InputEvent e) {
    e.form = &form_;
    platform_.QueueInput(e);
  }

  static void OnClicked(GtkButton*, gpointer data) {
    auto* item = static_cast<Item*>(data);
    item->peer->Queue({.kind = InputEvent::Kind::Activate, .control = item->control});
  }

  static void OnToggled(GtkToggleButton* button, gpointer data) {
    auto* item = static_cast<Item*>(data);
    if (item->peer->updating_ || !gtk_toggle_button_get_active(button)) return;
    item->peer->Queue({.kind = InputEvent::Kind::Activate, .control = item->control});
  }

  static gboolean OnPictureButton(GtkWidget*, GdkEventButton* event, gpointer data) {
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
    int16_t button = ToolkitButton(event->button);
    if (!button) return FALSE;
    auto* item = static_cast<Item*>(data);
    item->peer->Queue({.kind = InputEvent::Kind::ControlPointer,
                       .control = item->control,
                       .action = ButtonAction(event->type),
                       .button = button,
                       .x = WholePixel(event->x),
                       .y = WholePixel(event->y)});
    return TRUE;
  }

  static gboolean OnQueryTooltip(GtkWidget*, gint, gint, gboolean, GtkTooltip* tooltip,
                                 gpointer data) {
    auto* item = static_cast<Item*>(data);
    const std::string& text = item->control->ToolTipText;
    if (text.empty()) return FALSE;
    gtk_tooltip_set_text(tooltip, text.c_str());
    return TRUE;
  }

  // The native focus where the form has it: on a control's widget, or on
  // none (the window itself). Only when the form moved it (or `always`), so
  // that a move of the player's that is still on its way is not undone.
  void PlaceFocus(bool always) {
    if (!always && form_.Focus == placed_focus_) return;
    placed_focus_ = form_.Focus;
    Item* item = form_.Focus ? Find(*form_.Focus) : nullptr;
    placing_focus_ = true;
    if (item && gtk_widget_get_can_focus(item->inner))
      gtk_widget_grab_focus(item->inner);
    else
      gtk_window_set_focus(GTK_WINDOW(window_), nullptr);
    placing_focus_ = false;
  }

  // The player moved the focus (Tab, a click, an access key): the form hears.
  static void OnSetFocus(GtkWindow*, GtkWidget* widget, gpointer data) {
    auto* self = static_cast<DialogPeer*>(data);
    if (self->placing_focus_) return;
    Control* focused = nullptr;
    for (auto& item : self->items_)
      if (widget && (item.inner == widget || item.outer == widget)) focused = item.control;
    self->placed_focus_ = focused;
    self->Queue({.kind = InputEvent::Kind::Focus, .control = focused});
  }

  // Enter, Esc and Space are the form's (toolkit/dialog_keys.h); access keys
  // and focus moves stay GTK's.
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    int16_t key = KeyAscii(event->keyval, gdk_keyval_to_unicode(event->keyval),
                           (event->state & GDK_CONTROL_MASK) != 0);
    if (key != kEnterKey && key != kEscapeKey && key != kSpaceKey) return FALSE;
    static_cast<DialogPeer*>(data)->Queue({.kind = InputEvent::Kind::Key, .key = key});
    return TRUE;
  }

  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<DialogPeer*>(data)->Queue({.kind = InputEvent::Kind::CloseBox});
    return TRUE;
  }

  LinuxPlatform& platform_;
  Form& form_;
  GtkWidget* window_ = nullptr;
  GtkWidget* layout_ = nullptr;
  std::list<Item> items_;  // stable addresses: the callbacks hold them
  std::map<const Control*, GtkWidget*> anchors_;
  bool updating_ = false;
  const Control* placed_focus_ = nullptr;
  bool placing_focus_ = false;
};

}  // namespace

std::unique_ptr<WindowPeer> MakeDialogPeer(LinuxPlatform& platform, Form& form) {
  return std::make_unique<DialogPeer>(platform, form);
}

}  // namespace tk::gtkx
