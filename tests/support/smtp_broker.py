#!/usr/bin/python3
"""Runs smtp_server.py for Windows tests under Wine, which cannot start Linux programs.

A test writes requests into the spool folder and waits for the answer file:
  <id>.serve   JSON list of serve arguments -> <id>.started: the server's first line
               (its files go to the folder <id>/)
  <id>.stop    -> the server of <id> ends -> <id>.stopped
  <id>.decode  a raw message -> <id>.decoded: the JSON of "smtp_server.py decode"
The driver starts this broker, names the spool to the tests, and ends it (SIGTERM), which
ends every server it started.
"""

import json
import os
import signal
import subprocess
import sys
import time

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "smtp_server.py")
PYTHON = "/usr/bin/python3"


def answer(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main():
    spool = sys.argv[1]
    servers = {}

    def finish(*_):
        for proc in servers.values():
            proc.terminate()
        for proc in servers.values():
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
        sys.exit(0)

    signal.signal(signal.SIGTERM, finish)
    signal.signal(signal.SIGINT, finish)
    while True:
        for name in sorted(os.listdir(spool)):
            path = os.path.join(spool, name)
            request_id, _, kind = name.partition(".")
            if kind == "serve":
                with open(path) as f:
                    arguments = json.load(f)
                os.remove(path)
                folder = os.path.join(spool, request_id)
                os.makedirs(folder, exist_ok=True)
                err = open(os.path.join(folder, "server.err"), "wb")
                proc = subprocess.Popen([PYTHON, SCRIPT, "serve", "--folder", folder] + arguments,
                                        stdout=subprocess.PIPE, stderr=err)
                err.close()
                line = proc.stdout.readline()
                if not line:
                    proc.wait()
                    with open(os.path.join(folder, "server.err"), "rb") as f:
                        line = b"server ended: " + f.read()
                else:
                    servers[request_id] = proc
                answer(os.path.join(spool, request_id + ".started"), line)
            elif kind == "stop":
                os.remove(path)
                proc = servers.pop(request_id, None)
                if proc:
                    proc.terminate()
                    try:
                        proc.wait(5)
                    except subprocess.TimeoutExpired:
                        proc.kill()
                        proc.wait()
                answer(os.path.join(spool, request_id + ".stopped"), b"")
            elif kind == "decode":
                with open(path, "rb") as f:
                    raw = f.read()
                os.remove(path)
                out = subprocess.run([PYTHON, SCRIPT, "decode"], input=raw,
                                     capture_output=True, check=False).stdout
                answer(os.path.join(spool, request_id + ".decoded"), out)
        time.sleep(0.02)


if __name__ == "__main__":
    main()
