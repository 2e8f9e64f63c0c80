// The game slot file: a fixed header, 22 words, then the sections "STK",
// "VAR", "DEF", "SEL", "WND", "SPR", "BUF" (with "BTN"), "ANM" and "GG".
// The whole file is parsed into a SlotData and checked before anything of
// the running game is touched; writing goes from a SlotData too.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Field widths of the format.
inline constexpr std::size_t kSlotTitleSize = 64;
inline constexpr std::size_t kSlotCommentSize = 32;
inline constexpr std::size_t kSlotVoiceSize = 32;
inline constexpr std::size_t kSlotFileSize = 16;
inline constexpr std::size_t kSlotLabelSize = 32;
inline constexpr std::size_t kSlotPictureSize = 16;
inline constexpr std::size_t kSlotButtonNameSize = 32;
inline constexpr std::size_t kSlotSoundNameSize = 16;
inline constexpr std::size_t kSlotMaxChoices = 15;
// Offsets of the header.
inline constexpr std::size_t kSlotTitleOffset = 16;
inline constexpr std::size_t kSlotCommentOffset = 80;
inline constexpr std::size_t kSlotVoiceOffset = 112;
inline constexpr std::size_t kSlotFileOffset = 144;
inline constexpr std::size_t kSlotLabelOffset = 160;
inline constexpr std::size_t kSlotLocalLabelOffset = 192;
inline constexpr std::size_t kSlotLineOffset = 224;
inline constexpr std::size_t kSlotCursorOffset = 228;
inline constexpr std::size_t kSlotPageTextOffset = 232;

// A section word: the tag's ASCII bytes, then zeros, read little-endian.
constexpr std::uint32_t SlotTag(const char* t) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4 && t[i]; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(t[i])) << (8 * i);
  return v;
}
inline constexpr std::uint32_t kTagSTK = SlotTag("STK"), kTagVAR = SlotTag("VAR"), kTagDEF = SlotTag("DEF"),
                               kTagSEL = SlotTag("SEL"), kTagWND = SlotTag("WND"), kTagFRM = SlotTag("FRM"),
                               kTagFP = SlotTag("FP"), kTagPP = SlotTag("PP"), kTagBTN = SlotTag("BTN"),
                               kTagSPR = SlotTag("SPR"), kTagBUF = SlotTag("BUF"), kTagANM = SlotTag("ANM"),
                               kTagGG = SlotTag("GG");
bool IsSlotTag(std::uint32_t word);

// A saved sound memo: play mode and name (16-byte field).
struct SlotSound {
  std::int32_t mode = 0;
  std::string name;
  bool operator==(const SlotSound&) const = default;
};

// One entry of the root frame's control stack.
struct SlotStackEntry {
  std::string name;  // "top", "jsb", "gsb", "wh", or another block word
  std::string file, label, localLabel;  // "gsb": file, label, local label; "jsb": label
  std::int32_t line = 0;                // "jsb", "gsb": the return line; "wh": the loop's line
  bool operator==(const SlotStackEntry&) const = default;
};

// A script variable or constant, with the elements of a '*' container.
struct SlotValue {
  std::string name;
  char type = 0;  // '%', '!', '$', '*', '@'
  std::uint32_t bits = 0;  // '%' the value, '!' the float's bits
  std::string text;        // '$'
  std::vector<SlotValue> children;  // '*' (their own children are never stored)
  bool operator==(const SlotValue&) const = default;
};

struct SlotChoice {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  std::string text;
  bool operator==(const SlotChoice&) const = default;
};

// A picture that decorates a window ("FRM", "FP", "PP").
struct SlotWindowPicture {
  bool present = false;
  std::string name;  // 16-byte field
  std::int32_t x = 0, y = 0;
  std::int32_t lastFrame = 0;   // "FP", "PP"
  std::int32_t fixedPos = 0;    // "FP"
  bool operator==(const SlotWindowPicture&) const = default;
};

struct SlotWindowButton {
  std::string picture, action, label;  // 32-byte fields; label empty when none
  std::int32_t x = 0, y = 0, labelX = 0, labelY = 0;
  bool operator==(const SlotWindowButton&) const = default;
};

// A message window's record. Word 0 (the bytes before the rectangle, which
// this engine's windows do not have) is written as 0: a window then always
// starts on a 0 word, which is what tells it from a button record.
struct SlotWindow {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  std::uint8_t state = 0;  // the byte after the rectangle
  std::int32_t panelX = 0, panelY = 0, panelWidth = 0, panelHeight = 0;
  std::uint8_t red = 0, green = 0, blue = 0;  // the text colour
  std::int32_t panelStrength = 0;  // written, never read back
  std::int32_t homeX = 0, homeY = 0, lineGap = 0, charGap = 0, linesPerPage = 0, charsPerLine = 0;
  SlotWindowPicture frame, pageCursor, promptCursor;
  bool hasButtons = false;
  std::vector<SlotWindowButton> buttons;
  bool operator==(const SlotWindow&) const = default;
};

struct SlotSprite {
  std::string name;  // 16-byte field; empty for a sprite not in use
  std::int32_t x = 0, y = 0;
  std::int32_t stateGroup = 0;  // the fourth byte of the picture's state group
  std::int32_t shownState = 0;  // the state byte after the blend mode
  std::int32_t spriteClass = 0, blendMode = 0, alignment = 0, sequence = 0;
  bool operator==(const SlotSprite&) const = default;
};

// "BUF": words of the engine and the layers.
struct SlotEngineWords {
  std::int32_t raster[2] = {0, 0};
  std::int32_t background = 0;
  std::int32_t readMark = 0;
  std::int32_t rightButton = 0;
  std::int32_t weatherState = 0, weatherKind = 0;
  std::int32_t overlayState = 0;
  std::string overlayName;  // 16-byte field
  std::int32_t overlayWords[2] = {0, 0};
  bool operator==(const SlotEngineWords&) const = default;
};

struct SlotScriptButton {
  std::string picture;  // 16-byte field; empty for a button not in use
  std::int32_t x = 0, y = 0;
  std::string text;
  std::int32_t word1 = 0, word2 = 0;  // its two 16-bit words
  bool operator==(const SlotScriptButton&) const = default;
};

struct SlotGauge {
  std::array<std::uint8_t, 4> colour{};  // packed first byte high
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  std::int32_t blend = 0, shown = 0, direction = 0, maximum = 0, value = 0;
  bool operator==(const SlotGauge&) const = default;
};

struct SlotData {
  // header
  std::string title, comment, voice, file, label, localLabel;
  std::int32_t line = 0;
  std::uint32_t cursor = 0;
  std::string pageText, lineText;
  // the 22 words
  SlotSound music, effect, ambience;
  std::int32_t tone = 0;
  std::int32_t currentWindow = -1;
  std::int32_t mode = 0;
  std::uint32_t pendingState = 0;
  std::int32_t resetWord = 0;  // written, never read back
  std::int32_t choicePending = 0;
  // sections
  std::vector<SlotStackEntry> stack;
  std::vector<SlotValue> vars, defs;
  std::vector<SlotChoice> choices;
  std::vector<SlotWindow> windows;
  std::vector<SlotSprite> sprites;
  SlotEngineWords engine;
  std::vector<SlotScriptButton> buttons;
  std::vector<SlotGauge> gauges;
  bool operator==(const SlotData&) const = default;
};

enum class SlotParse {
  kOk,
  kNotSaved,  // word 0 is not 1
  kDamaged,   // anything that does not hold together
};

// Writes the slot. False (nothing usable) when it cannot be written so that
// it reads back as it is: a file, label or local label too long for its
// field, a name that would read as a section word, too many choices.
bool EncodeSlot(const SlotData& slot, std::vector<std::uint8_t>* out);
// Parses and checks a whole slot file: every length against the bytes,
// the fixed fields cut on a character boundary to leave their NUL, the
// cursor inside the line, the choices at most 15, the first variables
// "reg", "dbg", "bgm" and the first stack entry "top", a script name fit
// for a path.
SlotParse ParseSlot(std::span<const std::uint8_t> bytes, SlotData* out);
// Whether a saved script name may go into a path: not empty, no '/', no
// separator '\\' (a trail byte 0x5C is no separator), no "..", no ':'.
bool IsSafeScriptName(std::string_view name);
