/* The six remote-access functions the dialer calls, in one list. Each
 * entry gives the function's name, the bytes of its arguments (its
 * standard-calling-convention decoration on 32-bit Windows) and its
 * parameters. The binding's trampolines, the simulated service and its
 * variants, the module-definition files CMake writes (it reads this file)
 * and the test helpers all expand the list, so that a name, its pointer
 * type and its decoration come from one token and cannot drift apart.
 * C and C++; every parameter is 32 bits on the Windows build.
 *
 * Keep one entry per line, starting "  X(Name, bytes,": CMake reads them. */
#ifndef NELVO_RAS_FUNCTIONS_H
#define NELVO_RAS_FUNCTIONS_H

#include "remote_access/ras_records.h"

/* RAS_FUNCTIONS(X) expands X(name, argument_bytes, parameters) once per
 * function, in this order. */
#define RAS_FUNCTIONS(X)                                                                 \
  X(RasEnumEntriesA, 20,                                                                 \
    (const char* reserved, const char* phoneBook, RASENTRYNAME* entries, uint32_t* size, \
     uint32_t* count))                                                                   \
  X(RasGetEntryDialParamsA, 12,                                                          \
    (const char* phoneBook, RASDIALPARAMS* params, int32_t* passwordStored))             \
  X(RasDialA, 24,                                                                        \
    (RASDIALEXTENSIONS * extensions, const char* phoneBook, RASDIALPARAMS* params,       \
     uint32_t notifierType, void* notifier, HRASCONN* handle))                           \
  X(RasGetConnectStatusA, 8, (HRASCONN handle, RASCONNSTATUS * status))                  \
  X(RasEnumConnectionsA, 12, (RASCONN * connections, uint32_t * size, uint32_t * count)) \
  X(RasHangUpA, 4, (HRASCONN handle))

/* The pointer type of each function: RasDialAFunc, RasHangUpAFunc, ... */
#define RAS_FUNCTION_POINTER_TYPE(name, bytes, parameters) \
  typedef uint32_t(RAS_CALL* name##Func) parameters;
RAS_FUNCTIONS(RAS_FUNCTION_POINTER_TYPE)
#undef RAS_FUNCTION_POINTER_TYPE

/* The argument bytes of each: RasDialAArgumentBytes, ... */
#define RAS_FUNCTION_ARGUMENT_BYTES(name, bytes, parameters) enum { name##ArgumentBytes = bytes };
RAS_FUNCTIONS(RAS_FUNCTION_ARGUMENT_BYTES)
#undef RAS_FUNCTION_ARGUMENT_BYTES

/* A function looked up by name with resolve(module, "name"), as its own
 * pointer type: RAS_RESOLVE(dlsym, module, RasDialA). */
#define RAS_RESOLVE(resolve, module, name) ((name##Func)resolve(module, #name))

/* Positions in the list, for tables indexed by function. */
#define RAS_FUNCTION_INDEX(name, bytes, parameters) kRasFunction_##name,
enum { RAS_FUNCTIONS(RAS_FUNCTION_INDEX) kRasFunctionCount };
#undef RAS_FUNCTION_INDEX

/* The names as text, in list order. */
#define RAS_FUNCTION_NAME_TEXT(name, bytes, parameters) #name,
#define RAS_FUNCTION_NAMES \
  { RAS_FUNCTIONS(RAS_FUNCTION_NAME_TEXT) }

#endif
