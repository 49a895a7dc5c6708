#include "tests/support/fatal_capture.h"
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
namespace {
void ThrowFatal(const char* text) { throw FatalError(text); }
// Before every test: start-up state, and fatal errors that throw.
class ResetListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    ResetProcessState();
    SetFatalHandler(ThrowFatal);
  }
  void OnTestEnd(const ::testing::TestInfo&) override { ResetProcessState(); }
};
const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetListener);
  return true;
}();
}  // namespace
