"""Other clients of the same NetworkManager, as on a shared machine.

As a program: an activation of a stored profile whose secrets an agent of
its own gives only after a delay, as a person at a password prompt does:
    other_clients.py ADDRESS PROFILE_ID DELAY_S   (the password on standard input)
It prints the active connection's path, answers the one GetSecrets after
DELAY_S seconds, and ends after a minute at the most.

As a module: a bus peer that asks every secret agent on the bus for a
connection's secrets, as a hostile local program could.
"""

import sys

import dbus
import dbus.service

NM = "org.freedesktop.NetworkManager"
NM_PATH = "/org/freedesktop/NetworkManager"
AGENT_PATH = "/org/freedesktop/NetworkManager/SecretAgent"
AGENT_IFACE = "org.freedesktop.NetworkManager.SecretAgent"
LIFETIME_S = 60


def ask_every_agent(address, uuid, setting):
    """The D-Bus error each unique name on the bus answers a GetSecrets for
    uuid with ("" for an answer that is not an error)."""
    bus = dbus.bus.BusConnection(address)
    answers = {}
    try:
        for name in bus.list_names():
            if not name.startswith(":") or name == bus.get_unique_name():
                continue
            connection = {"connection": {"uuid": uuid}}
            try:
                bus.get_object(name, AGENT_PATH, introspect=False).GetSecrets(
                    connection, dbus.ObjectPath("/"), setting, dbus.Array([], "s"),
                    dbus.UInt32(0), dbus_interface=AGENT_IFACE, timeout=5)
                answers[name] = ""
            except dbus.exceptions.DBusException as error:
                answers[name] = error.get_dbus_name()
    finally:
        bus.close()
    return answers


class SlowAgent(dbus.service.Object):
    """Answers a VPN's password after a delay."""

    def __init__(self, bus, password, delay_s):
        super().__init__(bus, AGENT_PATH)
        self.password = password
        self.delay_s = delay_s

    @dbus.service.method(AGENT_IFACE, in_signature="a{sa{sv}}osasu", out_signature="a{sa{sv}}",
                         async_callbacks=("reply", "error"))
    def GetSecrets(self, connection, path, setting, hints, flags, reply, error):  # pylint: disable=C0103,R0913
        from gi.repository import GLib  # pylint: disable=import-outside-toplevel
        secrets = {"vpn": {"secrets": dbus.Dictionary({"password": self.password}, "ss")}}
        GLib.timeout_add(int(self.delay_s * 1000), lambda: reply(secrets) and False)


def main(address, profile_id, password, delay_s):
    from dbus.mainloop.glib import DBusGMainLoop  # pylint: disable=import-outside-toplevel
    from gi.repository import GLib  # pylint: disable=import-outside-toplevel
    DBusGMainLoop(set_as_default=True)
    loop = GLib.MainLoop()
    bus = dbus.bus.BusConnection(address)
    agent = SlowAgent(bus, password, float(delay_s))  # noqa: F841  pylint: disable=W0612
    manager = bus.get_object(NM, NM_PATH + "/AgentManager")
    manager.RegisterWithCapabilities("nelvo.test.slow", dbus.UInt32(1),
                                     dbus_interface=NM + ".AgentManager")
    settings = bus.get_object(NM, NM_PATH + "/Settings")
    for path in settings.ListConnections(dbus_interface=NM + ".Settings"):
        profile = bus.get_object(NM, path).GetSettings(dbus_interface=NM + ".Settings.Connection")
        if profile["connection"]["id"] == profile_id:
            nm = bus.get_object(NM, NM_PATH)
            print(nm.ActivateConnection(path, dbus.ObjectPath("/"), dbus.ObjectPath("/"),
                                        dbus_interface=NM), flush=True)
    GLib.timeout_add(LIFETIME_S * 1000, loop.quit)
    loop.run()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.stdin.readline().rstrip("\n"), sys.argv[3])
