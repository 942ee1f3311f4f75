#include "convert/uniform_blocks.h"

#include <jpegint.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

namespace t2j {
namespace {

// One switch for the whole shortcut.
constexpr bool kUseUniformBlocks = true;

// The forward DCT's place and signature are those of the libjpeg 6b interface with 8-bit
// samples, as libjpeg-turbo keeps it.
#if JPEG_LIB_VERSION == 62 && defined(LIBJPEG_TURBO_VERSION_NUMBER) && BITS_IN_JSAMPLE == 8 && \
    DCTSIZE == 8
constexpr bool kExpectedLibrary =
    std::is_same_v<decltype(jpeg_forward_dct::forward_DCT), UniformBlocks::ForwardDctFunction> &&
    std::is_same_v<JSAMPLE, unsigned char>;
#else
constexpr bool kExpectedLibrary = false;
#endif

// The value of every sample of the 8 × 8 block at `column` of the rows, or -1 when they differ. No
// early exit: whether a block is uniform is hard to predict, and the whole test is a few
// instructions.
int UniformValue(const JSAMPROW* rows, JDIMENSION column) {
  const uint64_t value = rows[0][column];
  const uint64_t all = value * 0x0101010101010101u;
  uint64_t differ = 0;
#pragma GCC unroll 8
  for (int r = 0; r < DCTSIZE; ++r) {
    uint64_t eight = 0;
    std::memcpy(&eight, rows[r] + column, sizeof eight);
    differ |= eight ^ all;
  }
  return differ == 0 ? static_cast<int>(value) : -1;
}

}  // namespace

bool UniformBlocks::Supported() { return kUseUniformBlocks && kExpectedLibrary; }

void UniformBlocks::Install(j_compress_ptr cinfo, ForwardDctFunction forward_dct) {
  if constexpr (kUseUniformBlocks && kExpectedLibrary) {
    if (cinfo->global_state != CSTATE_SCANNING || cinfo->fdct == nullptr ||
        cinfo->fdct->forward_DCT == nullptr || cinfo->fdct->forward_DCT == forward_dct) {
      return;
    }
    table_.reset(new (std::nothrow) Table());
    if (!table_) return;
    original_ = cinfo->fdct->forward_DCT;
    cinfo->fdct->forward_DCT = forward_dct;
  }
}

void UniformBlocks::ForwardDct(j_compress_ptr cinfo, jpeg_component_info* component,
                               JSAMPARRAY samples, JBLOCKROW blocks, JDIMENSION row,
                               JDIMENSION column, JDIMENSION count) {
  const int table = component->quant_tbl_no;
  for (JDIMENSION i = 0; i < count; ++i, column += DCTSIZE) {
    const int value = UniformValue(samples + row, column);
    if (value < 0 || table < 0 || table >= NUM_QUANT_TBLS) {
      original_(cinfo, component, samples, blocks + i, row, column, 1);
      continue;
    }
    JBLOCK& known = table_->blocks[table][value];
    if (!table_->known[table][value]) {
      // The transform of a block of this value, made once by libjpeg itself.
      JSAMPLE block[DCTSIZE][DCTSIZE];
      std::memset(block, value, sizeof block);
      JSAMPROW rows[DCTSIZE];
      for (int r = 0; r < DCTSIZE; ++r) rows[r] = block[r];
      original_(cinfo, component, rows, &known, 0, 0, 1);
      table_->known[table][value] = true;
    }
    std::memcpy(blocks[i], known, sizeof(JBLOCK));
  }
}

}  // namespace t2j
