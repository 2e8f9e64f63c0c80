// The staged sample game played through on the fake backend, as a player
// would: the brand logo, the title and its screens, every chapter down both
// endings, and the screens of the story's window (quick save and load, the
// save screen with a comment and its thumbnail, the load screen restoring
// the saved picture, the backlog replaying a voice, auto mode, skip), then
// a second start of the program whose title screens show what the first
// run unlocked. At each step it checks what is presented and what the
// sound channels play.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/save_slot.h"
#include "screens/save_mode.h"
#include "screens/save_slot_info.h"
#include "tests/e2e/play_driver.h"

namespace {

using kvtest::Picture;
using kvtest::Rect;

// The title's buttons (the script places their pictures there).
constexpr pl::Point kTitleStart{262 + 60, 264 + 20}, kTitleLoad{262 + 60, 318 + 20}, kTitleCg{262 + 60, 372 + 20},
    kTitleReplay{262 + 60, 426 + 20}, kTitleMusic{522 + 60, 264 + 20}, kTitleEnding{522 + 60, 318 + 20},
    kTitleConfig{522 + 60, 372 + 20}, kTitleExit{522 + 60, 426 + 20};
// The screens' controls.
constexpr pl::Point kSlot1{526 + 248, 54 + 24}, kPanelYes{357 + 72, 303 + 32};
constexpr Rect kSaveBack{20, 480, 480, 110};  // below the quick bar, left of the slots
constexpr pl::Point kGalleryReturn{458 + 76, 548 + 24};
constexpr Rect kThumb[9] = {{213, 79, 192, 113},  {415, 79, 192, 113},  {617, 79, 192, 113},
                            {213, 212, 192, 113}, {415, 212, 192, 113}, {617, 212, 192, 113},
                            {213, 345, 192, 113}, {415, 345, 192, 113}, {617, 345, 192, 113}};
constexpr pl::Point kMusicTrack2{176 + 168, 117 + 20}, kMusicReturn{437 + 76, 548 + 24};
constexpr pl::Point kConfigSpeed1{575 + 16, 271 + 16}, kConfigReturn{437 + 76, 547 + 24};
constexpr Rect kEndRows[2] = {{64, 98, 370, 24}, {64, 126, 370, 24}};
constexpr Rect kAboveWindow{0, 0, 1024, 390};
// Right of the galleries' thumbnail panel: their page background only.
constexpr Rect kAlbumFree{840, 100, 170, 340};

bool Starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

pl::Point Centre(Rect r) { return {r.x + r.w / 2, r.y + r.h / 2}; }

struct PlayThrough : kvtest::PlayDriver {
  // The names of the gallery's pictures and the replay's scenes, in the
  // order of their thumbnails (the lists in the script archive).
  std::vector<std::string> ListNames(const char* member) {
    CArc arc;
    pl::SetProgramFolder(folder.path());
    if (!arc.Open("K:\\SCR.AOS")) return {};
    const std::int64_t size = arc.GetSize(member);
    if (size < 8) return {};
    std::vector<std::uint8_t> b(static_cast<std::size_t>(size));
    if (arc.Read(member, b.data(), b.size()) != size) return {};
    std::vector<std::string> names;
    for (std::size_t at = 0; at + 48 <= b.size() - 4; at += 48) names.emplace_back(reinterpret_cast<const char*>(&b[at]));
    return names;
  }

  // The staged picture of a sprite as the engine loads it.
  bool StagedImage(const char* name, CLayerImage* out) { return LoadLayerImage(*out, name, 0, &Grp(), 0, 0) == 1; }
  // The share of the rectangle's sample points where the picture shows the
  // staged 1024-wide image at the origin.
  double ShowsImage(const Picture& pic, const char* name, Rect r) {
    CLayerImage img;
    if (pic.Empty() || !StagedImage(name, &img) || img.m_nWidth != kvtest::kScreenW) return 0;
    int same = 0, all = 0;
    for (int y = r.y; y < r.y + r.h && y < img.m_nHeight; y += 5)
      for (int x = r.x; x < r.x + r.w; x += 5, ++all)
        same += kvtest::NearColour(pic.At(x, y), img.m_Pixels[static_cast<std::size_t>(y) * img.m_nWidth + x], 4) ? 1 : 0;
    return all ? static_cast<double>(same) / all : 0;
  }

  bool TitleUp() { return State() == PND_BUTTON && !ScreenOpen() && Sprite0() == "title"; }
  std::string Sprite0() {
    const CLayerImage* s = Engine() ? Engine()->Tables().SpriteAt(0) : nullptr;
    return s ? std::string(s->m_szName) : std::string();
  }
  void ToTitle(const std::string& what) {
    DoSettled(what, [this] { return TitleUp(); }, {}, 30, 60000);
  }
  // Opens a screen of the title and waits until its page is up (the
  // picture shows its background where nothing lies over it).
  void OpenFromTitle(const std::string& what, pl::Point button, const char* back, Rect free,
                     std::function<void(const Picture&)> check) {
    ToTitle("the title, before " + what);
    Do("click " + what, [] { return true; }, [this, button] { Click(button); });
    auto pic = std::make_shared<Picture>();
    // (Sampled every 8th pump: a fade's steps do not show the picture.)
    Do(
        what + " is up",
        [this, back, free, pic] {
          if (!ScreenOpen() || fake.pumps % 8 != 0) return false;
          *pic = Presented();
          return ShowsBitmap(*pic, back, free) > 0.95;
        },
        [pic, check] { check(*pic); });
  }

  // --- what the run saw
  Picture quickSaved, apart, quickLoaded, savedPage, loadedPage;
  Picture galleryBefore, galleryAfter, replayBefore, replayAfter, endingsBefore, endingsAfter;
  std::string voiceBeforeReplay, voiceReplayed;
  std::int32_t speedSet = -1;
  std::string musicRoomTrack, musicAfterRoom;
  std::vector<std::string> cgNames, sceneNames;
};

TEST_F(PlayThrough, TheWholeGameFromTheLogoToBothEndingsAndItsScreens) {
  cgNames = ListNames("cglist00.dat");
  sceneNames = ListNames("hmlist00.dat");
  ASSERT_GE(cgNames.size(), 3u);
  ASSERT_GE(sceneNames.size(), 3u);

  // The brand logo: its picture whole, its spoken name on the first effect
  // channel.
  std::string logoSound;
  Do("the brand logo", [this] { return fake.pumps % 8 == 0 && ShowsBitmap(Presented(), "ld_logo.bmp", kvtest::kWholeScreen) > 0.95; },
     [&] { logoSound = ChannelName(3); });

  // The title: its picture, its music; nothing unlocked yet in its screens.
  std::string titleMusic;
  Picture title;
  DoSettled("the title", [this] { return TitleUp(); },
            [&] {
              title = Presented();
              titleMusic = ChannelName(0);
            },
            30, 60000);
  OpenFromTitle("the CG gallery", kTitleCg, "cgm_bk0.bmp", kAlbumFree,
                [this](const Picture& p) { galleryBefore = p; });
  Do("leave the gallery", [] { return true; }, [this] { RightClick(); });
  OpenFromTitle("the replay gallery", kTitleReplay, "hm_bk0.bmp", kAlbumFree,
                [this](const Picture& p) { replayBefore = p; });
  Do("leave the replay gallery", [] { return true; }, [this] { RightClick(); });
  OpenFromTitle("the ending list", kTitleEnding, "endm_bk.bmp", {500, 300, 400, 200},
                [this](const Picture& p) { endingsBefore = p; });
  Do("leave the ending list", [] { return true; }, [this] { RightClick(); });
  OpenFromTitle("the settings", kTitleConfig, "cfm_bk0.bmp", {10, 60, 60, 470}, [](const Picture&) {});
  Do("choose the second text speed", [] { return true; }, [this] { Click(kConfigSpeed1); });
  DoSettled("the speed is chosen", [this] { return Engine()->Settings().m_nTextSpeed == 1; },
            [this] {
              speedSet = Engine()->Settings().m_nTextSpeed;
              Click(kConfigReturn);
            });

  // Chapter 1 from the start button.
  ToTitle("the title after the settings");
  Do("start", [] { return true; }, [this] { Click(kTitleStart); });
  std::string ch1Music, firstVoice;
  Picture ch1First;
  DoSettled("chapter 1's first line", [this] { return ClickWait() && PageHas("こんばんは"); },
            [&] {
              ch1Music = ChannelName(0);
              firstVoice = ChannelName(2);
              ch1First = Presented();
            });
  // A quick save at the first line, reading on until the second speaker
  // has come, a quick load: the first line's picture again.
  ClickWindowButton("quick save", "quicksave");
  DoSettled("saved", [this] { return ClickWait(); }, [this] { quickSaved = Presented(); }, 20);
  ReadToPage("on to Sora's first line", "ミナ、ここにいたのか");
  DoSettled("Sora is there", [this] { return ClickWait() && Scene().m_Ops[0].code == 0; },
            [this] { apart = Presented(); }, 20);
  ClickWindowButton("quick load", "quickload");
  AnswerYes("the quick load's question");
  DoSettled("loaded", [this] { return ClickWait() && PageHas("こんばんは") && !PageHas("ミナ、ここに"); },
            [this] { quickLoaded = Presented(); }, 40);
  // Held clicks from here to the backlog.
  Do("hold the clicks", [] { return true; }, [this] { holdPumps = 15; });
  ReadToPage("on to Mina's answer", "ちょうどいいところに来たね");
  // The backlog: the wheel opens it on the last page (Sora's line, then
  // Mina's); once the voices have ended, a click on Mina's line replays
  // her voice; the view's close arrow leaves it.
  Do("open the backlog", [this] { return ClickWait(); },
     [this] {
       Move({1000, 590});
       fake.InjectWheel(1);
     });
  DoSettled("the backlog is open and silent", [this] { return State() == PND_BACKLOG && ChannelName(2).empty(); },
            [this] {
              voiceBeforeReplay = ChannelName(2);
              Click({200, 248});
            },
            20);
  DoSettled("the voice replays", [this] { return !ChannelName(2).empty(); },
            [this] {
              voiceReplayed = ChannelName(2);
              Click({912 + 18, 520 + 12});
            },
            4);
  DoSettled("the backlog is closed", [this] { return ClickWait(); });
  Do("instant clicks again", [] { return true; }, [this] { holdPumps = 0; });
  // The first choice: the town.
  ReadToPage("on to the night town", "夜の町", {"町へ夜景を見に行く"});
  std::string townMusic;
  double townCg = 0;
  DoSettled("the night town", [this] { return ClickWait(); },
            [&] {
              townMusic = ChannelName(0);
              townCg = ShowsImage(Presented(), "ev01", kAboveWindow);
            },
            20);
  // The save screen: slot 1 with a comment typed over the offered one.
  Do("the page to save", [this] { return ClickWait(); }, [this] { savedPage = Presented(); });
  ClickWindowButton("the save screen", "savemenu");
  Picture saveScreen;
  Do("the save screen is up", [this] { return ScreenOpen() && fake.pumps % 8 == 0 && ShowsBitmap(Presented(), "save_bk.bmp", kSaveBack) > 0.95; },
     [this] { Click(kSlot1); });
  DoSettled("the comment field", [this] { return Engine()->m_SaveMode.m_bCommentShown != 0; },
            [this] { fake.InjectText("夜の町にて"); }, 10);
  Pause(60);
  Do("save", [] { return true; }, [this] { Click(kPanelYes); });
  DoSettled("saved in slot 1", [this] { return ScreenOpen() && !Engine()->m_SaveMode.m_bCommentShown; },
            [this] { RightClick(); }, 20);
  DoSettled("back in the story", [this] { return ClickWait(); }, {}, 20);
  // Auto mode reads on by itself.
  ClickWindowButton("auto mode on", "automode");
  // (Auto mode's own clicks do nothing while the cursor is on a button.)
  Do("the cursor off the buttons", [] { return true; }, [this] { Move({300, 300}); });
  std::int32_t autoClicks = -1;
  Do("auto mode reads on", [this] { return PageHas("来てよかった"); },
     [&] {
       autoClicks = 0;
       Click(kTextArea);  // a click ends auto mode
     },
     20000);
  // Chapter 1's end: the chime is waited for; on to chapter 2.
  ReadToPage("on to chapter 1's last line", "第一章はここまで");
  ReadToPage("on to chapter 2", "梅雨だね", {"第二章へ進む"});
  std::string rainMusic, rainAmbience;
  Do("the rain", [this] { return ClickWait(); },
     [&] {
       rainMusic = ChannelName(0);
       rainAmbience = ChannelName(1);
     });
  // The script buttons: the umbrella.
  ReadUntil("on to the script buttons", [this] { pl::Point p; return ScriptButton(0, &p); });
  Do("take the umbrella", [this] { pl::Point p; return ScriptButton(0, &p); },
     [this] {
       pl::Point p;
       ScriptButton(0, &p);
       Click(p);
     });
  ReadToPage("under the umbrella", "二人で入る");
  // Chapter 3: the movie ends on a right click; the first of the last
  // choices leads to the first ending.
  Picture movie;
  ReadUntil("on to the movie", [this] { return MovieShown(); });
  Pause(300);
  Do("end the movie", [] { return true; }, [&] {
    movie = Presented();
    RightClick();
  });
  Do("the movie ended", [this] { return !MovieShown(); });
  ReadToPage("after the movie", "春の丘で撮った映像");
  ReadToPage("on to the first ending", "ひだまりの約束", {"来年の春、あの丘でまた会おう"});
  std::string end1Music;
  Do("the first ending", [this] { return ClickWait(); }, [&] { end1Music = ChannelName(0); });
  ReadUntil("on through the ending's movie", [this] { return ClickWait() && PageHas("おわり") && !PageHas("ひだまり"); });
  ReadUntil("back to the title", [this] { return TitleUp(); });

  // The second time through, down the other branches, skipping what was
  // read: the window's skip button, and again after each stop.
  Do("start again", [this] { return TitleUp(); }, [this] { Click(kTitleStart); });
  ClickWindowButton("skip", "startskip");
  std::int32_t skipMode = -1;
  Do("skipping", [] { return true; }, [&] { skipMode = RunMode(); });
  ReadToPage("to the hill", "ここで星を待とうか", {"丘に残って星を待つ"});
  ReadToPage("to chapter 2 again", "梅雨だね", {"第二章へ進む"});
  ReadUntil("to the script buttons again", [this] { pl::Point p; return ScriptButton(1, &p); });
  Do("run home", [this] { pl::Point p; return ScriptButton(1, &p); },
     [this] {
       pl::Point p;
       ScriptButton(1, &p);
       Click(p);
     });
  ReadUntil("to the movie again", [this] { return MovieShown(); });
  Do("end the movie again", [] { return true; }, [this] { RightClick(); });
  ReadToPage("to the second ending", "雨上がりの帰り道", {"雨上がりのあの道を、また一緒に歩こう"});
  std::string end2Music;
  Do("the second ending", [this] { return ClickWait(); }, [&] { end2Music = ChannelName(0); });
  ReadUntil("back to the title again", [this] { return TitleUp(); });

  // The load screen from the title restores the saved page.
  OpenFromTitle("the load screen", kTitleLoad, "load_bk.bmp", kSaveBack, [](const Picture&) {});
  Do("choose slot 1", [] { return true; }, [this] { Click(kSlot1); });
  Pause(30);
  Do("load it", [] { return true; }, [this] { Click(kPanelYes); });
  DoSettled("the saved page", [this] { return ClickWait() && PageHas("夜の町"); },
            [this] { loadedPage = Presented(); }, 40);
  Do("menu: back to the title", [] { return true; }, [this] { fake.InjectMenuChoice(IDM_TITLE); });
  AnswerYes("the title question");
  const std::vector<const char*> unlocks = {"ev01", "ev02", "ev04", "ev05", "scene01", "scene02", "scene03", "end01", "end02"};
  std::vector<std::int32_t> unlocked;
  ToTitle("the title at the end of the first run");
  std::vector<bool> cgUnlocked, sceneSeen;
  Do("what the run unlocked", [] { return true; }, [&] {
    for (const char* name : unlocks) unlocked.push_back(Global(name));
    for (const std::string& name : cgNames) cgUnlocked.push_back(Global(name.c_str()) != 0);
    for (const std::string& name : sceneNames) sceneSeen.push_back(Global(name.c_str()) != 0);
  });
  Play();

  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(AllStepsDone()) << "stopped at: " << failedStep;
  EXPECT_TRUE(OtherBoxes().empty()) << kvtest::Texts(OtherBoxes());

  // The logo spoke one of its names; the title played its music.
  EXPECT_FALSE(logoSound.empty());
  EXPECT_TRUE(Starts(titleMusic, "bgm01")) << titleMusic;
  EXPECT_GT(title.Lit(kvtest::kWholeScreen), 10000) << "the title is black";
  EXPECT_GT(ShowsImage(title, "title", {0, 0, 1024, 240}), 0.9) << "the title's picture is not shown";
  EXPECT_EQ(speedSet, 1);
  // Chapter 1: its music, Mina's voice, the picture.
  EXPECT_TRUE(Starts(ch1Music, "bgm02")) << ch1Music;
  EXPECT_TRUE(Starts(firstVoice, "mwd001")) << firstVoice;
  EXPECT_GT(ch1First.Lit(kAboveWindow), 10000);
  EXPECT_TRUE(Heard(2, "sor001.wav") || Heard(2, "sor001.ogg")) << HeardList(2);
  bool door = false;
  for (int ch = 3; ch < 19; ++ch) door = door || Heard(ch, "se_door.wav");
  EXPECT_TRUE(door) << "the door's effect was not played";
  EXPECT_TRUE(Heard(3, "se_chime.wav")) << HeardList(3);
  // The quick load gave back the first line's scene.
  EXPECT_GT(apart.Differs(quickSaved, kAboveWindow), 1000) << "Sora's coming did not change the scene";
  EXPECT_EQ(quickLoaded.Differs(quickSaved, kAboveWindow), 0) << "the quick load's scene is not the saved one";
  // The backlog replayed the line's voice.
  EXPECT_TRUE(Starts(voiceReplayed, "mwd005")) << voiceReplayed << " (before: " << voiceBeforeReplay << ")";
  // The town and its picture.
  EXPECT_TRUE(Starts(townMusic, "bgm03")) << townMusic;
  EXPECT_GT(townCg, 0.8) << "the night town's picture is not shown";
  // Slot 1: the comment and the page as its thumbnail.
  const SaveSlotInfo slot = ReadSlotInfo(folder.path(), 0);
  EXPECT_TRUE(slot.present);
  EXPECT_EQ(kvtest::Utf8(slot.comment), "夜の町にて");
  std::vector<std::uint32_t> thumb;
  ASSERT_TRUE(ReadThumbnail(folder.path(), 0, kThumbnailWidth, kThumbnailHeight, &thumb));
  int far = 0, samples = 0;
  for (int y = 0; y < kThumbnailHeight; y += 9)
    for (int x = 0; x < kThumbnailWidth; x += 9, ++samples) {
      std::uint32_t mean = 0;
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int k = 0; k < 4; ++k) sum += kvtest::ChannelOf(savedPage.At(2 * x + (k & 1), 2 * y + (k >> 1)), c);
        mean |= static_cast<std::uint32_t>(sum / 4) << (8 * c);
      }
      far += kvtest::NearColour(thumb[static_cast<std::size_t>(y) * kThumbnailWidth + x], mean, 8) ? 0 : 1;
    }
  EXPECT_LT(far, samples / 50) << "the thumbnail is not the saved page";
  // Loading slot 1 from the title showed the saved page's scene again.
  EXPECT_EQ(loadedPage.Differs(savedPage, kAboveWindow), 0) << "the load did not restore the saved picture";
  EXPECT_EQ(autoClicks, 0);
  // Chapter 2's rain and ambience; the endings' music.
  EXPECT_TRUE(Starts(rainMusic, "bgm04")) << rainMusic;
  EXPECT_TRUE(Starts(rainAmbience, "env_rain")) << rainAmbience;
  EXPECT_TRUE(Starts(end1Music, "bgm06")) << end1Music;
  EXPECT_TRUE(Starts(end2Music, "bgm07")) << end2Music;
  EXPECT_EQ(skipMode, RUN_SKIP);
  // The movie played in its place over the scene.
  EXPECT_GT(movie.Lit({192, 124, 640, 352}), 2000) << "the movie is black";
  // What the run unlocked, kept in the persistent variables.
  ASSERT_EQ(unlocked.size(), unlocks.size());
  for (std::size_t i = 0; i < unlocks.size(); ++i) EXPECT_NE(unlocked[i], 0) << unlocks[i];
  // The ending's picture exported into save/bmp.
  EXPECT_TRUE(std::filesystem::exists(folder / "save/bmp/ev04.abm")) << "the ending's picture was not exported";

  // A second start: the title's screens show what the first run unlocked.
  steps.clear();
  fake.boxes.clear();
  for (auto& h : heard) h.clear();
  std::string titleMusicAgain;
  DoSettled("the title of the second start", [this] { return TitleUp(); }, [&] { titleMusicAgain = ChannelName(0); }, 30,
            60000);
  OpenFromTitle("the CG gallery again", kTitleCg, "cgm_bk0.bmp", kAlbumFree,
                [this](const Picture& p) { galleryAfter = p; });
  // An unlocked picture opens full size.
  std::size_t firstCg = 0;
  while (firstCg < cgNames.size() && cgNames[firstCg] != "ev01") ++firstCg;
  double viewed = 0;
  if (firstCg < 9) {
    Do("open ev01", [] { return true; }, [&] { Click(Centre(kThumb[firstCg])); });
    Do("ev01 full size", [this] { return fake.pumps % 8 == 0 && ShowsImage(Presented(), "ev01", kvtest::kWholeScreen) > 0.9; },
       [&] {
         viewed = 1;
         RightClick();
       },
       4000);
    Do("the gallery's page again", [this] { return fake.pumps % 8 == 0 && ShowsBitmap(Presented(), "cgm_bk0.bmp", kAlbumFree) > 0.95; });
    Pause(30);
  }
  Do("leave the gallery", [] { return true; }, [this] { Click(kGalleryReturn); });
  OpenFromTitle("the replay gallery again", kTitleReplay, "hm_bk0.bmp", kAlbumFree,
                [this](const Picture& p) { replayAfter = p; });
  Do("leave the replay gallery", [] { return true; }, [this] { RightClick(); });
  OpenFromTitle("the ending list again", kTitleEnding, "endm_bk.bmp", {500, 300, 400, 200},
                [this](const Picture& p) { endingsAfter = p; });
  Do("leave the ending list", [] { return true; }, [this] { RightClick(); });
  OpenFromTitle("the music room", kTitleMusic, "bgmm_bk.bmp", {10, 10, 150, 50}, [](const Picture&) {});
  Do("play track 2", [] { return true; }, [this] { Click(kMusicTrack2); });
  DoSettled("track 2 plays", [this] { return Starts(ChannelName(0), "bgm02"); },
            [this] {
              musicRoomTrack = ChannelName(0);
              Click(kMusicReturn);
            });
  DoSettled("back from the music room", [this] { return TitleUp(); }, [this] { musicAfterRoom = ChannelName(0); }, 30);
  // A replay: the first scene plays again from its start.
  std::size_t firstScene = 0;
  while (firstScene < sceneNames.size() && sceneNames[firstScene] != "scene01") ++firstScene;
  ASSERT_LT(firstScene, 9u);
  OpenFromTitle("the replay gallery for a replay", kTitleReplay, "hm_bk0.bmp", kAlbumFree, [](const Picture&) {});
  Do("replay the first scene", [] { return true; }, [&] { Click(Centre(kThumb[firstScene])); });
  DoSettled("the replayed scene", [this] { return ClickWait() && PageHas("こんばんは"); }, {}, 10);
  Do("menu: back to the title", [] { return true; }, [this] { fake.InjectMenuChoice(IDM_TITLE); });
  AnswerYes("the title question");
  ToTitle("the title after the replay");
  Do("exit", [] { return true; }, [this] { Click(kTitleExit); });
  Play();

  EXPECT_EQ(exitCode, 0);
  ASSERT_TRUE(AllStepsDone()) << "stopped at: " << failedStep;
  EXPECT_TRUE(OtherBoxes().empty()) << kvtest::Texts(OtherBoxes());
  EXPECT_EQ(viewed, 1) << "ev01 did not open full size";
  EXPECT_TRUE(Starts(titleMusicAgain, "bgm01")) << "the second start's title is silent: " << titleMusicAgain;
  // The galleries: the thumbnails of what the first run unlocked changed
  // from the first visit, the others did not.
  ASSERT_EQ(cgUnlocked.size(), cgNames.size());
  ASSERT_EQ(sceneSeen.size(), sceneNames.size());
  for (std::size_t i = 0; i < cgNames.size() && i < 9; ++i) {
    const int changed = galleryAfter.Differs(galleryBefore, kThumb[i], 6);
    if (cgUnlocked[i]) EXPECT_GT(changed, 300) << cgNames[i] << " still looks locked";
    else EXPECT_EQ(changed, 0) << cgNames[i] << " looks unlocked";
  }
  for (std::size_t i = 0; i < sceneNames.size() && i < 9; ++i) {
    const int changed = replayAfter.Differs(replayBefore, kThumb[i], 6);
    if (sceneSeen[i]) EXPECT_GT(changed, 300) << sceneNames[i] << " still looks unseen";
    else EXPECT_EQ(changed, 0) << sceneNames[i] << " looks seen";
  }
  // The ending list names both endings now.
  for (const Rect& row : kEndRows) EXPECT_GT(endingsAfter.Differs(endingsBefore, row, 20), 10) << "an ending is still unknown";
  // The music room played its track and gave the title its music back.
  EXPECT_TRUE(Starts(musicRoomTrack, "bgm02")) << musicRoomTrack;
  EXPECT_TRUE(Starts(musicAfterRoom, "bgm01")) << "after the room: " << musicAfterRoom << "; music heard: " << HeardList(0);
}

}  // namespace
