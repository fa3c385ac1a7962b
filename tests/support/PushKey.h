#pragma once

#include <SDL.h>

// Queues a key press as SDL would deliver it, for tests that drive the shell's message flow.
inline void PushKey(SDL_Scancode scancode, SDL_Keycode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}
