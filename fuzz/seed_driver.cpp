// Runs a fuzz target over every file of its seed corpus (a folder, or single files), so
// that the seeds and every crash ever found stay regression tests of the normal suite.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "cannot read " << path << "\n";
    return 1;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  int files = 0;
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
        if (!entry.is_regular_file()) continue;
        failures += RunFile(entry.path());
        ++files;
      }
    } else {
      failures += RunFile(arg);
      ++files;
    }
  }
  if (files == 0) {
    std::cerr << "no seed files found\n";
    return 1;
  }
  std::cout << files << " seed files run\n";
  return failures == 0 ? 0 : 1;
}
