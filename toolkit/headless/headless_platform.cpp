#include "toolkit/headless/headless_platform.h"

#include <algorithm>

#include "toolkit/controls.h"
#include "toolkit/input.h"
#include "toolkit/toolkit.h"

namespace tk::headless {

namespace {

class HeadlessPeer : public WindowPeer {
 public:
  explicit HeadlessPeer(HeadlessPlatform& platform) : platform_(platform) {}
  void Show(bool) override {}
  void Hide() override {}
  void ControlChanged(Control&) override {}
  void Present(const Surface&, std::span<const Rect>) override { ++platform_.presents; }

 private:
  HeadlessPlatform& platform_;
};

int16_t ButtonCode(const std::string& name) {
  if (name == "left") return kLeftButton;
  if (name == "right") return kRightButton;
  if (name == "middle") return kMiddleButton;
  return 0;
}

int16_t KeyCode(const std::string& key) {
  if (key == "Esc") return 27;
  if (key == "Enter") return 13;
  if (key == "Space") return 32;
  if (key == "Backspace") return 8;
  if (key == "Tab") return 9;
  return key.size() == 1 ? static_cast<int16_t>(static_cast<unsigned char>(key[0])) : -1;
}

}  // namespace

HeadlessPlatform::HeadlessPlatform(Options options)
    : options_(std::move(options)), settings_(options_.settingsPath) {}

void HeadlessPlatform::AdvanceMicros(uint64_t us) {
  uint64_t limit = static_cast<uint64_t>(options_.untilMs) * 1000;
  if (now_us_ + us >= limit) {
    now_us_ = limit;
    throw RunStopped{};
  }
  now_us_ += us;
}

void HeadlessPlatform::Sleep(uint32_t ms) {
  Record("Sleep(" + std::to_string(ms) + ")");
  AdvanceMicros(static_cast<uint64_t>(ms) * 1000);
}

void HeadlessPlatform::LoopPass() {
  ++passes;
  if (following_ && Follow) {
    if (auto to = Follow(); to && (to->first != pointerX || to->second != pointerY))
      QueueInput("move", {std::to_string(to->first), std::to_string(to->second)});
  }
  AdvanceMicros(options_.passCostUs);
  if (AfterPass) AfterPass();
}

void HeadlessPlatform::QueueInput(const std::string& command, std::vector<std::string> args) {
  ScriptEvent e;
  e.ms = TickCount();
  e.command = command;
  e.args = std::move(args);
  queued_.push_back(std::move(e));
}

void HeadlessPlatform::PumpEvents(uint32_t waitMs) {
  if (DeliverDue() || waitMs == 0) return;
  // Nothing to do: the program waits. A modal window nobody will answer any
  // more gets its default button as soon as that is enabled.
  if (ScriptUsedUp() && PressDefaultOfModal()) return;
  uint64_t target = now_us_ + static_cast<uint64_t>(waitMs) * 1000;
  if (next_event_ < options_.script.size())
    target =
        std::min<uint64_t>(target, static_cast<uint64_t>(options_.script[next_event_].ms) * 1000);
  if (target > now_us_) AdvanceMicros(target - now_us_);
  DeliverDue();
}

bool HeadlessPlatform::DeliverDue() {
  bool delivered = false;
  // Input made by the program itself (pointer warps, the autopilot) first:
  // it happened before anything scripted for a later time.
  while (!queued_.empty()) {
    ScriptEvent e = std::move(queued_.front());
    queued_.erase(queued_.begin());
    Deliver(e);
    delivered = true;
  }
  while (next_event_ < options_.script.size() &&
         static_cast<uint64_t>(options_.script[next_event_].ms) * 1000 <= now_us_) {
    Deliver(options_.script[next_event_++]);
    delivered = true;
  }
  return delivered;
}

bool HeadlessPlatform::PressDefaultOfModal() {
  if (open_box_) {
    box_answer_ = open_box_->defaultAnswer;
    return true;
  }
  Form* modal = TopModalForm();
  if (!modal) return false;
  Button* b = modal->DefaultButton();
  if (!b || !b->Enabled() || !b->Showing()) return false;
  DeliverInput({.kind = InputEvent::Kind::Activate, .form = modal, .control = b});
  return true;
}

// The simulated desktop has no windows of its own: the form with the user's
// attention is the window that sees the input.
void HeadlessPlatform::DeliverPointer(PointerAction action, int16_t button) {
  DeliverInput({.kind = InputEvent::Kind::Pointer,
                .form = ActiveForm(),
                .action = action,
                .button = button,
                .x = pointerX,
                .y = pointerY});
}

void HeadlessPlatform::Deliver(const ScriptEvent& e) {
  const auto& a = e.args;
  if (e.command == "move" || e.command == "click") {
    pointerX = std::stoi(a.at(0));
    pointerY = std::stoi(a.at(1));
    DeliverPointer(PointerAction::Move, 0);
    if (e.command == "click") {
      DeliverPointer(PointerAction::Down, kLeftButton);
      DeliverPointer(PointerAction::Up, kLeftButton);
    }
  } else if (e.command == "down" || e.command == "up") {
    DeliverPointer(e.command == "down" ? PointerAction::Down : PointerAction::Up,
                   ButtonCode(a.at(0)));
  } else if (e.command == "key") {
    int16_t code = KeyCode(a.at(0));
    if (open_box_) {
      if (code == 13) box_answer_ = open_box_->defaultAnswer;
    } else {
      DeliverInput({.kind = InputEvent::Kind::Key, .form = ActiveForm(), .key = code});
    }
  } else if (e.command == "keydown") {
    Record("KeyDown(" + a.at(0) + ")");  // a key without a character: nothing to deliver
  } else if (e.command == "answer") {
    MsgBoxResult r = a.at(0) == "yes" ? MsgBoxResult::Yes : MsgBoxResult::No;
    if (open_box_)
      box_answer_ = r;
    else
      pending_answer_ = r;
  } else if (e.command == "follow") {
    following_ = a.at(0) == "on";
  } else if (e.command == "press") {
    const std::string& target = a.at(0);
    size_t dot = target.find('.');
    Form* form = FindLoadedForm(target.substr(0, dot));
    Control* c = form ? form->FindControl(target.substr(dot + 1)) : nullptr;
    if (c) DeliverInput({.kind = InputEvent::Kind::Activate, .form = form, .control = c});
  }
}

std::unique_ptr<WindowPeer> HeadlessPlatform::CreatePeer(Form& form) {
  Record("CreateWindow(" + form.Name() + ")");
  return std::make_unique<HeadlessPeer>(*this);
}

MsgBoxResult HeadlessPlatform::MessageBox(const MessageBoxRequest& request) {
  Record("MessageBox(" + request.title + ")");
  messageBoxes.push_back(request);
  if (pending_answer_) {
    MsgBoxResult r = *pending_answer_;
    pending_answer_.reset();
    return r;
  }
  box_answer_.reset();
  const MessageBoxRequest* outer = open_box_;
  open_box_ = &request;
  struct Restore {
    const MessageBoxRequest*& slot;
    const MessageBoxRequest* value;
    ~Restore() { slot = value; }
  } restore{open_box_, outer};
  RunModal([this] { return box_answer_.has_value(); });
  MsgBoxResult r = *box_answer_;
  box_answer_.reset();
  return r;
}

bool HeadlessPlatform::AnotherInstanceRunning() {
  Record("AnotherInstanceRunning");
  return options_.anotherInstance;
}

Rect HeadlessPlatform::PrimaryScreen() {
  return {0, 0, options_.withIcons.Width(), options_.withIcons.Height()};
}

void HeadlessPlatform::MinimiseAllWindows() {
  Record("MinimiseAllWindows");
  windowsMinimised = true;
}

void HeadlessPlatform::SetTaskbarVisible(bool visible) {
  Record(std::string("SetTaskbarVisible(") + (visible ? "1" : "0") + ")");
  taskbarVisible = visible;
}

void HeadlessPlatform::SetIconLayerVisible(bool visible) {
  Record(std::string("SetIconLayerVisible(") + (visible ? "1" : "0") + ")");
  iconLayerVisible = visible;
}

bool HeadlessPlatform::CaptureScreen(Surface& target) {
  Record(std::string("CaptureScreen(") + (iconLayerVisible ? "icons" : "no icons") + ")");
  const Surface& screen = iconLayerVisible ? options_.withIcons : options_.withoutIcons;
  target.CopyFrom(screen, {0, 0, screen.Width(), screen.Height()}, 0, 0);
  if (taskbarVisible && options_.taskbarHeight > 0)
    target.FillRect(
        {0, screen.Height() - options_.taskbarHeight, screen.Width(), options_.taskbarHeight},
        Rgb(36, 52, 92));
  return true;
}

int HeadlessPlatform::ShowCursor(bool show) {
  cursorCount += show ? 1 : -1;
  Record(std::string("ShowCursor(") + (show ? "1" : "0") + ")=" + std::to_string(cursorCount));
  return cursorCount;
}

void HeadlessPlatform::SetCursorPos(int x, int y) {
  Record("SetCursorPos(" + std::to_string(x) + "," + std::to_string(y) + ")");
  // Moving the pointer makes the window under it see a movement, as on a
  // real desktop.
  QueueInput("move", {std::to_string(x), std::to_string(y)});
}

bool HeadlessPlatform::OpenUrl(const std::string& url) {
  Record("OpenUrl(" + url + ")");
  openedUrls.push_back(url);
  return true;
}

bool HeadlessPlatform::PlayWav(std::span<const uint8_t> wav) {
  Record("PlayWav(" + std::to_string(wav.size()) + ")");
  ++soundsStarted;
  return !wav.empty();
}

void HeadlessPlatform::StopSound() {
  Record("StopSound");
  ++soundStops;
}

std::string HeadlessPlatform::GetSetting(const std::string&, const std::string& section,
                                         const std::string& key, const std::string& fallback) {
  std::string value;
  return settings_.Get(section, key, value) ? value : fallback;
}

bool HeadlessPlatform::SaveSetting(const std::string&, const std::string& section,
                                   const std::string& key, const std::string& value) {
  Record("SaveSetting(" + section + "," + key + "," + value + ")");
  return settings_.Set(section, key, value);
}

std::span<const uint8_t> HeadlessPlatform::ResourceBytes(ResourceType type, int id) {
  if (type == ResourceType::Sound) Record("Sound(" + std::to_string(id) + ")");
  return Platform::ResourceBytes(type, id);
}

}  // namespace tk::headless
