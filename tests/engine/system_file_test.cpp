#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/global_file.h"
#include "engine/read_mark_file.h"
#include "engine/save_data.h"
#include "engine/save_file.h"
#include "engine/script_engine.h"
#include "engine/settings_record.h"
#include "engine/system_file.h"
#include "engine/value_node.h"
#include "platform/file.h"
#include "tests/engine/save_test_util.h"

using kvtest::HeldLock;
using kvtest::Words;

namespace {

// The 1,292 bytes of a first start, word by word from the format's table.
std::vector<std::uint8_t> GoldenFirstStart() {
  byteio::ByteWriter out;
  for (std::uint32_t v : {0u, 1u, 1u, 1u, 0u, 60u, 0u, 35u, 3u, 1u, 1u}) out.U32(v);
  // "ＭＳ ゴシック": 82 6C 82 72 20 83 53 83 56 83 62 83 4E, its NUL, 2 zeros.
  for (std::uint8_t b : {0x82, 0x6C, 0x82, 0x72, 0x20, 0x83, 0x53, 0x83, 0x56, 0x83, 0x62, 0x83, 0x4E, 0, 0, 0}) {
    out.U8(b);
  }
  for (std::uint32_t v : {20u, 1u, 0u, 0u, 3u, 0u, 50u, 1u, 0u, 0u, 70u, 0u, 1u}) out.U32(v);
  for (int i = 0; i < 128; ++i) out.U32(0);
  for (int i = 0; i < 128; ++i) out.U32(1);
  while (out.Size() < kSystemFileSize) out.U32(0);
  return out.Take();
}

std::uint32_t WordAt(const std::vector<std::uint8_t>& b, std::size_t index) {
  return byteio::GetLE32(b.data() + index * 4);
}

class SystemFileTest : public kvtest::SaveDataTest {
 protected:
  CSettings settings;
  CSystemFile file{settings};
};

TEST_F(SystemFileTest, FirstStartMakesAllThreeFilesWithDefaults) {
  EXPECT_EQ(file.Load("K:"), 1);
  EXPECT_EQ(ReadBytes("system.dat"), GoldenFirstStart());
  ValueList globals;
  EXPECT_EQ(LoadGlobalFile("K:", globals), 1);
  EXPECT_EQ(ReadBytes("global.dat"), (std::vector<std::uint8_t>{'R', 'F', 0, 0}));
  CScriptEngine eng;
  CReadMarks marks;
  EXPECT_EQ(marks.Load(eng, "K:"), 1);
  EXPECT_TRUE(std::filesystem::exists(SavePath("readal.dat")));
  EXPECT_EQ(std::filesystem::file_size(SavePath("readal.dat")), 0u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SystemFileTest, RoundTripKeepsEveryWordAndTheFaceMovesTheTail) {
  struct Case {
    std::string face;
    std::size_t faceWords;
  } cases[] = {
      {"A", 1}, {"abc", 1}, {"abcd", 2}, {pl::Utf8ToCp932("ＭＳ ゴシック"), 4}, {std::string(31, 'f'), 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    settings.SetCreationValues();
    settings.m_strFontFace = c.face;
    settings.m_nBgmVolume = 17;
    settings.m_nTextSpeed = 2;
    settings.m_nFontSize = 24;
    settings.m_nAutoMinWait = 5;
    settings.m_nWindowOpacity = 55;
    settings.m_nMode01 = 0;
    settings.m_nSpeakerVolume[0] = 9;
    settings.m_bSpeakerVoice[127] = 0;
    SetDisplayModeWord(1);
    ASSERT_EQ(file.Save("K:"), 1);
    const std::vector<std::uint8_t> bytes = ReadBytes("system.dat");
    ASSERT_EQ(bytes.size(), kSystemFileSize);
    const std::size_t n = c.faceWords;
    EXPECT_EQ(WordAt(bytes, 0), 1u);
    EXPECT_EQ(WordAt(bytes, 11 + n), 24u);        // font size
    EXPECT_EQ(WordAt(bytes, 21 + n), 55u);        // window opacity
    EXPECT_EQ(WordAt(bytes, 24 + n), 9u);         // first speaker volume
    EXPECT_EQ(WordAt(bytes, 279 + n), 0u);        // last speaker switch
    EXPECT_EQ(WordAt(bytes, 278 + n), 1u);

    CSettings other;
    CSystemFile reader(other);
    SetDisplayModeWord(0);
    EXPECT_EQ(reader.Load("K:"), 1);
    EXPECT_EQ(GetDisplayMode(), 1);
    EXPECT_EQ(EncodeSystemFile(other, 1), bytes);
    EXPECT_EQ(other.m_strFontFace, c.face);
    EXPECT_EQ(other.m_nFontSizeWork, 24);
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SystemFileTest, ThirteenByteFacePutsFontSizeInWord15AndSpeakersAt28) {
  const std::vector<std::uint8_t> bytes = EncodeSystemFile(settings, 0);
  EXPECT_EQ(WordAt(bytes, 15), 20u);
  EXPECT_EQ(WordAt(bytes, 27), 1u);  // Mode01
  EXPECT_EQ(WordAt(bytes, 28), 0u);  // speaker volume 0
  EXPECT_EQ(WordAt(bytes, 156), 1u);  // speaker switch 0
}

TEST_F(SystemFileTest, EveryTruncationTakesTheWordsItHoldsAndDefaultsTheRest) {
  // A file whose every word differs from its default.
  settings.m_bBgm = 0;
  settings.m_nBgmVolume = 11;
  settings.m_nTextSpeed = 1;
  settings.m_strFontFace = "Face";  // 2 words
  settings.m_nFontSize = 30;
  settings.m_nVoiceGroups = 1;
  settings.m_nWindowOpacity = 40;
  for (auto& v : settings.m_nSpeakerVolume) v = 77;
  for (auto& v : settings.m_bSpeakerVoice) v = 0;
  const std::vector<std::uint8_t> full = EncodeSystemFile(settings, 2);
  // The defaults as they stand behind a face of the same length, and behind
  // the default face (when the face itself was cut off).
  CSettings sameFace;
  sameFace.m_strFontFace = "Face";
  const std::vector<std::uint8_t> defaults = EncodeSystemFile(sameFace, 0);
  const std::vector<std::uint8_t> allDefaults = EncodeSystemFile(CSettings(), 0);
  for (std::size_t len = 0; len <= full.size(); ++len) {
    SCOPED_TRACE(len);
    CSettings s;
    s.m_nBgmVolume = 99;  // whatever was there before must not survive
    const SystemFileDecode d = DecodeSystemFile(std::span(full.data(), len), &s);
    EXPECT_EQ(d.complete, len >= (280 + 2) * 4);
    const std::vector<std::uint8_t> got = EncodeSystemFile(s, d.displayMode);
    const bool faceIn = len >= 11 * 4 + 5;  // "Face" and its NUL
    if (!faceIn) {
      for (std::size_t word = 11; word < kSystemFileSize / 4; ++word) {
        EXPECT_EQ(WordAt(got, word), WordAt(allDefaults, word)) << "word " << word;
      }
    }
    for (std::size_t word = 0; word < kSystemFileSize / 4; ++word) {
      if (!faceIn && word >= 11) break;
      const bool taken = (word + 1) * 4 <= len || (faceIn && (word == 11 || word == 12));
      EXPECT_EQ(WordAt(got, word), taken ? WordAt(full, word) : WordAt(defaults, word)) << "word " << word;
    }
  }
}

TEST_F(SystemFileTest, DamagedFieldsAreClampedOrDefaulted) {
  std::vector<std::uint8_t> bytes = EncodeSystemFile(settings, 0);
  auto put = [&](std::size_t word, std::uint32_t v) { byteio::PutLE32(bytes.data() + word * 4, v); };
  put(0, 7);             // display mode
  put(5, 0xFFFFFFFBu);   // -5
  put(7, 250);
  put(8, 9);             // text speed
  put(25, 0xFFFFFFFFu);  // window opacity -1
  put(15, 5000);         // font size
  WriteBytes("system.dat", bytes);
  EXPECT_EQ(file.Load("K:"), 1);
  EXPECT_EQ(GetDisplayMode(), 2);
  EXPECT_EQ(settings.m_nBgmVolume, 0);
  EXPECT_EQ(settings.m_nSeVolume, 100);
  EXPECT_EQ(settings.m_nTextSpeed, 3);
  EXPECT_EQ(settings.m_nWindowOpacity, 0);
  EXPECT_EQ(settings.m_nFontSize, 20);
}

TEST_F(SystemFileTest, FaceWithoutItsNulTakesTheDefaultAndEightWords) {
  std::vector<std::uint8_t> bytes = EncodeSystemFile(settings, 0);
  std::memset(bytes.data() + 44, 'Z', 40);  // the face and two words after its field
  byteio::PutLE32(bytes.data() + (11 + 8) * 4, 28);  // the font size when n = 8
  WriteBytes("system.dat", bytes);
  EXPECT_EQ(file.Load("K:"), 0);
  EXPECT_EQ(settings.m_strFontFace, std::string(settings.DefaultSettings().m_szFontFace));
  EXPECT_EQ(settings.m_nFontSize, 28);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:システム情報のロードに失敗しました。"});
}

TEST_F(SystemFileTest, LockedFileKeepsCreationValuesAndIsNotOverwrittenUnchanged) {
  settings.m_nBgmVolume = 5;
  ASSERT_EQ(file.Save("K:"), 1);
  const std::vector<std::uint8_t> before = ReadBytes("system.dat");
  {
    HeldLock lock(SavePath("system.dat"));
    settings.m_nBgmVolume = 0;
    settings.m_strFontFace.clear();
    EXPECT_EQ(file.Load("K:"), 0);
    EXPECT_EQ(settings.m_nBgmVolume, 60);  // the creation value, not what was there
    EXPECT_EQ(settings.m_strFontFace, std::string(settings.DefaultSettings().m_szFontFace));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:システム情報のロードに失敗しました。"});
    // Shutdown without any change leaves the player's file alone.
    EXPECT_EQ(file.Save("K:"), 1);
    EXPECT_EQ(ReadBytes("system.dat"), before);
    // A changed setting is written; the lock still makes that fail.
    settings.m_nTextSpeed = 0;
    EXPECT_EQ(file.Save("K:"), 0);
    EXPECT_EQ(Boxes().back(), "確認:システム情報のセーブに失敗しました。");
    EXPECT_EQ(ReadBytes("system.dat"), before);
  }
  EXPECT_EQ(file.Save("K:"), 1);
  EXPECT_EQ(WordAt(ReadBytes("system.dat"), 8), 0u);
}

TEST_F(SystemFileTest, WriterStoppedBeforeTheRenameLeavesThePreviousFile) {
  ASSERT_EQ(file.Save("K:"), 1);
  const std::vector<std::uint8_t> before = ReadBytes("system.dat");
  settings.m_nBgmVolume = 3;
  const std::vector<std::uint8_t> after = EncodeSystemFile(settings, 0);
  for (pl::WriteStep failAt :
       {pl::WriteStep::kLockTarget, pl::WriteStep::kOpenTemp, pl::WriteStep::kLockTemp,
        pl::WriteStep::kWrite, pl::WriteStep::kFlush, pl::WriteStep::kSetEnd,
        pl::WriteStep::kRename}) {
    SCOPED_TRACE(static_cast<int>(failAt));
    bool sawKillPoint = false;
    pl::SetWriteFaultHook([&](pl::WriteStep step, const std::string& temp) {
      if (step == pl::WriteStep::kRename) {
        // What a kill at this moment leaves: the new bytes beside the old
        // file, which is still whole.
        const std::string t = kvtest::ReadFile(temp);
        EXPECT_EQ(std::vector<std::uint8_t>(t.begin(), t.end()), after);
        EXPECT_EQ(ReadBytes("system.dat"), before);
        sawKillPoint = true;
      }
      return step != failAt;
    });
    fake.boxes.clear();
    EXPECT_EQ(file.Save("K:"), 0);
    EXPECT_EQ(sawKillPoint, failAt == pl::WriteStep::kRename);
    EXPECT_EQ(ReadBytes("system.dat"), before);
    EXPECT_FALSE(std::filesystem::exists(pl::TempPathFor("K:\\save\\system.dat")));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"確認:システム情報のセーブに失敗しました。"});
  }
  // A failed flush of the folder is a failure too, even though the new file is in place.
  pl::SetWriteFaultHook(
      [](pl::WriteStep s, const std::string&) { return s != pl::WriteStep::kFlushFolder; });
  EXPECT_EQ(file.Save("K:"), 0);
  pl::SetWriteFaultHook({});
  EXPECT_EQ(file.Save("K:"), 1);
  EXPECT_EQ(ReadBytes("system.dat"), after);
}

// ------------------------------------------------------------ global.dat

TEST_F(SystemFileTest, GlobalRecordsByteForByte) {
  ValueList g;
  g.AddInt("abc", 5);
  g.AddText("t", "");
  g.AddText("abcd", "xyz");
  g.AddFloat("f", 1.5f);
  std::vector<std::uint8_t> expect = {0x00, 0x01, 0x02, 0x9F, 0, 0, 0, 0, '%', 0, 0, 0, 5, 0, 0, 0};
  expect.insert(expect.end(), {0x13, 0x9F, 0, 0, '$', 0, 0, 0, 0, 0, 0, 0});
  expect.insert(expect.end(), {0x00, 0x01, 0x02, 0x03, 0x9F, 0, 0, 0, '$', 0, 0, 0, 'x', 'y', 'z', 0});
  expect.insert(expect.end(), {0x05, 0x9F, 0, 0, '!', 0, 0, 0});
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(1.5f);
  for (int i = 0; i < 4; ++i) expect.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  expect.insert(expect.end(), {'R', 'F', 0, 0});
  EXPECT_EQ(EncodeGlobalFile(g), expect);
}

TEST_F(SystemFileTest, GlobalRoundTripBeyondTheOldBlock) {
  ValueList g;
  // Names that scramble to the end mark's first three bytes ("ｳｧa").
  g.AddInt("\xB3\xA7" "a", 1);
  g.AddText("\xB3\xA7" "ab", "v");
  for (int i = 0; i < 4000; ++i) g.AddText("name" + std::to_string(i), std::string(i % 40, 'q'));
  ASSERT_EQ(SaveGlobalFile("K:", g), 1);
  EXPECT_GT(ReadBytes("global.dat").size(), 65536u);
  ValueList back;
  back.AddInt("stale", 1);
  EXPECT_EQ(LoadGlobalFile("K:", back), 1);
  EXPECT_EQ(EncodeGlobalFile(back), EncodeGlobalFile(g));
  EXPECT_EQ(back.Find("stale"), nullptr);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SystemFileTest, GlobalTruncationKeepsTheRecordsBeforeTheDamage) {
  ValueList g;
  g.AddInt("a", 1);
  g.AddText("bb", "text");
  g.AddFloat("c", 2.0f);
  const std::vector<std::uint8_t> full = EncodeGlobalFile(g);
  // Record ends: "a" at 12 bytes, "bb" at 28, "c" at 40, then the end mark.
  for (std::size_t len = 0; len < full.size(); ++len) {
    SCOPED_TRACE(len);
    ValueList out;
    EXPECT_FALSE(DecodeGlobalFile(std::span(full.data(), len), &out));
    const std::size_t records = len >= 40 ? 3 : len >= 28 ? 2 : len >= 12 ? 1 : 0;
    EXPECT_EQ(out.Size(), records);
  }
  ValueList out;
  EXPECT_TRUE(DecodeGlobalFile(full, &out));
  EXPECT_EQ(out.Size(), 3u);
  // A damaged file on disk: the box, and the list holds what was read.
  WriteBytes("global.dat", std::vector<std::uint8_t>(full.begin(), full.begin() + 20));
  ValueList live;
  live.AddInt("old", 1);
  EXPECT_EQ(LoadGlobalFile("K:", live), 0);
  EXPECT_EQ(live.Size(), 1u);
  EXPECT_NE(live.Find("a"), nullptr);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:グローバル変数のロードに失敗しました。"});
}

TEST_F(SystemFileTest, GlobalReadThatFailsLeavesTheList) {
  ValueList g;
  g.AddInt("a", 1);
  ASSERT_EQ(SaveGlobalFile("K:", g), 1);
  HeldLock lock(SavePath("global.dat"));
  ValueList live;
  live.AddInt("keep", 7);
  EXPECT_EQ(LoadGlobalFile("K:", live), 0);
  ASSERT_EQ(live.Size(), 1u);
  EXPECT_EQ(live.Find("keep")->nValue, 7);
  EXPECT_EQ(SaveGlobalFile("K:", live), 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"エラー:グローバル変数のロードに失敗しました。",
                                               "確認:グローバル変数のセーブに失敗しました。"}));
}

// ------------------------------------------------------------ readal.dat

class ReadMarkTest : public kvtest::SaveDataTest {
 protected:
  void At(const std::string& file, const std::string& label, const std::string& local, int line) {
    eng.m_Root.m_strFile = file;
    eng.m_strLabel = label;
    eng.m_strLocalLabel = local;
    eng.m_Root.m_nLine = line;
    marks.Update(eng);
  }
  CScriptEngine eng;
  CReadMarks marks;
};

TEST_F(ReadMarkTest, KeepsTheHighestLineOfEachKey) {
  At("START", "START", "", 10);
  At("START", "START", "", 4);
  At("START", "A", "x", 2);
  At("START", "START", "", 7);
  EXPECT_EQ(marks.LineOf("START,START,"), 10);
  EXPECT_EQ(marks.LineOf("START,A,x"), 2);
  EXPECT_EQ(marks.List().Size(), 2u);
  At("START", "START", "", 12);
  EXPECT_EQ(marks.LineOf("START,START,"), 12);
}

TEST_F(ReadMarkTest, FileBytesAndRoundTripBeyondTheOldBlock) {
  At("S", "L", "", 3);
  EXPECT_EQ(EncodeReadMarkFile(marks.List()),
            (std::vector<std::uint8_t>{'S', ',', 'L', ',', 0, 0, 0, 0, '%', 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
  for (int i = 0; i < 6000; ++i) {
    At("SCRIPT", "LABEL_" + std::string(24, 'x') + std::to_string(i), "^if" + std::to_string(i), i);
  }
  ASSERT_EQ(marks.Save(eng, "K:"), 1);
  EXPECT_GT(ReadBytes("readal.dat").size(), 256u * 1024);
  CReadMarks back;
  EXPECT_EQ(back.Load(eng, "K:"), 1);
  EXPECT_EQ(EncodeReadMarkFile(back.List()), EncodeReadMarkFile(marks.List()));
}

TEST_F(ReadMarkTest, LoadDropsTheCachedNodeAndMergesRepeatedKeys) {
  At("S", "L", "", 3);
  ASSERT_NE(eng.m_Root.m_pReadMark, nullptr);
  // A file naming one key twice: one node, the higher line.
  byteio::ByteWriter w;
  for (int line : {5, 9, 2}) {
    w.PaddedText("S,L,");
    w.U32('%');
    w.I32(line);
  }
  w.U32(0);
  WriteBytes("readal.dat", w.Take());
  EXPECT_EQ(marks.Load(eng, "K:"), 1);
  EXPECT_EQ(eng.m_Root.m_pReadMark, nullptr);
  EXPECT_EQ(marks.List().Size(), 1u);
  EXPECT_EQ(marks.LineOf("S,L,"), 9);
  // The next update finds the node anew (under ASan a stale cache would be
  // a use after free).
  At("S", "L", "", 11);
  EXPECT_EQ(marks.LineOf("S,L,"), 11);
  EXPECT_EQ(marks.List().Size(), 1u);
}

TEST_F(ReadMarkTest, KeyIsCutTo255BytesOnACharacterBoundary) {
  const std::string kanji = pl::Utf8ToCp932("表");  // 95 5C
  std::string label;
  while (label.size() < 300) label += kanji;
  const std::string key = ReadMarkKey("F", label, "x");
  EXPECT_LE(key.size(), kReadMarkKeyMax);
  EXPECT_EQ(key.size() % 2, 0u);  // "F," and whole characters
}

TEST_F(ReadMarkTest, TruncationKeepsTheRecordsBeforeTheDamage) {
  At("A", "B", "", 1);
  At("A", "C", "", 2);
  const std::vector<std::uint8_t> full = EncodeReadMarkFile(marks.List());  // 16 + 16 + 4
  for (std::size_t len = 1; len < full.size(); ++len) {
    SCOPED_TRACE(len);
    ValueList out;
    EXPECT_FALSE(DecodeReadMarkFile(std::span(full.data(), len), &out));
    EXPECT_EQ(out.Size(), len >= 32 ? 2u : len >= 16 ? 1u : 0u);
  }
  ValueList empty;
  EXPECT_TRUE(DecodeReadMarkFile({}, &empty));
  EXPECT_TRUE(DecodeReadMarkFile(Words({0}), &empty));
  EXPECT_TRUE(empty.Empty());
  WriteBytes("readal.dat", std::vector<std::uint8_t>(full.begin(), full.begin() + 20));
  EXPECT_EQ(marks.Load(eng, "K:"), 0);
  EXPECT_EQ(marks.List().Size(), 1u);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:既読情報のロードに失敗しました。"});
}

TEST_F(ReadMarkTest, LockConflictShowsTheBoxesAndKeepsTheFile) {
  At("A", "B", "", 1);
  ASSERT_EQ(marks.Save(eng, "K:"), 1);
  const std::vector<std::uint8_t> before = ReadBytes("readal.dat");
  HeldLock lock(SavePath("readal.dat"));
  At("A", "Z", "", 4);
  EXPECT_EQ(marks.Save(eng, "K:"), 0);
  EXPECT_EQ(marks.Load(eng, "K:"), 0);
  EXPECT_EQ(marks.List().Size(), 2u);  // a failed read changes nothing
  EXPECT_EQ(ReadBytes("readal.dat"), before);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"確認:既読情報のセーブに失敗しました。",
                                               "エラー:既読情報のロードに失敗しました。"}));
}

// ------------------------------------------------------------ start and shutdown

TEST_F(ReadMarkTest, StartAndShutdownOfTheEngineObject) {
  {
    CSaveData data;
    data.LoadAtStart(eng);
    EXPECT_EQ(eng.m_nTextSize, 20);
    eng.m_Globals.AddInt("seen", 3);
    At("START", "START", "", 8);
    eng.m_nTextSize = 26;  // a `fnt` command
    std::vector<std::string> order;
    pl::SetWriteFaultHook([&](pl::WriteStep step, const std::string& temp) {
      if (step == pl::WriteStep::kRename) order.push_back(std::filesystem::path(temp).filename().string());
      return true;
    });
    data.SaveAtShutdown(eng);
    pl::SetWriteFaultHook({});
    EXPECT_EQ(order, (std::vector<std::string>{"readal.dat.tmp", "system.dat.tmp"}));
    ASSERT_EQ(SaveGlobalFile("K:", eng.m_Globals), 1);  // as the `global` command does
  }
  CScriptEngine next;
  CSaveData data;
  data.LoadAtStart(next);
  EXPECT_EQ(next.m_nTextSize, 26);
  ASSERT_NE(next.m_Globals.Find("seen"), nullptr);
  EXPECT_EQ(next.m_Globals.Find("seen")->nValue, 3);
  EXPECT_EQ(data.m_ReadMarks.LineOf("START,START,"), 8);
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
