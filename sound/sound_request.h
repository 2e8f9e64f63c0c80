// Sound by kind and name: requests turned into a channel, a file and a
// play mode; the timed fade-outs and the ducking of music and ambience
// while a voice speaks; the memos a saved game keeps.
#pragma once

// The per-frame step of the fades and the ducking.
void UpdateSoundFades();
