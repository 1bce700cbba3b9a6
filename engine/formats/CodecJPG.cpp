// JPEG over libjpeg (6b interface): EXIF orientation, reduced-scale and header-only
// reads, cancellation, and the compressor settings taken from the image.
#include <csetjmp>
#include <cstring>
#include <vector>

#include "Codecs.h"
#include "JpegExif.h"

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace zelvo {
namespace {

constexpr size_t kIoChunk = 65536;
constexpr unsigned kApp1 = JPEG_APP0 + 1;
// A hostile progressive file can ask for endless scans; real ones use a few dozen.
constexpr int kMaxScans = 500;
#if defined(ZELVO_FUZZ_LIMITS)
constexpr long kMaxLibraryMemory = 256l << 20;
#else
constexpr long kMaxLibraryMemory = 1024l << 20;
#endif

// ---- errors: longjmp back to the codec, never a message on stderr --------------------

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->pub.format_message(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

void silentOutput(j_common_ptr) {}

// Scan data that stop at a marker leave the rest of the picture unpainted: a cut file.
void emitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) {
    if (cinfo->err->msg_code == JWRN_HIT_MARKER) errorExit(cinfo);
    ++cinfo->err->num_warnings;
  }
}

void installErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = errorExit;
  err.pub.output_message = silentOutput;
  err.pub.emit_message = emitMessage;
  err.message[0] = '\0';
}

// ---- source and destination over our streams ---------------------------------------

struct Source {
  jpeg_source_mgr pub;
  StreamRef in{nullptr};
  JOCTET buffer[kIoChunk];
  bool started = false;
  bool truncated = false;
};

constexpr JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

boolean fillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  const size_t n = src->in.read(src->buffer, kIoChunk);
  if (n == 0) {
    if (!src->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // The data end early: hand libjpeg an end marker and remember that the file was cut.
    src->truncated = true;
    src->pub.next_input_byte = kFakeEoi;
    src->pub.bytes_in_buffer = 2;
    return TRUE;
  }
  src->started = true;
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  if (count <= 0) return;
  while (size_t(count) > src->pub.bytes_in_buffer) {
    count -= long(src->pub.bytes_in_buffer);
    fillInput(cinfo);
    if (src->truncated) return;
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= size_t(count);
}

void noOp(j_decompress_ptr) {}

struct Destination {
  jpeg_destination_mgr pub;
  StreamRef out{nullptr};
  JOCTET buffer[kIoChunk];
};

void initDestination(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  dst->pub.next_output_byte = dst->buffer;
  dst->pub.free_in_buffer = kIoChunk;
}

boolean emptyOutput(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  if (!dst->out.writeAll(dst->buffer, kIoChunk)) ERREXIT(cinfo, JERR_FILE_WRITE);
  initDestination(cinfo);
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
  const size_t n = kIoChunk - dst->pub.free_in_buffer;
  if (!dst->out.writeAll(dst->buffer, n) || !dst->out.flush()) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void scanLimit(j_common_ptr cinfo) {
  if (cinfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    ERREXIT(cinfo, JERR_NOT_COMPILED);
}

// ---- decoding -----------------------------------------------------------------------

struct DecompressGuard {
  jpeg_decompress_struct* c;
  ~DecompressGuard() { jpeg_destroy_decompress(c); }
};

bool uprightWanted(const Image& img) {
  return (img.info.codecOptions[ZV_TYPE_JPG] & ZV_JPEG_UPRIGHT) != 0;
}

// Turns a decoded picture upright from its EXIF orientation, through the image's own
// geometric operations.
bool turnUpright(Image& img, int32_t orientation) {
  const ZvImageOps& op = *img.ops;
  switch (orientation) {
    case 2: return op.Mirror(&img, false, true);
    case 3: return op.Rotate180(&img, nullptr);
    case 4: return op.Flip(&img, false, true);
    case 5: return op.RotateRight(&img, nullptr) && op.Mirror(&img, false, true);
    case 6: return op.RotateRight(&img, nullptr);
    case 7: return op.RotateLeft(&img, nullptr) && op.Mirror(&img, false, true);
    case 8: return op.RotateLeft(&img, nullptr);
    default: return true;
  }
}

int scaleDenominator(const Image& img, JDIMENSION w, JDIMENSION h) {
  if (img.info.hintWidth <= 0 || img.info.hintHeight <= 0) return 1;
  const uint32_t r = std::min(w / uint32_t(img.info.hintWidth), h / uint32_t(img.info.hintHeight));
  if (r >= 8) return 8;
  if (r >= 4) return 4;
  if (r >= 2) return 2;
  return 1;
}

void cmykToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION w, bool inverted) {
  for (JDIMENSION x = 0; x < w; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    bgr[0] = uint8_t(y * k / 255);
    bgr[1] = uint8_t(m * k / 255);
    bgr[2] = uint8_t(c * k / 255);
  }
}

// The part of the decode that may longjmp: only plain data and the image live across it.
bool decodeBody(Image& img, jpeg_decompress_struct& c, ErrorManager& err, Source& src,
                std::vector<uint8_t>& cmykRow) {
  if (setjmp(err.jump)) return fail(img, err.message[0] ? err.message : "JPEG: decode error");
  jpeg_save_markers(&c, kApp1, 0xFFFF);
  if (jpeg_read_header(&c, TRUE) != JPEG_HEADER_OK) return fail(img, "JPEG: no image");

  ExifOrientation orient;
  for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next) {
    std::span<const uint8_t> payload(m->data, m->data_length);
    if (m->marker == kApp1 && isExifPayload(payload)) {
      img.exif.assign(payload.begin(), payload.end());
      orient = readExifOrientation(payload);
      break;
    }
  }
  img.exifOrientation = orient.value;

  const bool grey = c.jpeg_color_space == JCS_GRAYSCALE;
  const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  c.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_calc_output_dimensions(&c);

  if (img.info.escape == -1) {
    const bool swap = uprightWanted(img) && orient.value >= 5 && orient.value <= 8;
    img.head.biWidth = int32_t(swap ? c.output_height : c.output_width);
    img.head.biHeight = int32_t(swap ? c.output_width : c.output_height);
    img.head.biBitCount = grey ? 8 : 24;
    img.setType(ZV_TYPE_JPG);
    return true;
  }
  if (!checkDecodeSize(img, c.output_width, c.output_height)) return false;

  const int denom = scaleDenominator(img, c.output_width, c.output_height);
  if (denom > 1) {
    c.scale_num = 1;
    c.scale_denom = unsigned(denom);
    jpeg_calc_output_dimensions(&c);
  }
  c.mem->max_memory_to_use = kMaxLibraryMemory;

  // Every row is written below (or the picture is dropped), so the block is not cleared.
  if (!img.create(c.output_width, c.output_height, grey ? 8 : 24, ZV_TYPE_JPG, false)) return false;
  if (grey) img.setGrayPalette();
  if (c.density_unit == 1) img.setDpi(c.X_density, c.Y_density);
  if (c.density_unit == 2) img.setDpi(int32_t(c.X_density * 2.54 + 0.5), int32_t(c.Y_density * 2.54 + 0.5));

  jpeg_start_decompress(&c);
  if (cmyk) cmykRow.resize(size_t(c.output_width) * 4);
  const JDIMENSION h = c.output_height;
  int lastPercent = -1;
  while (c.output_scanline < h) {
    if (img.progressCallback) {
      const int percent = int(uint64_t(c.output_scanline) * 100 / h);
      if (percent != lastPercent) {
        lastPercent = percent;
        if (img.progressCallback(img.progressUser, percent) == 0) {
          jpeg_abort_decompress(&c);
          img.destroyPixels();
          img.info.escape = 1;
          return fail(img, "break");
        }
      }
    }
    uint8_t* row = img.row(int32_t(h - 1 - c.output_scanline));
    JSAMPROW target = cmyk ? cmykRow.data() : row;
    if (jpeg_read_scanlines(&c, &target, 1) != 1) break;
    if (cmyk) cmykToBgr(cmykRow.data(), row, c.output_width, c.saw_Adobe_marker);
  }
  if (src.truncated || c.output_scanline < h) {
    img.destroyPixels();
    return fail(img, "JPEG: premature end of data");
  }
  // A file cut after its last scan line (only the end marker missing) is still whole.
  jpeg_finish_decompress(&c);

  if (uprightWanted(img) && orient.value >= 2) {
    if (!turnUpright(img, orient.value)) return false;
    // The stored record now describes an upright picture.
    writeExifOrientation(img.exif, orient, 1);
  }
  return true;
}

// ---- encoding -----------------------------------------------------------------------

struct CompressGuard {
  jpeg_compress_struct* c;
  ~CompressGuard() { jpeg_destroy_compress(c); }
};

struct Sampling {
  uint32_t bit;
  int h, v;
};
// Luminance sampling factors; both chroma components stay 1 x 1.
constexpr Sampling kSampling[] = {{ZV_JPEG_SUBSAMPLE_444, 1, 1}, {ZV_JPEG_SUBSAMPLE_422, 2, 1}};

bool encodeBody(Image& img, jpeg_compress_struct& c, ErrorManager& err, std::vector<uint8_t>& greyRow) {
  if (setjmp(err.jump)) return fail(img, err.message[0] ? err.message : "JPEG: encode error");
  const uint32_t opts = img.info.codecOptions[ZV_TYPE_JPG];
  const bool indexed = img.depth() != 24;
  const int32_t w = img.width(), h = img.height();

  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = indexed ? 1 : 3;
  c.in_color_space = indexed ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  if (!indexed && (opts & ZV_JPEG_GRAYSCALE)) jpeg_set_colorspace(&c, JCS_GRAYSCALE);

  float q = img.info.jpegQuality;
  const int quality = q < 0 ? 0 : q > 100 ? 100 : int(q);
  jpeg_set_quality(&c, quality, (opts & ZV_JPEG_BASELINE) ? TRUE : FALSE);

  if (c.num_components == 3) {
    c.comp_info[0].h_samp_factor = 2;
    c.comp_info[0].v_samp_factor = 2;
    for (const Sampling& s : kSampling) {
      if (opts & s.bit) {
        c.comp_info[0].h_samp_factor = s.h;
        c.comp_info[0].v_samp_factor = s.v;
        break;
      }
    }
    for (int i = 1; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  }

  auto density = [](int32_t dpi) { return UINT16(dpi <= 0 ? 96 : dpi > 65535 ? 65535 : dpi); };
  c.write_JFIF_header = TRUE;
  c.density_unit = 1;
  c.X_density = density(img.info.xdpi);
  c.Y_density = density(img.info.ydpi);

  if (opts & ZV_JPEG_ARITHMETIC) c.arith_code = TRUE;
  if (opts & ZV_JPEG_OPTIMIZE) c.optimize_coding = TRUE;
  if (opts & ZV_JPEG_PROGRESSIVE) jpeg_simple_progression(&c);
  if (opts & ZV_JPEG_SMOOTHING) c.smoothing_factor = 50;

  jpeg_start_compress(&c, TRUE);
  if ((opts & ZV_JPEG_KEEP_EXIF) && !img.exif.empty() && img.exif.size() <= 65533)
    jpeg_write_marker(&c, kApp1, img.exif.data(), unsigned(img.exif.size()));

  const ZvRGBQuad* pal = img.palette();
  if (indexed) greyRow.resize(size_t(w));
  for (int32_t y = h - 1; y >= 0; --y) {
    JSAMPROW row = img.row(y);
    if (indexed) {
      for (int32_t x = 0; x < w; ++x) greyRow[size_t(x)] = pal[img.pixelIndex(x, y)].red;
      row = greyRow.data();
    }
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  return true;
}

}  // namespace

bool decodeJPG(Image& img, StreamRef in, uint32_t) {
  if (!in.get()) return fail(img, "null file handler");
  jpeg_decompress_struct c;
  ErrorManager err;
  installErrors(err);
  c.err = &err.pub;
  jpeg_create_decompress(&c);
  DecompressGuard guard{&c};

  auto src = std::make_unique<Source>();
  src->in = in;
  src->pub.init_source = noOp;
  src->pub.fill_input_buffer = fillInput;
  src->pub.skip_input_data = skipInput;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = noOp;
  c.src = &src->pub;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = scanLimit;
  c.progress = &progress;

  std::vector<uint8_t> cmykRow;
  img.exif.clear();
  img.exifOrientation = 0;
  const bool ok = decodeBody(img, c, err, *src, cmykRow);
  if (!ok && img.info.escape != -1) img.destroyPixels();
  return ok;
}

bool encodeJPG(Image& img, StreamRef out, uint32_t) {
  if (!out.get()) return fail(img, "null file handler");
  if (!img.valid()) return fail(img, "null image!!!");
  if (img.depth() != 24 && !img.isGray()) return fail(img, "JPEG can save only RGB or GreyScale images");
  jpeg_compress_struct c;
  ErrorManager err;
  installErrors(err);
  c.err = &err.pub;
  jpeg_create_compress(&c);
  CompressGuard guard{&c};

  auto dst = std::make_unique<Destination>();
  dst->out = out;
  dst->pub.init_destination = initDestination;
  dst->pub.empty_output_buffer = emptyOutput;
  dst->pub.term_destination = termDestination;
  c.dest = &dst->pub;

  std::vector<uint8_t> greyRow;
  return encodeBody(img, c, err, greyRow);
}

}  // namespace zelvo
