// kivzo: the program. Start-up, the run and shutdown are the process's own
// (app/); here only the platform is chosen.
#include "app/process.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/signals.h"

int main() {
  pl::InstallQuitSignals();
  auto backend = pl::CreateSdlBackend();
  pl::SetBackend(backend.get());
  int rc;
  {
    ProcessGlobals globals;
    rc = KivzoMain(globals, nullptr);
  }
  pl::SetBackend(nullptr);
  return rc;
}
