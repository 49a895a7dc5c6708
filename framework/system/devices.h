// The device registry: devices register by kind, users look them up by kind.
#pragma once
#include <cstdint>

enum DeviceKind {
  DeviceDisplay = 0,
  DevicePointer = 2,
  DeviceKeyboard = 3,
  DeviceCD = 4,
};

class sDevice {
public:
  virtual ~sDevice();

  char Name[32] = {};
  int32_t Priority = 0;
  int32_t DeviceWord = 0;
};

void RegisterDevice(int kind, sDevice* device);
// index 0..3: that slot; -1: the highest Priority, lowest slot among equals.
sDevice* GetDevice(int kind, int index);

// Empties all 20 slots (start-up).
void ClearDevices();
// Destroys every registered device in registry order; the slots are not cleared.
void DestroyDevices();
