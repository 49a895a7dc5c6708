// Fatal errors as exceptions, so tests can assert the exact message.
#pragma once
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
struct FatalError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// The statement must end in a fatal error with exactly this message.
#define EXPECT_FATAL(statement, message)                                     \
  do {                                                                       \
    try {                                                                    \
      statement;                                                             \
      ADD_FAILURE() << "no fatal error from: " #statement;                   \
    } catch (const FatalError& e) {                                          \
      EXPECT_EQ(std::string(message), e.what()) << "from: " #statement;      \
    }                                                                        \
  } while (0)
