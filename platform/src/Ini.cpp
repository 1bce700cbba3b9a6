// Profile (ini) functions with the Windows behaviour: names compare without case, a missing
// file or key reads as the default, a write touches only its own line and replaces the file
// in one rename. Lines we do not change are kept byte for byte.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "Internal.h"
#include "zlvplatform.h"

namespace zlv::detail {
namespace {

// Larger files are refused rather than read whole (and never rewritten).
constexpr off_t kMaxIniBytes = 16 << 20;

struct IniText {
  std::vector<std::string> lines;  // without line ends
  std::string eol = "\n";
  bool bom = false;
};

enum class ReadResult { Ok, Missing, Unreadable };

ReadResult readIni(const std::string& path, IniText& ini) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable;
  struct stat st {};
  std::string data;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxIniBytes;
  if (ok) {
    data.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < data.size()) {
      ssize_t n = ::read(fd, data.data() + got, data.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += size_t(n);
    }
    data.resize(got);
  }
  ::close(fd);
  if (!ok) return ReadResult::Unreadable;

  if (data.size() >= 2 && uint8_t(data[0]) == 0xFF && uint8_t(data[1]) == 0xFE) {
    // A UTF-16 file saved by a Windows editor: read it as text, write it back as UTF-8.
    std::u16string wide((data.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i)
      wide[i] = char16_t(uint8_t(data[2 + 2 * i]) | (uint8_t(data[3 + 2 * i]) << 8));
    data = utf8(wide);
    ini.bom = true;
  } else if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    data.erase(0, 3);
    ini.bom = true;
  }
  size_t start = 0;
  bool first = true;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
      if (first) ini.eol = "\r\n";
    }
    first = false;
    ini.lines.push_back(std::move(line));
    start = end + 1;
  }
  return ReadResult::Ok;
}

std::string_view trim(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

struct Line {
  enum Kind { Other, Section, Key } kind = Other;
  std::u16string name;
  std::string_view value;  // raw, trimmed
};

Line parse(std::string_view raw) {
  std::string_view s = trim(raw);
  Line line;
  if (s.empty() || s[0] == ';') return line;
  if (s[0] == '[') {
    size_t close = s.find(']');
    line.kind = Line::Section;
    line.name = utf16(trim(s.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
    return line;
  }
  size_t eq = s.find('=');
  if (eq == std::string_view::npos) return line;
  line.kind = Line::Key;
  line.name = utf16(trim(s.substr(0, eq)));
  line.value = trim(s.substr(eq + 1));
  return line;
}

std::u16string unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return utf16(v);
}

// Index range [header, end) of the first section with that name; header == npos if absent.
struct SectionRange {
  size_t header = std::string::npos, end = 0;
};

SectionRange findSection(const IniText& ini, std::u16string_view section) {
  SectionRange r;
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    Line l = parse(ini.lines[i]);
    if (l.kind != Line::Section) continue;
    if (r.header != std::string::npos) {
      r.end = i;
      return r;
    }
    if (equalNoCase(l.name, section)) r.header = i;
  }
  r.end = ini.lines.size();
  return r;
}

size_t findKey(const IniText& ini, const SectionRange& r, std::u16string_view key) {
  if (r.header == std::string::npos) return std::string::npos;
  for (size_t i = r.header + 1; i < r.end; ++i) {
    Line l = parse(ini.lines[i]);
    if (l.kind == Line::Key && equalNoCase(l.name, key)) return i;
  }
  return std::string::npos;
}

bool writeAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

// Writes beside the file, then renames over it: readers see the old or the new file whole.
bool replaceFile(const std::string& path, const IniText& ini, mode_t mode) {
  std::string data = ini.bom ? "\xEF\xBB\xBF" : "";
  for (const std::string& line : ini.lines) data += line + ini.eol;
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = dir + "." + name + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0 && writeAll(fd, data) && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

// Serialises writers of one folder across threads and processes (flock on the folder).
class FolderLock {
 public:
  explicit FolderLock(const std::string& path) : guard_(mutex()) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0)
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  static std::mutex& mutex() {
    static NoDestructor<std::mutex> m;
    return m.get();
  }
  std::lock_guard<std::mutex> guard_;
  int fd_ = -1;
};

bool hasLineBreak(std::u16string_view s) {
  return s.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// Names a line could not hold without changing its meaning.
bool usableName(std::u16string_view name, bool section) {
  if (hasLineBreak(name)) return false;
  if (section) return name.find(u']') == std::u16string_view::npos;
  return !name.empty() && name.find(u'=') == std::u16string_view::npos && name[0] != u'[' &&
         name[0] != u';';
}

}  // namespace

std::optional<std::u16string> iniLookup(const std::string& file, std::u16string_view section,
                                        std::u16string_view key) {
  IniText ini;
  if (readIni(file, ini) != ReadResult::Ok) return std::nullopt;
  size_t at = findKey(ini, findSection(ini, section), key);
  if (at == std::string::npos) return std::nullopt;
  return unquote(parse(ini.lines[at]).value);
}

bool iniWrite(const std::string& file, std::u16string_view section, const char16_t* key,
              const char16_t* value) {
  if (file.empty() || !usableName(section, true) || (key && !usableName(view(key), false)))
    return false;
  FolderLock lock(file);
  IniText ini;
  ReadResult read = readIni(file, ini);
  if (read == ReadResult::Unreadable) return false;  // never replace what we could not read
  mode_t mode = 0644;
  struct stat st {};
  if (read == ReadResult::Ok && ::stat(file.c_str(), &st) == 0) mode = st.st_mode & 07777;

  SectionRange r = findSection(ini, section);
  if (!key) {
    if (r.header == std::string::npos) return true;
    ini.lines.erase(ini.lines.begin() + long(r.header), ini.lines.begin() + long(r.end));
    return replaceFile(file, ini, mode);
  }
  size_t at = findKey(ini, r, view(key));
  if (!value) {
    if (at == std::string::npos) return true;
    ini.lines.erase(ini.lines.begin() + long(at));
    return replaceFile(file, ini, mode);
  }
  std::u16string text(view(value));
  for (char16_t& c : text)
    if (c == u'\r' || c == u'\n') c = u' ';  // one value, one line
  if (at != std::string::npos) {
    // Keep the key's spelling as the file has it.
    std::string_view raw = ini.lines[at];
    ini.lines[at] = std::string(trim(raw.substr(0, raw.find('=')))) + "=" + utf8(text);
  } else if (r.header != std::string::npos) {
    size_t insert = r.end;
    while (insert > r.header + 1 && trim(ini.lines[insert - 1]).empty()) --insert;
    ini.lines.insert(ini.lines.begin() + long(insert), utf8(view(key)) + "=" + utf8(text));
  } else {
    ini.lines.push_back("[" + utf8(section) + "]");
    ini.lines.push_back(utf8(view(key)) + "=" + utf8(text));
  }
  return replaceFile(file, ini, mode);
}

}  // namespace zlv::detail

namespace {

using namespace zlv::detail;

// Section or key names as consecutive terminated texts, ending with an extra terminator;
// truncated the way Windows does when the buffer is short.
uint32_t copyNames(const std::vector<std::u16string>& names, char16_t* out, uint32_t capacity) {
  if (!out || capacity == 0) return 0;
  std::u16string all;
  for (const auto& n : names) {
    all += n;
    all += u'\0';
  }
  if (all.empty()) all += u'\0';
  all += u'\0';
  if (all.size() <= capacity) {
    std::copy(all.begin(), all.end(), out);
    return uint32_t(all.size() - 1);
  }
  if (capacity < 2) {
    out[0] = 0;
    return 0;
  }
  std::copy(all.begin(), all.begin() + (capacity - 2), out);
  out[capacity - 2] = 0;
  out[capacity - 1] = 0;
  return capacity - 2;
}

uint32_t copyTruncated(std::u16string_view text, char16_t* out, uint32_t capacity) {
  if (!out || capacity == 0) return 0;
  size_t n = std::min<size_t>(text.size(), capacity - 1);
  // Never leave half of a surrogate pair at the end.
  if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  std::copy(text.begin(), text.begin() + long(n), out);
  out[n] = 0;
  return uint32_t(n);
}

}  // namespace

extern "C" {

uint32_t zlvGetProfileString(const char16_t* section, const char16_t* key, const char16_t* def,
                             char16_t* out, uint32_t capacity, const char16_t* file) {
  std::u16string fallback(view(def));
  while (!fallback.empty() && fallback.back() == u' ') fallback.pop_back();
  if (!file || !*file) return copyTruncated(fallback, out, capacity);
  std::string path = utf8(view(file));
  if (!section || !key) {
    IniText ini;
    std::vector<std::u16string> names;
    if (readIni(path, ini) == ReadResult::Ok) {
      SectionRange r = section ? findSection(ini, view(section)) : SectionRange{};
      for (size_t i = 0; i < ini.lines.size(); ++i) {
        Line l = parse(ini.lines[i]);
        if (!section && l.kind == Line::Section) names.push_back(l.name);
        if (section && l.kind == Line::Key && r.header != std::string::npos && i > r.header && i < r.end)
          names.push_back(l.name);
      }
    }
    return copyNames(names, out, capacity);
  }
  std::optional<std::u16string> value = iniLookup(path, view(section), view(key));
  return copyTruncated(value ? *value : fallback, out, capacity);
}

int32_t zlvGetProfileInt(const char16_t* section, const char16_t* key, int32_t def,
                         const char16_t* file) {
  if (!file || !section || !key) return def;
  std::optional<std::u16string> value = iniLookup(utf8(view(file)), view(section), view(key));
  if (!value) return def;
  // Like Windows: the leading decimal number, 0 when the value does not start with one.
  std::u16string_view s = *value;
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  uint32_t n = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) n = n * 10u + uint32_t(s[i] - u'0');
  return int32_t(negative ? 0u - n : n);
}

bool zlvWriteProfileString(const char16_t* section, const char16_t* key, const char16_t* value,
                           const char16_t* file) {
  if (!section || !file || !*file) return false;
  return iniWrite(utf8(view(file)), view(section), key, value);
}

}  // extern "C"
