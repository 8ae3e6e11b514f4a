// Writes a small synthetic carafe launcher (or, with --product, another
// program) for the command-line test and as seeds for the fuzz targets:
//
//   carafe_brand_sample OUT.exe [--pe32] [--product NAME] [--signed]
#include <cstdio>
#include <string>

#include "synthetic.h"

int main(int argc, char** argv) {
  using namespace carafe::brand::test;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.exe [--pe32] [--product NAME] [--signed]\n", argv[0]);
    return 2;
  }
  PeShape shape;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--pe32") {
      shape.pe32Plus = false;
    } else if (option == "--product" && i + 1 < argc) {
      shape.resources = launcherResources(argv[++i]);
    } else if (option == "--signed") {
      shape.certificate = carafe::brand::Bytes(32, 0x30);
    } else {
      std::fprintf(stderr, "unknown option %s\n", argv[i]);
      return 2;
    }
  }
  const carafe::brand::Bytes exe = makePe(shape);
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr || std::fwrite(exe.data(), 1, exe.size(), file) != exe.size() ||
      std::fclose(file) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
