// Active connections: the connection list, listing and hanging up.
#pragma once

#include <cstdint>
#include <vector>

#include "remote_access/ras_records.h"

// The connection list: RASCONN records owned by the caller, 100 of them
// once LoadActiveConnections has created it. Position p (counted from 1)
// is element p - 1.
typedef std::vector<RASCONN> ConnectionList;

// Number of records LoadActiveConnections gives an empty list; never grown.
const uint32_t kConnectionListSize = 100;

// Fills the list with the active connections in one request (creating 100
// zeroed records first when the list is empty; an existing list is used as
// it is). Returns their number, never more than the records in the list;
// 0 when the service fails (more than fit included) or the library is not
// there.
int32_t LoadActiveConnections(ConnectionList& connections);

// Asks the service to hang the connection up, then waits until it no longer
// knows the handle. Returns the hang-up request's result: 0 or the
// service's error code; RAS_ERROR_REQUEST_TIMEOUT when the request was
// accepted but the connection outlived the wait; 127 when the library or
// its hang-up function is not there, so nothing could be asked.
int32_t HangUpAndWait(HRASCONN handle);
