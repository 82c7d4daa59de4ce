// Writes the bench page as a binary PGM (P5, maxval 255), for bandhost and the
// tools bench/compare.sh measures against.
// Usage: make_page WIDTH HEIGHT OUT.pgm
#include <cstdio>
#include <cstdlib>

#include "bench_page.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_page WIDTH HEIGHT OUT.pgm\n");
    return 2;
  }
  const long width = std::strtol(argv[1], nullptr, 10);
  const long height = std::strtol(argv[2], nullptr, 10);
  if (width <= 0 || height <= 0 || width > 65535 || height > 10000000) {
    std::fprintf(stderr, "make_page: width and height out of range\n");
    return 2;
  }
  const BenchPage page =
      MakeBenchPage(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  std::fprintf(out, "P5\n%ld %ld\n255\n", width, height);
  bool ok = true;
  for (std::uint32_t y = 0; y < page.height && ok; ++y) {
    ok = std::fwrite(page.Row(y), 1, page.width, out) == page.width;
  }
  ok = std::fclose(out) == 0 && ok;
  if (!ok) std::fprintf(stderr, "make_page: cannot write %s\n", argv[3]);
  return ok ? 0 : 1;
}
