// File and tool helpers every test folder shares: one path conversion, one way to read and
// write a file, one rule for outside tools.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "TestEnv.h"

namespace gallivo::test {

// A path as the engine's and the platform's UTF-16 calls take it: its UTF-8 bytes decoded
// (a byte that starts no valid sequence is taken as one unit).
inline std::u16string u16(const std::filesystem::path& p) {
  const std::string s = p.string();
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    const auto b = uint8_t(s[i]);
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    uint32_t cp = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : extra == 1 ? b & 0x1F : b;
    bool ok = i + size_t(extra) < s.size() + (extra == 0);
    for (int k = 1; ok && k <= extra; ++k) {
      const auto c = uint8_t(s[i + size_t(k)]);
      ok = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out.push_back(char16_t(b));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += size_t(extra) + 1;
  }
  return out;
}

inline std::vector<uint8_t> readFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& p, std::span<const uint8_t> bytes) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Text byte for byte (no line-end translation); the parent folders are made first.
inline void writeText(const std::filesystem::path& p, const std::string& text) {
  std::error_code ec;
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream(p, std::ios::binary) << text;
}

inline std::string readText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Outside judges (djpeg, identify, xmllint, ...) come from tools/install-deps.sh, which CI
// runs: a missing one fails the test and names its Debian package, it never skips.
//   ASSERT_TRUE(needTool("djpeg", "libjpeg-turbo-progs"));
inline ::testing::AssertionResult needTool(const std::string& tool, const std::string& package) {
  if (haveTool(tool)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << tool << " is missing: install the Debian package " << package
                                       << " (tools/install-deps.sh)";
}

}  // namespace gallivo::test
