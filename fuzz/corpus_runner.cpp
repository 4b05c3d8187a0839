// Replays fuzz inputs (files, or every file of a directory) through LLVMFuzzerTestOneInput,
// for compilers without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Under AddressSanitizer, one allocation beyond 64 MiB from these small inputs is a finding,
// as it is for the fuzzing runs (-malloc_limit_mb=64): stored sizes must be checked against
// the bytes present before anything is allocated for them.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=64"; }

namespace {

void RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
        if (entry.is_regular_file()) {
          RunFile(entry.path());
          ++count;
        }
    } else {
      RunFile(path);
      ++count;
    }
  }
  std::printf("%d inputs ran\n", count);
  return 0;
}
