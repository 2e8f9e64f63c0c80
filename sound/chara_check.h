// CCharaCheck: the speaker record that voice switches and mouth timing use.
// Start-up makes it with its row counts; its release frees the timing table.
#pragma once
#include <cstdint>

class CCharaCheck {
 public:
  CCharaCheck() = default;
  ~CCharaCheck() { Release(); }
  CCharaCheck(const CCharaCheck&) = delete;
  CCharaCheck& operator=(const CCharaCheck&) = delete;

  void Release() {
    delete[] m_pTable;
    m_pTable = nullptr;
  }

  std::uint8_t* m_pTable = nullptr;  // mouth-timing table of the playing voice
  std::uint32_t m_dwTime = 0;
  std::int32_t m_nSpeakerRows = 35;  // rows of the speaker table
  std::int32_t m_nOtherRows = 41;    // rows of the other-speaker table
  std::int32_t m_nAllRows = 76;      // their sum
};
