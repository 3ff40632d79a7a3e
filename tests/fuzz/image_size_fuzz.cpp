// The image size reader: any bytes give a size or "(unknown)", never a crash or a read past
// the end (the JPEG walk follows lengths taken from the file).
#include "component/image_size.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  ImageSize image = ImageSizeOfBytes(fuzz::AsText(data, size));
  ThumbnailAttribute(image, Variant(int32_t{100}), Variant(int32_t{80}));
  return 0;
}
