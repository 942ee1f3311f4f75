// A shortcut in libjpeg's forward DCT for the blocks of a picture that are one colour.
#pragma once

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <array>
#include <bitset>
#include <memory>

namespace t2j {

// Most of a text picture is background: 8 × 8 blocks of one sample value, whose transform is
// the same wherever they lie. This remembers, per quantisation table and sample value, the
// coefficients libjpeg's own forward DCT gives such a block, and hands them out for every
// further one; other blocks go to libjpeg's function. The stream stays the same, byte for byte.
class UniformBlocks {
 public:
  // libjpeg's forward DCT, as jpegint.h declares it.
  using ForwardDctFunction = void (*)(j_compress_ptr, jpeg_component_info*, JSAMPARRAY, JBLOCKROW,
                                      JDIMENSION, JDIMENSION, JDIMENSION);

  // Whether this build of libjpeg has the forward DCT that Install can take over.
  static bool Supported();

  // Puts `forward_dct` in the place of the compressor's forward DCT; it must call ForwardDct of
  // this object. Call it after jpeg_start_compress. Does nothing where the library is not the
  // expected one, or when the memory for the table is not there.
  void Install(j_compress_ptr cinfo, ForwardDctFunction forward_dct);

  // Transforms `count` blocks as libjpeg's forward DCT does.
  void ForwardDct(j_compress_ptr cinfo, jpeg_component_info* component, JSAMPARRAY samples,
                  JBLOCKROW blocks, JDIMENSION row, JDIMENSION column, JDIMENSION count);

 private:
  struct Table {
    std::array<std::array<JBLOCK, 256>, NUM_QUANT_TBLS> blocks;
    std::array<std::bitset<256>, NUM_QUANT_TBLS> known;
  };

  ForwardDctFunction original_ = nullptr;
  std::unique_ptr<Table> table_;
};

}  // namespace t2j
