"""The six functions of a remote-access library (librasapi32.so), called
through ctypes with the 32-bit ANSI record layouts, as the dialer calls
them: for tests and figures that go past nelvo's own output."""
import ctypes

# Record sizes and field offsets of the ANSI remote-access records.
ENTRY_NAME_SIZE, CONN_SIZE, STATUS_SIZE, PARAMS_SIZE = 264, 412, 160, 1052
PARAMS_FIELDS = {"entry": 4, "phone": 261, "user": 519, "password": 776}
CONNECTED = 8192  # RASCS_Connected
UNKNOWN_HANDLE = 6
NOTIFIER = ctypes.CFUNCTYPE(None, ctypes.c_uint32, ctypes.c_uint32, ctypes.c_uint32)


class Library:
    """The six functions of librasapi32.so, with record buffers."""

    def __init__(self, path):
        self.lib = ctypes.CDLL(str(path))
        for name in ("RasEnumEntriesA", "RasGetEntryDialParamsA", "RasDialA",
                     "RasGetConnectStatusA", "RasEnumConnectionsA", "RasHangUpA"):
            getattr(self.lib, name).restype = ctypes.c_uint32

    @staticmethod
    def records(size, count):
        buffer = ctypes.create_string_buffer(size * count)
        ctypes.c_uint32.from_buffer(buffer, 0).value = size
        return buffer

    def enum_entries(self):
        """(result, entry names in the order listed)."""
        buffer = self.records(ENTRY_NAME_SIZE, 64)
        size, count = ctypes.c_uint32(len(buffer)), ctypes.c_uint32()
        code = self.lib.RasEnumEntriesA(None, None, buffer, ctypes.byref(size),
                                        ctypes.byref(count))
        names = [_text(buffer.raw, i * ENTRY_NAME_SIZE + 4) for i in range(count.value)]
        return code, names

    def dial_params(self, entry):
        """(result, user name, password, password stored) of an entry."""
        params = self.params(entry)
        stored = ctypes.c_int32()
        code = self.lib.RasGetEntryDialParamsA(None, params, ctypes.byref(stored))
        return (code, _text(params.raw, PARAMS_FIELDS["user"]),
                _text(params.raw, PARAMS_FIELDS["password"]), stored.value)

    def params(self, entry, user="", password="", phone=""):
        params = self.records(PARAMS_SIZE, 1)
        for field, value in (("entry", entry), ("user", user), ("password", password),
                             ("phone", phone)):
            data = value.encode()
            ctypes.memmove(ctypes.addressof(params) + PARAMS_FIELDS[field], data, len(data))
        return params

    def dial(self, entry, password, notifier=None):
        """(result, handle) of a dial as user joe to *99#."""
        params = self.params(entry, "joe", password, "*99#")
        handle = ctypes.c_uint32()
        code = self.lib.RasDialA(None, None, params, 0, notifier, ctypes.byref(handle))
        return code, handle.value

    def status(self, handle):
        buffer = self.records(STATUS_SIZE, 1)
        code = self.lib.RasGetConnectStatusA(ctypes.c_uint32(handle), buffer)
        return code, ctypes.c_uint32.from_buffer(buffer, 4).value

    def enum_connections(self):
        """(result, [(handle, entry name)] of the active connections)."""
        buffer = self.records(CONN_SIZE, 128)
        size, count = ctypes.c_uint32(len(buffer)), ctypes.c_uint32()
        code = self.lib.RasEnumConnectionsA(buffer, ctypes.byref(size), ctypes.byref(count))
        rows = [(ctypes.c_uint32.from_buffer(buffer, i * CONN_SIZE + 4).value,
                 _text(buffer.raw, i * CONN_SIZE + 8)) for i in range(count.value)]
        return code, rows

    def hang_up(self, handle):
        return self.lib.RasHangUpA(ctypes.c_uint32(handle))


def _text(raw, offset):
    """The NUL-ended string at an offset of a record buffer."""
    return raw[offset:raw.index(b"\0", offset)].decode("latin-1")
