// Windows and their controls: the portable half of the window toolkit.
//
// A Form owns its controls as plain members; each control registers itself with
// its form on construction. Forms come in two styles:
//  - Composed: the play surface. The toolkit draws every control itself into one
//    pixel frame (dirty rectangles only) and routes pointer input to the topmost
//    control under the pointer. The backend just presents pixels.
//  - Dialog: a native dialog window with a fixed border. The backend builds
//    real widgets from the controls and reports clicks back; the keys and the
//    focus follow toolkit/dialog_keys.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/surface.h"

namespace tk {

class Form;
class Control;
class WindowPeer;

enum class ControlKind { PictureBox, Image, Label, Button, OptionButton, Frame };

// Mouse buttons as the handlers see them: 1 left, 2 right, 4 middle.
enum MouseButton : int16_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum class PointerAction : uint8_t { Move, Down, Up };

using MouseHandler = std::function<void(int16_t button, int16_t shift, float x, float y)>;

class Control {
 public:
  Control(Form& form, ControlKind kind, std::string name, Control* container);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  Form& Owner() const { return form_; }
  Control* Container() const { return container_; }

  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  bool Visible() const { return visible_; }
  // Visible and every container visible too.
  bool Showing() const;

  void SetLeft(float v) { Move(v, top_, width_, height_); }
  void SetTop(float v) { Move(left_, v, width_, height_); }
  void SetWidth(float v) { Move(left_, top_, v, height_); }
  void SetHeight(float v) { Move(left_, top_, width_, v); }
  void Move(float left, float top) { Move(left, top, width_, height_); }
  void Move(float left, float top, float width, float height);
  void SetVisible(bool v);

  // Position on the form in whole pixels (containers' offsets added).
  Rect FormRect() const;

  std::string ToolTipText;
  MouseHandler MouseMove, MouseDown, MouseUp;
  std::function<void()> Click;
  std::function<void(int16_t keyAscii)> KeyPress;

 protected:
  // Redraw what the control covers (composed forms) or update the widget.
  void Changed();

 private:
  void Invalidate();

  Form& form_;
  ControlKind kind_;
  std::string name_;
  Control* container_;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
};

// A picture box: shows a picture, or a persistent image of its own that can be
// read and written pixel by pixel (the desktop captures).
class PictureBox : public Control {
 public:
  PictureBox(Form& form, std::string name, Control* container = nullptr)
      : Control(form, ControlKind::PictureBox, std::move(name), container) {}

  const Picture& GetPicture() const { return picture_; }
  // With AutoSize the box takes the picture's size.
  void SetPicture(Picture p);
  bool AutoSize = false;
  Color BackColor = 0;

  // The persistent image. Writes through Image() are not seen until
  // InvalidateImage names the area (one call per block of writes keeps single
  // pixel writes cheap).
  Surface& Image() { return image_; }
  const Surface& Image() const { return image_; }
  void ClearImage();  // sized to the box, filled with BackColor
  void InvalidateImage(const Rect& area);

 private:
  Picture picture_;
  Surface image_;
};

// A lightweight image: its picture is stretched to its size. Carries a text tag.
class Image : public Control {
 public:
  Image(Form& form, std::string name, Control* container = nullptr)
      : Control(form, ControlKind::Image, std::move(name), container) {}
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(Picture p);
  std::string Tag;

 private:
  Picture picture_;
};

class Label : public Control {
 public:
  Label(Form& form, std::string name, Control* container = nullptr)
      : Control(form, ControlKind::Label, std::move(name), container) {}
  const std::string& Caption() const { return caption_; }
  // Raises Change when the text differs from what it was; with AutoSize the
  // label's width and height follow the text.
  void SetCaption(std::string text);
  Color ForeColor() const { return fore_color_; }
  void SetForeColor(Color c);
  bool AutoSize = false;
  bool Bold = false;
  bool WordWrap = false;
  // Recorded in the flight recorder as `label` events when it changes.
  bool Traced = false;
  std::function<void()> Change;

 private:
  std::string caption_;
  Color fore_color_ = 0;
};

class Button : public Control {
 public:
  Button(Form& form, std::string name, Control* container = nullptr)
      : Control(form, ControlKind::Button, std::move(name), container) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string text);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);
  bool Default = false;  // pressed by Enter
  bool Cancel = false;   // pressed by Esc
  // A click as the user makes it: nothing happens while disabled or hidden.
  void Press();

 private:
  std::string caption_;
  bool enabled_ = true;
};

class OptionButton : public Control {
 public:
  OptionButton(Form& form, std::string name, Control* container = nullptr)
      : Control(form, ControlKind::OptionButton, std::move(name), container) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string text);
  bool Value() const { return value_; }
  // Selecting clears the other options of the same container and raises Click.
  void Select();

 private:
  std::string caption_;
  bool value_ = false;
};

class Frame : public Control {
 public:
  Frame(Form& form, std::string name, Control* container = nullptr)
      : Control(form, ControlKind::Frame, std::move(name), container) {}
  std::string Caption;
};

// A periodic tick on the user-interface thread. It ticks only while the
// program yields, waits in a modal window or idles, and never while its own
// handler still runs.
class Timer {
 public:
  Timer(Form& form, std::string name, uint32_t interval, bool enabled);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& Name() const { return name_; }
  uint32_t Interval() const { return interval_; }
  // A new interval restarts the period; the same one changes nothing.
  void SetInterval(uint32_t ms);
  bool Enabled() const { return enabled_; }
  // Switching on starts a full period; switching on a running timer changes nothing.
  void SetEnabled(bool on);
  std::function<void()> Tick;

 private:
  friend class TimerScheduler;
  // The next tick is a whole interval from now.
  void StartPeriod();
  Form& form_;
  std::string name_;
  uint32_t interval_;
  bool enabled_ = false;
  bool in_handler_ = false;
  uint32_t due_ = 0;
};

// A series of controls of one kind addressed by index, like picBallRes(3).
// Element 0 is created with the array; Load(n) creates element n as a copy of
// element 0's geometry, visibility and picture.
template <class T>
class ControlArray {
 public:
  ControlArray(Form& form, std::string name, int count = 1, Control* container = nullptr)
      : form_(form), name_(std::move(name)), container_(container) {
    for (int i = 0; i < count; ++i) Append();
  }
  int Count() const { return static_cast<int>(items_.size()); }
  bool Has(int i) const { return i >= 0 && i < Count(); }
  T& operator()(int i) { return *items_.at(static_cast<size_t>(i)); }
  T& Load() {
    T& added = Append();
    if (items_.size() > 1) CopyTemplate(*items_.front(), added);
    return added;
  }

 private:
  T& Append() {
    items_.push_back(
        std::make_unique<T>(form_, name_ + "(" + std::to_string(items_.size()) + ")", container_));
    return *items_.back();
  }
  static void CopyTemplate(T& from, T& to) {
    to.Move(from.Left(), from.Top(), from.Width(), from.Height());
    to.SetVisible(from.Visible());
    if constexpr (requires { from.SetPicture(from.GetPicture()); })
      to.SetPicture(from.GetPicture());
  }

  Form& form_;
  std::string name_;
  Control* container_;
  std::vector<std::unique_ptr<T>> items_;
};

enum class FormStyle { Composed, Dialog };

class Form {
 public:
  Form(std::string name, FormStyle style);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  FormStyle Style() const { return style_; }
  std::string Caption;

  // Runs the load handler once; a second Load of a loaded form does nothing.
  void Load();
  // Loads if needed and shows. A modal show runs a nested event loop and
  // returns when the form has been unloaded.
  void Show(bool modal = false);
  void Hide();
  // Closes the window: the peer goes away and the form counts as not loaded.
  void Unload();
  bool Loaded() const { return loaded_; }
  bool IsShown() const { return shown_; }

  // The client area in pixels.
  float ScaleWidth() const { return client_w_; }
  float ScaleHeight() const { return client_h_; }
  void SetClientSize(int width, int height);
  bool Maximised = false;
  // Dialogs are centred on the screen unless a position is given.
  bool CentreOnScreen = true;

  std::function<void()> OnLoad;
  // The window's close box: by default presses the cancel button if enabled.
  std::function<void()> OnCloseBox;

  // Controls in creation order, which is also their stacking order (later ones
  // lie on top) unless BringToFront changes it.
  const std::vector<Control*>& Controls() const { return controls_; }
  Control* FindControl(const std::string& name) const;
  Button* DefaultButton() const;
  Button* CancelButton() const;
  void BringToFront(Control& c);
  // Control that gets key presses on a composed form; on a dialog, the control
  // with the keyboard focus (null: the window itself).
  Control* Focus = nullptr;

  // ---- composed forms -----------------------------------------------------
  // The topmost showing control under a point of the client area.
  Control* HitTest(int x, int y) const;
  void Invalidate(const Rect& area);
  // Redraws every dirty area now and hands it to the backend.
  void Refresh();
  const Surface& Frame() const { return frame_; }
  // Draws the given area of the form into `dst` (at the same coordinates).
  void ComposeArea(Surface& dst, const Rect& area) const;

  // ---- what the form does with input (routed by tk::DeliverInput) ---------
  // Composed forms: the control under the pointer gets it; a release goes to
  // the control where the button went down.
  void DeliverMouse(PointerAction action, int16_t button, int x, int y);
  // Dialogs: Enter and Esc press the default and the cancel button. Composed
  // forms: the focused control gets the key.
  void DeliverKeyPress(int16_t keyAscii);
  void DeliverCloseBox();

  WindowPeer* Peer() const { return peer_.get(); }

 private:
  friend class Control;
  friend class Timer;
  void ControlChanged(Control& c, const Rect& before);
  void Detach(Control& c);

  std::string name_;
  FormStyle style_;
  bool loaded_ = false, shown_ = false;
  int client_w_ = 0, client_h_ = 0;
  std::vector<Control*> controls_;
  std::vector<Timer*> timers_;
  std::unique_ptr<WindowPeer> peer_;
  Surface frame_;
  std::vector<Rect> dirty_;
  Control* capture_ = nullptr;  // where the pressed button went down
  int16_t capture_button_ = 0;
};

// What a user's click on a dialog control does: a button is pressed (nothing
// while disabled or hidden), an option is selected, anything else clicked.
// Every backend reports a click on a native widget through this.
void Activate(Control& c);

// All loaded forms, the most recently loaded last.
const std::vector<Form*>& LoadedForms();
Form* FindLoadedForm(const std::string& name);
// The innermost form shown modally, or null.
Form* TopModalForm();

}  // namespace tk
