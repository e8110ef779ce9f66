#pragma once
// The post-to-UI-thread function handed to the HTTP components.
#include "platform/http.h"

namespace korvane::ui {

// Queues each task on the event loop of the application object's thread; safe from any thread.
platform::PostToUiThread MakePostToUiThread();

}  // namespace korvane::ui
