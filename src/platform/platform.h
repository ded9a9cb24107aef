// The operating system's services, the one place where the engine meets the system: process
// start-up, the reader thread, standard input and output, whole files, the folder of the
// executable, the millisecond clock, sleeping and the local time. platform_posix.cpp and
// platform_windows.cpp implement it; the build compiles the one for its target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace tarnwick {

// The descriptors of the standard streams, as the C runtime numbers them on every system.
inline constexpr int StandardInput = 0;
inline constexpr int StandardOutput = 1;

// Standard input and output without stream buffers, standard output in the runtime's text mode
// (on Windows each line feed reaches a pipe as carriage return and line feed). On POSIX systems
// a write to a pipe that the interface has closed fails instead of ending the process.
void prepareProcess();

// Runs `procedure` on a new thread that is never joined, at a priority above the caller's where
// the system grants it (many systems withhold that from unprivileged processes; the thread then
// runs at normal priority). Returns 0 when no thread can be had.
int startRaisedThread(void (*procedure)());

// Blocks until input arrives on `descriptor` and puts at most `capacity` bytes of it into
// `bytes`, exactly as they came. Returns their count, or 0 at the end of the input (the writer
// closed its end) and after a failed read.
int readInput(int descriptor, char* bytes, int capacity);
void closeInput(int descriptor);
// Writes all the bytes to `descriptor`; a failure (the reader has gone) ends the write quietly.
void writeOutput(int descriptor, const char* bytes, std::size_t length);

// Reads the regular file `fileName` whole into a block from `allocate` of its size plus one
// byte, which stays zero, and sets `size` to the file's size. Returns null, with `size` 0, when
// the file is missing, empty, not a regular file, too big for an unsigned count with its
// terminator, unreadable, or read short (the block is then released with std::free), or when
// `allocate` returns null. On Windows the name is UTF-8 text, as executableFolder writes it.
char* readRegularFile(const char* fileName, unsigned& size, void* (*allocate)(std::size_t));

// Writes the folder that holds the running executable (on Linux with every link on the way
// resolved), its last separator kept, as a terminated text of less than `capacity` bytes into
// `folder`. Returns its length; 0 when the system cannot tell or the text does not fit.
int executableFolder(char* folder, int capacity);
// The same for the working folder of the process; 0 when the system cannot tell (the folder may
// have been removed) or the text does not fit.
int workingFolder(char* folder, int capacity);

// Milliseconds of a clock that never jumps, wrapping like a 32-bit counter.
std::uint32_t tickCount();
void sleepMilliseconds(int milliseconds);
// Local broken-down time of a calendar time; 0 when the system cannot convert it.
int localTime(std::time_t when, std::tm& result);

} // namespace tarnwick
