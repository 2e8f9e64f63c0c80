#include "framework/byte_io.h"

#include <cstring>

#include "framework/sjis.h"

namespace byteio {

bool ByteReader::Need(std::size_t n) {
  if (!m_bOk) return false;
  if (n > m_Bytes.size() - m_nPos) {
    m_bOk = false;
    return false;
  }
  return true;
}

std::uint8_t ByteReader::U8() {
  if (!Need(1)) return 0;
  return m_Bytes[m_nPos++];
}

std::uint16_t ByteReader::U16() {
  if (!Need(2)) return 0;
  std::uint16_t v = GetLE16(m_Bytes.data() + m_nPos);
  m_nPos += 2;
  return v;
}

std::uint32_t ByteReader::U32() {
  if (!Need(4)) return 0;
  std::uint32_t v = GetLE32(m_Bytes.data() + m_nPos);
  m_nPos += 4;
  return v;
}

bool ByteReader::Bytes(void* dst, std::size_t n) {
  if (!Need(n)) return false;
  if (n) std::memcpy(dst, m_Bytes.data() + m_nPos, n);
  m_nPos += n;
  return true;
}

std::span<const std::uint8_t> ByteReader::Span(std::size_t n) {
  if (!Need(n)) return {};
  auto s = m_Bytes.subspan(m_nPos, n);
  m_nPos += n;
  return s;
}

bool ByteReader::Skip(std::size_t n) {
  if (!Need(n)) return false;
  m_nPos += n;
  return true;
}

bool ByteReader::Seek(std::size_t pos) {
  if (!m_bOk || pos > m_Bytes.size()) {
    m_bOk = false;
    return false;
  }
  m_nPos = pos;
  return true;
}

std::string ByteReader::PaddedText() {
  if (!m_bOk) return {};
  const std::uint8_t* start = m_Bytes.data() + m_nPos;
  const void* nul = std::memchr(start, 0, m_Bytes.size() - m_nPos);
  if (nul == nullptr) {
    m_bOk = false;
    return {};
  }
  std::size_t len = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - start);
  if (!Need(PaddedTextSize(len))) return {};
  std::string text(reinterpret_cast<const char*>(start), len);
  m_nPos += PaddedTextSize(len);
  return text;
}

std::string ByteReader::FixedText(std::size_t width) {
  if (!Need(width)) return {};
  const char* start = reinterpret_cast<const char*>(m_Bytes.data() + m_nPos);
  std::string text(start, sjis::BoundedLength(start, width));
  m_nPos += width;
  return text;
}

void ByteWriter::U16(std::uint16_t v) {
  std::uint8_t b[2];
  PutLE16(b, v);
  m_Data.insert(m_Data.end(), b, b + 2);
}

void ByteWriter::U32(std::uint32_t v) {
  std::uint8_t b[4];
  PutLE32(b, v);
  m_Data.insert(m_Data.end(), b, b + 4);
}

void ByteWriter::Bytes(const void* src, std::size_t n) {
  const auto* p = static_cast<const std::uint8_t*>(src);
  m_Data.insert(m_Data.end(), p, p + n);
}

void ByteWriter::PaddedText(std::string_view text) {
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  Bytes(text.data(), text.size());
  Zeros(PaddedTextSize(text.size()) - text.size());
}

void ByteWriter::FixedText(std::string_view text, std::size_t width) {
  if (width == 0) return;
  std::size_t at = m_Data.size();
  Zeros(width);
  sjis::CopyBounded(reinterpret_cast<char*>(m_Data.data() + at), width, text);
}

bool ByteWriter::PutU32At(std::size_t pos, std::uint32_t v) {
  if (pos > m_Data.size() || m_Data.size() - pos < 4) return false;
  PutLE32(m_Data.data() + pos, v);
  return true;
}

}  // namespace byteio
