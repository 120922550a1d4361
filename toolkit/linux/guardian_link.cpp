#include "toolkit/linux/guardian_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <vector>

#include "toolkit/linux/x11_desktop.h"
#include "toolkit/trace.h"

// After the toolkit's headers: Xlib's macros would clash with them.
#include <X11/Xlib.h>

namespace tk::gtkx {

namespace {

// The game's end of the socket pair; read by signal handlers.
volatile sig_atomic_t g_socket = -1;
// Bytes the guardian has not taken yet (it may be slow to read, or stopped).
std::string g_pending;
constexpr size_t kMaxPending = 1 << 20;
constexpr int kReadyWaitMs = 3000;
constexpr int64_t kAliveEveryUs = 1000000;
constexpr size_t kMaxRecordFile = 1 << 20;
constexpr int kRepairWaitMs = 2000;

int64_t MonotonicUs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void CloseSocket(const char* why) {
  if (g_socket < 0) return;
  int fd = g_socket;
  g_socket = -1;
  close(fd);
  g_pending.clear();
  if (why) {
    std::fprintf(stderr, "lumbravick: %s\n", why);
    trace::Event("guardian").Str("op", "lost");
  }
}

// Sends what is pending, as far as the socket takes it without waiting.
void Flush() {
  while (g_socket >= 0 && !g_pending.empty()) {
    ssize_t n = send(g_socket, g_pending.data(), g_pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      g_pending.erase(0, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return;
    } else {
      CloseSocket("the guardian has gone; the game gives the desktop back itself");
    }
  }
}

// Waits until the guardian says it is ready ("ready PID"); its process id,
// or 0 when it gave up.
long AwaitReady(int fd) {
  std::string got;
  const int64_t end = MonotonicUs() + kReadyWaitMs * 1000;
  for (;;) {
    int64_t left_ms = (end - MonotonicUs()) / 1000;
    if (left_ms <= 0) return 0;
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, static_cast<int>(left_ms));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return 0;
    char buf[32];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0 || got.size() > 64) return 0;
    got.append(buf, static_cast<size_t>(n));
    if (got.back() != '\n') continue;
    long pid = 0;
    char end = 0;
    return std::sscanf(got.c_str(), "ready %ld%c", &pid, &end) == 2 && end == '\n' ? pid : 0;
  }
}

bool AllViewable(XDisplay* display, const std::vector<XWindowId>& windows) {
  for (XWindowId w : windows) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, w, &a) && a.map_state != IsViewable) return false;
  }
  return true;
}

// In the child of fork: only async-signal-safe calls.
[[noreturn]] void BecomeGuardian(int socket, const char* exe, const char* const* args) {
  if (fork() != 0) _exit(0);  // not the game's child: nobody has to wait for it
  setsid();                   // no terminal: a Ctrl+C or a closed terminal is the game's alone
  if (socket == 3)
    fcntl(3, F_SETFD, 0);
  else
    dup2(socket, 3);
  if (close_range(4, ~0U, 0) != 0)
    for (int fd = 4; fd < 4096; ++fd) close(fd);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execv(exe, const_cast<char* const*>(args));
  _exit(127);
}

}  // namespace

std::string GuardianLink::RecordPath(const std::string& folder, const std::string& display) {
  std::string name;
  for (char c : display) name += (c == '/' || c == '\\') ? '_' : c;
  return folder + "/lumbravick-hidden-" + name + ".txt";
}

GuardianLink::GuardianLink(XDisplay* display, std::string recordPath)
    : display_(display), record_path_(std::move(recordPath)) {
  record_.Apply({guardian::Message::Kind::Display, {}, 0, 0, DisplayString(display_)});
}

GuardianLink::~GuardianLink() {
  Flush();
  CloseSocket(nullptr);
}

bool GuardianLink::Running() const { return g_socket >= 0; }

bool GuardianLink::Standing() {
  int fd = g_socket;
  if (fd < 0) return false;
  pollfd p{fd, POLLRDHUP, 0};
  if (poll(&p, 1, 0) < 0) return false;
  return (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) == 0;
}

int GuardianLink::RepairStaleRecord() {
  std::ifstream in(record_path_, std::ios::binary);
  if (!in) return 0;
  std::string text(kMaxRecordFile, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  guardian::Record stale = guardian::Record::FromText(text);
  if (stale.Display() != DisplayString(display_)) return 0;
  std::vector<XWindowId> mapped;
  {
    XErrorTrap trap(display_);
    const auto& items = stale.Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
      if (GiveBackWindow(display_, WindowOf(display_, *it)) == GiveBackResult::Mapped)
        mapped.push_back(static_cast<XWindowId>(it->id));
    // The window manager maps them in its own time; the game, which hides
    // what is on the screen, must find them there.
    for (int i = 0; i < kRepairWaitMs / 20 && !AllViewable(display_, mapped); ++i) usleep(20000);
  }
  unlink(record_path_.c_str());
  const int count = static_cast<int>(mapped.size());
  trace::Event("guardian").Str("op", "repair").Int("windows", count);
  if (count)
    std::fprintf(stderr, "lumbravick: gave back %d window(s) an earlier game left hidden\n", count);
  return count;
}

bool GuardianLink::Start(uint64_t gameResource) {
  if (Running()) return true;
  char exe[4096];
  ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (length <= 0) return false;
  exe[length] = '\0';
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
  // Everything the child needs is made before the fork: it may not allocate.
  const std::string display = DisplayString(display_), pid = std::to_string(getpid());
  const char* const args[] = {"lumbravick", kGuardianArgument,    "3",    display.c_str(),
                              pid.c_str(),  record_path_.c_str(), nullptr};
  pid_t child = fork();
  if (child == 0) BecomeGuardian(pair[1], exe, args);
  close(pair[1]);
  if (child > 0) waitpid(child, nullptr, 0);
  long guardian = child > 0 ? AwaitReady(pair[0]) : 0;
  if (guardian <= 0) {
    close(pair[0]);  // a guardian that comes up late finds the game gone and nothing noted
    trace::Event("guardian").Str("op", "unavailable");
    return false;
  }
  g_socket = pair[0];
  trace::Event("guardian").Str("op", "start").Int("pid", guardian);
  Send(guardian::DisplayLine(display));
  Send(guardian::GameLine(gameResource));
  for (const guardian::HiddenItem& item : record_.Items()) Send(guardian::HideLine(item));
  return true;
}

void GuardianLink::Send(const std::string& line) {
  if (g_socket < 0 || g_pending.size() > kMaxPending) return;
  g_pending += line;
  g_pending += '\n';
  Flush();
}

void GuardianLink::Alive() {
  if (g_socket < 0) return;
  int64_t now = MonotonicUs();
  if (now - last_alive_us_ < kAliveEveryUs) return;
  last_alive_us_ = now;
  // Lines still waiting say as much.
  if (g_pending.empty()) Send(guardian::AliveLine());
  Flush();
}

void GuardianLink::Quiet(uint32_t ms) { Send(guardian::QuietLine(ms)); }

void GuardianLink::Apply(const std::string& line) {
  if (std::optional<guardian::Message> m = guardian::Parse(line)) record_.Apply(*m);
  SaveRecord();
  Send(line);
}

void GuardianLink::Hiding(const HiddenWindow& w) { Apply(guardian::HideLine(ItemOf(display_, w))); }

void GuardianLink::GivenBack(XWindowId window) { Apply(guardian::ShownLine(window)); }

void GuardianLink::AllGivenBack() { Apply(guardian::DoneLine()); }

void GuardianLink::SaveRecord() {
  if (record_path_.empty()) return;
  if (record_.Empty()) {
    unlink(record_path_.c_str());
    return;
  }
  // Whole or not at all: written aside, then put in place.
  const std::string temporary = record_path_ + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return;
    out << record_.Text();
    if (!out.flush()) return;
  }
  std::rename(temporary.c_str(), record_path_.c_str());
}

}  // namespace tk::gtkx
