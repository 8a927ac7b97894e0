#include "URC_HeaderSummary.h"

#include <cstdint>
#include <bit>
#include <cstring>

namespace hestrel {

namespace {

class Packer {
 public:
  explicit Packer(unsigned char* out) : out_(out) {}
  template <std::size_t N>
  void Text(const char (&field)[N]) {
    std::memcpy(out_ + at_, field, N);
    at_ += N;
  }
  void Zero(std::size_t n) {
    std::memset(out_ + at_, 0, n);
    at_ += n;
  }
  // Numbers by value, little-endian (the machine's own order here).
  template <class T>
  void Value(T v) {
    std::memcpy(out_ + at_, &v, sizeof v);
    at_ += sizeof v;
  }
  void Date(const VekDate& d) {
    Value(d.Year);
    Value(d.Month);
    Value(d.Day);
  }
  // The four parts of the registration number.
  void CarNo(const HeaderInfo& info) {
    Text(info.CarNoDepartment);
    Text(info.CarNoDivision);
    Text(info.CarNoBusiness);
    Text(info.CarNoSerial);
  }
  // Always "carries a photo-link file".
  void LinkFileFlag() {
    Value<std::uint8_t>(0);
    Value<std::uint8_t>(1);
  }
  std::size_t at() const { return at_; }

 private:
  unsigned char* out_;
  std::size_t at_ = 0;
};

static_assert(std::endian::native == std::endian::little, "the summary is little-endian");

}  // namespace

void PackHeaderSummaryLong(const HeaderData& data, const HeaderInfo& info, unsigned char* out) {
  Packer p(out);
  p.Text(data.Signature);
  p.Text(data.Version);
  p.Value(static_cast<std::uint16_t>(static_cast<std::uint32_t>(data.HeaderInfoLength) & 0xFFFF));
  p.Text(info.AcceptNo);
  p.Text(info.GroupKey);
  p.Text(info.SelfName);
  p.Text(info.CustomerName);
  p.Text(info.CarName);
  p.Zero(1);
  p.Date(info.GarageInDate);
  p.Date(info.GarageOutDate);
  p.Value(info.Progress);
  p.Zero(2);
  p.Value(info.ImageCount);
  p.Date(info.CreatedDate);
  p.CarNo(info);
  p.Value(info.Total);
  p.LinkFileFlag();
}

void PackHeaderSummaryShort(const HeaderInfo& info, unsigned char* out) {
  Packer p(out);
  p.Text(info.AcceptNo);
  p.Text(info.CustomerName);
  p.Text(info.CarName);
  p.CarNo(info);
  p.LinkFileFlag();
}

}  // namespace hestrel
