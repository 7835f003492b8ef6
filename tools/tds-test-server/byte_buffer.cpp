#include "tools/tds-test-server/byte_buffer.h"

#include <limits>

#include "tools/tds-test-server/utf16.h"

namespace tds {

void ByteReader::need(std::size_t n) const {
  if (n > remaining()) {
    throw ProtocolError("truncated data: need " + std::to_string(n) + " bytes at offset " +
                        std::to_string(pos_) + ", have " + std::to_string(remaining()));
  }
}

std::uint8_t ByteReader::u8() {
  need(1);
  return data_[pos_++];
}

std::uint16_t ByteReader::u16le() {
  need(2);
  std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

std::uint16_t ByteReader::u16be() {
  need(2);
  std::uint16_t v = static_cast<std::uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
  pos_ += 2;
  return v;
}

std::uint32_t ByteReader::u32le() {
  need(4);
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
  pos_ += 4;
  return v;
}

std::uint32_t ByteReader::u32be() {
  need(4);
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
  pos_ += 4;
  return v;
}

ByteView ByteReader::take(std::size_t n) {
  need(n);
  ByteView v = data_.subspan(pos_, n);
  pos_ += n;
  return v;
}

void ByteWriter::u16le(std::uint16_t v) {
  out_.push_back(static_cast<std::uint8_t>(v));
  out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u16be(std::uint16_t v) {
  out_.push_back(static_cast<std::uint8_t>(v >> 8));
  out_.push_back(static_cast<std::uint8_t>(v));
}

void ByteWriter::u32le(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ByteWriter::u32be(std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ByteWriter::u64le(std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::size_t ByteWriter::utf16(std::string_view utf8) {
  std::u16string units = utf8_to_utf16(utf8);
  for (char16_t c : units) u16le(static_cast<std::uint16_t>(c));
  return units.size();
}

void ByteWriter::b_varchar(std::string_view utf8) {
  std::u16string units = utf8_to_utf16(utf8);
  if (units.size() > std::numeric_limits<std::uint8_t>::max()) units.resize(255);
  u8(static_cast<std::uint8_t>(units.size()));
  for (char16_t c : units) u16le(static_cast<std::uint16_t>(c));
}

void ByteWriter::us_varchar(std::string_view utf8) {
  std::u16string units = utf8_to_utf16(utf8);
  if (units.size() > std::numeric_limits<std::uint16_t>::max()) units.resize(65535);
  u16le(static_cast<std::uint16_t>(units.size()));
  for (char16_t c : units) u16le(static_cast<std::uint16_t>(c));
}

void ByteWriter::patch_u16le(std::size_t at, std::uint16_t v) {
  out_.at(at) = static_cast<std::uint8_t>(v);
  out_.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace tds
