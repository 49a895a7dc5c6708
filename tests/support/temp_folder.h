// A fresh folder per test, removed afterwards, with file helpers.
#pragma once
#include <gtest/gtest.h>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>
#include "tests/support/paths.h"
class TempFolder : public ::testing::Test {
protected:
  void SetUp() override { dir_ = testpaths::TempDir("test"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::vector<uint8_t>& data) const {
    const std::string p = Path(name);
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    testpaths::WriteFile(p, data);
    return p;
  }
  std::vector<uint8_t> Read(const std::string& path) const {
    const std::string text = testpaths::ReadText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
  }
  std::string dir_;
};
