"""The firmware's host build on a TAP device in a network namespace of the test's own.

    with TapRig(cli, project) as rig:      # generated project folder
        rig.run(["ping", "-c", "1", "10.0.0.2"])
        socket.create_connection(("10.0.0.2", 80))   # this process is inside the namespace

The rig creates the namespace, enters it (every socket the test opens afterwards is inside it),
runs `quillon-cli simulate PROJECT --host --tap NAME` there, gives the PC's side of the TAP
device 10.0.0.1/24 and waits until the firmware answers ARP. On leaving, it stops the firmware
and deletes the namespace, whatever happened. Nothing ever leaves the namespace.
"""

import ctypes
import os
import signal
import subprocess
import sys
import time

# The generated projects' edits are the s51 tests' own.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sim"))
from project import edit  # noqa: E402

SKIP = 77
HOST_IP = "10.0.0.1"
DEVICE_IP = "10.0.0.2"
CLONE_NEWNET = 0x40000000


def skip(why):
    print("skipped: " + why)
    sys.exit(SKIP)


class TapRig:
    def __init__(self, cli, project, timeout=300, loss=0, reorder=0, device_ip=DEVICE_IP, wait_arp=True):
        self.cli = cli
        self.project = project
        self.timeout = timeout
        self.loss = loss
        self.reorder = reorder
        self.device_ip = device_ip
        self.wait_arp = wait_arp
        self.ns = "quillon-%d" % os.getpid()
        self.tap = "qtap%d" % (os.getpid() % 100000)
        self.proc = None
        self._home_ns = None

    def __enter__(self):
        if not os.path.exists("/dev/net/tun"):
            skip("no /dev/net/tun")
        made = subprocess.run(["ip", "netns", "add", self.ns], capture_output=True, text=True)
        if made.returncode != 0:
            skip("cannot create a network namespace: " + made.stderr.strip())
        try:
            self._enter_namespace()
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _enter_namespace(self):
        libc = ctypes.CDLL(None, use_errno=True)
        self._home_ns = os.open("/proc/self/ns/net", os.O_RDONLY)
        fd = os.open("/var/run/netns/" + self.ns, os.O_RDONLY)
        try:
            if libc.setns(fd, CLONE_NEWNET) != 0:
                raise OSError(ctypes.get_errno(), "setns")
        finally:
            os.close(fd)
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)

    def _start(self):
        command = [self.cli, "simulate", self.project, "--host", "--tap", self.tap, "--timeout", str(self.timeout)]
        if self.loss:
            command += ["--loss", str(self.loss)]
        if self.reorder:
            command += ["--reorder", str(self.reorder)]
        self.proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                     start_new_session=True)
        first = self.proc.stdout.readline()
        if first.strip() != "tap: " + self.tap:
            self.proc.wait(timeout=10)
            raise RuntimeError("simulate --host did not start: %r %s" % (first, self.proc.stderr.read()))
        subprocess.run(["ip", "addr", "add", HOST_IP + "/24", "dev", self.tap], check=True)
        if self.wait_arp:
            self.wait_for_device()

    def wait_for_device(self, seconds=30):
        """Until the firmware answers ARP for its address."""
        deadline = time.time() + seconds
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("the firmware stopped: " + self.proc.stderr.read())
            got = subprocess.run(["arping", "-c", "1", "-w", "1", "-I", self.tap, self.device_ip],
                                 capture_output=True, text=True) if _have("arping") else None
            if got is not None and got.returncode == 0:
                return
            probe = subprocess.run(["ping", "-c", "1", "-W", "1", "-s", "0", self.device_ip], capture_output=True)
            if probe.returncode == 0:
                return
        raise RuntimeError("the firmware at %s does not answer" % self.device_ip)

    def run(self, command, **kwargs):
        """A command inside the namespace (this process is already in it)."""
        kwargs.setdefault("capture_output", True)
        kwargs.setdefault("text", True)
        return subprocess.run(command, **kwargs)

    def stop(self):
        """SIGTERM to simulate: returns its exit status and what it printed to stderr."""
        if self.proc is None:
            return None, ""
        if self.proc.poll() is None:
            os.kill(self.proc.pid, signal.SIGTERM)
        try:
            self.proc.wait(timeout=15)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
        status, err = self.proc.returncode, self.proc.stderr.read()
        self.proc = None
        return status, err

    def __exit__(self, *exc):
        self.stop()
        if self._home_ns is not None:
            libc = ctypes.CDLL(None, use_errno=True)
            libc.setns(self._home_ns, CLONE_NEWNET)
            os.close(self._home_ns)
            self._home_ns = None
        subprocess.run(["ip", "netns", "del", self.ns], capture_output=True)
        return False


def _have(program):
    return any(os.access(os.path.join(d, program), os.X_OK) for d in os.environ.get("PATH", "").split(":"))


def generate(cli, settings, folder):
    """Generates the project of a settings file into folder (a fresh one)."""
    if os.path.exists(folder):
        subprocess.run(["rm", "-rf", folder], check=True)
    done = subprocess.run([cli, "generate", settings, "--out", folder], capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError("generation failed: " + done.stdout + done.stderr)


def add_udp_echo(folder, port=7):
    """The user's own application, as a user would write it: an echo service on a UDP port."""
    edit(os.path.join(folder, "main.c"), b"    // Run the stack for the application until the link fails.\n",
         b"    udp_open_socket (%d);\n\n    // Run the stack for the application until the link fails.\n" % port)
    edit(os.path.join(folder, "zs_callback.c"), b"    zs_unclaimed_packets++;\n}",
         b"    zs_unclaimed_packets++;\n    {\n        byte sender[4];\n        word port;\n"
         b"        udp_get_sender (sender, &port);\n"
         b"        udp_send (socket, sender, port, packet, len);\n    }\n}")
