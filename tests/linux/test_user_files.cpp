// The settings file and the single-instance lock.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "toolkit/linux/user_files.h"

using tk::gtkx::InstanceLock;
using tk::gtkx::KeyFileSettings;

namespace {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/lumbravick-test.XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(KeyFileSettings, TheApplicationNameIsAFolderPath) {
  KeyFileSettings s("/home/u/.config");
  EXPECT_EQ(s.PathFor("Vantoro\\Lumbravick"), "/home/u/.config/Vantoro/Lumbravick/settings.ini");
  EXPECT_EQ(s.PathFor("Vantoro/Lumbravick"), "/home/u/.config/Vantoro/Lumbravick/settings.ini");
  EXPECT_EQ(s.PathFor("..\\..\\etc"), "/home/u/.config/etc/settings.ini") << "no way out of the folder";
  EXPECT_EQ(s.PathFor("\\\\A\\.\\B\\"), "/home/u/.config/A/B/settings.ini");
}

TEST(KeyFileSettings, AValueIsWrittenAsAKeyOfItsGroupAndReadBack) {
  TempDir dir;
  KeyFileSettings s(dir.Path());
  std::string value;
  EXPECT_FALSE(s.Get("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", value)) << "nothing stored yet";
  ASSERT_TRUE(s.Set("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "3"));
  ASSERT_TRUE(s.Get("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", value));
  EXPECT_EQ(value, "3");
  std::string text = ReadAll(dir.Path() + "/Vantoro/Lumbravick/settings.ini");
  EXPECT_NE(text.find("[StyleSheet]"), std::string::npos) << text;
  EXPECT_NE(text.find("StyleSheet=3"), std::string::npos) << text;
  EXPECT_FALSE(s.Get("Vantoro\\Lumbravick", "StyleSheet", "Other", value));
  EXPECT_FALSE(s.Get("Vantoro\\Lumbravick", "Other", "StyleSheet", value));
}

TEST(KeyFileSettings, WritingKeepsTheRestOfTheFile) {
  TempDir dir;
  KeyFileSettings s(dir.Path());
  ASSERT_TRUE(s.Set("A\\B", "One", "x", "1"));
  ASSERT_TRUE(s.Set("A\\B", "Two", "y", "two words"));
  ASSERT_TRUE(s.Set("A\\B", "One", "x", "11"));
  std::string value;
  ASSERT_TRUE(s.Get("A\\B", "Two", "y", value));
  EXPECT_EQ(value, "two words");
  ASSERT_TRUE(s.Get("A\\B", "One", "x", value));
  EXPECT_EQ(value, "11");
  // Text that would break a key file line survives.
  ASSERT_TRUE(s.Set("A\\B", "One", "z", "line1\nline2 = [x]"));
  ASSERT_TRUE(s.Get("A\\B", "One", "z", value));
  EXPECT_EQ(value, "line1\nline2 = [x]");
}

TEST(KeyFileSettings, AnUnwritablePlaceFails) {
  TempDir dir;
  std::string blocker = dir.Path() + "/file";
  std::ofstream(blocker) << "not a folder";
  KeyFileSettings s(blocker);
  EXPECT_FALSE(s.Set("A", "S", "K", "V"));
}

TEST(InstanceLock, OnlyOneHolderAtATime) {
  TempDir dir;
  std::string path = dir.Path() + "/sub/lumbravick.lock";
  {
    InstanceLock first;
    ASSERT_EQ(first.Acquire(path), InstanceLock::Result::Acquired);
    EXPECT_TRUE(first.Held());
    InstanceLock second;
    EXPECT_EQ(second.Acquire(path), InstanceLock::Result::HeldElsewhere);
    EXPECT_FALSE(second.Held());
  }
  InstanceLock later;
  EXPECT_EQ(later.Acquire(path), InstanceLock::Result::Acquired) << "the lock goes with its holder";
}

TEST(InstanceLock, AnotherProcessHoldingTheLockIsSeen) {
  TempDir dir;
  std::string path = dir.Path() + "/lumbravick.lock";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock lock;
    char c = lock.Acquire(path) == InstanceLock::Result::Acquired ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    sleep(5);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  InstanceLock mine;
  EXPECT_EQ(mine.Acquire(path), InstanceLock::Result::HeldElsewhere);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(mine.Acquire(path), InstanceLock::Result::Acquired) << "a dead holder holds nothing";
  close(ready[0]);
  close(ready[1]);
}

TEST(InstanceLock, NoPlaceForTheFileIsUnavailable) {
  TempDir dir;
  std::string blocker = dir.Path() + "/file";
  std::ofstream(blocker) << "x";
  InstanceLock lock;
  EXPECT_EQ(lock.Acquire(blocker + "/lumbravick.lock"), InstanceLock::Result::Unavailable);
}

TEST(InstanceLock, TheRuntimeFolderIsPreferred) {
  using tk::gtkx::InstanceLockPath;
  TempDir dir;
  EXPECT_EQ(InstanceLockPath(dir.Path().c_str(), "/c"), dir.Path() + "/lumbravick.lock");
  EXPECT_EQ(InstanceLockPath(nullptr, "/c"), "/c/lumbravick/lumbravick.lock");
  EXPECT_EQ(InstanceLockPath("", "/c"), "/c/lumbravick/lumbravick.lock");
  EXPECT_EQ(InstanceLockPath((dir.Path() + "/missing").c_str(), "/c"), "/c/lumbravick/lumbravick.lock");
}
