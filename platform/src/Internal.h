// Helpers shared by the platform sources; not part of the library's interface.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zlv::detail {

// A process-wide object that is never destroyed, so calls made during exit stay safe.
template <class T>
class NoDestructor {
 public:
  template <class... Args>
  explicit NoDestructor(Args&&... args) { new (&storage_.value) T(std::forward<Args>(args)...); }
  ~NoDestructor() {}
  T& get() { return storage_.value; }

 private:
  union Storage {
    Storage() {}
    ~Storage() {}
    T value;
  } storage_;
};

// A null pointer reads as the empty text.
inline std::u16string_view view(const char16_t* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}
std::string utf8(std::u16string_view text);
std::u16string utf16(std::string_view text);

// Copies text with its terminator when it fits; returns its length, else 0 (out emptied).
uint32_t copyOut(std::u16string_view text, char16_t* out, uint32_t capacity);

// Case folding for names compared without case (one UTF-16 unit at a time).
char16_t foldCase(char16_t c);
bool equalNoCase(std::u16string_view a, std::u16string_view b);
std::u16string lowerCase(std::u16string_view text);

// Ini access used by the registry stand-in.
std::optional<std::u16string> iniLookup(const std::string& file, std::u16string_view section,
                                        std::u16string_view key);
bool iniWrite(const std::string& file, std::u16string_view section, const char16_t* key,
              const char16_t* value);

// True when the text of /proc/net/route holds an up default route.
bool routeTableHasDefault(std::string_view table);

// Environment folder with a trailing "/", or the fallback when unset, empty or relative.
std::string envFolder(const char* variable, const std::string& fallback);

}  // namespace zlv::detail
