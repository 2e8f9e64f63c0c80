// The answers the scene gives to the layer drawing: which record is the
// background and which the last normal sprite, the window opacity, and
// what lies under a window button.
#pragma once

// Sets the scene's hooks, keeping those other parts have set.
void InstallSceneDrawHooks();

// The weather and overlay layers take one step a render tick. Between these
// two calls the first drawing of the layers that asks for a step (argument
// 1) moves them; every other drawing shows them where they are.
void BeginLayerTick();
void EndLayerTick();
