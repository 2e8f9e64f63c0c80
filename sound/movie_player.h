// The movie players.
//
// CDirectShow plays one movie for the movie screen: the picture is decoded
// into the display device's movie surface and drawn into the main window
// from a thread of its own every 30 ms, the sound plays beside the game's
// channels. The screen hands the thread over with the run-wanted flag and
// parks it only after its busy flag has dropped, so a parked thread never
// holds the player's lock.
//
// PlayAvi / StopAvi play an ".avi" over the main window's picture (the
// script's `avi` command): a frame per 30-ms pass, stretched to the picture,
// and the end posted to the window as kAviNotifyMessage.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/critical_section.h"
#include "framework/thread.h"
#include "platform/messages.h"
#include "platform/window.h"

class CDDraw;

namespace pl {
class MovieStream;
class SoundDevice;
}  // namespace pl

// The two settings words the movie's sound follows, owned by the engine's
// settings record: the music switch (0 plays movies silent) and the music
// attenuation (0 loudest to 100 silent). Unset words read as 1 and 0.
struct MovieSoundSettings {
  const std::int32_t* bgm = nullptr;
  const std::int32_t* bgmVolume = nullptr;
};
void SetMovieSoundSettings(const MovieSoundSettings& settings);
std::int32_t MovieBgmSwitch();
std::int32_t MovieBgmVolume();

class CDirectShow {
 public:
  static constexpr std::uint32_t kPassMs = 30;
  static constexpr std::size_t kPathBytes = 260;

  CDirectShow();
  virtual ~CDirectShow();
  CDirectShow(const CDirectShow&) = delete;
  CDirectShow& operator=(const CDirectShow&) = delete;

  // Keeps the window, takes the program's display device and the music
  // volume, and starts the thread. 0 success, 1 failure.
  int StartThread(pl::Window* hWnd);
  // Ends the thread (at shutdown); the player stays usable without it.
  void StopThread();
  // Marks the thread wanted (1) or not (0), waits while it is inside a
  // pass, then resumes or parks it. Not from the player's own thread.
  void SetThreadRunning(int flag);

  // The thread's body: a pass every 30 ms until the thread is stopped.
  virtual int ThreadMain();
  // 0 when the movie is open, -1 after its message.
  virtual int Open(const char* path);
  virtual void Close();
  virtual int Play();
  virtual int Resume();
  virtual int Pause();
  virtual void Stop();
  virtual int IsRunning();
  virtual int GetLoop() { return m_bLoop.load(); }
  // 1 when the flag was already so, else 0.
  virtual int SetLoop(int loop);
  virtual int GetTimeMs();
  virtual int GetFrame();
  virtual int SeekMs(int ms);
  virtual int GetDurationMs();
  // The attenuation (0 to 100); 0 when applied, -1 without sound (stored
  // only), 1 when the device refused it (nothing stored).
  virtual int SetVolume(int attenuation);
  virtual int GetVolume() { return m_nVolume; }
  virtual std::int32_t* GetShowFlagPtr() { return &m_bShown; }
  virtual int IsSampleReady() { return m_bSampleReady; }
  virtual int HasAudio() { return m_bHasAudio; }
  virtual int IsPaused() { return m_nPauseCount.load() != 0; }
  virtual int IsFullSize() { return m_bFullSize; }
  virtual void SetPos(int x, int y);
  // (x, y, x + width, y + height).
  virtual void GetRect(pl::Rect* rect);

  // One pass of the thread: the frame due now drawn, the end handled.
  void Update();
  void DrawFrame();

  int IsBusy() const { return m_bBusy.load(); }
  int IsRunWanted() const { return m_bRunWanted.load(); }
  int IsOpen() const { return m_bOpen; }
  int IsSurfaceReady() const { return m_bSurfaceReady; }
  int GetPauseCount() const { return m_nPauseCount.load(); }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  std::int64_t GetFrameTime() const { return m_nFrameTime; }
  const char* GetPath() const { return m_szPath; }
  // The sound's device volume (hundredths of a decibel), -10000 without sound.
  std::int32_t GetDeviceVolume();
  // How many frames DrawFrame has drawn since the player was made.
  std::uint64_t FramesDrawn() const { return m_nFramesDrawn.load(); }

 private:
  class CPlayerThread : public CThread {
   public:
    explicit CPlayerThread(CDirectShow& owner) : m_Owner(owner) {}
    ~CPlayerThread() override { Stop(); }
    int Run() override { return m_Owner.ThreadMain(); }

   private:
    CDirectShow& m_Owner;
  };

  void OnEndOfStream();

  std::atomic<int> m_bBusy{0};
  std::atomic<int> m_bRunWanted{1};
  pl::Window* m_hWnd = nullptr;
  CDDraw* m_pDirectDraw = nullptr;
  std::unique_ptr<pl::MovieStream> m_pStream;  // stands for the stream interfaces
  // Both are changed by the thread at the end of a movie and read by the
  // screen between passes.
  std::atomic<int> m_nPauseCount{0};
  std::int64_t m_nSavedTime = 0;  // 100 ns
  std::string m_strPath;          // UTF-8
  char m_szPath[kPathBytes] = {};  // CP932
  std::int32_t m_bSurfaceReady = 0;
  std::int32_t m_bShown = 0;
  std::int32_t m_bOpen = 0;
  std::atomic<std::int32_t> m_bLoop{0};
  std::int32_t m_bSampleReady = 0;
  std::int32_t m_bHasAudio = 0;
  std::int32_t m_bFullSize = 0;
  std::int64_t m_nFrameTime = 0;  // 100 ns
  int m_nVolume = 100;
  int m_nX = 0, m_nY = 0;
  int m_nWidth = 0, m_nHeight = 0;
  std::atomic<std::uint64_t> m_nFramesDrawn{0};
  CCriticalSection m_Lock;
  CPlayerThread m_Thread{*this};
};

// The end of an AVI, posted to the window PlayAvi was given: WPARAM
// kAviNotifySuccessful, LPARAM the device id.
inline constexpr std::uint32_t kAviNotifyMessage = 0x03B9;
inline constexpr pl::WPARAM kAviNotifySuccessful = 1;

// Errors of PlayAvi (0 is success).
enum : int {
  kAviErrorFileNotFound = 275,
  kAviErrorInvalidFile = 296,
  kAviErrorNoWindow = 297,
};

// The process's AVI device id word: 0 while no AVI is open.
std::uint32_t& AviDeviceId();
// Opens the movie under the game path, stores its device id in *deviceId
// and plays it over the main window's picture, posting the end to `window`.
// An AVI already playing is stopped first. 0 or an error.
int PlayAvi(pl::Window* window, std::uint32_t* deviceId, const char* path);
// Stops and closes the AVI named by AviDeviceId() and clears the word; 0
// when none is open.
int StopAvi();
// Whether a kAviNotifyMessage is the end of the AVI that is open now (a
// late end of one already stopped is not).
bool IsAviEndMessage(pl::WPARAM wParam, pl::LPARAM lParam);
// Frames the AVI player has drawn since the last PlayAvi.
std::uint64_t AviFramesDrawn();
