'''A NetworkManager stand-in for the remote-access library's tests.

Unlike the stock dbusmock template it walks an activation through the
device states a real modem dial passes, fails on cue with the device state
reason a real daemon gives, offers AddAndActivateConnection2 with volatile
copies that vanish when the link goes down, numbers active connections from
1 and deactivates through "deactivating". Tests drive it through the
methods of CONTROL_IFACE on the main object.
'''

import os

import dbus
from gi.repository import GLib

import dbusmock
from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.NetworkManager'
MAIN_OBJ = '/org/freedesktop/NetworkManager'
MAIN_IFACE = 'org.freedesktop.NetworkManager'
SYSTEM_BUS = True

CONTROL_IFACE = 'org.freedesktop.NetworkManager.TestControl'
SETTINGS_OBJ = MAIN_OBJ + '/Settings'
SETTINGS_IFACE = 'org.freedesktop.NetworkManager.Settings'
PROFILE_IFACE = 'org.freedesktop.NetworkManager.Settings.Connection'
ACTIVE_IFACE = 'org.freedesktop.NetworkManager.Connection.Active'
DEVICE_IFACE = 'org.freedesktop.NetworkManager.Device'
ERROR = 'org.freedesktop.NetworkManager.'
UPDATE_BLOCK_AUTOCONNECT = 0x20

FLAG_UNSAVED, FLAG_VOLATILE = 0x1, 0x4
ACTIVATING, ACTIVATED, DEACTIVATING, DEACTIVATED = 1, 2, 3, 4
DEV_DISCONNECTED, DEV_PREPARE, DEV_CONFIG, DEV_NEED_AUTH = 30, 40, 50, 60
DEV_IP_CONFIG, DEV_IP_CHECK, DEV_SECONDARIES, DEV_ACTIVATED = 70, 80, 90, 100
DEV_DEACTIVATING, DEV_FAILED = 110, 120
REASON_DEVICE_DISCONNECTED, REASON_USER_DISCONNECTED = 3, 2

# The device states of a mobile-broadband activation as a real daemon walks it.
CONNECT_WALK = [DEV_PREPARE, DEV_NEED_AUTH, DEV_PREPARE, DEV_CONFIG, DEV_IP_CONFIG,
                DEV_IP_CHECK, DEV_SECONDARIES, DEV_ACTIVATED]
# Outcomes: the states walked before failing, and the device state reason.
FAILURES = {
    'busy': ([DEV_PREPARE, DEV_CONFIG], 23),
    'no-dial-tone': ([DEV_PREPARE, DEV_CONFIG], 24),
    'no-carrier': ([DEV_PREPARE, DEV_CONFIG], 25),
    'no-answer': ([DEV_PREPARE, DEV_CONFIG], 26),
    'refused': ([DEV_PREPARE, DEV_CONFIG, DEV_IP_CONFIG], 1),  # ModemManager says no more
    'refused-ppp': ([DEV_PREPARE, DEV_CONFIG, DEV_IP_CONFIG], 14),
    'no-secrets': ([DEV_PREPARE, DEV_NEED_AUTH], 7),
}
NEVER_WALK = [DEV_PREPARE, DEV_CONFIG, DEV_IP_CONFIG]
SECRET_SETTINGS = ('gsm', 'cdma', 'pppoe')


class World:
    '''Everything the stand-in knows, kept on the main mock object.'''

    def __init__(self, main):
        self.main = main
        self.profiles = []      # Settings object paths, in creation order
        self.settings = {}      # path -> {group: {key: value}}, secrets included
        self.outcomes = {}      # profile path -> (outcome, step_ms)
        self.active = {}        # active path -> walk token
        self.denied = set()
        self.blocked = []       # profiles whose autoconnect Update2 blocked
        self.last_activation = None
        self.next_profile = 1
        self.next_active = 1
        self.devices = {}
        self.available = {}     # profile path -> the device that offers it

    def device(self, kind):
        '''The one device of a kind: a modem port or an Ethernet port for PPPoE.'''
        name = 'eth1' if kind == 'pppoe' else 'ttyUSB0'
        if name not in self.devices:
            path = '%s/Devices/%d' % (MAIN_OBJ, len(self.devices) + 1)
            self.main.AddObject(path, DEVICE_IFACE, {
                'Interface': name, 'State': dbus.UInt32(DEV_DISCONNECTED),
                'ActiveConnection': dbus.ObjectPath('/'),
                'AvailableConnections': dbus.Array([], signature='o'),
                'StateReason': dbus.Struct((dbus.UInt32(DEV_DISCONNECTED), dbus.UInt32(0)),
                                           signature='uu'),
                'DeviceType': dbus.UInt32(14 if name == 'eth1' else 8)}, [])
            self.devices[name] = path
            self.main.props[MAIN_IFACE]['Devices'] = dbus.Array(
                [dbus.ObjectPath(p) for p in self.devices.values()], signature='o')
        return self.devices[name]


def device_kind(kind):
    return 'pppoe' if kind == 'pppoe' else 'modem'


def set_available(device):
    '''The stored profiles the device offers, as NetworkManager lists them.'''
    w = world()
    listed = [dbus.ObjectPath(p) for p in w.profiles if w.available.get(p) == device]
    mockobject.objects[device].props[DEVICE_IFACE]['AvailableConnections'] = dbus.Array(
        listed, signature='o')


def world():
    return mockobject.objects[MAIN_OBJ].world


def dbus_error(name, text):
    return dbus.exceptions.DBusException(text, name=ERROR + name)


def public_settings(settings):
    '''Settings as GetSettings gives them: without secrets.'''
    out = dbus.Dictionary({}, signature='sa{sv}')
    for group, values in settings.items():
        out[group] = dbus.Dictionary({k: v for k, v in values.items() if k != 'password'},
                                     signature='sv')
    return out


def add_profile_object(settings, flags):
    w = world()
    path = '%s/%d' % (SETTINGS_OBJ, w.next_profile)
    w.next_profile += 1
    w.main.AddObject(path, PROFILE_IFACE, {
        'Flags': dbus.UInt32(flags), 'Unsaved': dbus.Boolean(flags != 0),
        'Filename': dbus.String('')}, [
        ('GetSettings', '', 'a{sa{sv}}', lambda self: public_settings(w.settings[self.path])),
        ('GetSecrets', 's', 'a{sa{sv}}', get_secrets),
        ('Delete', '', '', lambda self: remove_profile(self.path)),
        ('Update2', 'a{sa{sv}}ua{sv}', 'a{sv}', update2),
    ])
    w.profiles.append(path)
    w.settings[path] = settings
    return path


def get_secrets(self, setting):
    w = world()
    if 'secrets' in w.denied:
        raise dbus_error('Settings.PermissionDenied', 'not allowed to read secrets')
    values = w.settings[self.path].get(setting, {})
    secrets = {k: v for k, v in values.items() if k == 'password'}
    return dbus.Dictionary({setting: dbus.Dictionary(secrets, signature='sv')},
                           signature='sa{sv}')


def remove_profile(path):
    w = world()
    if path in w.profiles:
        w.profiles.remove(path)
        del w.settings[path]
        w.outcomes.pop(path, None)
        device = w.available.pop(path, None)
        if device is not None:
            set_available(device)
        w.main.RemoveObject(path)


def set_active_list():
    w = world()
    w.main.props[MAIN_IFACE]['ActiveConnections'] = dbus.Array(
        [dbus.ObjectPath(p) for p in w.active], signature='o')


def emit_device(device, state, reason):
    obj = mockobject.objects[device]
    old = obj.props[DEVICE_IFACE]['State']
    obj.props[DEVICE_IFACE]['State'] = dbus.UInt32(state)
    obj.props[DEVICE_IFACE]['StateReason'] = dbus.Struct((dbus.UInt32(state),
                                                          dbus.UInt32(reason)), signature='uu')
    obj.EmitSignal(DEVICE_IFACE, 'StateChanged', 'uuu',
                   [dbus.UInt32(state), old, dbus.UInt32(reason)])


def emit_active(path, state, reason):
    obj = mockobject.objects[path]
    obj.props[ACTIVE_IFACE]['State'] = dbus.UInt32(state)
    if state == DEACTIVATED:
        # As the real daemon does: a deactivated connection has no device.
        for device in obj.props[ACTIVE_IFACE]['Devices']:
            mockobject.objects[device].props[DEVICE_IFACE]['ActiveConnection'] = \
                dbus.ObjectPath('/')
        obj.props[ACTIVE_IFACE]['Devices'] = dbus.Array([], signature='o')
    obj.EmitSignal(ACTIVE_IFACE, 'StateChanged', 'uu', [dbus.UInt32(state), dbus.UInt32(reason)])


def drop_active(path):
    '''The link is down: the active connection and its volatile copy go.'''
    w = world()
    if path not in w.active:
        return
    obj = mockobject.objects[path]
    profile = obj.props[ACTIVE_IFACE]['Connection']
    del w.active[path]
    set_active_list()
    w.main.RemoveObject(path)
    if profile in w.settings and mockobject.objects[profile].props[PROFILE_IFACE]['Flags'] \
            & FLAG_VOLATILE:
        remove_profile(profile)


def walk(path, steps, token):
    '''Runs steps, a list of (delay ms, action), unless the walk was stopped.'''
    def alive():
        return world().active.get(path) is token

    def run():
        if alive():
            steps.pop(0)[1]()
            if steps:
                GLib.timeout_add(steps[0][0], run)
        return False
    if steps and steps[0][0] == 0:
        # A dial that fails at once: every signal goes out before the reply.
        while steps and alive():
            steps.pop(0)[1]()
    elif steps:
        GLib.timeout_add(steps[0][0], run)


def activation_steps(path, device, outcome, step_ms):
    def dev(state, reason=0):
        return (step_ms, lambda: emit_device(device, state, reason))
    if outcome in ('connect', 'after-failure'):
        return [dev(s) for s in CONNECT_WALK] + [
            (step_ms, lambda: emit_active(path, ACTIVATED, 1))]
    if outcome == 'never':
        return [dev(s) for s in NEVER_WALK]
    states, reason = FAILURES[outcome]
    return [dev(s) for s in states] + [
        dev(DEV_FAILED, reason),
        (1, lambda: emit_active(path, DEACTIVATED, REASON_DEVICE_DISCONNECTED)),
        (1, lambda: emit_device(device, DEV_DISCONNECTED, 0)),
        (1, lambda: drop_active(path))]


def find_original(connection_id):
    w = world()
    for path in w.profiles:
        flags = mockobject.objects[path].props[PROFILE_IFACE]['Flags']
        if not flags & FLAG_VOLATILE and w.settings[path]['connection']['id'] == connection_id:
            return path
    return None


def add_active(profile, settings, device, state):
    w = world()
    path = '%s/ActiveConnection/%d' % (MAIN_OBJ, w.next_active)
    w.next_active += 1
    connection = settings['connection']
    w.main.AddObject(path, ACTIVE_IFACE, {
        'Connection': dbus.ObjectPath(profile), 'SpecificObject': dbus.ObjectPath('/'),
        'Id': connection['id'], 'Uuid': connection['uuid'], 'Type': connection['type'],
        'Devices': dbus.Array([dbus.ObjectPath(device)], signature='o'),
        'State': dbus.UInt32(state), 'StateFlags': dbus.UInt32(0),
        'Default': False, 'Vpn': False}, [])
    w.active[path] = object()
    set_active_list()
    return path


def add_and_activate2(self, settings, device, specific, options):
    w = world()
    if 'activate' in w.denied:
        raise dbus_error('PermissionDenied', 'not authorized to control networking')
    w.last_activation = (settings, options)
    original = find_original(settings['connection']['id'])
    if original is None:
        raise dbus_error('UnknownConnection', 'no such profile')
    outcome, step_ms = w.outcomes[original]
    volatile = options.get('persist') == 'volatile'
    copy = add_profile_object(dbus.Dictionary(settings, signature='sa{sv}'),
                              FLAG_UNSAVED | FLAG_VOLATILE if volatile else 0)
    kind = settings['connection']['type']
    if device == '/':
        modem = w.device(device_kind(kind))
    elif device in w.devices.values():
        modem = str(device)
    else:
        raise dbus_error('UnknownDevice', 'no such device')
    if outcome == 'after-failure':
        # Another client's activation of the modem failed just before this one.
        emit_device(modem, DEV_FAILED, 7)
        emit_device(modem, DEV_DISCONNECTED, 0)
    path = add_active(copy, settings, modem, ACTIVATING)
    mockobject.objects[modem].props[DEVICE_IFACE]['ActiveConnection'] = dbus.ObjectPath(path)
    walk(path, activation_steps(path, modem, outcome, step_ms), w.active[path])
    return (dbus.ObjectPath(copy), dbus.ObjectPath(path), dbus.Dictionary({}, signature='sv'))


def deactivate(self, path):
    w = world()
    if path not in w.active:
        raise dbus_error('ConnectionNotActive', 'not active')
    if 'deactivate' in w.denied:
        raise dbus_error('PermissionDenied', 'not authorized to control networking')
    w.active[path] = object()  # stops the walk
    device = mockobject.objects[path].props[ACTIVE_IFACE]['Devices'][0]
    emit_active(path, DEACTIVATING, REASON_USER_DISCONNECTED)
    emit_device(device, DEV_DEACTIVATING, 39)
    token = w.active[path]
    walk(path, [(20, lambda: emit_active(path, DEACTIVATED, REASON_USER_DISCONNECTED)),
                        (1, lambda: emit_device(device, DEV_DISCONNECTED, 39)),
                        (1, lambda: drop_active(path))], token)


def update2(self, settings, flags, args):
    '''Settings.Connection.Update2: only blocking autoconnect, settings unchanged.'''
    if settings or flags != UPDATE_BLOCK_AUTOCONNECT:
        raise dbus_error('Settings.InvalidArgument', 'the stand-in only blocks autoconnect')
    world().blocked.append(self.path)
    return dbus.Dictionary({}, signature='sv')


def get_permissions(self):
    '''Reading secrets is granted outright, unless refused.'''
    answer = 'no' if 'secrets' in world().denied else 'yes'
    return dbus.Dictionary({ERROR + 'settings.modify.system': answer}, signature='ss')


# Test control -------------------------------------------------------------

def control_add_profile(self, connection_id, kind, options):
    '''A stored profile; options: number, username, password, outcome
    (connect, never or a FAILURES key), step_ms (0: the whole walk before
    the activation's reply), bluetooth_type, unlisted, password_flags.'''
    uuid = '0000%04d-0000-4000-8000-000000000000' % world().next_profile
    settings = {'connection': {'id': connection_id, 'uuid': uuid, 'type': kind,
                               'autoconnect': dbus.Boolean(False, variant_level=1)},
                'ipv4': {'method': 'auto'}, 'ipv6': {'method': 'auto'}}
    secret_setting = {'bluetooth': 'gsm'}.get(kind, kind)
    if kind == 'bluetooth':
        settings['bluetooth'] = {'type': options.get('bluetooth_type', 'dun'),
                                 'bdaddr': dbus.ByteArray(b'\x00\x11\x22\x33\x44\x55')}
    if secret_setting in SECRET_SETTINGS:
        group = {'username': options.get('username', ''),
                 'password-flags': dbus.UInt32(int(options.get('password_flags', 1)))}
        if secret_setting != 'pppoe':
            group['number'] = options.get('number', '')
            group['apn'] = 'internet'
        if options.get('password'):
            group['password'] = options['password']
        settings[secret_setting] = group
    settings = {g: dbus.Dictionary(v, signature='sv') for g, v in settings.items()}
    path = add_profile_object(dbus.Dictionary(settings, signature='sa{sv}'), 0)
    world().outcomes[path] = (str(options.get('outcome', 'connect')),
                              int(options.get('step_ms', 20)))
    if not options.get('unlisted'):  # "unlisted": no device offers it
        device = world().device(device_kind(kind))
        world().available[path] = device
        set_available(device)
    return dbus.ObjectPath(path)


def control_add_active(self, count, connection_id, kind):
    '''count activated connections without a walk, for listing tests.'''
    w = world()
    device = w.device('pppoe' if kind == 'pppoe' else 'modem')
    for _ in range(count):
        add_active('/', {'connection': {'id': connection_id, 'uuid': '', 'type': kind}},
                   device, ACTIVATED)


def control_set_denied(self, what, denied):
    (world().denied.add if denied else world().denied.discard)(str(what))


def control_last_activation(self):
    w = world()
    if w.last_activation is None:
        raise dbus_error('Failed', 'nothing activated yet')
    return w.last_activation


def control_reset(self):
    '''Back to no profiles, no links and no refusals; numbering goes on.'''
    w = world()
    for path in list(w.active):
        w.main.RemoveObject(path)
    w.active.clear()
    set_active_list()
    for device in w.devices.values():
        mockobject.objects[device].props[DEVICE_IFACE]['ActiveConnection'] = dbus.ObjectPath('/')
    for path in list(w.profiles):
        remove_profile(path)
    w.denied.clear()
    w.blocked.clear()
    w.last_activation = None


def control_quit(self, delay_ms):
    '''Leaves the bus after delay_ms, as a daemon that stops.'''
    GLib.timeout_add(delay_ms, lambda: os._exit(0))


def load(mock, parameters):
    mock.world = World(mock)
    mock.AddProperties(MAIN_IFACE, {
        'Version': '1.42.4', 'State': dbus.UInt32(70), 'NetworkingEnabled': True,
        'ActiveConnections': dbus.Array([], signature='o'),
        'Devices': dbus.Array([], signature='o')})
    mock.AddMethod(MAIN_IFACE, 'AddAndActivateConnection2', 'a{sa{sv}}ooa{sv}', 'ooa{sv}',
                   add_and_activate2)
    mock.AddMethod(MAIN_IFACE, 'DeactivateConnection', 'o', '', deactivate)
    mock.AddMethod(MAIN_IFACE, 'GetPermissions', '', 'a{ss}', get_permissions)
    mock.AddObject(MAIN_OBJ + '/AgentManager', MAIN_IFACE + '.AgentManager', {}, [
        ('RegisterWithCapabilities', 'su', '', ''), ('Unregister', '', '', '')])
    mock.AddMethod(MAIN_IFACE, 'GetDevices', '', 'ao',
                   lambda self: self.props[MAIN_IFACE]['Devices'])
    mock.AddObject(SETTINGS_OBJ, SETTINGS_IFACE, {}, [
        ('ListConnections', '', 'ao',
         lambda self: dbus.Array([dbus.ObjectPath(p) for p in world().profiles], signature='o'))])
    for name, in_sig, out_sig, code in [
            ('AddProfile', 'ssa{sv}', 'o', control_add_profile),
            ('AddActiveConnections', 'uss', '', control_add_active),
            ('SetDenied', 'sb', '', control_set_denied),
            ('LastActivation', '', 'a{sa{sv}}a{sv}', control_last_activation),
            ('Blocked', '', 'ao', lambda self: dbus.Array(world().blocked, signature='o')),
            ('ResetWorld', '', '', control_reset),
            ('Quit', 'u', '', control_quit)]:
        mock.AddMethod(CONTROL_IFACE, name, in_sig, out_sig, code)
