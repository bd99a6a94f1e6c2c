// Settings of the host process's allocator that frame work needs.
#pragma once

namespace Corvane::Tessory::Host {

/// Gives every allocation of 1 MiB or more pages of its own, returned when it is freed.
/// Frames allocate and free buffers of several MiB each, from the GL driver and from the
/// host, on several threads; with the C library's default, which raises its mapping
/// threshold to the largest block freed so far, those land in the shared heap and the
/// process grows by about a frame's worth of memory with every frame (3.4 GB after 90
/// frames of 1080p video). Host programs call it first thing in main. It changes only
/// where large blocks come from, never what a program sees, which is why the frei0r
/// bridge also calls it inside the program that loads it (FFmpeg grew to 5.9 GB over 90
/// such frames without it). Any thread, any time; calling it again changes nothing.
void keepLargeBuffersMapped();

}  // namespace Corvane::Tessory::Host
