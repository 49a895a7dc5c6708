// Process-wide state registers how to put itself back to its start-up value,
// so tests can run in any order in one process.
#pragma once

// Construct one at namespace scope beside the state it resets.
class ResetHook {
public:
  explicit ResetHook(void (*reset)());
};

// Runs every registered reset, in registration order.
void ResetProcessState();
