// The process: its global objects, start-up, the run and shutdown.
#pragma once
#include <cstdint>

#include "framework/app_base.h"
#include "framework/critical_section.h"
#include "graphics/anti_font.h"
#include "graphics/font_list.h"
#include "sound/sound_system.h"

// The program's global objects in their order of construction; members are
// destroyed in reverse order. One aggregate, because C++ leaves the order of
// globals across files unspecified.
struct ProcessGlobals {
  ProcessGlobals();
  ~ProcessGlobals();
  ProcessGlobals(const ProcessGlobals&) = delete;
  ProcessGlobals& operator=(const ProcessGlobals&) = delete;

  CAppBase m_App;
  // The text renderer and the installed-font list.
  CAntiFont m_AntiFont;
  CFontList m_FontList;
  CCriticalSection m_PresentLock;
  // The sound system with its nineteen channel records.
  CSoundSystem m_Sound;
};

// The process-wide instance while one exists (null otherwise).
ProcessGlobals* GetProcessGlobals();

// 1 when every object was made and the engine can run; 0 when start-up
// stopped (the reason was shown, except for a second copy, which stops
// silently).
int Startup(CAppBase& app, void* hInstance);
// Runs until the window is destroyed.
void RunEngine(CAppBase& app);
// Releases everything start-up made, in order; also after a failed start-up.
void Shutdown(CAppBase& app);

// What the program's main does: start-up, run, shutdown. Returns the exit
// code: 0 after a normal run and for a second copy, 1 when start-up failed.
int KivzoMain(ProcessGlobals& globals, void* hInstance);
