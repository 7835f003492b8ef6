// Bounds-checked reading and writing of TDS byte streams. Client input is hostile until proven
// otherwise, so every read checks its length and throws ProtocolError instead of overrunning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tds {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Client input that does not follow the protocol. The connection that sent it is closed.
class ProtocolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteReader {
 public:
  explicit ByteReader(ByteView data) : data_(data) {}

  std::size_t remaining() const { return data_.size() - pos_; }
  std::size_t position() const { return pos_; }

  std::uint8_t u8();
  std::uint16_t u16le();
  std::uint16_t u16be();
  std::uint32_t u32le();
  std::uint32_t u32be();
  ByteView take(std::size_t n);
  void skip(std::size_t n) { take(n); }

 private:
  void need(std::size_t n) const;

  ByteView data_;
  std::size_t pos_ = 0;
};

class ByteWriter {
 public:
  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16le(std::uint16_t v);
  void u16be(std::uint16_t v);
  void u32le(std::uint32_t v);
  void u32be(std::uint32_t v);
  void u64le(std::uint64_t v);
  void bytes(ByteView b) { out_.insert(out_.end(), b.begin(), b.end()); }
  // Appends UTF-8 text as UTF-16LE and returns the number of UTF-16 code units written.
  std::size_t utf16(std::string_view utf8);
  // String with a one-byte (B_VARCHAR) or two-byte (US_VARCHAR) length in UTF-16 code units.
  void b_varchar(std::string_view utf8);
  void us_varchar(std::string_view utf8);

  // Overwrites a 16-bit little-endian length written earlier as a placeholder.
  void patch_u16le(std::size_t at, std::uint16_t v);

  std::size_t size() const { return out_.size(); }
  const Bytes& data() const { return out_; }
  Bytes take() { return std::move(out_); }

 private:
  Bytes out_;
};

inline ByteView as_bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace tds
