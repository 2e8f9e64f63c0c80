// CMovieMode: the modal screen that plays one movie through the movie
// player and returns when the movie ends or the player cancels it (Space or
// the right button). The engine keeps one for the whole run; the player's
// thread is started once at engine start and parked whenever no movie
// plays. While a movie plays the player's thread draws it straight to the
// window, so the screen presents nothing itself but the parts of its
// picture around the movie.
#pragma once
#include <cstdint>
#include <string>

#include "screens/screen_base.h"
#include "sound/movie_player.h"

class CMovieMode : public IProgMode {
 public:
  CMovieMode() = default;
  ~CMovieMode() override;

  // At engine start: the player's thread is made and parked. 0, or 1 when
  // the thread could not be made (movies then open but are never drawn).
  int StartPlayer(pl::Window* hWnd);

  // The launcher's two descriptors: the presented screen (the backdrop the
  // movie plays over) and the buffer that keeps the game's picture while
  // the movie plays. (x, y) is where the movie's picture goes. 0, or -1
  // when the movie could not be opened, a work surface could not be made
  // or the window was closed.
  int Run(pl::Window* owner, IWinHookList* hooks, const ScreenDescriptor& screen, const ScreenDescriptor& saved,
          CKeyManager* keys, const char* path, int x, int y);

  // While a movie is shown only the bands around it are presented: the
  // movie's own rectangle belongs to the player's thread.
  void Redraw(int x, int y, int width, int height, int srcX, int srcY) override;
  void Enter() override;
  void Update() override;
  // Closes the movie and parks the player's thread.
  void Stop();

  CDirectShow& Player() { return m_Player; }
  // Where the movie's picture goes on the screen, clipped to it; empty
  // while no movie is shown.
  pl::Rect ShownRect();

  // The engine's screen-running word (set by the launcher; may be null).
  std::int32_t* m_pScreenRunning = nullptr;
  // Set by the launcher from the settings as for every screen; a movie has
  // no fades of its own, so it changes nothing here.
  std::int32_t m_bNoEffect = 0;

 private:
  CBuffer m_Backdrop;
  CBuffer m_SavedView;
  CBuffer m_BackSurface;
  CDirectShow m_Player;
  std::string m_strPath;
  int m_nX = 0, m_nY = 0;
  bool m_bPlayerStarted = false;
};
