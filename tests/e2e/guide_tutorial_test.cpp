// The tutorial of the game authors' guide (docs/making-a-game.md), made
// exactly as the guide says: every code block that names a file
// ("```lang file=PATH") is written out as that file, the guide's build
// script runs with the project's tools on PATH, and the archives it makes
// are played by the whole engine on the fake backend. The brand logo, the
// title's question and its choice come up; choosing the first one starts the
// story, whose first page shows its speaker and text in the message window
// while the music the script asked for plays on the music channel and is
// heard in the mixed output; the second scene shows the night background
// with the moon and its own text, and the story's end returns to the
// title. So the guide's tutorial cannot go stale.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/command_table.h"
#include "engine/kiv_base.h"
#include "platform/sound_device.h"
#include "scene/message_text.h"
#include "scene/object_tables.h"
#include "scene/pending.h"
#include "sound/sound_system.h"
#include "tests/e2e/scene_script_fixture.h"

namespace {

namespace fs = std::filesystem;
using kvtest::Texts;
using kvtest::Utf8;

constexpr int kSilence = 200;  // a mixed sample beyond this is sound

// The code blocks of a Markdown text that name a file: "```lang file=PATH"
// up to the closing "```", by path.
std::map<std::string, std::string> FileBlocks(const std::string& markdown) {
  std::map<std::string, std::string> out;
  std::istringstream in(markdown);
  std::string line, path, body;
  bool inBlock = false, named = false;
  while (std::getline(in, line)) {
    if (line.rfind("```", 0) == 0) {
      if (!inBlock) {
        inBlock = true;
        const std::size_t at = line.find("file=");
        named = at != std::string::npos;
        path = named ? line.substr(at + 5) : std::string();
        if (const std::size_t sp = path.find(' '); sp != std::string::npos) path.resize(sp);
        body.clear();
      } else {
        inBlock = false;
        if (named) out[path] = body;
      }
      continue;
    }
    if (inBlock) body += line + "\n";
  }
  return out;
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What a recipe's first rows show: the colour (0xRRGGBB) of its first
// "fill", and how many whole rows of its width that fill covers.
struct FirstFill {
  std::uint32_t rgb = 0;
  int rows = 0, width = 0, height = 0;
};
FirstFill ReadFirstFill(const std::string& recipe) {
  FirstFill f;
  std::istringstream in(recipe);
  std::string word;
  long long count = -1;
  while (in >> word) {
    if (word == "size") in >> f.width >> f.height;
    if (word == "fill" && count < 0) {
      std::string colour;
      in >> count >> colour;
      f.rgb = static_cast<std::uint32_t>(std::strtoul(colour.c_str(), nullptr, 16)) & 0xFFFFFFu;
    }
  }
  if (f.width > 0 && count > 0) f.rows = static_cast<int>(count / f.width);
  return f;
}

// The text of the first message line of a script after `from` (or from the
// start), without its speaker name: what the page will hold.
std::string FirstText(const std::string& script, const std::string& from = "") {
  std::size_t at = from.empty() ? 0 : script.find(from);
  if (at == std::string::npos) return "";
  std::istringstream in(script.substr(at));
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("[", 0) != 0) continue;
    const std::size_t close = line.find(']');
    return close == std::string::npos ? line : line.substr(close + 1);
  }
  return "";
}

// The x and y of a `chon` of the picture `name` in a script.
bool ChonPlace(const std::string& script, const std::string& name, int* x, int* y) {
  const std::size_t at = script.find("\"" + name + "\",");
  if (at == std::string::npos) return false;
  return std::sscanf(script.c_str() + at + name.size() + 3, "%d,%d", x, y) == 2;
}

struct GuideTutorial : kvtest::SceneScript {
  fs::path work;  // where the guide's files are written and built
  std::map<std::string, std::string> files;  // the guide's, by path

  void SetUp() override {
    SceneScript::SetUp();
    work = fs::path(folder.path()) / "author";
  }

  // Writes the guide's files and runs its build script; the game folder
  // the script made, or an empty path.
  fs::path BuildFromGuide() {
    const std::string guide = ReadText(fs::path(KIVZO_SOURCE_DIR) / "docs/making-a-game.md");
    EXPECT_FALSE(guide.empty()) << "the guide is missing";
    files = FileBlocks(guide);
    EXPECT_TRUE(files.count("mygame/make.sh")) << "the guide names no build script";
    EXPECT_TRUE(files.count("mygame/scripts/START.txt")) << "the guide names no START script";
    for (const auto& [path, body] : files) {
      const fs::path p = work / path;
      fs::create_directories(p.parent_path());
      std::ofstream(p, std::ios::binary) << body;
    }
    const std::string cmd = "cd '" + work.string() + "' && PATH='" + kvtest::ToolPath("") + "':\"$PATH\" sh mygame/make.sh";
    EXPECT_EQ(kvtest::RunCommand(cmd), 0) << cmd;
    return work / "mygame/game";
  }
};

TEST_F(GuideTutorial, TheTutorialGameBuildsAndPlaysItsTextAndMusic) {
  const fs::path game = BuildFromGuide();
  ASSERT_FALSE(HasFailure());
  // The game folder holds what the guide says; the program's place is the
  // test's folder, into which the archives go.
  for (const char* name : {"GRP.AOS", "SCR.AOS", "BGM.AOS"}) {
    ASSERT_TRUE(fs::exists(game / name)) << name << " was not made";
    fs::copy_file(game / name, fs::path(folder.path()) / name);
  }

  // What the player should see, from the guide's own files.
  const FirstFill logo = ReadFirstFill(files["mygame/art/ld_logo.bmp.txt"]);
  const FirstFill hill = ReadFirstFill(files["mygame/art/bg_hill.abm.txt"]);
  const FirstFill town = ReadFirstFill(files["mygame/art/bg_town.abm.txt"]);
  const FirstFill moonArt = ReadFirstFill(files["mygame/art/moon.abm.txt"]);
  const std::string& story = files["mygame/scripts/STORY.txt"];
  const std::string titleText = FirstText(files["mygame/scripts/TITLE.txt"]);
  const std::string firstText = FirstText(story);
  const std::string nightText = FirstText(story, "chon(");
  // The title's first choice, and the music the story asks for.
  const std::string& title = files["mygame/scripts/TITLE.txt"];
  const std::size_t slash = title.find("\n/");
  const std::string firstChoice =
      slash == std::string::npos ? "" : title.substr(slash + 2, title.find('/', slash + 2) - slash - 2);
  const std::size_t bgm = story.find("bgmon(\"");
  const std::string music = bgm == std::string::npos ? "" : story.substr(bgm + 7, story.find('"', bgm + 7) - bgm - 7);
  ASSERT_FALSE(firstChoice.empty()) << "the title offers no choice";
  ASSERT_FALSE(music.empty()) << "the story plays no music";
  int moonX = 0, moonY = 0;
  ASSERT_TRUE(ChonPlace(story, "moon", &moonX, &moonY)) << "the story shows no moon";
  ASSERT_GT(hill.rows, 10);
  ASSERT_GT(town.rows, 10);
  ASSERT_GT(moonArt.width, 2);
  ASSERT_FALSE(titleText.empty());
  ASSERT_FALSE(firstText.empty());
  ASSERT_FALSE(nightText.empty());

  enum Phase { kToTitle, kToChoice, kToStory, kListen, kToNight, kToTitleAgain, kDone } phase = kToTitle;
  std::string titlePage, storyPage, nightPage, musicName;
  kvtest::ScreenPicture storyPicture, nightPicture;
  bool titleAgain = false;
  std::int16_t winX = 0, winY = 0, winW = 0, winH = 0;
  std::vector<std::int16_t> heard;
  int releaseAt = -1, pickAt = -1;
  pl::Point pick{};
  bool sawLogo = false;

  onPump = [&](int n) {
    CKivBase* eng = Engine();
    if (!eng) return;
    if (n == releaseAt) {
      fake.InjectMouseButton(pl::MOUSE_LEFT, false, pick);
      releaseAt = -1;
      return;
    }
    if (releaseAt >= 0) return;
    const std::uint32_t state = Scene().m_nPendingState;
    // The brand logo comes first, in its own colour: it is cut short with a
    // click once it shows.
    if (phase == kToTitle && !sawLogo) {
      const kvtest::ScreenPicture pic = Presented();
      if (!pic.Empty() && pic.Rgb(512, 300) == logo.rgb) {
        sawLogo = true;
        pick = {512, 300};
        fake.InjectMouseButton(pl::MOUSE_LEFT, true, pick);
        releaseAt = n + 2;
      }
      return;
    }
    CMessageText& text = eng->Text();
    auto click = [&](pl::Point at) {
      pick = at;
      fake.InjectMouseButton(pl::MOUSE_LEFT, true, at);
      releaseAt = n + 2;
    };
    switch (phase) {
      case kToTitle:
      case kToChoice:
        if (state == PND_PROMPT_PAGE || state == PND_TYPING || state == PND_FPROMPT) {
          titlePage = Utf8(text.PageText());
          click({300, 560});
          phase = kToChoice;
          return;
        }
        if (state != PND_SLCT) return;
        if (pickAt < 0) {
          const CTextWindow* w = eng->Tables().CurrentWindow();
          if (!w || text.ChoiceCount() < 1) return;
          const ChoiceRecord& r = text.Choice(0);
          EXPECT_EQ(Utf8(r.m_strText), firstChoice);
          pick = {w->m_nX + r.m_nX + 8, w->m_nY + r.m_nY + r.m_nHeight / 2};
          fake.InjectMouseMove(pick);
          pickAt = n + 6;
          return;
        }
        if (n < pickAt) return;
        click(pick);
        phase = kToStory;
        return;
      case kToStory:
        if (state != PND_PROMPT_PAGE && state != PND_FPROMPT) return;
        storyPage = Utf8(text.PageText());
        storyPicture = Presented();
        if (const CTextWindow* w = eng->Tables().CurrentWindow()) {
          winX = w->m_nX, winY = w->m_nY, winW = w->m_nWidth, winH = w->m_nHeight;
        }
        phase = kListen;
        return;
      case kListen: {
        CSoundSystem* snd = GetSoundSystem();
        if (!snd || !snd->Device()) return;
        musicName = snd->Channel(0).m_szName;
        std::vector<std::int16_t> block(2 * pl::SoundDevice::kBlockFrames);
        snd->Device()->Render(block.data(), pl::SoundDevice::kBlockFrames);
        EXPECT_TRUE(snd->WaitQuiescent(5000));
        for (std::size_t i = 0; i < block.size(); i += 2) heard.push_back(block[i]);
        if (heard.size() >= 44100) {
          phase = kToNight;
          click({300, 560});
        }
        return;
      }
      case kToNight: {
        if (state != PND_PROMPT_PAGE && state != PND_FPROMPT && state != PND_TYPING) return;
        const std::string page = Utf8(text.PageText());
        if (state != PND_TYPING && page.find(nightText) != std::string::npos) {
          nightPage = page;
          nightPicture = Presented();
          phase = kToTitleAgain;
        }
        click({300, 560});
        return;
      }
      case kToTitleAgain:
        // The story's end goes back to the title, whose question comes up
        // again with its choice.
        if (state == PND_SLCT) {
          titleAgain = Utf8(text.PageText()).find(titleText) != std::string::npos;
          phase = kDone;
          QuitYes();
          return;
        }
        if (state == PND_PROMPT_PAGE || state == PND_FPROMPT || state == PND_TYPING) click({300, 560});
        return;
      case kDone:
        return;
    }
  };
  exitCode = RunMain();
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(sawLogo) << "the brand logo did not show";
  ASSERT_EQ(phase, kDone) << "the story's first page did not come up; title page: " << titlePage
                          << "\nboxes:\n" << Texts(fake.boxes);
  // No script, picture or sound fault on the way.
  EXPECT_TRUE(OtherBoxes().empty()) << Texts(fake.boxes);

  EXPECT_NE(titlePage.find(titleText), std::string::npos) << titlePage;
  EXPECT_NE(storyPage.find(firstText), std::string::npos) << storyPage;

  // The first page on the screen: the message window stands over the
  // background, and its text is drawn in white inside it.
  ASSERT_FALSE(storyPicture.Empty());
  ASSERT_GT(winW, 0);
  int white = 0;
  for (int y = winY; y < winY + winH; ++y)
    for (int x = winX; x < winX + winW; ++x) {
      const std::uint32_t p = storyPicture.Rgb(x, y);
      white += kvtest::ScreenPicture::R(p) > 200 && kvtest::ScreenPicture::G(p) > 200 &&
               kvtest::ScreenPicture::B(p) > 200;
    }
  EXPECT_GT(white, 300) << "no text in the message window";
  // The background of the first scene above the window: its top rows'
  // colour.
  const std::uint32_t sky = storyPicture.Rgb(512, hill.rows / 2);
  EXPECT_EQ(sky, hill.rgb) << std::hex << sky;

  // The second scene: the night sky, the moon sprite where chon put it,
  // and its text; then the story's end leads back to the title.
  EXPECT_NE(nightPage.find(nightText), std::string::npos) << nightPage;
  ASSERT_FALSE(nightPicture.Empty());
  EXPECT_EQ(nightPicture.Rgb(100, town.rows / 2), town.rgb) << std::hex << nightPicture.Rgb(100, town.rows / 2);
  // The moon's middle (drawn through its alpha, which may leave a unit off).
  const std::uint32_t moon = nightPicture.Rgb(moonX + moonArt.width / 2, moonY + moonArt.height / 2);
  using Pic = kvtest::ScreenPicture;
  EXPECT_NEAR(Pic::R(moon), Pic::R(moonArt.rgb), 2) << std::hex << moon;
  EXPECT_NEAR(Pic::G(moon), Pic::G(moonArt.rgb), 2) << std::hex << moon;
  EXPECT_NEAR(Pic::B(moon), Pic::B(moonArt.rgb), 2) << std::hex << moon;
  EXPECT_TRUE(titleAgain) << "the story did not return to the title";

  // The music: the tune the script named, heard in the output.
  EXPECT_EQ(musicName.substr(0, music.size()), music) << musicName;
  int loud = 0;
  for (std::int16_t s : heard) loud += std::abs(s) > kSilence;
  EXPECT_GT(loud, 4410) << "the music is not heard";
}

// The guide's command reference names every word of the engine's command
// table (the ones without an action of their own among the reserved
// words) and every control word, and each word it gives as a command in
// its tables is one the engine knows.
TEST(GuideReference, NamesEveryCommandWordAndOnlyThose) {
  const std::string guide = ReadText(fs::path(KIVZO_SOURCE_DIR) / "docs/making-a-game.md");
  const std::size_t at = guide.find("## Command reference");
  ASSERT_NE(at, std::string::npos) << "the guide has no command reference";
  const std::size_t end = guide.find("\n## ", at + 3);
  const std::string reference = guide.substr(at, end == std::string::npos ? std::string::npos : end - at);
  std::string missing;
  for (int i = 0; i < kCommandCount; ++i) {
    const std::string word(CommandName(i));
    if (word.empty() || (word == "dummy" && i != 17)) continue;
    if (reference.find("`" + word + "(") == std::string::npos && reference.find("`" + word + "`") == std::string::npos &&
        reference.find("`" + word) == std::string::npos)
      missing += " " + word;
  }
  EXPECT_EQ(missing, "") << "command words the reference does not name";
  std::string controls;
  for (int i = 0; i < kControlWordCount; ++i) {
    const std::string word(ControlWordName(i));
    if (guide.find("`^" + word) == std::string::npos && guide.find("^" + word + "(") == std::string::npos &&
        guide.find("`^" + word + "`") == std::string::npos)
      controls += " " + word;
  }
  EXPECT_EQ(controls, "") << "control words the guide does not name";
  // Every table row of the reference starts with the command it describes:
  // "| `word(..." or "| `word`". Each such word is a command.
  std::istringstream rows(reference);
  std::string row, unknown;
  int commandsSeen = 0;
  while (std::getline(rows, row)) {
    if (row.rfind("| `", 0) != 0) continue;
    std::size_t p = 3;
    std::string word;
    while (p < row.size() && (std::isalnum(static_cast<unsigned char>(row[p])) || row[p] == '_')) word += row[p++];
    if (word.empty()) continue;
    ++commandsSeen;
    if (FindCommand(word) < 0) unknown += " " + word;
  }
  EXPECT_GT(commandsSeen, 100);
  EXPECT_EQ(unknown, "") << "words of the reference that are no command";
}

}  // namespace
