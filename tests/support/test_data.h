// Access to the test tables kept in tests/data.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace erm::testing {

inline std::string TestDataPath(const std::string& name) {
  return std::string(ERM_TEST_DATA_DIR) + "/" + name;
}

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadTestData(const std::string& name) {
  std::ifstream in(TestDataPath(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace erm::testing
