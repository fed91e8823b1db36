#!/usr/bin/env python3
"""The servers of an Ethernet project, built for the host and run on a TAP device, against real
clients in a namespace of the test's own: curl of every virtual file byte for byte (a page of every
byte value among them), HEAD and 404, twenty clients at once, FTP with Python's ftplib in passive
mode, and the device's own clients: TFTP get and put against a small TFTP server, and mail to a
local SMTP sink. The device's clients run from two forms the test adds to main.c, as a user would.

    servers_tap_test.py QUILLON_CLI PAGEBAKE SETTINGS.wp WORK_DIR
"""

import ftplib
import http.client
import io
import os
import random
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import taprig  # noqa: E402

DEVICE = taprig.DEVICE_IP
HOST = taprig.HOST_IP

FORMS = b"""
#include "VFILE_DIR/allbytes.h"
#include "VFILE_DIR/big.h"
#include "VFILE_DIR/style.h"

// The test's forms: each runs one of the device's clients and answers with its results.
static word put_text (byte kpv_xdata *to, word at, word max, const char *text)
{
    while (*text && at < max)
    {
        to[at++] = (byte) *text++;
    }
    return at;
}

static word put_number (byte kpv_xdata *to, word at, word max, long n)
{
    char digits[12];
    int count = 0;

    if (n < 0 && at < max)
    {
        to[at++] = '-';
        n = -n;
    }
    do
    {
        digits[count++] = (char) ('0' + n % 10);
        n /= 10;
    } while (n);
    while (count && at < max)
    {
        to[at++] = (byte) digits[--count];
    }
    return at;
}

static word mail_form (byte kpv_xdata *body, word len, byte kpv_xdata *reply, word max)
{
    int result = smtp_send_mail ("device@test", "ops@test", "Report", body, len);
    return put_number (reply, put_text (reply, 0, max, "mail "), max, result);
}

static byte transfer[4096];

static word tftp_form (byte kpv_xdata *body, word len, byte kpv_xdata *reply, word max)
{
    word got = 0;
    int fetched = tftp_get_file (dest_ip_addr, "served.bin", transfer, sizeof transfer, &got);
    int stored = fetched == ZS_OK ? tftp_put_file (dest_ip_addr, "stored.bin", transfer, got) : fetched;
    word at = put_number (reply, put_text (reply, 0, max, "tftp "), max, fetched);

    (void) body;
    (void) len;
    at = put_number (reply, put_text (reply, at, max, " "), max, stored);
    return put_number (reply, put_text (reply, at, max, " "), max, got);
}
"""

PAGES = b"""    vf_add_file ("allbytes.bin", allbytes_bin, ALLBYTES_SIZE);
    vf_add_file ("big.txt", big_txt, BIG_SIZE);
    vf_add_file ("style.css", style_css, STYLE_SIZE);
    http_add_post_function ("mail", mail_form);
    http_add_post_function ("tftp", tftp_form);
"""


def make_project(cli, pagebake, settings, folder):
    taprig.generate(cli, settings, folder)
    pages = os.path.join(folder, "VFILE_DIR")
    files = {
        # Every byte value, several times over and in no order: any byte the path could spoil.
        "allbytes.bin": bytes(random.Random(3).sample(range(256), 256) * 12) + bytes(range(256)),
        "big.txt": b"".join(b"line %05d of a page larger than any buffer or segment\n" % i for i in range(400)),
        "style.css": b"body { color: #333; }\n",
    }
    for name, content in files.items():
        with open(os.path.join(pages, name), "wb") as f:
            f.write(content)
        subprocess.run([pagebake, "--project-layout", name], cwd=pages, check=True, capture_output=True)
    with open(os.path.join(pages, "index.html"), "rb") as f:
        files["index.html"] = f.read()
    main = os.path.join(folder, "main.c")
    insert_after(main, b'#include "VFILE_DIR/index.h"', FORMS)
    insert_after(main, b'    vf_add_file ("index.html", index_html, INDEX_SIZE);', PAGES)
    return files


def insert_after(path, line, text):
    """Puts text after the one line of a generated file, whichever line end that line has."""
    with open(path, "rb") as f:
        source = f.read()
    for end in (b"\r\n", b"\n"):
        if source.count(line + end) == 1:
            with open(path, "wb") as f:
                f.write(source.replace(line + end, line + end + text.replace(b"\n", end)))
            return
    raise AssertionError("%s: %r not found once" % (path, line))


def curl(rig, *args):
    return rig.run(["curl", "-s", "--max-time", "30"] + list(args), text=False)


def get(path, timeout=30):
    c = http.client.HTTPConnection(DEVICE, 80, timeout=timeout)
    try:
        c.request("GET", path)
        r = c.getresponse()
        return r.status, r.read()
    finally:
        c.close()


def check_http(rig, files, work):
    for name, content in files.items():
        out = os.path.join(work, "got-" + name)
        got = curl(rig, "-o", out, "-w", "%{http_code}", "http://%s/%s" % (DEVICE, name))
        assert got.stdout == b"200", (name, got.stdout, got.stderr)
        with open(out, "rb") as f:
            assert f.read() == content, name + " differs"
        head = curl(rig, "-I", "http://%s/%s" % (DEVICE, name)).stdout.decode()
        assert head.startswith("HTTP/1.1 200"), head
        assert "Content-Length: %d\r\n" % len(content) in head, head
    root = curl(rig, "http://%s/" % DEVICE).stdout
    assert root == files["index.html"], "the root is not the index page"
    missing = curl(rig, "-o", "/dev/null", "-w", "%{http_code}", "http://%s/nothing.html" % DEVICE).stdout
    assert missing == b"404", missing
    head = curl(rig, "-I", "http://%s/nothing.html" % DEVICE).stdout.decode()
    assert head.startswith("HTTP/1.1 404"), head
    print("curl: %d files byte for byte, HEAD, 404" % len(files))


def check_concurrent(files, clients=20):
    results = [None] * clients

    def fetch(i):
        name = ["allbytes.bin", "big.txt", "index.html"][i % 3]
        try:
            status, body = get("/" + name, timeout=60)
            results[i] = "ok" if status == 200 and body == files[name] else "status %d, %d bytes" % (status, len(body))
        except Exception as e:  # noqa: BLE001 - reported below
            results[i] = repr(e)

    threads = [threading.Thread(target=fetch, args=(i,)) for i in range(clients)]
    start = time.time()
    for t in threads:
        t.start()
    for t in threads:
        t.join(120)
    bad = [(i, r) for i, r in enumerate(results) if r != "ok"]
    assert not bad, bad
    print("%d concurrent clients served in %.1f s" % (clients, time.time() - start))


def measure_requests(count=100):
    start = time.time()
    for _ in range(count):
        status, _ = get("/style.css")
        assert status == 200
    elapsed = time.time() - start
    print("HTTP: %.0f requests a second (%d sequential GETs of a small page)" % (count / elapsed, count))
    start = time.time()
    size = 0
    for _ in range(10):
        status, body = get("/big.txt")
        assert status == 200
        size += len(body)
    print("HTTP: %.0f KB/s for a %d-byte page" % (size / 1024 / (time.time() - start), len(body)))


def check_ftp(files):
    ftp = ftplib.FTP(DEVICE, timeout=20)
    try:
        assert ftp.getwelcome().startswith("220"), ftp.getwelcome()
        try:
            ftp.login("guest", "wrong")
            raise AssertionError("a wrong password was taken")
        except ftplib.error_perm as e:
            assert str(e).startswith("530"), e
        ftp.login("guest", "tulipbed")
        ftp.set_pasv(True)
        assert sorted(ftp.nlst()) == sorted(files), ftp.nlst()
        lines = []
        ftp.retrlines("LIST", lines.append)
        for name, content in files.items():
            assert any(line.endswith(" " + name) and " %d " % len(content) in line for line in lines), (name, lines)
            got = bytearray()
            ftp.retrbinary("RETR " + name, got.extend)
            assert bytes(got) == content, name + " differs over FTP"
            assert ftp.size(name) == len(content)
        try:
            ftp.storbinary("STOR new.txt", io.BytesIO(b"data"))
            raise AssertionError("an upload was taken")
        except ftplib.error_perm as e:
            assert str(e).startswith("550"), e
        assert ftp.pwd() == "/"
        ftp.quit()
    finally:
        ftp.close()
    # The next session is taken once the first has ended.
    second = ftplib.FTP(DEVICE, timeout=20)
    second.login("guest", "tulipbed")
    assert second.nlst("/")
    second.quit()
    print("ftp: log-in, LIST, NLST, RETR and SIZE of %d files, STOR refused" % len(files))


class TftpServer(threading.Thread):
    """Serves served.bin and takes stored.bin (RFC 1350, octet mode), one transfer at a time."""

    def __init__(self, served):
        super().__init__(daemon=True)
        self.served = served
        self.stored = None
        self.requests = []
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((HOST, 69))
        self.sock.settimeout(0.5)
        self.stop = False

    def run(self):
        while not self.stop:
            try:
                data, client = self.sock.recvfrom(1024)
            except socket.timeout:
                continue
            opcode = int.from_bytes(data[:2], "big")
            name = data[2:].split(b"\0")[0].decode()
            self.requests.append((opcode, name))
            t = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            t.bind((HOST, 0))
            t.settimeout(1)
            try:
                if opcode == 1:
                    self.send(t, client)
                elif opcode == 2:
                    self.receive(t, client)
            finally:
                t.close()

    def exchange(self, t, client, packet, want):
        for _ in range(5):
            t.sendto(packet, client)
            try:
                while True:
                    data, sender = t.recvfrom(1024)
                    if sender == client and data[:2] == want[:2] and data[2:4] == want[2:4]:
                        return data
            except socket.timeout:
                continue
        raise RuntimeError("the client fell silent")

    def send(self, t, client):
        blocks = len(self.served) // 512 + 1
        for n in range(1, blocks + 1):
            chunk = self.served[(n - 1) * 512:n * 512]
            self.exchange(t, client, b"\0\3" + n.to_bytes(2, "big") + chunk, b"\0\4" + n.to_bytes(2, "big"))

    def receive(self, t, client):
        got = bytearray()
        packet = b"\0\4\0\0"
        n = 1
        while True:
            data = self.exchange(t, client, packet, b"\0\3" + n.to_bytes(2, "big"))
            got += data[4:]
            packet = b"\0\4" + n.to_bytes(2, "big")
            n += 1
            if len(data) < 516:
                t.sendto(packet, client)
                break
        self.stored = bytes(got)


class SmtpSink(threading.Thread):
    """A mail server that keeps what it is sent; reject names a command it answers 550."""

    def __init__(self):
        super().__init__(daemon=True)
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind((HOST, 25))
        self.listener.listen(4)
        self.listener.settimeout(0.5)
        self.reject = None
        self.mails = []
        self.commands = []
        self.stop = False

    def run(self):
        while not self.stop:
            try:
                conn, _ = self.listener.accept()
            except socket.timeout:
                continue
            with conn:
                conn.settimeout(30)
                self.session(conn.makefile("rb"), conn)

    def session(self, f, conn):
        conn.sendall(b"220 sink ESMTP\r\n")
        while True:
            line = f.readline()
            if not line:
                return
            command = line.rstrip(b"\r\n").decode("latin-1")
            self.commands.append(command)
            verb = command[:4].upper()
            if verb == self.reject:
                conn.sendall(b"550 5.7.1 Not from you\r\n")
            elif verb == "DATA":
                conn.sendall(b"354 End with a dot\r\n")
                lines = []
                while True:
                    raw = f.readline()
                    assert raw.endswith(b"\r\n"), raw
                    if raw == b".\r\n":
                        break
                    lines.append(raw[1:] if raw.startswith(b".") else raw)
                self.mails.append(b"".join(lines))
                conn.sendall(b"250 Queued\r\n")
            elif verb == "QUIT":
                conn.sendall(b"221 Bye\r\n")
                return
            elif verb == "HELO":
                conn.sendall(b"250-sink\r\n250 8BITMIME\r\n")
            else:
                conn.sendall(b"250 OK\r\n")


def check_clients(rig):
    served = bytes(random.Random(9).randrange(256) for _ in range(1500))
    tftp = TftpServer(served)
    sink = SmtpSink()
    tftp.start()
    sink.start()
    try:
        answer = curl(rig, "-d", "go", "http://%s/tftp" % DEVICE).stdout
        assert answer == b"tftp 0 0 1500", answer
        assert tftp.requests == [(1, "served.bin"), (2, "stored.bin")], tftp.requests
        assert tftp.stored == served, "the file stored is not the one fetched"
        print("tftp: 1500 bytes fetched and stored back")

        body = b"Temp 21C\n.hidden dot\n..two\nend"
        answer = rig.run(["curl", "-s", "--max-time", "60", "--data-binary", "@-", "http://%s/mail" % DEVICE],
                         input=body, text=False).stdout
        assert answer == b"mail 0", answer
        assert len(sink.mails) == 1, sink.mails
        mail = sink.mails[0]
        assert b"Subject: Report\r\n" in mail and b"From: <device@test>\r\n" in mail, mail
        assert mail.split(b"\r\n\r\n", 1)[1] == body.replace(b"\n", b"\r\n") + b"\r\n", mail
        assert sink.commands[1:4] == ["MAIL FROM:<device@test>", "RCPT TO:<ops@test>", "DATA"], sink.commands
        sink.reject = "RCPT"
        answer = rig.run(["curl", "-s", "--max-time", "60", "-d", "x", "http://%s/mail" % DEVICE], text=False).stdout
        assert answer == b"mail -60", answer
        print("smtp: delivered with its dots stuffed; a refused recipient gives ZS_ERR_MAIL_REJECTED")
    finally:
        tftp.stop = sink.stop = True


def main():
    cli, pagebake, settings, work = [os.path.abspath(a) for a in sys.argv[1:5]]
    folder = os.path.join(work, "eth-servers")
    files = make_project(cli, pagebake, settings, folder)
    with taprig.TapRig(cli, folder) as rig:
        check_http(rig, files, work)
        check_concurrent(files)
        check_ftp(files)
        check_clients(rig)
        measure_requests()
        # Still serving after all that.
        assert get("/index.html")[1] == files["index.html"]
        status, err = rig.stop()
        assert status == 0, (status, err)
    print("ok")


if __name__ == "__main__":
    main()
