#!/usr/bin/python3
"""Loopback SMTP peer for Tovik's tests.

serve: an aiosmtpd server on the given address and a free port. It prints
"LISTENING <port>" once it accepts connections and keeps, in the folder, every
message as msg-NNNN.eml (the raw DATA, dot-stuffing removed), its envelope as
msg-NNNN.json, and one line per accepted connection in connections.log.
Modes: accept, refuse-recipient, refuse-sender (answer with --refusal, a whole
reply line), silent (accepts the connection and never says a word), slow (every
reply comes after --delay seconds, and the end of the message is never answered).

decode: reads one raw message on stdin and prints what Python's email package
(policy.default) makes of it, as JSON.
"""

import argparse
import asyncio
import json
import os
import sys

def write_atomically(path, data):
    # The test reads the files as soon as the client has its 250: never half a file.
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


class Recorder:
    def __init__(self, folder, mode, refusal):
        self.folder = folder
        self.mode = mode
        self.refusal = refusal
        self.count = 0

    def note_connection(self, peer):
        with open(os.path.join(self.folder, "connections.log"), "a") as f:
            f.write("%s\n" % (peer,))

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.mode == "refuse-sender":
            return self.refusal
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.mode == "refuse-recipient":
            return self.refusal
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.mode == "slow":
            await asyncio.sleep(3600)
        self.count += 1
        base = os.path.join(self.folder, "msg-%04d" % self.count)
        write_atomically(base + ".eml", envelope.original_content)
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                "helo": session.host_name}
        write_atomically(base + ".json", json.dumps(meta).encode())
        return "250 OK: queued as %d" % self.count


async def serve(args):
    from aiosmtpd.smtp import SMTP

    recorder = Recorder(args.folder, args.mode, args.refusal)
    loop = asyncio.get_running_loop()

    class RecordingSMTP(SMTP):
        def connection_made(self, transport):
            recorder.note_connection(transport.get_extra_info("peername"))
            super().connection_made(transport)

        in_reply = False

        async def push(self, status):
            # One delay per reply: the lines of a multi-line reply follow at once.
            if args.mode == "slow" and not self.in_reply:
                await asyncio.sleep(args.delay)
            self.in_reply = len(status) > 3 and status[3] == "-"
            await super().push(status)

    if args.mode == "silent":
        async def never_answer(reader, writer):
            recorder.note_connection(writer.get_extra_info("peername"))
            while await reader.read(4096):
                pass
            writer.close()
        server = await asyncio.start_server(never_answer, args.host, 0)
    else:
        # hostname given: the default asks getfqdn(), which may query a DNS server.
        server = await loop.create_server(
            lambda: RecordingSMTP(recorder, hostname="tovik-test.localhost",
                                  decode_data=False, timeout=60),
            args.host, 0)
    port = server.sockets[0].getsockname()[1]
    print("LISTENING %d" % port, flush=True)
    async with server:
        await server.serve_forever()


def decode():
    from email import policy
    from email.parser import BytesParser

    raw = sys.stdin.buffer.read()
    msg = BytesParser(policy=policy.default).parsebytes(raw)
    defects = [type(d).__name__ for d in msg.defects]
    headers = []
    for name, value in msg.items():
        headers.append([name, str(value)])
        defects += ["%s:%s" % (name, type(d).__name__) for d in getattr(value, "defects", ())]
    date = msg["date"]
    out = {
        "headers": headers,
        "from": str(msg["from"]) if msg["from"] is not None else None,
        "to": str(msg["to"]) if msg["to"] is not None else None,
        "subject": str(msg["subject"]) if msg["subject"] is not None else None,
        "message_id": str(msg["message-id"]) if msg["message-id"] is not None else None,
        "date": date.datetime.isoformat() if date is not None and date.datetime else None,
        "content_type": msg.get_content_type(),
        "charset": msg.get_content_charset(),
        "transfer_encoding": msg.get("content-transfer-encoding"),
        "body": msg.get_content(),
        "defects": defects,
    }
    json.dump(out, sys.stdout, ensure_ascii=True)


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    s = sub.add_parser("serve")
    s.add_argument("--folder", required=True)
    s.add_argument("--host", default="127.0.0.1")
    s.add_argument("--mode", default="accept",
                   choices=["accept", "refuse-recipient", "refuse-sender", "silent", "slow"])
    s.add_argument("--refusal", default="550 5.7.1 Refused")
    s.add_argument("--delay", type=float, default=0.0)
    sub.add_parser("decode")
    args = parser.parse_args()
    if args.command == "serve":
        try:
            asyncio.run(serve(args))
        except KeyboardInterrupt:
            pass
    else:
        decode()


if __name__ == "__main__":
    main()
