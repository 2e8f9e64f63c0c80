// SIGTERM and SIGINT ask the program to quit in order (so that its save data
// is still written) instead of killing it: the next PeekMessage posts
// WM_KV_QUITREQUEST to the program's window.
#pragma once
#include <cstdint>

namespace pl {

inline constexpr std::uint32_t WM_KV_QUITREQUEST = 0x8001;

void InstallQuitSignals();
// True once after a signal arrived (clears it).
bool TakeQuitSignal();
// True from the first signal on, for loops that cannot see messages.
bool QuitSignalSeen();

}  // namespace pl
