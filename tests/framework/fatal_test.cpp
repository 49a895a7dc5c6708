#include "framework/system/fatal.h"
#include <gtest/gtest.h>
#include <string>
#include "platform/debug.h"
#include "platform/thread.h"
#include "tests/support/fatal_capture.h"
namespace {
class DebugLines : public ::testing::Test {
protected:
  void SetUp() override { platform::SetDebugSink(&capture); }
  void TearDown() override { platform::SetDebugSink(nullptr); }
  platform::DebugCapture capture;
};
TEST_F(DebugLines, FatalAndAssertionTextsAreFormattedPrintedAndCut) {
  EXPECT_FATAL(Fatal("sFile::Open() could not open file"), "sFile::Open() could not open file");
  EXPECT_STREQ("Fatal:sFile::Open() could not open file\n", FatalText);
  EXPECT_EQ("Fatal:sFile::Open() could not open file\n", capture.Text());
  EXPECT_FATAL(Assertion(530, "system"), "Assertion in line 530, file system");
  EXPECT_STREQ("Fatal:Assertion in line 530, file system\n", FatalText);
  std::string text(300, 'x');
  EXPECT_FATAL(Fatal(text.c_str()), text);
  EXPECT_EQ("Fatal:" + std::string(249, 'x'), FatalText) << "cut to 255 characters";
}
TEST_F(DebugLines, DebugPrintfIsBoundedAndUnlocksFirst) {
  static int unlocks = 0;
  unlocks = 0;
  SetFatalDisplayHooks({[] { ++unlocks; }, nullptr});
  DebugPrintf("mode %04d x %04d x %d\n", 640, 480, 8);
  EXPECT_EQ("mode 0640 x 0480 x 8\n", capture.Text());
  EXPECT_EQ(1, unlocks) << "the back buffer is unlocked before each debug line";
  capture.Clear();
  std::string longer(400, 'y');
  DebugPrintf("%s", longer.c_str());
  EXPECT_EQ(std::string(255, 'y'), capture.Text());
}
TEST_F(DebugLines, FatalPathsReleaseTheDisplay) {
  static int releases = 0;
  releases = 0;
  SetFatalDisplayHooks({nullptr, [] { ++releases; }});
  EXPECT_FATAL(Fatal("x"), "x");
  EXPECT_FATAL(FatalBox("Could not create main thread"), "Could not create main thread");
  EXPECT_EQ(2, releases);
}
// Without a test handler a fatal error ends only its own thread, with code 666,
// and leaves the text for the message box.
TEST(FatalThread, EndsTheCallingThread) {
  SetFatalHandler(nullptr);
  bool after = false;
  auto t = platform::Thread::Start([&after]() -> int {
    Fatal("could not unlock buffer");
    after = true;
    return 0;
  });
  ASSERT_TRUE(t);
  t->Join();
  EXPECT_TRUE(t->Finished());
  EXPECT_EQ(666, t->ExitCode());
  EXPECT_FALSE(after);
  EXPECT_STREQ("Fatal:could not unlock buffer\n", FatalText);
}
// On a thread nobody waits for, the text is printed and the process exits with 1.
TEST(FatalThreadDeathTest, UnmanagedThreadExitsWithStatusOne) {
  SetFatalHandler(nullptr);
  EXPECT_EXIT(Fatal("no display"), ::testing::ExitedWithCode(1), "Fatal:no display");
}
TEST(FatalThreadDeathTest, FatalBoxShowsAndExits) {
  SetFatalHandler(nullptr);
  EXPECT_EXIT(FatalBox("Could not create audio thread"), ::testing::ExitedWithCode(1),
              "Tessaline: Could not create audio thread");
}
}  // namespace
