#pragma once

// Ends the program once everything it owns has been torn down in order.
//
// Qt 6.4's PulseAudio engine is a process-wide object destroyed among the
// exit handlers, and it disconnects from the sound server without holding
// the lock of its own PulseAudio thread, which may at that very moment be
// reading the server's socket. Whenever a message from the server arrives
// just then (a sink or source changing state, a reply for the stream just
// closed), both threads free the same connection and the program dies at
// its very end, after its statistics and recording are written. PipeWire's
// PulseAudio server sends such messages far more often than PulseAudio.
// Nothing of ours is left to tear down by then, and the server sees the
// socket close either way, so the exit handlers are skipped instead.

namespace lilyhops {

// Flushes standard output and error, runs the leak check of a sanitizer
// build, and ends the process with `status` without running exit handlers.
[[noreturn]] void endProcess(int status);

} // namespace lilyhops
