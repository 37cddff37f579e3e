#!/usr/bin/env python3
"""Submits real results as fast as one client can, for server/cluster_load.sh.

  cluster_load.py submit --port P --seconds S --protocol TEXT --accepted FILE

Each result goes from a loopback address of its own group of ten (the server takes ten a
minute per address), p first. The score of every result answered 200 goes to FILE, one a
line, so the caller can check that each one is stored; a summary line ends the run.
"""
import argparse
import http.client
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from server_load import encode  # noqa: E402


def submit(port, seconds, protocol, accepted_path):
    fields = dict(line.split("=", 1) for line in protocol.split())
    alphabet, key = fields["alphabet"], fields["key"]
    counts = {}
    accepted = []
    end = time.monotonic() + seconds
    i = 0
    while time.monotonic() < end:
        source = f"127.1.{i // 2500 % 250}.{1 + i // 10 % 250}"
        score = 5 * (i + 1)
        try:
            conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10,
                                              source_address=(source, 0))
            conn.request("GET", "/cgi/version.pl?version&prg=Brakkon")
            p = conn.getresponse().read().decode().split("|")[4]
            record = (f"type=0|name=LOAD|score={score}|key={key}|p={p}|add=LOADLAND|z=")
            record += "0" * ((5 - len(record) % 5) % 5)
            conn.request("GET", "/cgi/version.pl?hs&prg=Brakkon&inf=" + encode(record, alphabet))
            reply = conn.getresponse()
            reply.read()
            status = str(reply.status)
            if reply.status == 200:
                accepted.append(score)
            conn.close()
        except (OSError, http.client.HTTPException, IndexError) as error:
            status = type(error).__name__
        counts[status] = counts.get(status, 0) + 1
        i += 1
    with open(accepted_path, "w") as out:
        out.writelines(f"{score}\n" for score in accepted)
    print("submissions: " + ", ".join(f"{k}: {v}" for k, v in sorted(counts.items())))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=["submit"])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--protocol", required=True)
    parser.add_argument("--accepted", required=True)
    args = parser.parse_args()
    submit(args.port, args.seconds, args.protocol, args.accepted)


if __name__ == "__main__":
    main()
