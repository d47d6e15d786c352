'''A private system bus with the NetworkManager stand-in on it.

Starts its own dbus-daemon on a socket in a fresh folder and the dbusmock
template of this folder on that bus; nothing of the machine's own buses is
touched. Used by the Python tests as a module, and by the C++ tests as a
program: "mock_bus.py serve" prints the bus address, then obeys lines on
standard input ("start", "stop": the stand-in; end of input: everything).
'''

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / 'e2e'))
from nelvo_driver import wait_for  # noqa: E402  pylint: disable=wrong-import-position

TEMPLATE = HERE / 'networkmanager_template.py'
PYTHON = '/usr/bin/python3'  # the system Python, which has dbusmock
NM_NAME = 'org.freedesktop.NetworkManager'
START_TIMEOUT = 20

# The bus configuration shared with the real-daemon tests.
CONFIG = (HERE.parent / 'tools' / 'private_system_bus.conf').read_text()


class MockBus:
    '''The private bus; start_mock and stop_mock run the stand-in on it.'''

    def __init__(self):
        self.folder = Path(tempfile.mkdtemp(prefix='nelvo-nm-bus-'))
        socket = self.folder / 'system_bus_socket'
        self.address = 'unix:path=%s' % socket
        config = self.folder / 'bus.conf'
        config.write_text(CONFIG.format(socket=socket))
        self.daemon = subprocess.Popen(['dbus-daemon', '--nofork', '--nopidfile',
                                        '--config-file=%s' % config],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        self.mock = None
        if not wait_for(socket.exists, START_TIMEOUT):
            raise RuntimeError('dbus-daemon did not start')

    def env(self):
        return dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.address)

    def start_mock(self):
        self.mock = subprocess.Popen(
            [PYTHON, '-m', 'dbusmock', '--system', '--template', str(TEMPLATE)],
            env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        if not wait_for(self._mock_on_bus, START_TIMEOUT):
            raise RuntimeError('the NetworkManager stand-in did not start')

    def stop_mock(self):
        if self.mock is not None:
            self.mock.terminate()
            self.mock.wait(timeout=START_TIMEOUT)
            self.mock = None

    def close(self):
        self.stop_mock()
        self.daemon.terminate()
        self.daemon.wait(timeout=START_TIMEOUT)
        shutil.rmtree(self.folder, ignore_errors=True)

    def _mock_on_bus(self):
        if self.mock.poll() is not None:
            raise RuntimeError('the NetworkManager stand-in ended at start')
        done = subprocess.run(
            ['dbus-send', '--bus=' + self.address, '--print-reply', '--dest=org.freedesktop.DBus',
             '/org/freedesktop/DBus', 'org.freedesktop.DBus.NameHasOwner', 'string:' + NM_NAME],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return b'boolean true' in done.stdout


def serve():
    bus = MockBus()
    try:
        print(bus.address, flush=True)
        for line in sys.stdin:
            command = line.strip()
            if command == 'start':
                bus.start_mock()
            elif command == 'stop':
                bus.stop_mock()
            print('ok', flush=True)
    finally:
        bus.close()


if __name__ == '__main__':
    serve()
