// Preloaded into the program by bench/idle.sh: counts the calls of
// SDL_RenderPresent, each one picture put on the screen. The count is a
// 64-bit word at the start of the file named by KIVZO_PRESENT_COUNT, mapped
// shared, so that the script reads it at any moment without the program
// doing anything more than the add.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

typedef void (*PresentFn)(void* renderer);

static uint64_t* g_count;
static PresentFn g_real;

__attribute__((constructor)) static void OpenCount(void) {
  const char* path = getenv("KIVZO_PRESENT_COUNT");
  if (!path || !*path) return;
  int fd = open(path, O_RDWR | O_CREAT, 0644);
  if (fd < 0) return;
  if (ftruncate(fd, sizeof(uint64_t)) == 0) {
    void* p = mmap(NULL, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p != MAP_FAILED) g_count = (uint64_t*)p;
  }
  close(fd);
}

void SDL_RenderPresent(void* renderer) {
  if (!g_real) g_real = (PresentFn)dlsym(RTLD_NEXT, "SDL_RenderPresent");
  if (g_count) __atomic_add_fetch(g_count, 1, __ATOMIC_RELAXED);
  if (g_real) g_real(renderer);
}
