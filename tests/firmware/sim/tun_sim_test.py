#!/usr/bin/env python3
"""The firmware in s51 answering Linux's own programs: the SLIP line is bridged to a TUN device in
a network namespace that this test creates (and deletes), and ping and a UDP socket of that
namespace talk to the firmware at 10.0.0.2. Needs root and /dev/net/tun; without them it says
so and ends with status 77 (skipped).

    tun_sim_test.py QUILLON_CLI SETTINGS.wp WORK_DIR"""

import os
import re
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import slip_sim_test  # noqa: E402

SKIP = 77


def main():
    cli, settings, work = sys.argv[1:4]
    if os.geteuid() != 0 or not os.path.exists("/dev/net/tun") or not shutil.which("ip") or not shutil.which("ping"):
        print("skipped: needs root, /dev/net/tun, ip and ping")
        return SKIP
    namespace = "quillon-fw-%d" % os.getpid()
    if subprocess.run(["ip", "netns", "add", namespace], capture_output=True).returncode != 0:
        print("skipped: this machine does not allow network namespaces")
        return SKIP

    folder = os.path.join(work, "slip-tun")
    subprocess.run(["rm", "-rf", folder])
    sim = bridge = None
    try:
        slip_sim_test.make_project(cli, settings, folder)
        largest = slip_sim_test.constant(folder, "ping_buff_size")
        sim = subprocess.Popen([cli, "simulate", folder, "--pty", "--timeout", "600"], stdout=subprocess.PIPE)
        pty_path = sim.stdout.readline().decode().split(": ", 1)[1].strip()
        bridge = subprocess.Popen(["ip", "netns", "exec", namespace, sys.executable, os.path.join(HERE, "tun_bridge.py"),
                                   pty_path, "qsl0", "10.0.0.1", "10.0.0.2"], stdout=subprocess.PIPE)
        assert bridge.stdout.readline().strip() == b"up", "the bridge did not bring the link up"

        def in_namespace(*command, **kwargs):
            return subprocess.run(["ip", "netns", "exec", namespace, *command], capture_output=True, text=True,
                                  **kwargs)

        # One echo at a time: a request that arrives while the firmware still sends the last
        # reply overruns UART0's 32-byte receive ring, as it would on the board, and the simulated
        # line is slow enough (more so on a busy machine) for ping's own pace to do that.
        for _ in range(5):
            pinged = in_namespace("ping", "-c", "1", "-W", "20", "-s", str(largest), "10.0.0.2")
            assert " 0% packet loss" in pinged.stdout, pinged.stdout + pinged.stderr
        print("ping:", pinged.stdout.strip().splitlines()[-1])
        too_big = in_namespace("ping", "-c", "1", "-W", "3", "-s", str(largest + 1), "10.0.0.2")
        assert too_big.returncode != 0, "a ping larger than the ping buffer was answered"

        udp = in_namespace(sys.executable, "-c", """
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(10)
s.bind(("10.0.0.1", 40123))
for n in (0, 1, 200, 512):
    data = bytes((i * 7) & 0xFF for i in range(n))
    s.sendto(data, ("10.0.0.2", 7))
    got, sender = s.recvfrom(2048)
    assert got == data and sender == ("10.0.0.2", 7), (n, len(got), sender)
print("udp: 4 datagrams echoed through Linux sockets")
""")
        assert udp.returncode == 0, udp.stdout + udp.stderr
        print(udp.stdout.strip())
    finally:
        for process in (bridge, sim):
            if process and process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
        subprocess.run(["ip", "netns", "del", namespace])
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
