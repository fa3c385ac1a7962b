#pragma once

#include <SDL.h>

#include <functional>

// Platform-internal: the one place SDL events are drained. The window module turns them into
// window messages; platform/keys listens for keyboard and mouse records. Engine code never
// includes this header.
namespace os {

using SdlEventListener = std::function<void(const SDL_Event&)>;

// Starts SDL's event subsystem (once) and makes PollSystemEvents drain it.
// False when SDL cannot start it; SDL_GetError says why.
bool StartSdlEvents();
// Listeners see every drained event, in order. Returns an id for RemoveSdlEventListener.
int AddSdlEventListener(SdlEventListener listener);
void RemoveSdlEventListener(int id);

}  // namespace os
