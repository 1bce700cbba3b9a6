// Registry stand-in: a key is an ini file under the config folder, its values live in
// section [values]. User hive: $XDG_CONFIG_HOME; machine hive: first of $XDG_CONFIG_DIRS.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "Internal.h"
#include "zlvplatform.h"

namespace {

using namespace zlv::detail;

std::string hiveFolder(int32_t hive) {
  if (hive == ZLV_HKEY_CURRENT_USER) {
    const char* home = std::getenv("HOME");
    return envFolder("XDG_CONFIG_HOME", std::string(home && *home ? home : "") + "/.config/");
  }
  if (hive == ZLV_HKEY_LOCAL_MACHINE) {
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string first = dirs ? std::string(dirs).substr(0, std::string(dirs).find(':')) : "";
    if (first.empty() || first[0] != '/') return "/etc/xdg/";
    if (first.back() != '/') first += '/';
    return first;
  }
  return {};
}

// "Software\Zelvo" -> "<hive>/registry/software/zelvo.ini"; empty for unusable key paths.
std::string keyFile(int32_t hive, const char16_t* keyPath) {
  std::string base = hiveFolder(hive);
  if (base.empty() || !keyPath) return {};
  std::string rel;
  std::u16string part;
  std::u16string path = lowerCase(view(keyPath)) + u'\\';
  for (char16_t c : path) {
    if (c != u'\\' && c != u'/') {
      if (c == 0) return {};
      part += c;
      continue;
    }
    if (part == u"..") return {};  // a key path never leaves the registry folder
    if (!part.empty() && part != u".") rel += (rel.empty() ? "" : "/") + utf8(part);
    part.clear();
  }
  if (rel.empty()) return {};
  return base + "registry/" + rel + ".ini";
}

bool makeParents(const std::string& file) {
  for (size_t at = file.find('/', 1); at != std::string::npos; at = file.find('/', at + 1)) {
    std::string dir = file.substr(0, at);
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

extern "C" {

bool zlvRegQueryString(int32_t hive, const char16_t* keyPath, const char16_t* valueName,
                       char16_t* out, uint32_t capacity) {
  if (out && capacity) out[0] = 0;
  std::string file = keyFile(hive, keyPath);
  if (file.empty()) return false;
  std::optional<std::u16string> value = iniLookup(file, u"values", view(valueName));
  if (!value) return false;
  if (!out) return true;  // asks only whether the value exists
  // A value longer than the buffer is a failure, as with the registry's "more data".
  return value->size() < capacity && copyOut(*value, out, capacity) == value->size();
}

bool zlvRegSetString(int32_t hive, const char16_t* keyPath, const char16_t* valueName,
                     const char16_t* value) {
  std::string file = keyFile(hive, keyPath);
  if (file.empty() || !value || !makeParents(file)) return false;
  return iniWrite(file, u"values", valueName ? valueName : u"", value);
}

}  // extern "C"
