#!/usr/bin/env python3
"""A private saned on 127.0.0.1 serving SANE's `test` backend, and scanimage reading through it.

Used by the tests (tests/scanserver/saned_test.py), the demo and the benchmark; never touches /etc/sane.d.
  saned_peer.py start DIR PORT [USER:PASSWORD]   configure DIR, start saned, wait until it listens
  saned_peer.py stop DIR                         end that saned and its workers
  saned_peer.py scan DIR OUT.pnm OPTION...       scanimage through it into OUT.pnm; prints seconds
DIR holds daemon/ (dll.conf: test; test.conf: "Color pattern", an area up to 300 mm that holds US
Letter and A4; saned.conf; saned.users when a user is given) and client/ (dll.conf: net; net.conf).
The net backend knows no port but sane-port of /etc/services: scanimage runs in a mount namespace
of its own where a private services file stands in for it.
"""
import os
import signal
import socket
import subprocess
import sys
import time

DEVICE = "test:0"


def configure(folder, port, user=None):
    daemon, client = os.path.join(folder, "daemon"), os.path.join(folder, "client")
    os.makedirs(daemon, exist_ok=True)
    os.makedirs(client, exist_ok=True)
    files = {
        (daemon, "dll.conf"): "test\n",
        (daemon, "test.conf"): 'number_of_devices 1\ngeometry_min 0.0\ngeometry_max 300.0\n'
                               'geometry_quant 1.0\ntest-picture "Color pattern"\n',
        (daemon, "saned.conf"): "127.0.0.1\n",
        (client, "dll.conf"): "net\n",
        (client, "net.conf"): "connect_timeout = 5\n127.0.0.1\n",
        (client, "services"): "sane-port %d/tcp\n" % port,
    }
    users = os.path.join(daemon, "saned.users")
    if user:
        files[(daemon, "saned.users")] = user + ":test\n"
    elif os.path.exists(users):
        os.remove(users)
    for (where, name), text in files.items():
        with open(os.path.join(where, name), "w") as out:
            out.write(text)


def listening(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


class Saned:
    """saned in a session of its own (it forks a worker per connection): stop and kill end all."""

    def __init__(self, folder, port, user=None):
        self.folder, self.port, self.user, self.process = folder, port, user, None

    def start(self):
        configure(self.folder, self.port, self.user)
        env = dict(os.environ, SANE_CONFIG_DIR=os.path.join(self.folder, "daemon"))
        log = open(os.path.join(self.folder, "saned.log"), "a")
        self.process = subprocess.Popen(
            ["saned", "-l", "-e", "-b", "127.0.0.1", "-p", str(self.port)], env=env,
            stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        log.close()
        for _ in range(100):
            if listening(self.port):
                return self
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        raise RuntimeError("saned did not listen on 127.0.0.1:%d" % self.port)

    def stop(self, sig=signal.SIGTERM):
        if self.process and self.process.poll() is None:
            try:
                os.killpg(self.process.pid, sig)
            except ProcessLookupError:
                pass
            self.process.wait(10)
        self.process = None

    def kill(self):
        self.stop(signal.SIGKILL)


def scanimage(folder, options, out_path):
    """scanimage -d net:127.0.0.1:test:0 OPTIONS --format pnm through the saned of folder."""
    client = os.path.join(folder, "client")
    env = dict(os.environ, SANE_CONFIG_DIR=client)
    start = time.monotonic()
    with open(out_path, "wb") as out:
        subprocess.run(["unshare", "--mount", "sh", "-c",
                        'mount --bind "$0/services" /etc/services && exec scanimage "$@"', client,
                        "-d", "net:127.0.0.1:" + DEVICE, "--format", "pnm"] + list(options),
                       env=env, stdout=out, check=True, timeout=120)
    return time.monotonic() - start


def read_pnm(path):
    """(kind, width, height, rows): each row bytes, P6 red, green, blue a pixel, P5 gray, P4 one
    byte a pixel, 1 white and 0 black (as Orvane's set bit)."""
    with open(path, "rb") as f:
        data = f.read()
    kind = data[:2].decode()
    fields, at = [], 2
    while len(fields) < (2 if kind == "P4" else 3):
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(int(data[at:end]))
        at = end
    width, height, pixels = fields[0], fields[1], data[at + 1:]
    stride = {"P4": (width + 7) // 8, "P5": width, "P6": 3 * width}[kind]
    rows = [pixels[y * stride:(y + 1) * stride] for y in range(height)]
    if kind == "P4":
        rows = [bytes(1 - (row[x // 8] >> (7 - x % 8) & 1) for x in range(width)) for row in rows]
    return kind, width, height, rows


def main(argv):
    verb, folder = argv[1], argv[2]
    if verb == "start":
        saned = Saned(folder, int(argv[3]), argv[4] if len(argv) > 4 else None).start()
        with open(os.path.join(folder, "saned.pid"), "w") as out:
            out.write(str(saned.process.pid))
        print("saned %d on 127.0.0.1:%s, device %s" % (saned.process.pid, argv[3], DEVICE))
    elif verb == "stop":
        pid_file = os.path.join(folder, "saned.pid")
        if os.path.exists(pid_file):
            try:
                os.killpg(int(open(pid_file).read()), signal.SIGTERM)
            except ProcessLookupError:
                pass
            os.remove(pid_file)
    elif verb == "scan":
        print("%.3f" % scanimage(folder, argv[4:], argv[3]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
