// Little-endian fields of the files the system reads and writes. Every file
// integer is 32-bit little-endian and every text is NUL-terminated and padded
// with zeros to a multiple of 4 bytes; records are read and written field by
// field, never by copying a struct (the layouts come from a 32-bit program).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace byteio {

inline std::uint16_t GetLE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t GetLE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void PutLE16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Bytes taken by a text of `len` bytes stored NUL-terminated and padded to a
// multiple of 4.
inline std::size_t PaddedTextSize(std::size_t len) { return (len + 4) & ~static_cast<std::size_t>(3); }

// Reads fields from bytes that were really read. A read that would pass the
// end fails, yields zero / empty, and makes the reader fail for good, so a
// caller may read a whole record and check Ok() once before trusting it.
class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const std::uint8_t> bytes) : m_Bytes(bytes) {}
  ByteReader(const void* data, std::size_t size)
      : m_Bytes(static_cast<const std::uint8_t*>(data), size) {}
  // The reader only looks at the bytes: they must outlive it.
  explicit ByteReader(std::vector<std::uint8_t>&&) = delete;

  bool Ok() const { return m_bOk; }
  std::size_t Position() const { return m_nPos; }
  std::size_t Size() const { return m_Bytes.size(); }
  std::size_t Remaining() const { return m_bOk ? m_Bytes.size() - m_nPos : 0; }
  bool AtEnd() const { return Remaining() == 0; }

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // Copies n bytes out; false (and nothing copied) when fewer remain.
  bool Bytes(void* dst, std::size_t n);
  // The next n bytes in place; empty when fewer remain.
  std::span<const std::uint8_t> Span(std::size_t n);
  bool Skip(std::size_t n);
  // Moves to an absolute position inside the bytes (the end included).
  bool Seek(std::size_t pos);
  // A NUL-terminated text padded to a multiple of 4 bytes; fails when the
  // NUL or the padding is missing.
  std::string PaddedText();
  // A fixed field of `width` bytes holding a NUL-padded text (the text ends
  // at the first NUL, or fills the field).
  std::string FixedText(std::size_t width);
  // Marks the reader failed (for a check of the caller's own).
  void Fail() { m_bOk = false; }

 private:
  bool Need(std::size_t n);
  std::span<const std::uint8_t> m_Bytes;
  std::size_t m_nPos = 0;
  bool m_bOk = true;
};

// Appends fields to a growing byte vector.
class ByteWriter {
 public:
  void U8(std::uint8_t v) { m_Data.push_back(v); }
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void Bytes(const void* src, std::size_t n);
  void Bytes(std::span<const std::uint8_t> b) { Bytes(b.data(), b.size()); }
  void Zeros(std::size_t n) { m_Data.insert(m_Data.end(), n, 0); }
  // The text (up to an inner NUL), a NUL, zeros to a multiple of 4.
  void PaddedText(std::string_view text);
  // The text cut on a character boundary to width - 1 bytes, NUL-padded to
  // exactly `width` bytes.
  void FixedText(std::string_view text, std::size_t width);
  // Overwrites a word already written (a count or size known only later);
  // false when pos + 4 passes what was written.
  bool PutU32At(std::size_t pos, std::uint32_t v);

  std::size_t Size() const { return m_Data.size(); }
  const std::vector<std::uint8_t>& Data() const { return m_Data; }
  std::vector<std::uint8_t> Take() { return std::move(m_Data); }

 private:
  std::vector<std::uint8_t> m_Data;
};

}  // namespace byteio
