#include "toolkit/controls.h"

#include <algorithm>

#include "toolkit/dialog_keys.h"
#include "toolkit/font.h"
#include "toolkit/input.h"
#include "toolkit/platform.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace tk {

namespace {

std::vector<Form*>& LoadedList() {
  static std::vector<Form*> forms;
  return forms;
}
std::vector<Form*>& ModalStack() {
  static std::vector<Form*> stack;
  return stack;
}

// Controls are placed in whole pixels, halves away from zero.
constexpr Halves kControlRounding = Halves::AwayFromZero;

// More separate areas than this are merged into their bounding box: a pass
// rarely touches more than the ball, the paddle and one explosion.
constexpr size_t kMaxDirtyAreas = 16;

}  // namespace

// ---- Control ---------------------------------------------------------------

Control::Control(Form& form, ControlKind kind, std::string name, Control* container)
    : form_(form), kind_(kind), name_(std::move(name)), container_(container) {
  form_.controls_.push_back(this);
}

Control::~Control() { form_.Detach(*this); }

bool Control::Showing() const {
  for (const Control* c = this; c; c = c->container_)
    if (!c->visible_) return false;
  return true;
}

Rect Control::FormRect() const {
  float x = left_, y = top_;
  for (const Control* c = container_; c; c = c->container_) x += c->left_, y += c->top_;
  return {RoundPixel(x, kControlRounding), RoundPixel(y, kControlRounding),
          RoundPixel(width_, kControlRounding), RoundPixel(height_, kControlRounding)};
}

void Control::Move(float left, float top, float width, float height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Rect before = FormRect();
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0.0f);
  height_ = std::max(height, 0.0f);
  form_.ControlChanged(*this, before);
}

void Control::SetVisible(bool v) {
  if (v == visible_) return;
  Rect before = FormRect();
  visible_ = v;
  form_.ControlChanged(*this, before);
}

void Control::Changed() { form_.ControlChanged(*this, FormRect()); }

// ---- PictureBox, Image, Label, Button, OptionButton -------------------------

void PictureBox::SetPicture(Picture p) {
  picture_ = std::move(p);
  if (AutoSize && picture_)
    SetWidth(static_cast<float>(picture_->Width())),
        SetHeight(static_cast<float>(picture_->Height()));
  Changed();
}

void PictureBox::ClearImage() {
  image_.Resize(RoundPixel(Width(), kControlRounding), RoundPixel(Height(), kControlRounding));
  image_.Fill(BackColor);
  Changed();
}

void PictureBox::InvalidateImage(const Rect& area) {
  if (!Showing()) return;
  Rect box = FormRect();
  Owner().Invalidate(Rect{box.x + area.x, box.y + area.y, area.w, area.h}.Intersect(box));
}

void Image::SetPicture(Picture p) {
  picture_ = std::move(p);
  Changed();
}

void Label::SetCaption(std::string text) {
  if (text == caption_) return;
  caption_ = std::move(text);
  if (AutoSize) {
    Move(Left(), Top(), static_cast<float>(TextWidth(caption_)),
         static_cast<float>(FontLineHeight()));
  }
  Changed();
  if (Traced) trace::Event("label").Str("text", caption_);
  if (Change) Change();
}

void Label::SetForeColor(Color c) {
  fore_color_ = c;
  Changed();
}

void Button::SetCaption(std::string text) {
  caption_ = std::move(text);
  Changed();
}

void Button::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  if (Owner().Style() == FormStyle::Dialog) UpdateDialogFocus(*this);
  Changed();
}

void Button::Press() {
  if (enabled_ && Showing() && Click) Click();
}

void OptionButton::SetCaption(std::string text) {
  caption_ = std::move(text);
  Changed();
}

void OptionButton::Select() {
  for (Control* c : Owner().Controls()) {
    if (c != this && c->Kind() == ControlKind::OptionButton && c->Container() == Container()) {
      auto* other = static_cast<OptionButton*>(c);
      if (other->value_) other->value_ = false, other->Changed();
    }
  }
  value_ = true;
  Changed();
  if (Click) Click();
}

// ---- Form -------------------------------------------------------------------

Form::Form(std::string name, FormStyle style) : name_(std::move(name)), style_(style) {}

Form::~Form() {
  if (loaded_) {
    auto& list = LoadedList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  auto& modal = ModalStack();
  modal.erase(std::remove(modal.begin(), modal.end(), this), modal.end());
  ForgetInput(this);
  peer_.reset();
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  LoadedList().push_back(this);
  peer_ = CurrentPlatform().CreatePeer(*this);
  if (OnLoad) OnLoad();
}

void Form::Show(bool modal) {
  Load();
  if (!loaded_) return;  // the load handler unloaded it again
  bool was_shown = shown_;
  shown_ = true;
  if (!was_shown) trace::Event("show").Str("window", name_);
  if (!was_shown && style_ == FormStyle::Dialog) SetInitialDialogFocus(*this);
  if (style_ == FormStyle::Composed) Invalidate({0, 0, client_w_, client_h_});
  if (peer_) peer_->Show(modal);
  Refresh();
  if (!modal) return;
  // Off the modal stack however the loop is left (the program may end inside).
  struct ModalScope {
    Form* form;
    explicit ModalScope(Form* f) : form(f) { ModalStack().push_back(f); }
    ~ModalScope() {
      auto& stack = ModalStack();
      stack.erase(std::remove(stack.begin(), stack.end(), form), stack.end());
    }
  } scope(this);
  RunModal([this] { return !loaded_ || !shown_; });
}

void Form::Hide() {
  if (!shown_) return;
  shown_ = false;
  ForgetInput(this);  // what the window saw before it went is not for it any more
  if (peer_) peer_->Hide();
}

void Form::Unload() {
  if (!loaded_) return;
  Hide();
  loaded_ = false;
  // An unloaded window's timers are gone with it.
  for (Timer* t : timers_) t->SetEnabled(false);
  peer_.reset();
  auto& list = LoadedList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  trace::Event("unload").Str("window", name_);
}

void Form::SetClientSize(int width, int height) {
  client_w_ = std::max(width, 0);
  client_h_ = std::max(height, 0);
  if (style_ == FormStyle::Composed) {
    // The frame is made by the first Refresh that needs it: a play surface
    // sized while its desktop is being captured costs no memory until then.
    frame_ = Surface();
    dirty_.clear();
    Invalidate({0, 0, client_w_, client_h_});
  }
}

Control* Form::FindControl(const std::string& name) const {
  for (Control* c : controls_)
    if (c->Name() == name) return c;
  return nullptr;
}

Button* Form::DefaultButton() const {
  for (Control* c : controls_)
    if (c->Kind() == ControlKind::Button && static_cast<Button*>(c)->Default)
      return static_cast<Button*>(c);
  return nullptr;
}

Button* Form::CancelButton() const {
  for (Control* c : controls_)
    if (c->Kind() == ControlKind::Button && static_cast<Button*>(c)->Cancel)
      return static_cast<Button*>(c);
  return nullptr;
}

void Form::BringToFront(Control& c) {
  auto it = std::find(controls_.begin(), controls_.end(), &c);
  if (it == controls_.end()) return;
  controls_.erase(it);
  controls_.push_back(&c);
  Invalidate(c.FormRect());
}

void Form::Detach(Control& c) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), &c), controls_.end());
  if (capture_ == &c) capture_ = nullptr;
  if (Focus == &c) Focus = nullptr;
}

void Form::ControlChanged(Control& c, const Rect& before) {
  if (style_ == FormStyle::Composed) {
    // The old place shows what lies beneath now; the new place shows the control.
    Invalidate(before);
    Invalidate(c.FormRect());
  } else if (peer_) {
    peer_->ControlChanged(c);
  }
}

void Form::Invalidate(const Rect& area) {
  if (style_ != FormStyle::Composed) return;
  Rect r = area.Intersect({0, 0, client_w_, client_h_});
  if (r.Empty()) return;
  for (Rect& d : dirty_) {
    if (!d.Intersect(r).Empty() || d.Union(r) == d) {
      d = d.Union(r);
      return;
    }
  }
  if (dirty_.size() >= kMaxDirtyAreas) {
    Rect all = r;
    for (const Rect& d : dirty_) all = all.Union(d);
    dirty_.assign(1, all);
    return;
  }
  dirty_.push_back(r);
}

void Form::ComposeArea(Surface& dst, const Rect& area) const {
  dst.FillRect(area, 0);
  for (const Control* c : controls_) {
    if (!c->Showing()) continue;
    Rect box = c->FormRect();
    Rect clip = box.Intersect(area);
    for (const Control* k = c->Container(); k; k = k->Container())
      clip = clip.Intersect(k->FormRect());
    if (clip.Empty()) continue;
    switch (c->Kind()) {
      case ControlKind::PictureBox: {
        auto* pb = static_cast<const PictureBox*>(c);
        if (!pb->Image().Empty()) {
          dst.FillRect(clip, pb->BackColor);
          dst.CopyFrom(pb->Image(), {clip.x - box.x, clip.y - box.y, clip.w, clip.h}, clip.x,
                       clip.y);
        } else {
          dst.FillRect(clip, pb->BackColor);
          if (const Picture& p = pb->GetPicture())
            DrawPicture(dst, *p, box.x, box.y, p->Width(), p->Height(), clip);
        }
        break;
      }
      case ControlKind::Image: {
        if (const Picture& p = static_cast<const Image*>(c)->GetPicture())
          DrawPicture(dst, *p, box.x, box.y, box.w, box.h, clip);
        break;
      }
      case ControlKind::Label: {
        auto* l = static_cast<const Label*>(c);
        DrawText(dst, box.x, box.y, l->Caption(), l->ForeColor(), clip);
        break;
      }
      default:
        break;  // buttons and frames exist only on dialogs
    }
  }
}

void Form::Refresh() {
  if (style_ != FormStyle::Composed || dirty_.empty()) return;
  if (frame_.Width() != client_w_ || frame_.Height() != client_h_) {
    frame_.Resize(client_w_, client_h_);
    dirty_.assign(1, {0, 0, client_w_, client_h_});
  }
  std::vector<Rect> areas;
  areas.swap(dirty_);
  for (const Rect& r : areas) ComposeArea(frame_, r);
  if (peer_ && shown_) peer_->Present(frame_, areas);
}

Control* Form::HitTest(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    Control* c = *it;
    if (!c->Showing()) continue;
    if (c->FormRect().Contains(x, y)) return c;
  }
  return nullptr;
}

void Form::DeliverMouse(PointerAction action, int16_t button, int x, int y) {
  Control* target = capture_ ? capture_ : HitTest(x, y);
  if (action == PointerAction::Down && !capture_) {
    capture_ = target;
    capture_button_ = button;
  }
  if (!target) return;
  Rect box = target->FormRect();
  float cx = static_cast<float>(x - box.x), cy = static_cast<float>(y - box.y);
  if (action == PointerAction::Move) {
    if (target->MouseMove) target->MouseMove(0, 0, cx, cy);
  } else if (action == PointerAction::Down) {
    if (target->MouseDown) target->MouseDown(button, 0, cx, cy);
  } else {
    bool over = HitTest(x, y) == target;
    if (capture_ && button == capture_button_) capture_ = nullptr;
    if (target->MouseUp) target->MouseUp(button, 0, cx, cy);
    if (over && button == kLeftButton && target->Click) target->Click();
  }
}

void Form::DeliverKeyPress(int16_t keyAscii) {
  if (style_ == FormStyle::Dialog) {
    PressDialogKey(*this, keyAscii);
    return;
  }
  Control* target = Focus;
  if (target && target->Showing() && target->KeyPress) target->KeyPress(keyAscii);
}

void Form::DeliverCloseBox() {
  if (OnCloseBox) {
    OnCloseBox();
  } else if (Button* b = CancelButton()) {
    b->Press();
  }
}

void Activate(Control& c) {
  if (c.Kind() == ControlKind::Button) {
    static_cast<Button&>(c).Press();
  } else if (!c.Showing()) {
    return;
  } else if (c.Kind() == ControlKind::OptionButton) {
    static_cast<OptionButton&>(c).Select();
  } else if (c.Click) {
    c.Click();
  }
}

const std::vector<Form*>& LoadedForms() { return LoadedList(); }

Form* FindLoadedForm(const std::string& name) {
  for (Form* f : LoadedList())
    if (f->Name() == name) return f;
  return nullptr;
}

Form* TopModalForm() {
  auto& stack = ModalStack();
  return stack.empty() ? nullptr : stack.back();
}

}  // namespace tk
