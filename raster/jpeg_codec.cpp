#include "raster/jpeg_codec.h"

#include "raster/bmp_codec.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace vt {

namespace {

constexpr std::size_t kMaxJpegFileBytes = 256u * 1024 * 1024;

// libjpeg reports fatal errors through error_exit, which must not return. It jumps back
// to the setjmp in DecodeCore or EncodeCore; those functions hold no objects with
// destructors, so the jump crosses only libjpeg's C frames.
struct TJpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr info) { std::longjmp(reinterpret_cast<TJpegError*>(info->err)->jump, 1); }

void Quiet(j_common_ptr) {}

// Warnings are ignored except the end of data: a truncated file is a failure, not an
// image padded with grey.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) Fail(info);
}

void OnProgress(j_common_ptr info) {
  if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans)
    Fail(info);
}

struct TJpegDecode {
  jpeg_decompress_struct info{};
  TJpegError error{};
  jpeg_progress_mgr progress{};
  bool created = false;
  std::vector<std::uint32_t> pixels;  // grows with the rows actually decoded
  std::int32_t width = 0;
  std::int32_t height = 0;
};

bool DecodeCore(TJpegDecode& job, const std::uint8_t* data, std::size_t size) {
  job.info.err = jpeg_std_error(&job.error.pub);
  job.error.pub.error_exit = Fail;
  job.error.pub.output_message = Quiet;
  job.error.pub.emit_message = OnMessage;
  if (setjmp(job.error.jump) != 0) return false;
  jpeg_create_decompress(&job.info);
  job.created = true;
  job.info.mem->max_memory_to_use = kMaxJpegMemory;
  job.progress.progress_monitor = OnProgress;
  job.info.progress = &job.progress;
  jpeg_mem_src(&job.info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&job.info, TRUE) != JPEG_HEADER_OK) return false;
  if (job.info.image_width > static_cast<unsigned>(kMaxImageSide) ||
      job.info.image_height > static_cast<unsigned>(kMaxImageSide))
    return false;
  const J_COLOR_SPACE space = job.info.jpeg_color_space;
  if (space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB) return false;
  job.info.out_color_space = JCS_EXT_BGRX;  // the word layout of a TPX, X = 0xFF
  if (!jpeg_start_decompress(&job.info)) return false;
  job.width = static_cast<std::int32_t>(job.info.output_width);
  job.height = static_cast<std::int32_t>(job.info.output_height);
  while (job.info.output_scanline < job.info.output_height) {
    const std::size_t y = job.info.output_scanline;
    job.pixels.resize((y + 1) * static_cast<std::size_t>(job.width));
    JSAMPROW row = reinterpret_cast<JSAMPROW>(job.pixels.data() + y * static_cast<std::size_t>(job.width));
    if (jpeg_read_scanlines(&job.info, &row, 1) != 1) return false;
  }
  jpeg_finish_decompress(&job.info);
  return true;
}

// Destination that writes into a vector. Growth failure becomes a libjpeg error
// instead of an exception thrown through its C frames.
struct TVectorDestination {
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t>* out;
};

TVectorDestination& Destination(j_compress_ptr info) {
  return *reinterpret_cast<TVectorDestination*>(info->dest);
}

bool Grow(std::vector<std::uint8_t>& out, std::size_t size) {
  try {
    out.resize(size);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void InitDestination(j_compress_ptr info) {
  TVectorDestination& d = Destination(info);
  if (!Grow(*d.out, 65536)) Fail(reinterpret_cast<j_common_ptr>(info));
  d.pub.next_output_byte = d.out->data();
  d.pub.free_in_buffer = d.out->size();
}

boolean EmptyDestination(j_compress_ptr info) {
  TVectorDestination& d = Destination(info);
  const std::size_t used = d.out->size();
  if (!Grow(*d.out, used * 2)) Fail(reinterpret_cast<j_common_ptr>(info));
  d.pub.next_output_byte = d.out->data() + used;
  d.pub.free_in_buffer = d.out->size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  TVectorDestination& d = Destination(info);
  d.out->resize(d.out->size() - d.pub.free_in_buffer);
}

struct TJpegEncode {
  jpeg_compress_struct info{};
  TJpegError error{};
  TVectorDestination destination{};
  bool created = false;
};

bool EncodeCore(TJpegEncode& job, const TPX& px, int quality) {
  job.info.err = jpeg_std_error(&job.error.pub);
  job.error.pub.error_exit = Fail;
  job.error.pub.output_message = Quiet;
  if (setjmp(job.error.jump) != 0) return false;
  jpeg_create_compress(&job.info);
  job.created = true;
  job.destination.pub.init_destination = InitDestination;
  job.destination.pub.empty_output_buffer = EmptyDestination;
  job.destination.pub.term_destination = TermDestination;
  job.info.dest = &job.destination.pub;
  job.info.image_width = static_cast<JDIMENSION>(px.Width);
  job.info.image_height = static_cast<JDIMENSION>(px.Height);
  job.info.input_components = 4;
  job.info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&job.info);
  jpeg_set_quality(&job.info, quality, TRUE);
  jpeg_start_compress(&job.info, TRUE);
  for (std::int32_t y = 0; y < px.Height; ++y) {
    // libjpeg only reads the row.
    JSAMPROW row = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(px.Row(y)));
    jpeg_write_scanlines(&job.info, &row, 1);
  }
  jpeg_finish_compress(&job.info);
  return true;
}

}  // namespace

bool LoadJPEGFromMemory(TPX& px, const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0) return false;
  TJpegDecode job;
  const bool ok = DecodeCore(job, data, size);
  if (job.created) jpeg_destroy_decompress(&job.info);
  if (!ok || job.width <= 0 || job.height <= 0) return false;
  px.SetSize(job.width, job.height);
  for (std::int32_t y = 0; y < job.height; ++y)
    std::memcpy(px.Row(y),
                job.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(job.width),
                static_cast<std::size_t>(job.width) * 4);
  return true;
}

bool LoadJPEG(TPX& px, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!ReadFileBytes(path, kMaxJpegFileBytes, bytes)) return false;
  return LoadJPEGFromMemory(px, bytes.data(), bytes.size());
}

bool EncodeJPEG(const TPX& px, std::uint8_t quality, std::vector<std::uint8_t>& out) {
  TJpegEncode job;
  job.destination.out = &out;
  const bool ok = EncodeCore(job, px, quality);
  if (job.created) jpeg_destroy_compress(&job.info);
  if (!ok) out.clear();
  return ok;
}

bool SaveJPEG(const TPX& px, const std::string& path, std::uint8_t quality) {
  std::vector<std::uint8_t> bytes;
  return EncodeJPEG(px, quality, bytes) && WriteFileBytes(path, bytes);
}

}  // namespace vt
