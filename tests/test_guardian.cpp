// The guardian's lines, its record and its watchdog: what the game and the
// guardian process (and a later start reading the record file) must agree on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/guardian.h"

namespace g = tk::guardian;

namespace {

g::HiddenItem Item(std::string kind, uint64_t id, std::string windowClass) {
  g::HiddenItem item;
  item.kind = std::move(kind);
  item.id = id;
  item.windowClass = std::move(windowClass);
  return item;
}

g::HiddenItem Dock(uint64_t id) {
  g::HiddenItem item = Item("dock", id, "panel.Panel");
  item.place = tk::Rect{0, 738, 1024, 30};
  item.hadState = true;
  item.states = {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY"};
  return item;
}

g::Message Said(g::Message::Kind kind, uint64_t id = 0, uint32_t ms = 0, std::string text = "") {
  g::Message m;
  m.kind = kind;
  m.id = id;
  m.ms = ms;
  m.text = std::move(text);
  return m;
}

class FakeHost : public g::Host {
 public:
  void GiveBack(const g::HiddenItem& item) override {
    log.push_back("back " + std::to_string(item.id));
  }
  void TakeOffScreen(uint64_t resource) override {
    log.push_back("off " + std::to_string(resource));
  }
  void EndGame() override { log.push_back("end"); }
  std::vector<std::string> log;
};

}  // namespace

TEST(GuardianLines, EveryMessageReadsBackAsItWasWritten) {
  g::HiddenItem odd = Item("task bar", UINT64_MAX, "a b%c,d=e\tf\xc3\xa9");
  odd.hadState = true;
  odd.states = {"x,y", "100%", "=", "\x7f"};
  g::HiddenItem stateless = Item("desktop", 7, "");
  g::HiddenItem empty_state = stateless;
  empty_state.hadState = true;  // a state property without atoms is not a missing one
  for (const g::HiddenItem& item : {Dock(0x1a00003), odd, stateless, empty_state}) {
    std::string line = g::HideLine(item);
    EXPECT_EQ(line.find_first_of("\n\r\t"), std::string::npos) << line;
    auto m = g::Parse(line);
    ASSERT_TRUE(m) << line;
    EXPECT_EQ(m->kind, g::Message::Kind::Hide);
    EXPECT_EQ(m->item, item) << line;
  }
  using K = g::Message::Kind;
  const std::pair<std::string, g::Message> others[] = {
      {g::DisplayLine(":1 with space"), Said(K::Display, 0, 0, ":1 with space")},
      {g::GameLine(0x3200001), Said(K::Game, 0x3200001)},
      {g::ShownLine(42), Said(K::Shown, 42)},
      {g::DoneLine(), Said(K::Done)},
      {g::AliveLine(), Said(K::Alive)},
      {g::QuietLine(1650), Said(K::Quiet, 0, 1650)},
  };
  for (const auto& [line, message] : others) EXPECT_EQ(g::Parse(line), message) << line;

  // A newer game's extra key is passed over; damaged lines are not half-read.
  EXPECT_TRUE(g::Parse("hide kind=dock id=5 class=c layer=top"));
  for (const char* bad :
       {"", "hide kind=dock class=c", "hide id=0", "hide id=-4", "hide id=5 at=1,2,3",
        "hide id=5 at=1,2,0,4", "hide id=5 class=%4", "hide id=5 class=%zz", "hide id=5 state=a,,b",
        "hide id=5 junk", "shown 5", "shown id=x", "quiet", "quiet -1", "quiet 99999999999",
        "game 0", "alive now", "display", "explode"})
    EXPECT_FALSE(g::Parse(bad)) << bad;
}

TEST(GuardianLines, TheStreamSplitsIntoLinesWhereverItIsCutAndOverlongLinesAreDropped) {
  const std::string stream = g::HideLine(Dock(9)) + "\n" + g::AliveLine() + "\n" +
                             std::string(g::LineReader::kMaxLine + 1, 'x') + "\n" + g::DoneLine() +
                             "\npartial";
  for (size_t cut : {size_t{1}, size_t{7}, size_t{4096}, stream.size()}) {
    g::LineReader reader;
    std::vector<std::string> lines;
    for (size_t at = 0; at < stream.size(); at += cut)
      for (std::string& l : reader.Feed(std::string_view(stream).substr(at, cut)))
        lines.push_back(std::move(l));
    EXPECT_EQ(lines, (std::vector<std::string>{g::HideLine(Dock(9)), "alive", "done"}))
        << "in pieces of " << cut;
  }
}

TEST(GuardianRecord, FollowsHidesAndShowsAndRoundTripsThroughItsText) {
  g::Record record;
  auto apply = [&](const std::string& line) { record.Apply(*g::Parse(line)); };
  apply(g::DisplayLine(":3"));
  apply(g::HideLine(Dock(1)));
  g::HiddenItem second = Dock(2);
  second.hadState = false;
  second.states.clear();
  apply(g::HideLine(second));
  g::HiddenItem again = Dock(1);
  again.states.clear();  // looked at once more while hidden: the first look counts
  apply(g::HideLine(again));
  apply(g::AliveLine());
  ASSERT_EQ(record.Items().size(), 2u);
  EXPECT_EQ(record.Items()[0], Dock(1));

  g::Record copy = g::Record::FromText(record.Text());
  EXPECT_EQ(copy.Display(), ":3");
  EXPECT_EQ(copy.Items(), record.Items());

  apply(g::ShownLine(1));
  EXPECT_EQ(record.Items(), std::vector<g::HiddenItem>{second});
  record.Forget(2);
  EXPECT_TRUE(record.Empty());
  apply(g::HideLine(Dock(3)));
  apply(g::DoneLine());
  EXPECT_TRUE(record.Empty());
  EXPECT_TRUE(g::Record::FromText("garbage\n\x01\x02\nhide id=\n").Empty());
}

TEST(GuardianWatchdog, ASilentGameIsTakenOffTheScreenAfter20sAndEnded10sLater) {
  using A = g::Watchdog::Action;
  const uint32_t silence = g::Watchdog::kSilenceMs, grace = g::Watchdog::kEndAfterMs;
  g::Watchdog dog(1000);
  EXPECT_EQ(dog.WaitFrom(1000), silence);
  EXPECT_EQ(dog.Check(1000 + silence - 1), A::None);
  dog.SignOfLife(5000);
  EXPECT_EQ(dog.Check(1000 + silence), A::None) << "life restarts the count";
  // A known long wait (the start-up's sleeps) is no silence.
  dog.Quiet(6000, 40000);
  EXPECT_EQ(dog.Check(46000 + silence - 1), A::None);
  EXPECT_EQ(dog.WaitFrom(46000), silence);
  uint64_t t = 46000 + silence;
  EXPECT_EQ(dog.Check(t), A::GiveBack);
  EXPECT_EQ(dog.Check(t + 1), A::None) << "once";
  EXPECT_EQ(dog.WaitFrom(t), grace);
  EXPECT_EQ(dog.Check(t + grace), A::EndGame);
  EXPECT_EQ(dog.Check(t + 10 * grace), A::None);
  EXPECT_EQ(dog.WaitFrom(t + grace), UINT64_MAX);

  // A game that speaks again after the give-back is not ended.
  g::Watchdog woke(0);
  EXPECT_EQ(woke.Check(silence), A::GiveBack);
  woke.SignOfLife(silence + 5);
  EXPECT_EQ(woke.Check(silence + grace + 5), A::None);
  EXPECT_EQ(woke.Check(2 * silence + 5), A::GiveBack);
}

TEST(Guardian, GivesBackWhatTheGameLeftHiddenNewestFirstAndEndsAHungGame) {
  FakeHost host;
  g::Guardian guardian(host, 0);
  for (uint64_t id : {11, 12, 13}) guardian.OnLine(g::HideLine(Dock(id)), 10);
  guardian.OnLine(g::ShownLine(12), 10);
  guardian.OnWindowGone(13);  // its id may belong to another window by now
  guardian.OnLine(g::HideLine(Dock(14)), 10);
  guardian.OnLine("nonsense", 10);
  guardian.OnGameGone();
  guardian.OnGameGone();
  EXPECT_EQ(host.log, (std::vector<std::string>{"back 14", "back 11"}));

  // Everything given back by the game itself leaves nothing to do.
  FakeHost quiet;
  g::Guardian clean(quiet, 0);
  clean.OnLine(g::HideLine(Dock(1)), 0);
  clean.OnLine(g::DoneLine(), 0);
  clean.OnGameGone();
  EXPECT_TRUE(quiet.log.empty());

  FakeHost hung_host;
  g::Guardian hung(hung_host, 0);
  hung.OnLine(g::GameLine(77), 0);
  hung.OnLine(g::HideLine(Dock(5)), 100);
  hung.OnTick(100 + g::Watchdog::kSilenceMs - 1);
  EXPECT_TRUE(hung_host.log.empty());
  hung.OnTick(hung.WaitFrom(100) + 100);
  hung.OnTick(100 + g::Watchdog::kSilenceMs + g::Watchdog::kEndAfterMs);
  hung.OnGameGone();
  EXPECT_EQ(hung_host.log, (std::vector<std::string>{"back 5", "off 77", "end"}));
}
