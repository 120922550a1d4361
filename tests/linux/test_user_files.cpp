// The settings file and the single-instance lock.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "tests/linux/x_fixture.h"
#include "toolkit/linux/user_files.h"

using tk::gtkx::InstanceLock;
using tk::gtkx::KeyFileSettings;

TEST(KeyFileSettings, TheApplicationNameIsAFolderPath) {
  KeyFileSettings s("/home/u/.config");
  EXPECT_EQ(s.PathFor("Vantoro\\Lumbravick"), "/home/u/.config/Vantoro/Lumbravick/settings.ini");
  EXPECT_EQ(s.PathFor("Vantoro/Lumbravick"), "/home/u/.config/Vantoro/Lumbravick/settings.ini");
  EXPECT_EQ(s.PathFor("..\\..\\etc"), "/home/u/.config/etc/settings.ini")
      << "no way out of the folder";
  EXPECT_EQ(s.PathFor("\\\\A\\.\\B\\"), "/home/u/.config/A/B/settings.ini");
}

TEST(KeyFileSettings, ValuesAreKeysOfTheirGroupAndWritingKeepsTheRestOfTheFile) {
  xtest::TempDir dir;
  KeyFileSettings s(dir.Path());
  std::string value;
  EXPECT_FALSE(s.Get("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", value))
      << "nothing stored yet";
  ASSERT_TRUE(s.Set("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "3"));
  ASSERT_TRUE(s.Get("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", value));
  EXPECT_EQ(value, "3");
  std::stringstream text;
  text << std::ifstream(dir.Path() + "/Vantoro/Lumbravick/settings.ini").rdbuf();
  EXPECT_NE(text.str().find("[StyleSheet]\nStyleSheet=3\n"), std::string::npos) << text.str();
  EXPECT_FALSE(s.Get("Vantoro\\Lumbravick", "StyleSheet", "Other", value));
  EXPECT_FALSE(s.Get("Vantoro\\Lumbravick", "Other", "StyleSheet", value));

  ASSERT_TRUE(s.Set("A\\B", "One", "x", "1"));
  ASSERT_TRUE(s.Set("A\\B", "Two", "y", "two words"));
  ASSERT_TRUE(s.Set("A\\B", "One", "x", "11"));
  ASSERT_TRUE(s.Set("A\\B", "One", "z", "line1\nline2 = [x]"));  // text that would break a line
  for (auto [section, key, want] :
       {std::tuple{"Two", "y", "two words"}, std::tuple{"One", "x", "11"},
        std::tuple{"One", "z", "line1\nline2 = [x]"}}) {
    ASSERT_TRUE(s.Get("A\\B", section, key, value)) << key;
    EXPECT_EQ(value, want);
  }

  // A file where the folder should be.
  std::ofstream(dir.Path() + "/file") << "not a folder";
  EXPECT_FALSE(KeyFileSettings(dir.Path() + "/file").Set("A", "S", "K", "V"));
}

TEST(KeyFileSettings, WritingGoesThroughLinksAndKeepsTheFilesOwnPermissions) {
  xtest::TempDir dir;
  const std::string folder = dir.Path() + "/Vantoro/Lumbravick";
  const std::string real = dir.Path() + "/dotfiles/lumbravick.ini";
  auto read = [](const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  };
  ASSERT_EQ(
      std::system(
          ("mkdir -p " + folder + " " + dir.Path() + "/dotfiles " + dir.Path() + "/A").c_str()),
      0);
  std::ofstream(real) << "[Keep]\nme=1\n";
  chmod(real.c_str(), 0640);
  ASSERT_EQ(symlink("../../dotfiles/lumbravick.ini", (folder + "/settings.ini").c_str()), 0);
  KeyFileSettings s(dir.Path());
  ASSERT_TRUE(s.Set("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "2"));
  struct stat link_info {
  }, file_info{};
  ASSERT_EQ(lstat((folder + "/settings.ini").c_str(), &link_info), 0);
  EXPECT_TRUE(S_ISLNK(link_info.st_mode)) << "the link was replaced by a file";
  EXPECT_EQ(read(real), "[Keep]\nme=1\n\n[StyleSheet]\nStyleSheet=2\n");
  ASSERT_EQ(stat(real.c_str(), &file_info), 0);
  EXPECT_EQ(file_info.st_mode & 0777, 0640u);

  // A link to a file not there yet makes that file; a file with a second
  // hard link is written in place, so both names keep showing one text.
  ASSERT_EQ(symlink((real + ".new").c_str(), (dir.Path() + "/A/settings.ini").c_str()), 0);
  ASSERT_TRUE(s.Set("A", "S", "K", "V"));
  EXPECT_EQ(read(real + ".new"), "[S]\nK=V\n");
  ASSERT_EQ(link(real.c_str(), (dir.Path() + "/hard.ini").c_str()), 0);
  ASSERT_TRUE(s.Set("Vantoro\\Lumbravick", "StyleSheet", "StyleSheet", "4"));
  EXPECT_EQ(read(dir.Path() + "/hard.ini"), "[Keep]\nme=1\n\n[StyleSheet]\nStyleSheet=4\n");
}

TEST(InstanceLock, OnlyOneHolderAtATimeUntilItsProcessEnds) {
  xtest::TempDir dir;
  const std::string path = dir.Path() + "/sub/lumbravick.lock";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Stops holding the lock until it is killed.
    if (InstanceLock lock; lock.Acquire(path) == InstanceLock::Result::Acquired) raise(SIGSTOP);
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
  ASSERT_TRUE(WIFSTOPPED(status)) << "the other process could not take the lock";
  InstanceLock mine;
  EXPECT_EQ(mine.Acquire(path), InstanceLock::Result::HeldElsewhere);
  EXPECT_FALSE(mine.Held());
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(mine.Acquire(path), InstanceLock::Result::Acquired) << "a dead holder holds nothing";
  EXPECT_TRUE(mine.Held());

  std::ofstream(dir.Path() + "/file") << "x";
  EXPECT_EQ(InstanceLock().Acquire(dir.Path() + "/file/lumbravick.lock"),
            InstanceLock::Result::Unavailable);
}

TEST(InstanceLock, TheRuntimeFolderIsPreferred) {
  using tk::gtkx::InstanceLockPath;
  xtest::TempDir dir;
  EXPECT_EQ(InstanceLockPath(dir.Path().c_str(), "/c"), dir.Path() + "/lumbravick.lock");
  for (const char* unusable : {static_cast<const char*>(nullptr), "", "/no/such/folder"})
    EXPECT_EQ(InstanceLockPath(unusable, "/c"), "/c/lumbravick/lumbravick.lock");
}
