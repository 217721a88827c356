#pragma once
// Message windows: hidden, never-shown endpoints that other processes of the same user find
// by class name and window name and send blocks of bytes to, synchronously.
//
// Model (the behaviour of a window message of the copy-data kind):
// - A window belongs to a registered class, has a window name and a 32-bit handle
//   (1 .. 0x7FFFFFFF) unique among the live windows of the user. Handles are never 0.
// - sendCopyData(target, sender, code, block) delivers (code, sender handle, block) to the
//   target window's handler and returns only after that handler has run, with the handler's
//   result. While it waits, the calling thread still dispatches the messages that arrive at
//   this process's own windows (so the receiver can send a reply back during the request,
//   and two processes sending to each other at the same moment both complete). Nothing else
//   runs meanwhile: the Qt event loop is not spun, no user input is processed.
// - A send to a window of this very process calls its handler directly.
// - An unreachable target (0, destroyed, its process gone) makes the send fail at once;
//   a receiver that dies while the sender waits makes the send fail (it does not hang).
//   A receiver that stays alive but never returns from its handler blocks the sender, as
//   with any synchronous send.
// - Only processes of the same user can reach a window: the sockets live in the private
//   runtime folder (RuntimeDir.h) and both ends check the peer's credentials.
// - Incoming messages are read by QSocketNotifiers on the thread that created the window
//   (the GUI thread), so handlers run from the Qt event loop on that thread. Without a
//   running event loop (helpers, tests) pumpMessages() dispatches them.
// - Malformed or oversized frames are dropped without reaching a handler. One sending process
//   holds at most a few connections whose frames are still arriving, and frames that stall
//   are dropped, so a process that starts frames and never finishes them cannot make the
//   sends of others fail.
// - A handler may destroy its own window (or any other): the window is gone at once for
//   everyone (not found, not reachable, isWindow false); the bookkeeping is released after
//   the dispatch in progress has returned.
//
// All functions are for one thread (the GUI thread); they are not thread-safe.
// Failing calls return 0/false and set platform::lastError() (LastError.h).
//
// The transport carries any block, including one of fewer than 8 bytes; checking the
// layout of the block is the business of the layer above.

#include <QByteArray>
#include <QString>
#include <csignal>
#include <cstdint>
#include <functional>

namespace platform {

using WindowHandle = std::uint32_t;

// What a handler receives: the copy-data message.
struct CopyDataMessage {
  WindowHandle window = 0; // the receiving window
  WindowHandle sender = 0; // the sender's own window as the sender named it (wParam)
  std::uint32_t code = 0;  // dwData
  QByteArray data;         // the block (cbData bytes of lpData)
};

// The window procedure for copy-data messages; its result goes back to the sender.
using CopyDataHandler = std::function<std::int64_t(const CopyDataMessage &message)>;

// The window message number of the copy-data kind, for code that wants to name it.
constexpr unsigned kWmCopyData = 74;

// Registers a window class in this process. False (lastError EEXIST) when a class of that
// name (compared without regard to case) is already registered in this process; false
// (EINVAL) for an empty name.
bool registerWindowClass(const QString &className);

// Unregisters a class. False (EBUSY) while windows of the class exist in this process,
// false (ENOENT) when it is not registered.
bool unregisterWindowClass(const QString &className);

// Creates a window of a registered class. Returns its handle, or 0: ENOENT when the class is
// not registered, or the error of the socket calls. Throws ERuntimeDirError (RuntimeDir.h)
// when the runtime folder is unusable, including a path too long for a socket name.
// `handler` may be empty: messages are then accepted and answered with 0.
WindowHandle createWindow(const QString &className, const QString &windowName,
                          CopyDataHandler handler = {});

// Replaces the handler of a window of this process (the window procedure). False (ENOENT)
// when the handle is not a live window of this process.
bool setWindowHandler(WindowHandle window, CopyDataHandler handler);

// Destroys a window of this process. False (ENOENT) when it is not a live window of this
// process. Safe inside the window's own handler.
bool destroyWindow(WindowHandle window);

// True when the handle denotes a live window of this user, in this or another process.
bool isWindow(WindowHandle window);

// The handle of a live window of this user whose class name and window name both equal the
// given ones, compared without regard to case (as the desktop's window lookup does); 0
// (lastError ENOENT) when there is none. Windows of processes that died, however they
// died, are never found; their leftovers are removed on the way.
WindowHandle findWindow(const QString &className, const QString &windowName);

// Sends (code, sender, data) to `target` and waits until its handler has run. On success
// returns true and stores the handler's result in *result (when given). Returns false when
// the target is unreachable or died before answering (lastError ENOENT, ECONNREFUSED,
// ECONNRESET, EPERM for a peer of another user, ...). With `timeoutMs` >= 0 the wait gives
// up after that long (ETIMEDOUT); the frame may still reach a receiver that was only slow.
bool sendCopyData(WindowHandle target, WindowHandle sender, std::uint32_t code,
                  const QByteArray &data, std::int64_t *result = nullptr, int timeoutMs = -1);

// A flag that a signal handler sets: while it is nonzero, every send gives up (EINTR) instead
// of waiting, so that a program blocked on a receiver that never answers still sees the
// signal. Null (the default) for none.
void setSendInterruptFlag(const volatile std::sig_atomic_t *flag);

// Dispatches the messages that have arrived at this process's windows, waiting up to
// `timeoutMs` milliseconds (0: do not wait, -1: until one was dispatched) for the first.
// Returns the number dispatched; 0 at once when this process has no window and no message
// on its way in. For helpers and tests that do not run a Qt event loop.
//
// A window created before the QCoreApplication exists, or on another thread than the
// application's, gets no notifier: its messages arrive only through pumpMessages and
// through the wait of sendCopyData.
int pumpMessages(int timeoutMs);

} // namespace platform
