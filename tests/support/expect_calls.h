// Results of calls made in order (the elements of a braced list are evaluated
// left to right), each as a number, against what they must be:
//   EXPECT_CALLS({4, 1}, {s.Read(buf, 4), s.AtEnd()});
#pragma once
#include <gtest/gtest.h>
#include <initializer_list>
#include <ostream>
#include <vector>
struct Num {
  long long v;
  template <class T>
  Num(T x) : v(static_cast<long long>(x)) {}
  bool operator==(const Num& o) const { return v == o.v; }
};
inline std::ostream& operator<<(std::ostream& os, const Num& n) { return os << n.v; }
inline void ExpectCalls(const char* file, int line, std::initializer_list<Num> want, std::initializer_list<Num> got) {
  EXPECT_EQ(std::vector<Num>(want), std::vector<Num>(got)) << file << ":" << line;
}
#define EXPECT_CALLS(...) ExpectCalls(__FILE__, __LINE__, __VA_ARGS__)
