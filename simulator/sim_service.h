/* The six remote-access functions as the simulated service implements
 * them; rasapi32.c exports them under the platform's names. */
#ifndef RASSIM_SIM_SERVICE_H
#define RASSIM_SIM_SERVICE_H

#include "remote_access/ras_records.h"

/* Entry names in file order; 603 with the needed size and count when the
 * records given do not hold them all (those that fit are filled). */
uint32_t SimEnumEntries(RASENTRYNAME* entries, uint32_t* size, uint32_t* count);
/* Stored values of the entry named in params; 623 when there is none. */
uint32_t SimGetEntryDialParams(RASDIALPARAMS* params, int32_t* password_stored);
/* Creates a connection and walks its scripted states (sim_dial.c). */
uint32_t SimDial(const RASDIALEXTENSIONS* extensions, RASDIALPARAMS* params, uint32_t notifier_type,
                 void* notifier, HRASCONN* handle);
/* A status query has reported the state of the connection: a walk whose
 * script holds that state's notification until then goes on (sim_dial.c). */
void SimNoteReportedState(HRASCONN handle, uint32_t state);
/* State and error of a known connection; 6 for an unknown handle. */
uint32_t SimGetConnectStatus(HRASCONN handle, RASCONNSTATUS* status);
/* Active connections in the order they were made; 603 as for entries. */
uint32_t SimEnumConnections(RASCONN* connections, uint32_t* size, uint32_t* count);
/* Starts ending a connection; 6 for an unknown handle. */
uint32_t SimHangUp(HRASCONN handle);

#endif
