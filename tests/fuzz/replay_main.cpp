// Runs a fuzz target over files and folders of inputs once each: the checked-in
// corpus becomes a regression test in every build, with or without libFuzzer.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "tests/fuzz/fuzz_target.h"

namespace {

void Run(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  size_t inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) Run(entry.path()), ++inputs;
    } else {
      Run(path), ++inputs;
    }
  }
  std::cout << inputs << " inputs ran\n";
  return inputs > 0 ? 0 : 1;
}
