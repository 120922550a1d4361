// The toolkit services as the game calls them: each forwards to the platform
// and tells the flight recorder what happened.
#include <cmath>

#include "toolkit/input.h"
#include "toolkit/platform.h"
#include "toolkit/toolkit.h"
#include "toolkit/trace.h"

namespace tk {

namespace {

Platform* g_platform = nullptr;
int g_message_boxes_open = 0;

void DesktopEvent(const char* op) { trace::Event("desktop").Str("op", op); }

const char* AnswerName(MsgBoxResult r) {
  switch (r) {
    case MsgBoxResult::Yes:
      return "yes";
    case MsgBoxResult::No:
      return "no";
    default:
      return "ok";
  }
}

}  // namespace

Platform& CurrentPlatform() { return *g_platform; }
void InstallPlatform(Platform* platform) { g_platform = platform; }

Picture Platform::LoadPicture(ResourceType type, int id, int iconSize) {
  std::span<const uint8_t> bytes = ResourceBytes(type, id);
  if (bytes.empty()) return nullptr;
  return type == ResourceType::Icon ? DecodeIco(bytes, iconSize) : DecodeBmp(bytes);
}

std::string Platform::FormatLongTime(int hours, int minutes, int seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
  return text;
}

void EndProgram(int exitCode) {
  trace::Event("exit").Int("code", exitCode);
  throw ProgramEnded{exitCode};
}

Rect PrimaryScreen() { return CurrentPlatform().PrimaryScreen(); }
bool AnotherInstanceRunning() { return CurrentPlatform().AnotherInstanceRunning(); }

void MinimiseAllWindows() {
  DesktopEvent("minimise_all");
  CurrentPlatform().MinimiseAllWindows();
}

void SetTaskbarVisible(bool visible) {
  DesktopEvent(visible ? "taskbar_show" : "taskbar_hide");
  CurrentPlatform().SetTaskbarVisible(visible);
}

void SetIconLayerVisible(bool visible) {
  trace::Event event("desktop");
  event.Str("op", visible ? "icons_show" : "icons_hide");
  CurrentPlatform().SetIconLayerVisible(visible);
  if (std::string layer = CurrentPlatform().IconLayerName(); !layer.empty())
    event.Str("layer", layer);
}

bool CaptureScreen(PictureBox& target) {
  Surface& image = target.Image();
  trace::Event("desktop").Str("op", "capture").Pair("size", image.Width(), image.Height());
  if (image.Empty()) return false;
  bool ok = CurrentPlatform().CaptureScreen(image);
  target.InvalidateImage({0, 0, image.Width(), image.Height()});
  return ok;
}

int ShowCursor(bool show) {
  int count = CurrentPlatform().ShowCursor(show);
  // The pointer changes visibility only when the count crosses zero.
  if ((show && count == 0) || (!show && count == -1)) trace::Event("cursor").Bool("visible", show);
  return count;
}

void SetCursorPos(int x, int y) {
  trace::Event("cursor_pos").Pair("at", x, y);
  CurrentPlatform().SetCursorPos(x, y);
}

bool OpenUrl(const std::string& url) {
  trace::Event("open_url").Str("url", url);
  return CurrentPlatform().OpenUrl(url);
}

MsgBoxResult MsgBox(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const std::string& title) {
  MessageBoxRequest request{text, title, buttons, icon,
                            buttons == MsgBoxButtons::YesNo ? MsgBoxResult::Yes : MsgBoxResult::Ok};
  MsgBoxResult answer = MsgBoxResult::Ok;
  {
    // Counted as open however the wait ends (the program may end inside it).
    struct Open {
      Open() { ++g_message_boxes_open; }
      ~Open() { --g_message_boxes_open; }
    } open;
    answer = CurrentPlatform().MessageBox(request);
  }
  trace::Event("msgbox").Str("title", title).Str("text", text).Str("answer", AnswerName(answer));
  return answer;
}

bool MessageBoxOpen() { return g_message_boxes_open > 0; }

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& fallback) {
  return CurrentPlatform().GetSetting(app, section, key, fallback);
}

bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
  trace::Event("setting").Str("section", section).Str("key", key).Str("value", value);
  return CurrentPlatform().SaveSetting(app, section, key, value);
}

Picture LoadIconResource(int id) {
  return CurrentPlatform().LoadPicture(ResourceType::Icon, id, 16);
}
Picture LoadBitmapResource(int id) {
  return CurrentPlatform().LoadPicture(ResourceType::Bitmap, id, 0);
}
std::span<const uint8_t> LoadSoundResource(int id) {
  return CurrentPlatform().ResourceBytes(ResourceType::Sound, id);
}

bool PlayWav(std::span<const uint8_t> wav) { return CurrentPlatform().PlayWav(wav); }

void StopWav() {
  trace::Event("stop_sound");
  CurrentPlatform().StopSound();
}

}  // namespace tk
