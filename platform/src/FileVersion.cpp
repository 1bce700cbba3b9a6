// Reads the version note that ZLV_EMBED_VERSION places in an executable, by walking the ELF
// section headers. Every offset and size is checked against the file before it is used.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "Internal.h"
#include "zlvplatform.h"

namespace {

constexpr uint32_t kShtNote = 7;
constexpr uint64_t kMaxNoteSection = 1 << 20;
constexpr uint32_t kMaxSections = 65535;

class File {
 public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st {};
    if (fd_ >= 0 && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = uint64_t(st.st_size);
  }
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool read(uint64_t offset, void* out, uint64_t n) const {
    if (fd_ < 0 || offset > size_ || n > size_ - offset) return false;
    return ::pread(fd_, out, size_t(n), off_t(offset)) == ssize_t(n);
  }

 private:
  int fd_;
  uint64_t size_ = 0;
};

// Little- or big-endian fields of the file, by its identification byte.
struct Endian {
  bool big = false;
  uint64_t get(const uint8_t* p, int bytes) const {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(p[big ? bytes - 1 - i : i]) << (8 * i);
    return v;
  }
};

bool findInNotes(const std::vector<uint8_t>& notes, const Endian& e, uint16_t version[4]) {
  auto align4 = [](uint64_t v) { return (v + 3) & ~uint64_t(3); };
  uint64_t at = 0;
  while (at + 12 <= notes.size()) {
    uint64_t namesz = e.get(&notes[at], 4), descsz = e.get(&notes[at + 4], 4), type = e.get(&notes[at + 8], 4);
    uint64_t name = at + 12, desc = name + align4(namesz), next = desc + align4(descsz);
    if (desc > notes.size() || next > notes.size()) return false;
    if (type == 1 && namesz == sizeof ZLV_VERSION_NOTE_NAME && descsz == 8 &&
        std::memcmp(&notes[name], ZLV_VERSION_NOTE_NAME, namesz) == 0) {
      for (int i = 0; i < 4; ++i) version[i] = uint16_t(e.get(&notes[desc + 2 * i], 2));
      return true;
    }
    at = next;
  }
  return false;
}

}  // namespace

extern "C" bool zlvReadFileVersion(const char16_t* path, uint16_t version[4]) {
  if (!path || !version) return false;
  File file(zlv::detail::utf8(zlv::detail::view(path)));
  uint8_t ident[64];
  if (!file.read(0, ident, 16) || std::memcmp(ident, "\x7F" "ELF", 4) != 0) return false;
  const bool wide = ident[4] == 2;
  if ((ident[4] != 1 && !wide) || (ident[5] != 1 && ident[5] != 2)) return false;
  Endian e{ident[5] == 2};
  if (!file.read(0, ident, wide ? 64 : 52)) return false;
  uint64_t shoff = wide ? e.get(ident + 40, 8) : e.get(ident + 32, 4);
  uint64_t shentsize = e.get(ident + (wide ? 58 : 46), 2);
  uint64_t shnum = e.get(ident + (wide ? 60 : 48), 2);
  const uint64_t minEntry = wide ? 64 : 40;
  if (shoff == 0 || shnum == 0 || shnum > kMaxSections || shentsize < minEntry) return false;
  for (uint64_t i = 0; i < shnum; ++i) {
    uint8_t sh[64];
    if (!file.read(shoff + i * shentsize, sh, minEntry)) return false;
    if (e.get(sh + 4, 4) != kShtNote) continue;
    uint64_t offset = wide ? e.get(sh + 24, 8) : e.get(sh + 16, 4);
    uint64_t size = wide ? e.get(sh + 32, 8) : e.get(sh + 20, 4);
    if (size > kMaxNoteSection) continue;
    std::vector<uint8_t> notes(static_cast<size_t>(size));
    if (!file.read(offset, notes.data(), size)) continue;
    if (findInNotes(notes, e, version)) return true;
  }
  return false;
}
