/* The simulated remote-access library: the six ANSI functions the dialer
 * calls, under their undecorated names with the standard calling
 * convention. A variant build defines RASSIM_OMIT_<function> to leave one
 * of them out, so that resolving it by name fails. */
#include "remote_access/library_export.h"
#include "remote_access/ras_functions.h"
#include "simulator/sim_service.h"

/* Each definition below must match its entry in the list. */
#define RAS_FUNCTION_PROTOTYPE(name, bytes, parameters) uint32_t RAS_CALL name parameters;
RAS_FUNCTIONS(RAS_FUNCTION_PROTOTYPE)
#undef RAS_FUNCTION_PROTOTYPE

#ifndef RASSIM_OMIT_RasEnumEntriesA
/* RasEnumEntriesA: the phone book's entry names, in file order. */
NELVO_EXPORT uint32_t RAS_CALL RasEnumEntriesA(const char* reserved, const char* phone_book,
                                               RASENTRYNAME* entries, uint32_t* size,
                                               uint32_t* count) {
  return SimEnumEntries(entries, size, count);
}
#endif

#ifndef RASSIM_OMIT_RasGetEntryDialParamsA
/* RasGetEntryDialParamsA: the stored dial values of one entry. */
NELVO_EXPORT uint32_t RAS_CALL RasGetEntryDialParamsA(const char* phone_book, RASDIALPARAMS* params,
                                                      int32_t* password_stored) {
  return SimGetEntryDialParams(params, password_stored);
}
#endif

#ifndef RASSIM_OMIT_RasDialA
/* RasDialA: starts a dial, asynchronously when given a notifier. */
NELVO_EXPORT uint32_t RAS_CALL RasDialA(RASDIALEXTENSIONS* extensions, const char* phone_book,
                                        RASDIALPARAMS* params, uint32_t notifier_type,
                                        void* notifier, HRASCONN* handle) {
  return SimDial(extensions, params, notifier_type, notifier, handle);
}
#endif

#ifndef RASSIM_OMIT_RasGetConnectStatusA
/* RasGetConnectStatusA: state and error of a known connection. */
NELVO_EXPORT uint32_t RAS_CALL RasGetConnectStatusA(HRASCONN handle, RASCONNSTATUS* status) {
  return SimGetConnectStatus(handle, status);
}
#endif

#ifndef RASSIM_OMIT_RasEnumConnectionsA
/* RasEnumConnectionsA: active connections in the order they were made. */
NELVO_EXPORT uint32_t RAS_CALL RasEnumConnectionsA(RASCONN* connections, uint32_t* size,
                                                   uint32_t* count) {
  return SimEnumConnections(connections, size, count);
}
#endif

#ifndef RASSIM_OMIT_RasHangUpA
/* RasHangUpA: ends a connection, at once or after its scripted time. */
NELVO_EXPORT uint32_t RAS_CALL RasHangUpA(HRASCONN handle) {
  return SimHangUp(handle);
}
#endif
