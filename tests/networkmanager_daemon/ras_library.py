"""The six functions of a remote-access library (librasapi32.so), called
through ctypes with the 32-bit ANSI record layouts, as the dialer calls
them: for tests and figures that go past nelvo's own output. The records
and numbers are read from the dialer's own header, so they cannot drift."""
import ctypes
import re
from pathlib import Path

HEADER = Path(__file__).resolve().parents[2] / "remote_access" / "ras_records.h"
NOTIFIER = ctypes.CFUNCTYPE(None, ctypes.c_uint32, ctypes.c_uint32, ctypes.c_uint32)


def _read_header(path):
    """The header's records as ctypes structures, and its named numbers.
    Every field is a 32-bit number or a text of RAS_MAX_... + 1 bytes."""
    text = path.read_text()
    limits = {name: int(value) for name, value in re.findall(r"#define (RAS_MAX_\w+) (\d+)", text)}
    records = {}
    for body, name in re.findall(r"typedef struct \w+ \{(.*?)\} (\w+);", text, re.S):
        fields = [(field, ctypes.c_char * (limits[limit] + 1) if limit else ctypes.c_uint32)
                  for field, limit in re.findall(r"\w+ (\w+)(?:\[(\w+) \+ 1\])?;", body)]
        records[name] = type(name, (ctypes.Structure,), {"_fields_": fields})
    numbers = {name: int(value) for name, value in re.findall(r"\b(RAS\w+) = (\d+)", text)}
    return records, numbers


RECORDS, NUMBERS = _read_header(HEADER)
CONNECTED = NUMBERS["RASCS_Connected"]
UNKNOWN_HANDLE = NUMBERS["RAS_ERROR_INVALID_HANDLE"]


def records(name, count=1):
    """An array of records whose first carries its size, as a caller passes it."""
    array = (RECORDS[name] * count)()
    array[0].dwSize = ctypes.sizeof(RECORDS[name])
    return array


class Library:
    """The six functions of librasapi32.so, with record buffers."""

    def __init__(self, path):
        self.lib = ctypes.CDLL(str(path))
        for name in ("RasEnumEntriesA", "RasGetEntryDialParamsA", "RasDialA",
                     "RasGetConnectStatusA", "RasEnumConnectionsA", "RasHangUpA"):
            getattr(self.lib, name).restype = ctypes.c_uint32

    def enum_entries(self):
        """(result, entry names in the order listed)."""
        buffer = records("RASENTRYNAME", 64)
        size, count = ctypes.c_uint32(ctypes.sizeof(buffer)), ctypes.c_uint32()
        code = self.lib.RasEnumEntriesA(None, None, buffer, ctypes.byref(size),
                                        ctypes.byref(count))
        return code, [_text(buffer[i].szEntryName) for i in range(count.value)]

    def dial_params(self, entry):
        """(result, user name, password, password stored) of an entry."""
        params = self.params(entry)
        stored = ctypes.c_int32()
        code = self.lib.RasGetEntryDialParamsA(None, params, ctypes.byref(stored))
        return code, _text(params[0].szUserName), _text(params[0].szPassword), stored.value

    @staticmethod
    def params(entry, user="", password="", phone=""):
        params = records("RASDIALPARAMS")
        params[0].szEntryName, params[0].szUserName = entry.encode(), user.encode()
        params[0].szPassword, params[0].szPhoneNumber = password.encode(), phone.encode()
        return params

    def dial(self, entry, password, notifier=None):
        """(result, handle) of a dial as user joe to *99#."""
        params = self.params(entry, "joe", password, "*99#")
        handle = ctypes.c_uint32()
        code = self.lib.RasDialA(None, None, params, 0, notifier, ctypes.byref(handle))
        return code, handle.value

    def status(self, handle):
        status = records("RASCONNSTATUS")
        code = self.lib.RasGetConnectStatusA(ctypes.c_uint32(handle), status)
        return code, status[0].rasconnstate

    def enum_connections(self):
        """(result, [(handle, entry name)] of the active connections)."""
        buffer = records("RASCONN", 128)
        size, count = ctypes.c_uint32(ctypes.sizeof(buffer)), ctypes.c_uint32()
        code = self.lib.RasEnumConnectionsA(buffer, ctypes.byref(size), ctypes.byref(count))
        return code, [(buffer[i].hrasconn, _text(buffer[i].szEntryName))
                      for i in range(count.value)]

    def hang_up(self, handle):
        return self.lib.RasHangUpA(ctypes.c_uint32(handle))


def _text(field):
    return field.decode("latin-1")
