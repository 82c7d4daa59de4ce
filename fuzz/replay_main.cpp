// Replays saved fuzzer inputs without libFuzzer: every file named on the
// command line, or found directly inside a directory named there, goes once
// through the target's LLVMFuzzerTestOneInput, in name order. The sanitizers
// of the build turn a fault into a failed run; so does an empty corpus, which
// would otherwise pass without testing anything.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> InputsOf(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> inputs;
  if (!std::filesystem::is_directory(path)) {
    inputs.push_back(path);
    return inputs;
  }
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& input : InputsOf(argv[i])) {
      std::ifstream in(input, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", input.c_str());
        return 1;
      }
      const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
      // Print first: if the input brings the program down, the log names it.
      std::fprintf(stderr, "replaying %s\n", input.c_str());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return replayed ? 0 : 1;
}
