/* Nelvo's exported interface: the remote-access library, phone-book
 * entries, active connections, dialling and the progress callback.
 * Exported by nelvo.exe and by nelvoras.dll (libnelvoras.so on Linux)
 * under these undecorated names, with the standard calling convention.
 *
 * Strings are OLE byte strings: a BSTR holding ANSI bytes, NULL being the
 * empty string. String arguments are released by the called function;
 * string results belong to the caller, who frees them with SysFreeString. */
#ifndef NELVORAS_H
#define NELVORAS_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(__i386__)
#define NELVO_API __stdcall
#else
#define NELVO_API
#endif

/* No exception ever leaves these functions: a failure inside gives the
 * result of a failed call (0, NULL, or an error code). */
#ifdef __cplusplus
#define NELVO_NOTHROW noexcept
#else
#define NELVO_NOTHROW
#endif

typedef wchar_t* NELVO_BSTR;

#ifdef __cplusplus
extern "C" {
#endif

/* Loads rasapi32.dll and keeps it loaded; returns its module handle, 0 when it cannot be loaded. */
uintptr_t NELVO_API RasInitDLL(void) NELVO_NOTHROW;
/* Frees the library that RasInitDLL loaded. */
void NELVO_API RasUnloadDLL(void) NELVO_NOTHROW;

/* Number of phone-book entries; 0 when there are none or they cannot be read. */
int32_t NELVO_API rsAvailableEntries(void) NELVO_NOTHROW;
/* Name of the entry at a position counted from 1, blanks trimmed; NULL when out of range. */
NELVO_BSTR NELVO_API rsGetEntryName(int32_t index) NELVO_NOTHROW;

/* Number of active connections; 0 when there are none or they cannot be read. */
int32_t NELVO_API rsActiveConnections(void) NELVO_NOTHROW;
/* Entry name of the active connection at a position counted from 1; NULL when out of range. */
NELVO_BSTR NELVO_API rsGetConnectionName(int32_t index) NELVO_NOTHROW;
/* Handle of the active connection at a position counted from 1; 0 when out of range. */
int32_t NELVO_API rsGetConnectionHandle(int32_t index) NELVO_NOTHROW;
/* Hangs a connection up and returns once it is gone: 0, or the service's error code. */
int32_t NELVO_API rsHangUpConnection(int32_t handle) NELVO_NOTHROW;

/* Dials the entry at a position counted from 1 with the caller's phone
 * number, user name and password (an empty one keeps the stored value) and
 * returns when the dial has ended: 0 connected (the link stays up), or
 * minus the remote-access error code (-668 cancelled through the cancel
 * file). Releases the three strings. */
int32_t NELVO_API rsDialEntry(int32_t index, NELVO_BSTR phoneNumber, NELVO_BSTR userName,
                              NELVO_BSTR password) NELVO_NOTHROW;
/* The dial progress notifier: writes each connection state to the report
 * channel and the IPC status of the running dial. */
void NELVO_API RASDIALCALLBACK(uint32_t message, uint32_t state, uint32_t errorCode) NELVO_NOTHROW;

#ifdef __cplusplus
}
#endif

#endif
