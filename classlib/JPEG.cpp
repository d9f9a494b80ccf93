#include "classlib/JPEG.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "classlib/BmpFormat.h"
#include "classlib/FormatRoutines.h"

namespace {

// libjpeg reports errors through its error manager; ours jumps back to the
// call that started the work, which then raises EJPEG outside libjpeg.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  errors->code = cinfo->err->msg_code;
  std::longjmp(errors->jump, 1);
}

// Warnings are ignored, except data that ends before the picture does (the
// file is cut off, or a marker interrupts the compressed data): libjpeg
// would fill the rest with grey, and a picture with a missing part is an
// error.
void EmitMessage(j_common_ptr cinfo, int level) {
  const int code = cinfo->err->msg_code;
  if (level == -1 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

void InitErrors(ErrorManager* errors) {
  jpeg_std_error(&errors->pub);
  errors->pub.error_exit = ErrorExit;
  errors->pub.emit_message = EmitMessage;
  errors->pub.output_message = OutputMessage;
  errors->code = 0;
}

[[noreturn]] void RaiseJpegError(int code) { throw EJPEG(Format(GraphicsConst::SJPEGError, code)); }

// What decoding produces: 24-bit rows, top to bottom, 4-byte aligned.
struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  std::vector<std::uint8_t> row;  // one row as libjpeg gives it
};

// Converts one decoded row (RGB, grey is turned to RGB by libjpeg, or
// CMYK) to blue, green, red.
void StoreRow(const std::uint8_t* in, int components, bool invertedCmyk, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x, in += components, out += 3) {
    if (components == 4) {
      // Adobe writes CMYK inverted (255 = no ink); others do not.
      const int c = invertedCmyk ? in[0] : 255 - in[0];
      const int m = invertedCmyk ? in[1] : 255 - in[1];
      const int y = invertedCmyk ? in[2] : 255 - in[2];
      const int k = invertedCmyk ? in[3] : 255 - in[3];
      out[0] = static_cast<std::uint8_t>(y * k / 255);
      out[1] = static_cast<std::uint8_t>(m * k / 255);
      out[2] = static_cast<std::uint8_t>(c * k / 255);
    } else {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
}

// Decodes `data` into `out`; 0, or the libjpeg message number of the
// failure. Only plain data lives in this frame, as libjpeg's errors jump
// back into it.
int Decode(const std::uint8_t* data, std::size_t size, Decoded* out) {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  cinfo.err = &errors.pub;
  InitErrors(&errors);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return errors.code != 0 ? errors.code : -1;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_calc_output_dimensions(&cinfo);
  if (static_cast<std::int64_t>(cinfo.output_width) * cinfo.output_height > bmp::kMaxPixels) {
    ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG);
  }
  jpeg_start_decompress(&cinfo);
  out->width = static_cast<int>(cinfo.output_width);
  out->height = static_cast<int>(cinfo.output_height);
  const std::size_t rowBytes = bmp::DibRowBytes(out->width, 24);
  out->pixels.assign(rowBytes * static_cast<std::size_t>(out->height), 0);
  out->row.resize(static_cast<std::size_t>(out->width) * static_cast<std::size_t>(cinfo.output_components));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {out->row.data()};
    const std::size_t y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) ERREXIT(&cinfo, JERR_INPUT_EMPTY);
    StoreRow(out->row.data(), cinfo.output_components, cmyk && cinfo.saw_Adobe_marker, out->width,
             out->pixels.data() + rowBytes * y);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

// Compresses 24-bit rows (blue, green, red; `row(y)` gives row y from the
// top) into `*buffer` (malloc'ed by libjpeg); 0 or the message number.
struct Encoding {
  int width = 0;
  int height = 0;
  int quality = 90;
  TBitmap* source = nullptr;
  std::vector<std::uint8_t> row;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

int Encode(Encoding* job) {
  jpeg_compress_struct cinfo;
  ErrorManager errors;
  cinfo.err = &errors.pub;
  InitErrors(&errors);
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    return errors.code != 0 ? errors.code : -1;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &job->buffer, &job->size);
  cinfo.image_width = static_cast<JDIMENSION>(job->width);
  cinfo.image_height = static_cast<JDIMENSION>(job->height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, job->quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  job->row.resize(static_cast<std::size_t>(job->width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const auto* bgr = static_cast<const std::uint8_t*>(job->source->ScanLine(static_cast<int>(cinfo.next_scanline)));
    for (int x = 0; x < job->width; ++x) {
      job->row[3 * x] = bgr[3 * x + 2];
      job->row[3 * x + 1] = bgr[3 * x + 1];
      job->row[3 * x + 2] = bgr[3 * x];
    }
    JSAMPROW rows[1] = {job->row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

}  // namespace

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) {}

TJPEGImage::~TJPEGImage() = default;

std::unique_ptr<TGraphic> TJPEGImage::NewOfSameClass() const { return std::make_unique<TJPEGImage>(); }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation(GraphicsConst::SChangeJPGSize); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation(GraphicsConst::SChangeJPGSize); }

void TJPEGImage::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    data_.clear();
    bitmap_->Assign(nullptr);
    Changed();
  } else if (auto* jpeg = dynamic_cast<TJPEGImage*>(Source)) {
    if (jpeg == this) return;
    data_ = jpeg->data_;
    bitmap_->Assign(jpeg->bitmap_.get());
    CompressionQuality = jpeg->CompressionQuality;
    Changed();
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    copy->SetTransparent(false);
    copy->SetPixelFormat(pf24bit);
    bitmap_ = std::move(copy);
    data_.clear();
    Changed();
  } else {
    TGraphic::Assign(Source);
  }
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
    bitmap->Assign(bitmap_.get());
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
  const std::int64_t available = Stream->Size() - Stream->Position();
  if (available > bmp::kMaxPixels * 4) RaiseJpegError(JERR_IMAGE_TOO_BIG);
  std::vector<std::uint8_t> data(static_cast<std::size_t>(std::max<std::int64_t>(available, 0)));
  Stream->ReadBuffer(data.data(), static_cast<int>(data.size()));
  Decoded decoded;
  const int code = Decode(data.data(), data.size(), &decoded);
  if (code != 0) RaiseJpegError(code);
  // The pixels go straight into a DIB section that the bitmap takes over
  // (sizing a bitmap would first fill it).
  BITMAPINFO info;
  info.bmiHeader.biWidth = decoded.width;
  info.bmiHeader.biHeight = -decoded.height;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr) throw EOutOfResources("Out of system resources");
  std::memcpy(bits, decoded.pixels.data(), decoded.pixels.size());
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetHandle(dib);
  bitmap_ = std::move(bitmap);
  data_ = std::move(data);
  Changed();
}

void TJPEGImage::SaveToStream(TStream* Stream) {
  if (data_.empty() && !bitmap_->Empty()) {
    Encoding job;
    job.width = bitmap_->Width();
    job.height = bitmap_->Height();
    job.quality = std::clamp(CompressionQuality, 1, 100);
    job.source = bitmap_.get();
    const int code = Encode(&job);
    if (code == 0) data_.assign(job.buffer, job.buffer + job.size);
    std::free(job.buffer);
    if (code != 0) RaiseJpegError(code);
  }
  if (!data_.empty()) Stream->WriteBuffer(data_.data(), static_cast<int>(data_.size()));
}

void TJPEGImage::Draw(TCanvas* ACanvas, const TRect& Rect) { bitmap_->Draw(ACanvas, Rect); }
