#!/usr/bin/env python3
"""The clients scripts/server_load.sh sets on brakkon-scored besides wrk.

  server_load.py seed  --port P --count N --protocol TEXT   # N real results, p and all
  server_load.py abuse --port P --seconds S [--crowd N] [--junk-rate R] [--ready FILE]

`abuse` holds N connections open that never finish a request (half silent, half with half
a head; each one the server drops is opened again) and sends R junk connections a second:
random bytes, broken request lines, oversized heads, bodies, heads cut off. It prints a
summary line when it ends (after S seconds, or on SIGTERM).
"""
import argparse
import http.client
import random
import resource
import select
import signal
import socket
import sys
import threading
import time

HALF_HEAD = b"GET / HTTP/1.1\r\nHost: x\r\n"


def encode(record, alphabet):
    bits = "".join(f"{byte:08b}" for byte in record.encode("ascii"))
    bits = "0" * ((5 - len(bits) % 5) % 5) + bits
    return "".join(alphabet[int(bits[i:i + 5], 2)] for i in range(0, len(bits), 5))


def seed(port, count, protocol):
    fields = dict(line.split("=", 1) for line in protocol.split())
    alphabet, key = fields["alphabet"], fields["key"]
    names = ["ACE", "SPEEDY", "ROAD HOG", "NIGHT RIDER", "DUST DEVIL", "TURBO"]
    countries = ["NORWAY", "CHAD", "PERU", "ICELAND", "JAPAN"]
    stored = 0
    # The server takes 10 results a minute from one address; loopback has plenty.
    for i in range(count):
        source = f"127.0.0.{2 + i // 10}"
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5,
                                          source_address=(source, 0))
        conn.request("GET", "/cgi/version.pl?version&prg=Brakkon")
        p = conn.getresponse().read().decode().split("|")[4]
        record = (f"type=0|name={names[i % len(names)]}|score={5 * (i * 7919 % 20000)}"
                  f"|key={key}|p={p}|add={countries[i % len(countries)]}|z=")
        record += "0" * ((5 - len(record) % 5) % 5)
        conn.request("GET", "/cgi/version.pl?hs&prg=Brakkon&inf=" + encode(record, alphabet))
        reply = conn.getresponse()
        body = reply.read()
        if reply.status != 200:
            sys.exit(f"seed: result {i} refused: {reply.status} {body!r}")
        stored += 1
        conn.close()
    print(f"seeded {stored} results")


def junk_payload(rng):
    kind = rng.randrange(8)
    if kind == 0:
        return "random bytes", bytes(rng.getrandbits(8) for _ in range(rng.randrange(1, 2000))), True
    if kind == 1:
        line = rng.choice([b"HELLO\r\n\r\n", b"GET /\r\n\r\n", b"GET / HTTP/9.9\r\n\r\n",
                           b"\r\n\r\n", b"G E T / HTTP/1.1\r\n\r\n", b"GET /%zz%\xff HTTP/1.1\r\n\r\n",
                           b"GET /cgi/version.pl?hs&inf=%G HTTP/1.1\r\n\r\n"])
        return "broken request line", line, True
    if kind == 2:
        return "20 KB target", b"GET /?" + b"a" * 20000 + b" HTTP/1.1\r\n\r\n", True
    if kind == 3:
        headers = b"".join(b"X-Pad-%d: %s\r\n" % (i, b"p" * 40) for i in range(100))
        return "5 KB of headers", b"GET / HTTP/1.1\r\n" + headers + b"\r\n", True
    if kind == 4:
        return "10 KB header line", b"GET / HTTP/1.1\r\nX: " + b"a" * 10000 + b"\r\n\r\n", True
    if kind == 5:
        return "a body", b"POST / HTTP/1.1\r\nContent-Length: 5000\r\n\r\n" + b"x" * 5000, True
    if kind == 6:
        return "100 KB of headers", b"GET / HTTP/1.1\r\n" + b"X: y\r\n" * 16000, False
    whole = b"GET /cgi/version.pl?version HTTP/1.1\r\nHost: x\r\n\r\n"
    return "head cut off", whole[:rng.randrange(1, len(whole) - 1)], False


class Abuse:
    def __init__(self, port, crowd, junk_rate):
        self.port, self.crowd_size, self.junk_rate = port, crowd, junk_rate
        self.stop = threading.Event()
        self.reopened = 0
        self.crowd_failures = 0
        self.junk_sent = 0
        self.answers = {}

    def connect(self, index):
        sock = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        if index % 2:
            sock.sendall(HALF_HEAD)
        sock.setblocking(False)
        return sock

    def hold_crowd(self, ready):
        socks = [self.connect(i) for i in range(self.crowd_size)]
        if ready:
            with open(ready, "w") as f:
                f.write("ready\n")
        while not self.stop.is_set():
            poller = select.poll()
            for sock in socks:
                if sock is not None:
                    poller.register(sock, select.POLLIN)
            by_fd = {sock.fileno(): i for i, sock in enumerate(socks) if sock is not None}
            for fd, _ in poller.poll(200):
                index = by_fd[fd]
                socks[index].close()  # readable only once the server has closed it
                socks[index] = None
            for index, sock in enumerate(socks):
                if sock is None and not self.stop.is_set():
                    try:
                        socks[index] = self.connect(index)
                        self.reopened += 1
                    except OSError:
                        self.crowd_failures += 1
        for sock in socks:
            if sock is not None:
                sock.close()

    def send_junk(self):
        rng = random.Random(1)
        interval = 1.0 / self.junk_rate
        next_at = time.monotonic()
        while not self.stop.is_set():
            label, payload, wait_for_answer = junk_payload(rng)
            answer = "no answer"
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=2) as sock:
                    try:
                        sock.sendall(payload)
                    except OSError:
                        pass  # the server may refuse before it has read everything
                    if wait_for_answer:
                        first = sock.recv(64)
                        answer = first.split(b" ")[1].decode() if first.startswith(b"HTTP/1.1 ") \
                            else ("closed" if not first else "not HTTP")
                    else:
                        answer = "hung up"
            except OSError as error:
                answer = type(error).__name__
            self.junk_sent += 1
            key = f"{label}: {answer}"
            self.answers[key] = self.answers.get(key, 0) + 1
            next_at += interval
            time.sleep(max(0.0, next_at - time.monotonic()))

    def run(self, seconds, ready):
        threads = [threading.Thread(target=self.hold_crowd, args=(ready,)),
                   threading.Thread(target=self.send_junk)]
        for thread in threads:
            thread.start()
        self.stop.wait(seconds)
        self.stop.set()
        for thread in threads:
            thread.join()
        print(f"crowd: {self.crowd_size} held, {self.reopened} reopened after the server "
              f"dropped them, {self.crowd_failures} failed to reopen")
        print(f"junk: {self.junk_sent} connections")
        for key in sorted(self.answers):
            print(f"  {key}: {self.answers[key]}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["seed", "abuse"])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--count", type=int, default=150)
    parser.add_argument("--protocol", default="")
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--crowd", type=int, default=1000)
    parser.add_argument("--junk-rate", type=float, default=200)
    parser.add_argument("--ready", default="")
    args = parser.parse_args()
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    if args.mode == "seed":
        seed(args.port, args.count, args.protocol)
        return
    abuse = Abuse(args.port, args.crowd, args.junk_rate)
    signal.signal(signal.SIGTERM, lambda *_: abuse.stop.set())
    abuse.run(args.seconds, args.ready)


if __name__ == "__main__":
    main()
