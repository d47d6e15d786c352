// The dial's own reference to the remote-access library. The service calls
// the notifier from a thread of its own for as long as a dial can still
// change state, and that thread runs the library's code: the library must
// stay loaded meanwhile, even when RasUnloadDLL or a trampoline frees it.
// A dial that hands over no notifier is synchronous and takes no hold, so
// one RasUnloadDLL frees the library again.
#pragma once

#include "remote_access/ras_records.h"

// Takes the reference (loading the library) as a dial with a notifier starts.
void BeginNotifyingDial();
// The dial has ended: a connected one keeps the reference until its link
// is gone; otherwise, with no other dial or link left, it is dropped.
void EndNotifyingDial(bool connected, HRASCONN handle);
// The service no longer knows the handle: a link kept for it no longer
// needs the library.
void ForgetNotifyingConnection(HRASCONN handle);
