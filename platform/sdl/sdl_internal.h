// Inside the SDL backend: the native part of a window and the backend class,
// shared by its event/present half and its modal half (menu loop, boxes,
// dialogs).
#pragma once
#include <SDL.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/backend.h"
#include "platform/input_step.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/ui/canvas.h"
#include "platform/ui/menu_bar_view.h"

namespace pl {

namespace sdl {

struct NativeWindow {
  Window* owner = nullptr;
  SDL_Window* win = nullptr;
  SDL_Renderer* ren = nullptr;
  SDL_Texture* clientTex = nullptr;
  int texWidth = 0, texHeight = 0;
  SDL_Texture* pictureTex = nullptr;  // the scaled view's 1024 x 600 picture
  SDL_Texture* stripTex = nullptr;    // the menu bar, redrawn when it changes
  int stripWidth = 0;
  bool stripDirty = true;
  std::vector<std::uint32_t> stripPixels;
  SDL_Texture* overlayTex = nullptr;
  int overlayWidth = 0, overlayHeight = 0;
  std::vector<std::uint32_t> overlayPixels;
  SDL_Texture* childTex = nullptr;  // the child windows over the client
  int childWidth = 0, childHeight = 0;
  std::vector<std::uint32_t> childPixels;
  std::uint32_t windowId = 0;
  bool focused = false;
  bool fullRedraw = true;
  std::uint32_t lastPresent = 0;  // SDL_GetTicks of the last present
};

NativeWindow* Native(Window& w);
std::uint32_t VirtualKeyOf(const SDL_Keysym& k);
int ScanCodeOf(SDL_Scancode sc);
// The platform's button number of an SDL button; -1 for the others.
int ButtonOf(std::uint8_t sdlButton);

}  // namespace sdl

// Draws a modal widget (a box, a dialog) over the window, on a canvas of the
// whole window (menu strip included) that is composited with its alpha.
using OverlayPainter = std::function<void(ui::Canvas&)>;

class SdlBackend final : public Backend {
 public:

  SdlBackend();
  ~SdlBackend() override;
  Clock& clock() override { return clock_; }

  bool CreateNative(Window& w, const WindowDesc& desc) override;
  void HideNative(Window& w) override;
  void FreeNative(Window& w) override;
  void TitleChanged(Window& w) override;
  void ShowChanged(Window& w, int command) override;
  void GeometryChanged(Window& w) override;
  void MenuChanged(Window& w) override;
  void Raise(Window& w) override;
  bool HasFocus(Window& w) override;
  void GetScreenSize(int* width, int* height) override;
  int MenuBarHeight() override;
  int ScreenBitsPerPixel() override;
  std::vector<DisplayModeInfo> DisplayModes() override;
  DisplayModeInfo DesktopMode() override;
  DisplayModeInfo CurrentMode() override;
  bool SetFullscreen(Window& w, FullscreenKind kind, int width, int height) override;
  void ScaledViewChanged(Window& w) override;
  void PumpEvents() override;
  void RunMenuLoop(Window& w, const Point* openingClick) override;
  std::unique_ptr<SoundDevice> OpenSoundDevice() override;
  int ShowMessageBox(Window* owner, const std::string& textCp932, const std::string& captionCp932,
                     std::uint32_t style) override;
  bool RunDialog(Window* owner, Dialog& dlg) override;
  bool OpenUrl(const std::string& url) override { return SDL_OpenURL(url.c_str()) == 0; }
  std::string UserDataFolder(const std::string& app) override {
    char* path = SDL_GetPrefPath("kivzo", app.c_str());
    if (!path) return {};
    std::string out = path;
    SDL_free(path);
    return out;
  }

  void SetVideoAvailable(bool ok) { videoOk_ = ok; }

 private:
  void ApplyStyle(Window& w);
  Window* WindowOf(std::uint32_t windowId);
  void Translate(const SDL_Event& e);
  void TranslateWindowEvent(Window& w, const SDL_WindowEvent& e);
  void UploadFront(Window& w, sdl::NativeWindow& n);
  void Render(Window& w, const OverlayPainter* overlay);
  void DrawMenuStrip(Window& w, sdl::NativeWindow& n, int menuH);
  bool Interactive() const;
  // Modal loops (sdl_modal.cpp).
  ui::MenuBarView* MenuBar(Window& w);
  int RunMessageBoxLoop(Window& w, const std::string& textCp932, const std::string& captionCp932,
                        std::uint32_t style);
  // Waits for the next event of a modal loop, keeping the input state and
  // the window's focus as the pump does; false on a time-out.
  bool NextModalEvent(Window& w, SDL_Event* e);

  SystemClock clock_;
  Window* mainWindow_ = nullptr;
  InputStep input_{*this};
  bool textInputOn_ = false;
  void UpdateTextInput(Window& w);
  void DrawChildren(Window& w, sdl::NativeWindow& n, int menuH);
  bool videoOk_ = false;
  // The bar of the menu now attached (rebuilt when another is attached).
  std::unique_ptr<ui::MenuBarView> bar_;
  const Menu* barMenu_ = nullptr;
};

}  // namespace pl
