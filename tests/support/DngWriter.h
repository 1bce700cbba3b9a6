// Digital negatives for the camera-raw tests: a 16-bit RGGB mosaic written with libtiff,
// which LibRaw develops like a camera's file. The test program links libtiff.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace gallivo::test {

// sample(x, y) is the mosaic's value at (x, y): red where both are even, blue where both are
// odd, green elsewhere. False when the file cannot be written.
inline bool writeDng(const std::filesystem::path& file, uint32_t w, uint32_t h,
                     const std::function<uint16_t(uint32_t, uint32_t)>& sample, uint32_t rowsPerStrip = 16) {
  TIFF* t = TIFFOpen(file.c_str(), "w");
  if (!t) return false;
  const uint8_t version[4] = {1, 4, 0, 0};
  const uint16_t dims[2] = {2, 2};
  const uint8_t pattern[4] = {0, 1, 1, 2};
  const float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  const float neutral[3] = {1, 1, 1};
  const uint32_t white = 65535;  // libtiff reads WhiteLevel as LONG
  TIFFSetField(t, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, 32803);  // colour filter array
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  TIFFSetField(t, TIFFTAG_MAKE, "Gallivo");
  TIFFSetField(t, TIFFTAG_MODEL, "Test");
  TIFFSetField(t, TIFFTAG_DNGVERSION, version);
  TIFFSetField(t, TIFFTAG_UNIQUECAMERAMODEL, "Gallivo Test");
  TIFFSetField(t, TIFFTAG_CFAREPEATPATTERNDIM, dims);
  TIFFSetField(t, TIFFTAG_CFAPATTERN, 4, pattern);
  TIFFSetField(t, TIFFTAG_COLORMATRIX1, 9, matrix);
  TIFFSetField(t, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
  TIFFSetField(t, TIFFTAG_CALIBRATIONILLUMINANT1, 21);
  TIFFSetField(t, TIFFTAG_WHITELEVEL, 1, &white);
  std::vector<uint16_t> row(w);
  bool ok = true;
  for (uint32_t y = 0; y < h && ok; ++y) {
    for (uint32_t x = 0; x < w; ++x) row[x] = sample(x, y);
    ok = TIFFWriteScanline(t, row.data(), y, 0) == 1;
  }
  TIFFClose(t);
  return ok;
}

}  // namespace gallivo::test
