// The synchronous call of a worker onto the main thread.
#pragma once

#include <functional>

class QThread;

namespace vantorel {

// Runs `routine` on the thread of the application object and returns when it has run. Called on
// that thread itself, or without an application object, it runs at once. The main thread must be
// handling events (or waiting for the worker while handling them), or the worker waits.
void CallOnMainThread(const std::function<void()>& routine);

// Waits for the thread to end; on the main thread it handles events meanwhile, so that the
// worker's synchronous calls can run (a plain wait would deadlock on them).
void WaitForWorker(QThread& thread);

} // namespace vantorel
