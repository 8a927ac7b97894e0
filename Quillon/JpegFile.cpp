#include "JpegFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// jpeglib.h needs the definitions of stdio.h first.
#include <jerror.h>
#include <jpeglib.h>

#include "ImageBuffer.h"
#include "ImageFileWrite.h"
#include "platform/files.h"

namespace quillon {

namespace {

static_assert(JPEG_LIB_VERSION == 62, "the 6b interface of libjpeg");

// libjpeg's errors end in a long jump back to the function that started the work. The functions that set the
// jump point hold nothing with a destructor: what one read or write owns lives in a Reader or Writer of the
// caller's frame, whose destructor releases it on every path.
struct ErrorManager {
  jpeg_error_mgr pub;
  void (*defaultEmit)(j_common_ptr, int) = nullptr;
  std::jmp_buf exit;
};

void ErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->exit, 1);
}

// Coded data that stops before the picture is complete is a damaged file (cut short, or cut off by a marker);
// libjpeg would go on and fill the rest with gray, and that gray would be saved and registered as the photo.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_HIT_MARKER) (*cinfo->err->error_exit)(cinfo);
  reinterpret_cast<ErrorManager*>(cinfo->err)->defaultEmit(cinfo, level);
}

void InstallErrorManager(ErrorManager& err, jpeg_error_mgr*& target) {
  target = jpeg_std_error(&err.pub);
  err.defaultEmit = err.pub.emit_message;
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
}

// ---- Reading: a source manager over a platform::File.

constexpr std::size_t kReadChunk = 256 * 1024;

struct FileSource {
  jpeg_source_mgr pub;
  platform::File* file = nullptr;
  std::uint8_t* buffer = nullptr;
  bool startOfFile = true;
};

FileSource* Source(j_decompress_ptr cinfo) { return reinterpret_cast<FileSource*>(cinfo->src); }

void InitSource(j_decompress_ptr cinfo) { Source(cinfo)->startOfFile = true; }

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  FileSource* src = Source(cinfo);
  std::int64_t n = src->file->Read(src->buffer, kReadChunk);
  if (n < 0) ERREXIT(cinfo, JERR_FILE_READ);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // As libjpeg's own source does: an end marker in place of the missing bytes. Coded data that still needs
    // bytes then stops the read (EmitMessage).
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<std::size_t>(n);
  src->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  FileSource* src = Source(cinfo);
  const std::size_t skip = static_cast<std::size_t>(count);
  if (skip <= src->pub.bytes_in_buffer) {
    src->pub.next_input_byte += skip;
    src->pub.bytes_in_buffer -= skip;
    return;
  }
  // Past the buffer: seek on (a seek beyond the end reads as the end).
  const std::int64_t rest = static_cast<std::int64_t>(skip - src->pub.bytes_in_buffer);
  src->pub.bytes_in_buffer = 0;
  if (src->file->Seek(rest, SEEK_CUR) < 0) ERREXIT(cinfo, JERR_FILE_READ);
}

void TermSource(j_decompress_ptr) {}

struct Reader {
  Reader() { std::memset(&cinfo, 0, sizeof cinfo); }  // a zeroed decompressor may be destroyed at any point
  ~Reader() { jpeg_destroy_decompress(&cinfo); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  jpeg_decompress_struct cinfo;
  ErrorManager err;
  FileSource src;
  std::unique_ptr<platform::File> file;
  std::unique_ptr<std::uint8_t[]> chunk;
  int limit = 0;  // > 0: decode at the smallest scale not below the size fitted within limit × limit
  PixelBlock pixels;
};

// The smallest scale n/8 whose output is not below the picture's size fitted within limit × limit.
void ChooseScale(j_decompress_ptr cinfo, int limit) {
  int width = static_cast<int>(cinfo->image_width);
  int height = static_cast<int>(cinfo->image_height);
  FitWithin(limit, width, height);
  for (unsigned n = 1; n <= 8; ++n) {
    cinfo->scale_num = n;
    cinfo->scale_denom = 8;
    jpeg_calc_output_dimensions(cinfo);
    if (cinfo->output_width >= static_cast<JDIMENSION>(width) &&
        cinfo->output_height >= static_cast<JDIMENSION>(height)) {
      return;
    }
  }
}

bool Decode(Reader* r) {
  j_decompress_ptr cinfo = &r->cinfo;
  InstallErrorManager(r->err, cinfo->err);
  if (setjmp(r->err.exit)) return false;
  jpeg_create_decompress(cinfo);
  r->src.pub.init_source = InitSource;
  r->src.pub.fill_input_buffer = FillInputBuffer;
  r->src.pub.skip_input_data = SkipInputData;
  r->src.pub.resync_to_restart = jpeg_resync_to_restart;
  r->src.pub.term_source = TermSource;
  r->src.pub.bytes_in_buffer = 0;
  r->src.pub.next_input_byte = nullptr;
  cinfo->src = &r->src.pub;

  jpeg_read_header(cinfo, TRUE);
  if (r->limit > 0) ChooseScale(cinfo, r->limit);
  jpeg_calc_output_dimensions(cinfo);
  // The size is checked before anything of the picture is allocated, by libjpeg or by us. Gray pixels are
  // widened to three bytes later.
  const std::int64_t width = cinfo->output_width, height = cinfo->output_height;
  const std::int64_t components = cinfo->output_components;
  if (width < 1 || height < 1 || width * height * std::max<std::int64_t>(components, 3) > kMaxImageBytes) {
    return false;
  }
  jpeg_start_decompress(cinfo);
  const std::size_t rowLength = static_cast<std::size_t>(cinfo->output_width) * cinfo->output_components;
  // The first rows are decoded before the picture's block is asked for: a file that claims a huge picture
  // and holds no data is refused without taking its memory (libjpeg's pool frees these rows).
  JSAMPARRAY head = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                static_cast<JDIMENSION>(rowLength), 4);
  const JDIMENSION headCount = jpeg_read_scanlines(cinfo, head, std::min<JDIMENSION>(4, cinfo->output_height));
  if (headCount == 0) return false;
  r->pixels = AllocatePixels(rowLength * cinfo->output_height);
  if (!r->pixels) return false;
  for (JDIMENSION i = 0; i < headCount; ++i) std::memcpy(r->pixels.get() + rowLength * i, head[i], rowLength);
  // Scanlines go straight into their rows of the block, top-down.
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW rows[4];
    const JDIMENSION first = cinfo->output_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(4, cinfo->output_height - first);
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = r->pixels.get() + rowLength * (first + i);
    if (jpeg_read_scanlines(cinfo, rows, count) == 0) return false;
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

PixelBlock Read(const std::string& path, int limit, int& width, int& height, int& components, int& fileWidth,
                int& fileHeight) {
  Reader r;
  r.limit = limit;
  r.file = platform::File::Open(path, platform::OpenMode::Read);
  if (!r.file) return nullptr;
  r.chunk.reset(new (std::nothrow) std::uint8_t[kReadChunk]);
  if (!r.chunk) return nullptr;
  r.src.file = r.file.get();
  r.src.buffer = r.chunk.get();
  if (!Decode(&r)) return nullptr;
  width = static_cast<int>(r.cinfo.output_width);
  height = static_cast<int>(r.cinfo.output_height);
  components = r.cinfo.output_components;
  fileWidth = static_cast<int>(r.cinfo.image_width);
  fileHeight = static_cast<int>(r.cinfo.image_height);
  return std::move(r.pixels);
}

// ---- Writing: a destination manager into memory. The compressed bytes are small beside the pixels; they
// replace the file whole once the compressor has finished.

constexpr std::size_t kWriteChunk = 256 * 1024;

struct MemoryDestination {
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t> bytes;
};

MemoryDestination* Destination(j_compress_ptr cinfo) { return reinterpret_cast<MemoryDestination*>(cinfo->dest); }

// The buffer grown to size bytes; false when the memory cannot be had.
bool Grow(MemoryDestination* dest, std::size_t size) {
  try {
    dest->bytes.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void InitDestination(j_compress_ptr cinfo) {
  MemoryDestination* dest = Destination(cinfo);
  if (!Grow(dest, kWriteChunk)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->bytes.data();
  dest->pub.free_in_buffer = dest->bytes.size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  MemoryDestination* dest = Destination(cinfo);
  const std::size_t used = dest->bytes.size();
  if (!Grow(dest, used * 2)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  dest->pub.next_output_byte = dest->bytes.data() + used;
  dest->pub.free_in_buffer = dest->bytes.size() - used;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  MemoryDestination* dest = Destination(cinfo);
  dest->bytes.resize(dest->bytes.size() - dest->pub.free_in_buffer);
}

struct Writer {
  Writer() { std::memset(&cinfo, 0, sizeof cinfo); }
  ~Writer() { jpeg_destroy_compress(&cinfo); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  jpeg_compress_struct cinfo;
  ErrorManager err;
  MemoryDestination dest;
};

bool Encode(Writer* w, const std::uint8_t* pixels, int width, int height, int quality) {
  j_compress_ptr cinfo = &w->cinfo;
  InstallErrorManager(w->err, cinfo->err);
  if (setjmp(w->err.exit)) return false;
  jpeg_create_compress(cinfo);
  w->dest.pub.init_destination = InitDestination;
  w->dest.pub.empty_output_buffer = EmptyOutputBuffer;
  w->dest.pub.term_destination = TermDestination;
  cinfo->dest = &w->dest.pub;
  cinfo->image_width = static_cast<JDIMENSION>(width);
  cinfo->image_height = static_cast<JDIMENSION>(height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  const std::size_t rowLength = static_cast<std::size_t>(width) * 3;
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + rowLength * cinfo->next_scanline);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace

PixelBlock ReadJpegFile(const std::string& path, int& width, int& height, int& components) {
  int fileWidth = 0, fileHeight = 0;
  return Read(path, 0, width, height, components, fileWidth, fileHeight);
}

PixelBlock ReadJpegFileScaled(const std::string& path, int limit, int& width, int& height, int& components,
                              int& fileWidth, int& fileHeight) {
  return Read(path, limit, width, height, components, fileWidth, fileHeight);
}

int WriteJpegFile(const std::string& path, const std::uint8_t* pixels, int width, int height, int quality) {
  if (!pixels || width < 1 || height < 1) return 0;
  Writer w;
  if (!Encode(&w, pixels, width, height, quality)) return 0;
  if (!WriteImageFile(path, w.dest.bytes.data(), w.dest.bytes.size())) {
    std::fprintf(stderr, "can't open %s\n", path.c_str());
    return 0;
  }
  return 1;
}

}  // namespace quillon
