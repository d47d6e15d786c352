// The operating-system services the dialer uses, in its own terms.
// win32/ implements them with the Windows calls, posix/ with their nearest
// POSIX equivalents. Product code calls these and never asks which system
// it is on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// ---- Files -------------------------------------------------------------
// Every file call runs under one process-wide lock, with the system's
// critical-error and open-file message boxes switched off around it. A call
// that fails leaves the Windows system error code of the failure for
// PlatformLastError() (POSIX maps errno to the code Windows gives for the
// same failure: 2 missing file, 3 missing folder, 5 access denied, 32
// sharing violation, 112 disk full, ...).

typedef intptr_t PlatformFile;
const PlatformFile kNoFile = -1;

enum PlatformAccess : unsigned { kAccessRead = 1, kAccessWrite = 2 };
enum PlatformShare : unsigned { kShareNone = 0, kShareRead = 1, kShareWrite = 2 };
// kOpenExistingDiskFile takes only an existing regular disk file and never
// waits: a folder, pipe, FIFO or device fails with 5 (access denied).
enum PlatformCreation { kOpenExisting, kOpenAlways, kOpenExistingDiskFile };

// Opens a file by name; never truncates. kShareNone keeps every other
// process out while the file is open (POSIX: an exclusive flock taken
// without waiting). Returns kNoFile on failure.
PlatformFile PlatformOpenFile(const char* name, unsigned access, unsigned share,
                              PlatformCreation creation);
// Writes size bytes at the current position; *written gets the count.
bool PlatformWriteFile(PlatformFile file, const void* data, uint32_t size, uint32_t* written);
// Moves the position to offset bytes from the start.
bool PlatformSeekFile(PlatformFile file, uint32_t offset);
// Cuts the file at the current position.
bool PlatformSetEndOfFile(PlatformFile file);
// True for a disk file, false for a console, pipe or device.
bool PlatformIsDiskFile(PlatformFile file);
bool PlatformCloseFile(PlatformFile file);
bool PlatformDeleteFile(const char* name);
// The process's standard output handle, kNoFile when it has none.
PlatformFile PlatformStandardOutput();
// Windows system error code of the calling thread's last failed call.
uint32_t PlatformLastError();

// ---- Console -----------------------------------------------------------

// Clears the console input mode (no line input, echo or Ctrl+C handling)
// and sets processed output with wrap. POSIX: termios without ICANON, ECHO
// and ISIG, restored when the process ends.
void PlatformPrepareConsole();
// Whether standard output is a console (its console mode can be read).
bool PlatformStdoutIsConsole();
// Writes one line straight to the console window at its cursor, whatever
// standard output is redirected to; nothing when there is no console.
void PlatformWriteConsoleLine(const char* text, size_t length);

// ---- Process -----------------------------------------------------------

// The command line as one byte string (POSIX: rebuilt from argv, the
// program name quoted only when it holds a blank).
std::string PlatformCommandLine();
// POSIX keeps argv for PlatformCommandLine; does nothing on Windows.
void PlatformSetArguments(int argc, char** argv);
// Overwrites length bytes of the command line, from offset in the line as
// PlatformCommandLine gave it, with '*' where other processes read it
// (POSIX: argv, which ps and /proc/PID/cmdline show), as curl's cleanarg
// does. Bytes that are not in argv (the blanks between arguments, quotes
// around the program name) are skipped. Windows does nothing: the command
// line other processes see there is the system's copy, not the program's.
void PlatformMaskCommandLine(size_t offset, size_t length);
// A write to a pipe or socket whose reader has gone fails with an error, as
// it does on Windows, instead of ending the process (POSIX: SIGPIPE is
// ignored). Called once, first thing in the process.
void PlatformKeepRunningWithoutReader();
// Suspends the calling thread.
void PlatformSleep(uint32_t milliseconds);
// Test hook: while set, PlatformSleep calls it instead of waiting
// (nullptr restores the real wait).
void PlatformSetSleepHook(void (*hook)(uint32_t milliseconds));

// ---- Events ------------------------------------------------------------
// A manual-reset event: set, it stays set until reset, and every wait on it
// returns at once. Windows: CreateEvent; POSIX: a condition variable on the
// monotonic clock, so a change of the wall clock does not stretch a wait.

typedef void* PlatformEvent;
// A new event, not set; nullptr when the system has none to give. Waiting
// on nullptr returns false at once; setting, resetting or closing it does
// nothing.
PlatformEvent PlatformCreateEvent();
void PlatformSetEvent(PlatformEvent event);
void PlatformResetEvent(PlatformEvent event);
// Waits until the event is set, at most bound_ms; true when it is set.
bool PlatformWaitEvent(PlatformEvent event, uint32_t bound_ms);
void PlatformCloseEvent(PlatformEvent event);
// Test hook: while set, PlatformWaitEvent returns what it answers instead of
// waiting; the hook may set the event itself first (nullptr restores the
// real wait).
void PlatformSetEventWaitHook(bool (*hook)(PlatformEvent event, uint32_t bound_ms));

// ---- Memory and names --------------------------------------------------

// Sets size bytes to zero in a way the compiler may not leave out, for
// secrets about to be dropped (explicit_bzero, SecureZeroMemory).
void PlatformClearSecret(void* data, size_t size);
// The name of a file in the current folder in the system's own path form:
// ".\name" on Windows, "./name" on POSIX.
std::string PlatformCurrentFolderFile(const char* name);

// ---- Modules -----------------------------------------------------------

typedef void* PlatformModule;
// Loads a library by its Windows name ("rasapi32.dll"). POSIX maps it to
// "librasapi32.so", looked for in the program's own folder first, then by
// the system loader's search. nullptr on failure.
PlatformModule PlatformLoadModule(const char* name);
// The address of an exported symbol, nullptr when there is none.
void* PlatformResolve(PlatformModule module, const char* name);
void PlatformFreeModule(PlatformModule module);

// ---- OLE byte strings --------------------------------------------------
// A BSTR holding ANSI bytes; nullptr is the empty string.

typedef wchar_t* PlatformByteString;
PlatformByteString PlatformAllocByteString(const char* bytes, uint32_t length);
void PlatformFreeByteString(PlatformByteString text);
uint32_t PlatformByteStringLength(PlatformByteString text);
