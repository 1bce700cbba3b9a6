// Replays every file below the given folders through the fuzz target, so that ordinary
// builds (and the sanitizer build) keep the corpus passing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  size_t files = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(argv[i], ec); !ec && it != fs::end(it);
         it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      std::ifstream f(it->path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++files;
    }
    if (ec) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 2;
    }
  }
  std::printf("%zu inputs replayed\n", files);
  return files ? 0 : 1;  // an empty corpus proves nothing
}
