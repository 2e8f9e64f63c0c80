// The answers the scene gives to the layer drawing: which record is the
// background and which the last normal sprite, the window opacity, and
// what lies under a window button.
#pragma once

// Sets the scene's hooks, keeping those other parts have set.
void InstallSceneDrawHooks();
