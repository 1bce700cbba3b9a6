// The JPEG-2000 family: one codec for JP2 files, J2K code streams, PGX, PNM and Sun raster.
// Decoding picks the member from the first bytes and reports its type; JP2/J2K go through
// OpenJPEG over memory, the other three are our own (Jas*.cpp).
#include <openjpeg.h>

#include <algorithm>
#include <vector>

#include "Codecs.h"
#include "JasFamily.h"
#include "RasterIO.h"

namespace zelvo {
namespace jas {
namespace {

const uint8_t kJp2Magic[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
const uint8_t kJ2kMagic[4] = {0xFF, 0x4F, 0xFF, 0x51};
constexpr uint64_t kMaxCodestream = 1ull << 30;

struct MemIn {
  const std::vector<uint8_t>* data;
  size_t pos;
};

OPJ_SIZE_T memRead(void* buf, OPJ_SIZE_T n, void* user) {
  auto* m = static_cast<MemIn*>(user);
  if (m->pos >= m->data->size()) return OPJ_SIZE_T(-1);
  n = std::min<OPJ_SIZE_T>(n, m->data->size() - m->pos);
  std::memcpy(buf, m->data->data() + m->pos, n);
  m->pos += n;
  return n;
}
OPJ_OFF_T memSkip(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemIn*>(user);
  const int64_t to = std::clamp<int64_t>(int64_t(m->pos) + n, 0, int64_t(m->data->size()));
  const OPJ_OFF_T moved = to - int64_t(m->pos);
  m->pos = size_t(to);
  return moved;
}
OPJ_BOOL memSeek(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemIn*>(user);
  if (n < 0 || uint64_t(n) > m->data->size()) return OPJ_FALSE;
  m->pos = size_t(n);
  return OPJ_TRUE;
}
// The JP2 writer seeks back to fill in box lengths, so the output is a seekable buffer.
struct MemOut {
  std::vector<uint8_t> data;
  size_t pos = 0;
};
OPJ_SIZE_T memWrite(void* buf, OPJ_SIZE_T n, void* user) {
  auto* m = static_cast<MemOut*>(user);
  if (m->pos + n > m->data.size()) m->data.resize(m->pos + n);
  std::memcpy(m->data.data() + m->pos, buf, n);
  m->pos += n;
  return n;
}
OPJ_OFF_T memOutSkip(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemOut*>(user);
  if (n < 0 && size_t(-n) > m->pos) return -1;
  m->pos = size_t(int64_t(m->pos) + n);
  if (m->pos > m->data.size()) m->data.resize(m->pos);
  return n;
}
OPJ_BOOL memOutSeek(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemOut*>(user);
  if (n < 0) return OPJ_FALSE;
  m->pos = size_t(n);
  if (m->pos > m->data.size()) m->data.resize(m->pos);
  return OPJ_TRUE;
}
void quiet(const char*, void*) {}

struct CodecDel {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDel {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageDel {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};
using CodecOwner = std::unique_ptr<opj_codec_t, CodecDel>;
using StreamOwner = std::unique_ptr<opj_stream_t, StreamDel>;
using ImageOwner = std::unique_ptr<opj_image_t, ImageDel>;

void silence(opj_codec_t* c) {
  opj_set_info_handler(c, quiet, nullptr);
  opj_set_warning_handler(c, quiet, nullptr);
  opj_set_error_handler(c, quiet, nullptr);
}

// Sample of component `c` at picture position (x, y), scaled to 8 bits.
uint8_t sample(const opj_image_comp_t& c, uint32_t x, uint32_t y) {
  const uint32_t cx = std::min(x / std::max<uint32_t>(c.dx, 1), c.w - 1);
  const uint32_t cy = std::min(y / std::max<uint32_t>(c.dy, 1), c.h - 1);
  int64_t v = c.data[size_t(cy) * c.w + cx];
  const uint32_t prec = std::clamp<uint32_t>(c.prec, 1, 31);
  if (c.sgnd) v += int64_t(1) << (prec - 1);
  const int64_t maxv = (int64_t(1) << prec) - 1;
  v = std::clamp<int64_t>(v, 0, maxv);
  return uint8_t((v * 255 + maxv / 2) / maxv);
}

uint8_t clamp8(double v) { return uint8_t(std::clamp(v + 0.5, 0.0, 255.0)); }

}  // namespace

bool decodeJ2k(Image& img, StreamRef in, bool jp2) {
  const uint32_t type = jp2 ? ZV_TYPE_JP2 : ZV_TYPE_JPC;
  std::vector<uint8_t> data;
  if (!rio::readRest(in, data, kMaxCodestream)) return fail(img, "JPEG-2000 file too large or empty");
  MemIn mem{&data, 0};
  CodecOwner codec(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  StreamOwner stream(opj_stream_create(1 << 16, OPJ_TRUE));
  if (!codec || !stream) return fail(img, "Can't allocate memory");
  silence(codec.get());
  opj_stream_set_user_data(stream.get(), &mem, nullptr);
  opj_stream_set_user_data_length(stream.get(), data.size());
  opj_stream_set_read_function(stream.get(), memRead);
  opj_stream_set_skip_function(stream.get(), memSkip);
  opj_stream_set_seek_function(stream.get(), memSeek);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  opj_image_t* raw = nullptr;
  if (!opj_setup_decoder(codec.get(), &params) || !opj_read_header(stream.get(), codec.get(), &raw)) {
    return fail(img, "Invalid JPEG-2000 header");
  }
  ImageOwner image(raw);
  const int64_t w = int64_t(image->x1) - image->x0, h = int64_t(image->y1) - image->y0;
  const uint32_t n = image->numcomps;
  if (n == 0 || n > 4 || w <= 0 || h <= 0) return fail(img, "Unsupported JPEG-2000 picture");
  const bool colour = n >= 3;
  if (img.info.escape == -1) return rio::headerOnly(img, w, h, colour ? 24 : 8, type);
  // The library holds 4 bytes per sample per component: bound that too.
  if (!checkDecodeSize(img, w, h) || uint64_t(w) * uint64_t(h) * n * 4 > kDecodeMaxPixels * 4) {
    if (img.lastError()[0] == 0) img.setLastError("Image too large");
    return false;
  }
  if (!opj_decode(codec.get(), stream.get(), image.get()) || !opj_end_decompress(codec.get(), stream.get())) {
    return fail(img, "Corrupt JPEG-2000 data");
  }
  for (uint32_t i = 0; i < n; ++i)
    if (!image->comps[i].data || image->comps[i].w == 0 || image->comps[i].h == 0) {
      return fail(img, "Corrupt JPEG-2000 data");
    }
  if (!rio::createChecked(img, w, h, colour ? 24 : 8, type)) return false;
  const bool alpha = n == 2 || n == 4;
  if (!colour) img.setGrayPalette();
  if (alpha && !img.allocAlpha(255)) return fail(img, "Can't allocate memory");
  const bool ycc = colour && image->color_space == OPJ_CLRSPC_SYCC;
  const opj_image_comp_t* c = image->comps;
  for (uint32_t y = 0; y < uint32_t(h); ++y) {
    uint8_t* row = rio::topRow(img, int32_t(y));
    uint8_t* arow = alpha ? rio::topAlphaRow(img, int32_t(y)) : nullptr;
    for (uint32_t x = 0; x < uint32_t(w); ++x) {
      if (colour) {
        uint8_t r = sample(c[0], x, y), g = sample(c[1], x, y), b = sample(c[2], x, y);
        if (ycc) {
          const double Y = r, cb = g - 128.0, cr = b - 128.0;
          r = clamp8(Y + 1.402 * cr);
          g = clamp8(Y - 0.344136 * cb - 0.714136 * cr);
          b = clamp8(Y + 1.772 * cb);
        }
        row[x * 3] = b;
        row[x * 3 + 1] = g;
        row[x * 3 + 2] = r;
      } else {
        row[x] = sample(c[0], x, y);
      }
      if (arow) arow[x] = sample(c[n - 1], x, y);
    }
  }
  return true;
}

// Lossless (5/3 reversible) encoding, one quality layer.
bool encodeJ2k(Image& img, StreamRef out, bool jp2) {
  const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
  const bool colour = img.depth() == 24;
  const bool alpha = img.alpha != nullptr;
  const uint32_t n = (colour ? 3 : 1) + (alpha ? 1 : 0);
  opj_image_cmptparm_t parms[4] = {};
  for (uint32_t i = 0; i < n; ++i) {
    parms[i].dx = parms[i].dy = 1;
    parms[i].w = w;
    parms[i].h = h;
    parms[i].prec = 8;
    parms[i].sgnd = 0;
  }
  ImageOwner image(opj_image_create(n, parms, colour ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY));
  if (!image) return fail(img, "Can't allocate memory");
  image->x0 = image->y0 = 0;
  image->x1 = w;
  image->y1 = h;
  if (alpha) image->comps[n - 1].alpha = 1;
  const ZvRGBQuad* pal = img.palette();
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = rio::topRow(img, int32_t(y));
    for (uint32_t x = 0; x < w; ++x) {
      const size_t i = size_t(y) * w + x;
      if (colour) {
        image->comps[0].data[i] = row[x * 3 + 2];
        image->comps[1].data[i] = row[x * 3 + 1];
        image->comps[2].data[i] = row[x * 3];
      } else {
        image->comps[0].data[i] = pal[rio::getIndex(row, x, img.depth())].green;
      }
      if (alpha) image->comps[n - 1].data[i] = rio::topAlphaRow(img, int32_t(y))[x];
    }
  }
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.tcp_numlayers = 1;
  params.tcp_rates[0] = 0;
  params.cp_disto_alloc = 1;
  params.tcp_mct = colour ? 1 : 0;
  // Every resolution level needs at least one sample.
  while (params.numresolution > 1 && (1u << (params.numresolution - 1)) > std::min(w, h)) --params.numresolution;
  CodecOwner codec(opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  MemOut bytes;
  StreamOwner stream(opj_stream_create(1 << 16, OPJ_FALSE));
  if (!codec || !stream) return fail(img, "Can't allocate memory");
  silence(codec.get());
  opj_stream_set_user_data(stream.get(), &bytes, nullptr);
  opj_stream_set_write_function(stream.get(), memWrite);
  opj_stream_set_skip_function(stream.get(), memOutSkip);
  opj_stream_set_seek_function(stream.get(), memOutSeek);
  if (!opj_setup_encoder(codec.get(), &params, image.get()) ||
      !opj_start_compress(codec.get(), image.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
      !opj_end_compress(codec.get(), stream.get())) {
    return fail(img, "JPEG-2000 encoding failed");
  }
  stream.reset();
  if (!out.writeAll(bytes.data.data(), bytes.data.size())) return fail(img, "Write error");
  return true;
}

}  // namespace jas

bool decodeJAS(Image& img, StreamRef in, uint32_t) {
  uint8_t head[12] = {};
  const size_t got = in.read(head, sizeof head);
  if (got < 2 || !in.seek(-int64_t(got), SEEK_CUR)) return fail(img, "Decode: Unknown or wrong format");
  if (got >= 12 && !std::memcmp(head, jas::kJp2Magic, 12)) return jas::decodeJ2k(img, in, true);
  if (got >= 4 && !std::memcmp(head, jas::kJ2kMagic, 4)) return jas::decodeJ2k(img, in, false);
  if (head[0] == 'P' && head[1] == 'G') return jas::decodePgx(img, in);
  if (head[0] == 'P' && head[1] >= '1' && head[1] <= '6') return jas::decodePnm(img, in);
  if (got >= 4 && rio::be32(head) == 0x59A66A95) return jas::decodeRas(img, in);
  return fail(img, "Decode: Unknown or wrong format");
}

bool encodeJAS(Image& img, StreamRef out, uint32_t type) {
  if (img.depth() <= 8 && !img.isGray()) return fail(img, "JasPer can save only RGB or GrayScale images");
  switch (type) {
    case ZV_TYPE_JP2: return jas::encodeJ2k(img, out, true);
    case ZV_TYPE_JPC: return jas::encodeJ2k(img, out, false);
    case ZV_TYPE_PGX: return jas::encodePgx(img, out);
    case ZV_TYPE_PNM: return jas::encodePnm(img, out);
    case ZV_TYPE_RAS: return jas::encodeRas(img, out);
    default: return fail(img, "Encode: Unknown format");
  }
}

}  // namespace zelvo
