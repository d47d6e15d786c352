"""A stand-in ModemManager for the real NetworkManager daemon, as a
python-dbusmock template: modems that are registered on a network, each
with its SIM, whose Simple.Connect hands out a bearer on a network
interface of the test's own (a veth) with static IPv4 settings.

The APN of the profile picks the outcome of a connect, so that each
phone-book entry of a test behaves its own way:

    busy, noanswer, nocarrier, nodialtone   fail with that connection error
    hang                                    never answer (the caller cancels)
    anything else                           connect after delay_ms

and a password other than the network's own fails as a refused login.
With a "pin" parameter every SIM starts locked until Sim.SendPin gives it.

Parameters: modems (how many, default 1), password (default "secret"),
delay_ms (default 300). Modem N has primary port ttyNELVO<N>, data port
nelvo<N> and the IPv4 address 10.64.<N>.2/30 (inside the test's network
namespace only).
"""

import dbus
from gi.repository import GLib

from dbusmock import mockobject

BUS_NAME = "org.freedesktop.ModemManager1"
MAIN_OBJ = "/org/freedesktop/ModemManager1"
MAIN_IFACE = "org.freedesktop.ModemManager1"
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MODEM_IFACE = MAIN_IFACE + ".Modem"
SIMPLE_IFACE = MODEM_IFACE + ".Simple"
GPP_IFACE = MODEM_IFACE + ".Modem3gpp"
SIM_IFACE = MAIN_IFACE + ".Sim"
BEARER_IFACE = MAIN_IFACE + ".Bearer"

# ModemManager's values (MMModemState, MMModemCapability, MMModemPortType,
# MMBearerIpFamily, MMBearerIpMethod, MMModem3gppRegistrationState).
STATE_REGISTERED = 8
STATE_DISCONNECTING = 9
STATE_CONNECTING = 10
STATE_CONNECTED = 11
CAP_GSM_UMTS = 4
CAP_LTE = 8
PORT_NET = 2
PORT_AT = 3
IP_FAMILY_IPV4 = 1
IP_METHOD_STATIC = 2
REG_HOME = 1

ERROR = "org.freedesktop.ModemManager1.Error."
FAILURES = {
    "busy": ERROR + "Connection.Busy",
    "noanswer": ERROR + "Connection.NoAnswer",
    "nocarrier": ERROR + "Connection.NoCarrier",
    "nodialtone": ERROR + "Connection.NoDialtone",
}
REFUSED_LOGIN = ERROR + "MobileEquipment.GprsUserAuthenticationFailed"


def _u(value):
    return dbus.UInt32(value)


def _modem_props(index, sim_path):
    port = "ttyNELVO%d" % index
    return {
        "Sim": dbus.ObjectPath(sim_path),
        "SimSlots": dbus.Array([dbus.ObjectPath(sim_path)], signature="o"),
        "PrimarySimSlot": _u(1),
        "Bearers": dbus.Array([], signature="o"),
        "SupportedCapabilities": dbus.Array([_u(CAP_GSM_UMTS | CAP_LTE)], signature="u"),
        "CurrentCapabilities": _u(CAP_GSM_UMTS | CAP_LTE),
        "MaxBearers": _u(1),
        "MaxActiveBearers": _u(1),
        "MaxActiveMultiplexedBearers": _u(0),
        "Manufacturer": "Nelvo test",
        "Model": "Stand-in modem %d" % index,
        "Revision": "1.0",
        "CarrierConfiguration": "default",
        "CarrierConfigurationRevision": "",
        "HardwareRevision": "1",
        "DeviceIdentifier": "nelvo-test-modem-%d" % index,
        "Device": "/sys/devices/virtual/nelvo/modem%d" % index,
        "Physdev": "/sys/devices/virtual/nelvo/modem%d" % index,
        "Drivers": dbus.Array(["nelvo"], signature="s"),
        "Plugin": "generic",
        "PrimaryPort": port,
        "Ports": dbus.Array([dbus.Struct((port, _u(PORT_AT)), signature="su"),
                             dbus.Struct(("nelvo%d" % index, _u(PORT_NET)), signature="su")],
                            signature="(su)"),
        "EquipmentIdentifier": "35000000000000%d" % index,
        "UnlockRequired": _u(1),  # MM_MODEM_LOCK_NONE
        "UnlockRetries": dbus.Dictionary({}, signature="uu"),
        "State": dbus.Int32(STATE_REGISTERED),
        "StateFailedReason": _u(0),
        "AccessTechnologies": _u(1 << 14),  # LTE
        "SignalQuality": dbus.Struct((_u(80), True), signature="ub"),
        "OwnNumbers": dbus.Array([], signature="s"),
        "PowerState": _u(3),  # on
        "SupportedModes": dbus.Array([dbus.Struct((_u(8), _u(8)), signature="uu")],
                                     signature="(uu)"),
        "CurrentModes": dbus.Struct((_u(8), _u(8)), signature="uu"),
        "SupportedBands": dbus.Array([], signature="u"),
        "CurrentBands": dbus.Array([], signature="u"),
        "SupportedIpFamilies": _u(IP_FAMILY_IPV4),
    }


def _sim_props(index):
    return {
        "Active": True,
        "SimIdentifier": "8900000000000000000%d" % index,
        "Imsi": "00101000000000%d" % index,
        "Eid": "",
        "OperatorIdentifier": "00101",
        "OperatorName": "Nelvo Net",
        "EmergencyNumbers": dbus.Array([], signature="s"),
        "PreferredNetworks": dbus.Array([], signature="(su)"),
        "Gid1": dbus.Array([], signature="y"),
        "Gid2": dbus.Array([], signature="y"),
        "SimType": _u(1),
        "EsimStatus": _u(0),
        "Removability": _u(1),
    }


def _gpp_props(index):
    return {
        "Imei": "35000000000000%d" % index,
        "RegistrationState": _u(REG_HOME),
        "OperatorCode": "00101",
        "OperatorName": "Nelvo Net",
        "EnabledFacilityLocks": _u(0),
        "SubscriptionState": _u(0),
        "EpsUeModeOperation": _u(0),
        "Pco": dbus.Array([], signature="(ubay)"),
        "InitialEpsBearer": dbus.ObjectPath("/"),
        "InitialEpsBearerSettings": dbus.Dictionary({}, signature="sv"),
        "PacketServiceState": _u(0),
    }


def _bearer_props(index, settings):
    ip4 = {
        "method": _u(IP_METHOD_STATIC),
        "address": "10.64.%d.2" % index,
        "prefix": _u(30),
        "gateway": "10.64.%d.1" % index,
        "dns1": "10.64.%d.1" % index,
        "mtu": _u(1500),
    }
    return {
        "Interface": "nelvo%d" % index,
        "Connected": True,
        "Suspended": False,
        "Multiplexed": False,
        "ConnectionError": dbus.Struct(("", ""), signature="ss"),
        "Ip4Config": dbus.Dictionary(ip4, signature="sv"),
        "Ip6Config": dbus.Dictionary({"method": _u(0)}, signature="sv"),  # unknown: none
        "Stats": dbus.Dictionary({}, signature="sv"),
        "ReloadStatsSupported": False,
        "IpTimeout": _u(0),
        "BearerType": _u(1),  # default
        "ProfileId": dbus.Int32(-1),
        "Properties": dbus.Dictionary(settings, signature="sv"),
    }


class _Modem:
    """The state of one modem and its Simple interface."""

    def __init__(self, mock, index, password, delay_ms):
        self.mock = mock
        self.index = index
        self.password = password
        self.delay_ms = delay_ms
        self.path = "%s/Modem/%d" % (MAIN_OBJ, index)
        self.bearer = None
        self.pending = []  # replies of connects that never answer

    @property
    def obj(self):
        return mockobject.objects[self.path]

    def set_state(self, new):
        old = int(self.obj.props[MODEM_IFACE]["State"])
        self.obj.UpdateProperties(MODEM_IFACE, {"State": dbus.Int32(new)})
        self.obj.EmitSignal(MODEM_IFACE, "StateChanged", "iiu", [old, new, _u(1)])

    def connect(self, settings, ok, fail):
        apn = str(settings.get("apn", ""))
        self.mock.log("Connect modem %d apn %s user %s" % (self.index, apn,
                                                          settings.get("user", "")))
        if apn in FAILURES:
            fail(dbus.exceptions.DBusException("connect failed: " + apn, name=FAILURES[apn]))
            return
        if apn == "hang":
            self.set_state(STATE_CONNECTING)
            self.pending.append(fail)
            return
        if str(settings.get("password", "")) != self.password:
            fail(dbus.exceptions.DBusException("login refused", name=REFUSED_LOGIN))
            return
        self.set_state(STATE_CONNECTING)
        GLib.timeout_add(self.delay_ms, self._connected, dict(settings), ok)

    def _connected(self, settings, ok):
        path = "%s/Bearer/%d" % (MAIN_OBJ, self.mock.next_bearer)
        self.mock.next_bearer += 1
        self.mock.AddObject(path, BEARER_IFACE, _bearer_props(self.index, settings), [
            ("Connect", "", "", ""),
            ("Disconnect", "", "", ""),
        ])
        self.bearer = path
        self.obj.UpdateProperties(MODEM_IFACE, {
            "Bearers": dbus.Array([dbus.ObjectPath(path)], signature="o")})
        self.set_state(STATE_CONNECTED)
        ok(dbus.ObjectPath(path))
        return False

    def disconnect(self, bearer):
        self.mock.log("Disconnect modem %d bearer %s" % (self.index, bearer))
        for fail in self.pending:
            fail(dbus.exceptions.DBusException("cancelled", name=ERROR + "Core.Cancelled"))
        self.pending = []
        if self.bearer is not None:
            mockobject.objects[self.bearer].UpdateProperties(BEARER_IFACE,
                                                             {"Connected": False})
            self.mock.RemoveObject(self.bearer)
            self.bearer = None
            self.obj.UpdateProperties(MODEM_IFACE, {"Bearers": dbus.Array([], signature="o")})
        if int(self.obj.props[MODEM_IFACE]["State"]) != STATE_REGISTERED:
            self.set_state(STATE_REGISTERED)


def _simple_methods(modem):
    """Simple.Connect and Simple.Disconnect of one modem, answering later."""

    @dbus.service.method(SIMPLE_IFACE, in_signature="a{sv}", out_signature="o",
                         async_callbacks=("ok", "fail"))
    def Connect(_self, settings, ok, fail):
        modem.connect(settings, ok, fail)

    @dbus.service.method(SIMPLE_IFACE, in_signature="o", out_signature="")
    def Disconnect(_self, bearer):
        modem.disconnect(str(bearer))

    @dbus.service.method(SIMPLE_IFACE, in_signature="", out_signature="a{sv}")
    def GetStatus(_self):
        return dbus.Dictionary({"state": _u(modem.obj.props[MODEM_IFACE]["State"])},
                               signature="sv")

    return {"Connect": Connect, "Disconnect": Disconnect, "GetStatus": GetStatus}


def _add_modem(mock, index, password, delay_ms):
    sim_path = "%s/SIM/%d" % (MAIN_OBJ, index)
    mock.AddObject(sim_path, SIM_IFACE, _sim_props(index), [
        ("SendPin", "s", "", ""), ("SendPuk", "ss", "", ""),
    ])
    modem = _Modem(mock, index, password, delay_ms)
    mock.AddObject(modem.path, MODEM_IFACE, _modem_props(index, sim_path), [
        ("Enable", "b", "", ""),
        ("ListBearers", "", "ao", "ret = self.props['%s']['Bearers']" % MODEM_IFACE),
        ("SetPowerState", "u", "", ""),
        ("Reset", "", "", ""),
    ])
    obj = modem.obj
    obj.AddProperties(GPP_IFACE, _gpp_props(index))
    obj.AddMethods(GPP_IFACE, [("Register", "s", "", ""), ("Scan", "", "aa{sv}", "ret = []")])
    for name, method in _simple_methods(modem).items():
        obj.methods.setdefault(SIMPLE_IFACE, {})[name] = (
            method._dbus_in_signature, method._dbus_out_signature, "", method)
    obj.props.setdefault(SIMPLE_IFACE, {})
    mock.object_manager_emit_added(modem.path)
    return modem


def load(mock, parameters):
    # As ModemManager does, list only the modems: SIMs and bearers are
    # objects of their own outside the object manager.
    mock.AddMethod("org.freedesktop.DBus.ObjectManager", "GetManagedObjects", "",
                   "a{oa{sa{sv}}}",
                   "ret = {dbus.ObjectPath(k): objects[k].props for k in objects.keys()"
                   " if k.startswith('%s/Modem/')}" % MAIN_OBJ)
    mock.AddProperties(MAIN_IFACE, {"Version": "1.20.4"})
    mock.AddMethods(MAIN_IFACE, [
        ("ScanDevices", "", "", ""),
        ("SetLogging", "s", "", ""),
        ("ReportKernelEvent", "a{sv}", "", ""),
        ("InhibitDevice", "sb", "", ""),
    ])
    mock.next_bearer = 0
    password = str(parameters.get("password", "secret"))
    delay_ms = int(parameters.get("delay_ms", 300))
    mock.modems = [_add_modem(mock, index, password, delay_ms)
                   for index in range(int(parameters.get("modems", 1)))]
    if parameters.get("pin"):
        for modem in mock.modems:
            _lock_sim(mock, modem, str(parameters["pin"]))


STATE_LOCKED = 2
LOCK_NONE, LOCK_SIM_PIN = 1, 2


def _lock_sim(mock, modem, pin):
    """The modem's SIM wants its PIN; the right one registers the modem."""
    # Set before NetworkManager starts: no signal needed.
    modem.obj.props[MODEM_IFACE].update({
        "State": dbus.Int32(STATE_LOCKED), "UnlockRequired": _u(LOCK_SIM_PIN),
        "UnlockRetries": dbus.Dictionary({_u(LOCK_SIM_PIN): _u(3)}, signature="uu")})

    @dbus.service.method(SIM_IFACE, in_signature="s", out_signature="")
    def SendPin(_self, given):
        mock.log("SendPin modem %d" % modem.index)
        if str(given) != pin:
            raise dbus.exceptions.DBusException("wrong PIN",
                                                name=ERROR + "MobileEquipment.IncorrectPassword")
        modem.obj.UpdateProperties(MODEM_IFACE, {"UnlockRequired": _u(LOCK_NONE)})
        modem.set_state(STATE_REGISTERED)

    sim = mockobject.objects[str(modem.obj.props[MODEM_IFACE]["Sim"])]
    sim.methods[SIM_IFACE]["SendPin"] = ("s", "", "", SendPin)
