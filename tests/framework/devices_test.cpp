#include "framework/system/devices.h"
#include <gtest/gtest.h>
#include <vector>
#include "tests/support/fatal_capture.h"
namespace {
// A device that notes its priority in `order` when it is destroyed.
struct TestDevice : sDevice {
  explicit TestDevice(int priority, std::vector<int>* order = nullptr) : order_(order) { Priority = priority; }
  ~TestDevice() override {
    if (order_) order_->push_back(Priority);
  }
  std::vector<int>* order_;
};
TEST(DeviceRegistry, LookupByPriorityAndSlot) {
  TestDevice a(10), b(10), low(5), high(10);
  EXPECT_EQ(nullptr, GetDevice(DevicePointer, -1));
  RegisterDevice(DevicePointer, &a);
  RegisterDevice(DevicePointer, &b);
  EXPECT_EQ(&a, GetDevice(DevicePointer, -1)) << "equal priorities: the lowest slot wins";
  EXPECT_EQ(&b, GetDevice(DevicePointer, 1));
  EXPECT_EQ(nullptr, GetDevice(DevicePointer, 2)) << "an empty slot is none even with slot 0 used";
  RegisterDevice(DeviceKeyboard, &low);
  RegisterDevice(DeviceKeyboard, nullptr);  // occupies nothing: slot 1 stays free
  RegisterDevice(DeviceKeyboard, &b);
  RegisterDevice(DeviceKeyboard, &high);
  EXPECT_EQ((std::vector<sDevice*>{&low, &b, &high}),
            (std::vector<sDevice*>{GetDevice(DeviceKeyboard, 0), GetDevice(DeviceKeyboard, 1), GetDevice(DeviceKeyboard, 2)}));
  EXPECT_EQ(&b, GetDevice(DeviceKeyboard, -1)) << "priority 10 beats 5, and slot 1 precedes slot 2";
  ClearDevices();
}
TEST(DeviceRegistry, Assertions) {
  TestDevice d(0);
  EXPECT_FATAL(GetDevice(5, 0), "Assertion in line 530, file system");
  EXPECT_FATAL(GetDevice(-1, 0), "Assertion in line 530, file system");
  EXPECT_FATAL(GetDevice(DeviceCD, 4), "Assertion in line 548, file system");
  EXPECT_FATAL(GetDevice(DeviceCD, -2), "Assertion in line 548, file system");
  EXPECT_FATAL(RegisterDevice(5, &d), "Assertion in line 556, file system");
  for (int i = 0; i < 4; ++i) RegisterDevice(DeviceCD, &d);
  EXPECT_FATAL(RegisterDevice(DeviceCD, &d), "Assertion in line 566, file system");
  ClearDevices();
}
TEST(DeviceRegistry, DestroyWalksEveryKindInOrderAndKeepsEntries) {
  std::vector<int> order;
  // Registered in another order than kinds and slots: CD, keyboards, display, pointers.
  for (auto [kind, n] : {std::pair{DeviceCD, 5}, {DeviceKeyboard, 3}, {DeviceKeyboard, 4}, {DeviceDisplay, 0},
                         {DevicePointer, 1}, {DevicePointer, 2}})
    RegisterDevice(kind, new TestDevice(n, &order));
  DestroyDevices();
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5}), order) << "kind 0 slots 0..3, then kind 1, and so on";
  EXPECT_NE(nullptr, GetDevice(DeviceDisplay, 0)) << "entries are not cleared";
  ClearDevices();
}
}  // namespace
