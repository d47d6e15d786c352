/* The two system services that the platform layer and the simulated
 * service share, written once in C so that both build the same code: the
 * wait, and the folder the running program was started from. */
#ifndef NELVO_SYSTEM_SERVICES_H
#define NELVO_SYSTEM_SERVICES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Suspends the calling thread for the whole time. On POSIX a signal only
 * interrupts one nanosleep, which goes on with the time left; any other
 * failure ends the wait. */
void SystemSleep(uint32_t milliseconds);

/* Writes the folder of the running program's file, with its trailing
 * separator, into out as a C string and returns its length; 0 when it is
 * unknown or does not fit in size bytes. */
size_t SystemProgramFolder(char* out, size_t size);

#ifdef __cplusplus
}
#endif

#endif
