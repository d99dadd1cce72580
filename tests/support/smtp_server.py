#!/usr/bin/python3
"""Loopback SMTP peer for Tovik's tests.

serve: an aiosmtpd server on the given address and a free port. It prints
"LISTENING <port>" once it accepts connections and keeps, in the folder, every
message as msg-NNNN.eml (the raw DATA, dot-stuffing removed), its envelope as
msg-NNNN.json, and one line per accepted connection in connections.log.
Modes: accept, refuse-recipient, refuse-sender, refuse-hello (EHLO and HELO),
refuse-greeting (answer with --refusal, a whole reply line), silent (accepts
the connection and never says a word), slow (every reply comes after --delay
seconds, and the end of the message is never answered).
--tls starttls|implicit puts a certificate for --cert-names in front, made at
start by the test's own CA (ca.pem in the folder; --issuer unknown signs it by a
second CA that nobody trusts instead). --login user:password offers AUTH (only
--mechanisms, if given) and notes each attempt in auth.log; --auth-in-clear
offers it without TLS too, to catch a client that would use it.

decode: reads one raw message on stdin and prints what Python's email package
(policy.default) makes of it, as JSON.
"""

import argparse
import asyncio
import datetime
import ipaddress
import json
import os
import ssl
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

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        if self.mode == "refuse-hello":
            return [self.refusal]
        session.host_name = hostname
        return responses

    async def handle_HELO(self, server, session, envelope, hostname):
        if self.mode == "refuse-hello":
            return self.refusal
        session.host_name = hostname
        return "250 %s" % server.hostname

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
        login = getattr(session.auth_data, "login", None)
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                "helo": session.host_name,
                "tls": server.transport.get_extra_info("ssl_object") is not None,
                "login": login.decode("utf-8", "replace") if login else None}
        write_atomically(base + ".json", json.dumps(meta).encode())
        return "250 OK: queued as %d" % self.count


def make_certificates(folder, names, issuer):
    """The test's CA (ca.pem), and server.pem/server.key for names, signed by it or by a
    CA of its own that nobody is told to trust."""
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.x509.oid import NameOID

    now = datetime.datetime.now(datetime.timezone.utc)

    def ca(common_name):
        key = ec.generate_private_key(ec.SECP256R1())
        name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common_name)])
        cert = (x509.CertificateBuilder().subject_name(name).issuer_name(name)
                .public_key(key.public_key()).serial_number(x509.random_serial_number())
                .not_valid_before(now - datetime.timedelta(days=1))
                .not_valid_after(now + datetime.timedelta(days=1))
                .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
                .add_extension(x509.KeyUsage(digital_signature=True, key_cert_sign=True,
                                             crl_sign=True, content_commitment=False,
                                             key_encipherment=False, data_encipherment=False,
                                             key_agreement=False, encipher_only=False,
                                             decipher_only=False), critical=True)
                .sign(key, hashes.SHA256()))
        return key, cert

    trusted_key, trusted_cert = ca("Tovik test CA")
    signer_key, signer_cert = (trusted_key, trusted_cert) if issuer == "trusted" \
        else ca("Unknown test CA")
    alt = []
    for n in names:
        try:
            alt.append(x509.IPAddress(ipaddress.ip_address(n)))
        except ValueError:
            alt.append(x509.DNSName(n))
    key = ec.generate_private_key(ec.SECP256R1())
    cert = (x509.CertificateBuilder()
            .subject_name(x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, names[0])]))
            .issuer_name(signer_cert.subject).public_key(key.public_key())
            .serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(days=1))
            .not_valid_after(now + datetime.timedelta(days=1))
            .add_extension(x509.SubjectAlternativeName(alt), critical=False)
            .add_extension(x509.BasicConstraints(ca=False, path_length=None), critical=True)
            .add_extension(x509.ExtendedKeyUsage([x509.oid.ExtendedKeyUsageOID.SERVER_AUTH]),
                           critical=False)
            .sign(signer_key, hashes.SHA256()))
    pem = serialization.Encoding.PEM
    write_atomically(os.path.join(folder, "ca.pem"), trusted_cert.public_bytes(pem))
    write_atomically(os.path.join(folder, "server.pem"),
                     cert.public_bytes(pem) + signer_cert.public_bytes(pem))
    write_atomically(os.path.join(folder, "server.key"), key.private_bytes(
        pem, serialization.PrivateFormat.PKCS8, serialization.NoEncryption()))


async def serve(args):
    from aiosmtpd.smtp import SMTP, AuthResult

    recorder = Recorder(args.folder, args.mode, args.refusal)
    context = None
    if args.tls != "none":
        make_certificates(args.folder, args.cert_names.split(","), args.issuer)
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(os.path.join(args.folder, "server.pem"),
                                os.path.join(args.folder, "server.key"))

    def authenticator(server, session, envelope, mechanism, auth_data):
        login = auth_data.login.decode("utf-8", "replace")
        password = auth_data.password.decode("utf-8", "replace")
        ok = "%s:%s" % (login, password) == args.login
        with open(os.path.join(args.folder, "auth.log"), "a") as f:
            f.write("%s %s %s\n" % (mechanism, login, "ok" if ok else "refused"))
            f.flush()
        if ok:
            return AuthResult(success=True, auth_data=auth_data)
        return AuthResult(success=False, handled=False,
                          message="535 5.7.8 Authentication credentials invalid")

    smtp_options = {}
    if args.login:
        smtp_options["authenticator"] = authenticator
        smtp_options["auth_require_tls"] = not (args.tls == "implicit" or args.auth_in_clear)
        all_mechanisms = {"PLAIN", "LOGIN"}
        wanted = set(args.mechanisms.split(",")) if args.mechanisms else all_mechanisms
        smtp_options["auth_exclude_mechanism"] = sorted(all_mechanisms - wanted)
    if args.tls == "starttls":
        smtp_options["tls_context"] = context
        smtp_options["require_starttls"] = True
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
    elif args.mode == "refuse-greeting":
        # As RFC 5321 has it after a 554 greeting: only QUIT is answered with anything but 503.
        async def refuse(reader, writer):
            recorder.note_connection(writer.get_extra_info("peername"))
            writer.write(args.refusal.encode() + b"\r\n")
            while line := await reader.readline():
                quit = line.upper().startswith(b"QUIT")
                writer.write(b"221 Bye\r\n" if quit else b"503 5.5.1 Bad sequence of commands\r\n")
                if quit:
                    break
            writer.close()
        server = await asyncio.start_server(refuse, args.host, 0)
    else:
        # hostname given: the default asks getfqdn(), which may query a DNS server.
        server = await loop.create_server(
            lambda: RecordingSMTP(recorder, hostname="tovik-test.localhost",
                                  decode_data=False, timeout=60, **smtp_options),
            args.host, 0, ssl=context if args.tls == "implicit" else None)
    port = server.sockets[0].getsockname()[1]
    print("LISTENING %d" % port, flush=True)
    async with server:
        await server.serve_forever()


def decode():
    from email import policy
    from email.header import decode_header, make_header
    from email.parser import BytesParser

    raw = sys.stdin.buffer.read()
    msg = BytesParser(policy=policy.default).parsebytes(raw)
    defects = [type(d).__name__ for d in msg.defects]
    headers = []
    for name, value in msg.items():
        headers.append([name, str(value)])
        defects += ["%s:%s" % (name, type(d).__name__) for d in getattr(value, "defects", ())]
    date = msg["date"]
    def addresses(header):
        value = msg[header]
        if value is None:
            return None
        return [[a.display_name, a.addr_spec] for a in value.addresses]

    # RFC 2047 read strictly (blanks between encoded words dropped), which the modern
    # address parser does not do for display names.
    text = {}
    for name, value in BytesParser(policy=policy.compat32).parsebytes(raw).items():
        if name.lower() in ("to", "from"):
            text[name.lower()] = str(make_header(decode_header(value)))

    out = {
        "headers": headers,
        "to_text": text.get("to"),
        "from_text": text.get("from"),
        "to_addresses": addresses("to"),
        "from_addresses": addresses("from"),
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
                   choices=["accept", "refuse-recipient", "refuse-sender", "refuse-hello",
                            "refuse-greeting", "silent", "slow"])
    s.add_argument("--refusal", default="550 5.7.1 Refused")
    s.add_argument("--delay", type=float, default=0.0)
    s.add_argument("--tls", default="none", choices=["none", "starttls", "implicit"])
    s.add_argument("--cert-names", default="localhost,127.0.0.1")
    s.add_argument("--issuer", default="trusted", choices=["trusted", "unknown"])
    s.add_argument("--login", default="")
    s.add_argument("--mechanisms", default="")
    s.add_argument("--auth-in-clear", action="store_true")
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
