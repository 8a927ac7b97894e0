// MSZIP data blocks: "CK" followed by one complete deflate stream of at most 32768 input bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct libdeflate_compressor;

namespace cabinet {

class MszipEncoder {
 public:
  MszipEncoder();
  ~MszipEncoder();
  MszipEncoder(const MszipEncoder&) = delete;
  MszipEncoder& operator=(const MszipEncoder&) = delete;

  bool ok() const { return compressor_ != nullptr; }
  // Room an encoded block of kBlockSize input bytes may need.
  std::size_t Bound() const;
  // Encodes size (<= kBlockSize) bytes into out (Bound() bytes); gives the encoded length, 0 on failure. Bytes
  // that would not shrink are stored without a search for matches, unless compress says they go to the
  // compressor whatever they look like.
  std::size_t Encode(const unsigned char* in, std::size_t size, unsigned char* out, std::size_t capacity,
                     bool compress = false);

 private:
  libdeflate_compressor* compressor_;
};

}  // namespace cabinet
