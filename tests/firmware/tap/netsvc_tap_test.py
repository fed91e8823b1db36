#!/usr/bin/env python3
"""The network services of a Lanvik project (DHCP, DNS, LOCATRA) and of its BOOTP variant,
built for the host and run on a TAP device, against the Python peers of netsvc_peers.py:

  - the device leases its address from the test's DHCP server (whose answers come after
    broken ones), renews the short lease at T1 and keeps answering past the first lease's end,
    and leases anew after a renewal is refused;
  - a name resolves through the test's DNS server, and the second lookup comes from the cache;
  - LOCATRA answers discovery with the configured texts, the lease and its event counters;
  - with no DHCP server it falls back to 0.0.0.1 with an endless lease, and LOCATRA says so;
  - BOOTP gives it its address likewise.

    netsvc_tap_test.py QUILLON_CLI DHCP_SETTINGS.wp BOOTP_SETTINGS.wp WORK_DIR
"""

import os
import socket
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import netsvc_peers  # noqa: E402
import taprig  # noqa: E402

TEXTS = ["Greenhouse Sensor", "Temperature and humidity node", "Readings sent", "Alarms raised"]
RESOLVER_PORT = 5300

# The application a user would write around the resolver: a UDP service that looks up the
# name it is sent and answers with the result code (negated) and the address.
RESOLVER = b"""            // The application's own work goes here.
            {
                static int resolver = -1;
                static byte request[64];
                static byte reply[5];
                byte sender[4];
                word port;
                int n;

                if (resolver < 0)
                {
                    resolver = udp_open_socket (%d);
                }
                n = udp_receive (resolver, request, sizeof (request) - 1);
                if (n > 0)
                {
                    udp_get_sender (sender, &port);
                    request[n] = 0;
                    n = dns_resolve ((char *) request, reply + 1);
                    reply[0] = (byte) -n;
                    udp_send (resolver, sender, port, reply, 5);
                }
            }
""" % RESOLVER_PORT

# The host port has no timer 2: stand in for its interrupt from the main loop (which runs from
# the lease on), T2_OVERFLOW_RATE calls a second.
TIMER2 = b"""            {
                static word timer2_mark;
                static byte timer2_started;
                byte n;

                if (!timer2_started)
                {
                    timer2_mark = zs_get_ticks ();
                    timer2_started = 1;
                }
                while ((word) (zs_get_ticks () - timer2_mark) >= ZS_TICKS_PER_SECOND)
                {
                    timer2_mark += ZS_TICKS_PER_SECOND;
                    for (n = 0; n < T2_OVERFLOW_RATE; n++)
                    {
                        Timer2_ISR ();
                    }
                }
            }
"""


def prepare(cli, settings, folder, resend_trys=None):
    taprig.generate(cli, settings, folder)
    main = os.path.join(folder, "main.c")
    taprig.edit(main, b"            // The application's own work goes here.\n", RESOLVER + TIMER2)
    if resend_trys is not None:
        taprig.edit(os.path.join(folder, "zs_userconst.h"), b"#define dhcp_resend_trys                3\n",
                    b"#define dhcp_resend_trys                %d\n" % resend_trys)


def wait_until(what, condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    raise AssertionError("waited %d s for %s" % (seconds, what))


def discover(rig, **kwargs):
    answers = [a for a in netsvc_peers.locatra_discover(iface=rig.tap, **kwargs)]
    assert len(answers) == 1, answers
    assert answers[0]["texts"] == TEXTS, answers[0]
    return answers[0]


def resolve(name):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(15)
    s.sendto(name.encode(), (DEVICE, RESOLVER_PORT))
    reply, _ = s.recvfrom(64)
    s.close()
    return -reply[0] if reply[0] else 0, socket.inet_ntoa(reply[1:5])


DEVICE = "10.0.0.50"


def dhcp_dns_locatra(cli, settings, work):
    folder = os.path.join(work, "netsvc-dhcp")
    prepare(cli, settings, folder)
    with taprig.TapRig(cli, folder, device_ip=DEVICE, wait_arp=False) as rig:
        lease = 8
        dhcp = netsvc_peers.DhcpServer(rig.tap, taprig.HOST_IP, DEVICE, lease=lease, router=taprig.HOST_IP,
                                       dns=taprig.HOST_IP, garbage_first=8)
        dns = netsvc_peers.DnsServer(taprig.HOST_IP, {"sensor.example.net": ("10.0.0.77", 300)})
        dhcp.start()
        dns.start()
        try:
            wait_until("the lease", lambda: netsvc_peers.ACK in dhcp.sent_types, 30)
            bound = time.monotonic()
            rig.wait_for_device(10)
            kinds = dhcp.types()
            assert kinds[-2:] == [netsvc_peers.DISCOVER, netsvc_peers.REQUEST], kinds

            # LOCATRA: the leased address, the lease counting down, the texts.
            first = discover(rig)
            assert first["address"] == DEVICE and first["source"] == 1, first
            assert first["mac"] == "00:0b:3c:0a:00:01" and 0 < first["lease"] <= lease, first

            # Renewal at T1 (half the lease), unicast from the leased address; the device still
            # answers after the first lease would have run out.
            wait_until("a renewal", lambda: any(e[0] == netsvc_peers.REQUEST and e[1] == DEVICE for e in dhcp.seen), 10)
            renewal = next(e for e in dhcp.seen if e[0] == netsvc_peers.REQUEST and e[1] == DEVICE)
            after = renewal[3] - bound
            assert lease / 2 - 1.5 <= after <= lease / 2 + 1.5, "renewed %.1f s into an %d s lease" % (after, lease)
            assert renewal[4][0] == DEVICE, renewal[4]
            while time.monotonic() - bound < lease + 2:
                time.sleep(0.5)
            rig.wait_for_device(5)
            renewals = [e for e in dhcp.seen if e[0] == netsvc_peers.REQUEST and e[1] == DEVICE]
            assert len(renewals) >= 2, dhcp.types()

            # A name through the server named by DHCP, then from the cache.
            assert resolve("sensor.example.net") == (0, "10.0.0.77")
            assert resolve("Sensor.Example.NET") == (0, "10.0.0.77")
            assert dns.queries == ["sensor.example.net"], dns.queries
            code, _ = resolve("nowhere.example.net")
            assert code == -9, code                                   # ZS_ERR_NOT_FOUND
            assert dns.queries[-1] == "nowhere.example.net"

            # The event counters advance once a second: Time on Network since the lease.
            second = discover(rig)
            waited = time.monotonic() - bound
            assert abs(second["event2"] - waited) <= 2.5, (second, waited)
            assert second["event1"] >= second["event2"], second

            # A refused renewal takes the address away; discovery starts again at once and the
            # device leases anew.
            dhcp.nak_renewals = True
            before = len(dhcp.seen)
            wait_until("a discover after a refused renewal",
                       lambda: netsvc_peers.DISCOVER in [e[0] for e in dhcp.seen[before:]], lease)
            assert netsvc_peers.NAK in dhcp.sent_types, dhcp.sent_types
            dhcp.nak_renewals = False
            acks = dhcp.sent_types.count(netsvc_peers.ACK)
            wait_until("a new lease", lambda: dhcp.sent_types.count(netsvc_peers.ACK) > acks, 20)
            rig.wait_for_device(10)
            assert dhcp.errors == [] and dns.errors == [], dhcp.errors + dns.errors
        finally:
            dhcp.stop()
            dns.stop()
        status, err = rig.stop()
        assert status == 0, (status, err)
    print("DHCP lease, %d renewals, a name resolved once and cached, LOCATRA answered" % len(renewals))


def fallback(cli, settings, work):
    folder = os.path.join(work, "netsvc-fallback")
    prepare(cli, settings, folder, resend_trys=1)
    with taprig.TapRig(cli, folder, device_ip="0.0.0.1", wait_arp=False) as rig:
        # One discover, 4 s without an answer, then the fixed address and the endless lease.
        start = time.monotonic()
        answer = None
        while time.monotonic() - start < 20 and answer is None:
            answers = netsvc_peers.locatra_discover(iface=rig.tap, timeout=1.0)
            answer = next((a for a in answers if a["address"] == "0.0.0.1"), None)
        assert answer is not None, "no LOCATRA answer from 0.0.0.1"
        assert answer["source"] == 2 and answer["lease"] == 0xFFFFFFFF, answer
        assert answer["texts"] == TEXTS, answer
        status, err = rig.stop()
        assert status == 0, (status, err)
    print("no DHCP server: 0.0.0.1 with an endless lease after %.1f s" % (time.monotonic() - start))


def bootp(cli, settings, work):
    folder = os.path.join(work, "netsvc-bootp")
    prepare(cli, settings, folder)
    address = "10.0.0.60"
    with taprig.TapRig(cli, folder, device_ip=address, wait_arp=False) as rig:
        server = netsvc_peers.DhcpServer(rig.tap, taprig.HOST_IP, address, router=taprig.HOST_IP,
                                         boot_file=b"sensor.bin", garbage_first=2)
        server.start()
        try:
            rig.wait_for_device(30)
            assert set(server.types()) == {0}, server.types()        # plain BOOTP, no DHCP type
            answer = discover(rig)
            assert answer["address"] == address and answer["source"] == 0, answer
            assert server.errors == [], server.errors
        finally:
            server.stop()
        status, err = rig.stop()
        assert status == 0, (status, err)
    print("BOOTP address taken after %d requests" % len(server.seen))


def main():
    cli, dhcp_settings, bootp_settings, work = sys.argv[1:5]
    dhcp_dns_locatra(cli, dhcp_settings, work)
    fallback(cli, dhcp_settings, work)
    bootp(cli, bootp_settings, work)
    print("ok")


if __name__ == "__main__":
    main()
