# A loopback SMTP peer for the mail tests: saves every message as NNN.eml and
# its envelope as NNN.rcpt in the given folder, and runs until its standard
# input closes. With a user it requires a login and notes each attempt in
# auth.log; a wrong password gets its 535 at once. A message with the subject
# "stall" gets no answer for a minute, and the peer makes FOLDER/stalled when
# it begins to hold it, as at DATA with --stall-data. A recipient
# "refused@..." is refused with 550, and "gbk-refused@..." or
# "utf8-refused@..." with a Chinese 550 in that encoding. Every RCPT
# command's argument, as the client sent it, goes to FOLDER/rcpt.log, whether
# or not a message follows.
#
#   smtp_peer.py PORT FOLDER USER PASSWORD [--tls starttls|implicit]
#       [--certs private-ca|self-signed] [--mechanisms PLAIN,LOGIN]
#       [--greeting-delay SECONDS] [--discard] [--host 127.0.0.N] [--stall-data]
#       [--drop-at connect|ehlo|mail|data|message]
#
# With --tls the peer makes its certificate for its host at start: signed by
# a private CA whose certificate it writes to FOLDER/ca.pem, or self-signed.
import argparse
import asyncio
import datetime
import ipaddress
import logging
import os
import ssl
import sys
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import NameOID

parser = argparse.ArgumentParser()
parser.add_argument("port", type=int)
parser.add_argument("folder")
parser.add_argument("user")
parser.add_argument("password")
parser.add_argument("--host", default="127.0.0.1")
parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
parser.add_argument("--certs", choices=["private-ca", "self-signed"], default="private-ca")
parser.add_argument("--mechanisms", default="LOGIN,PLAIN")
parser.add_argument("--greeting-delay", type=float, default=0)
parser.add_argument("--discard", action="store_true", help="count messages, keep none")
parser.add_argument("--stall-data", action="store_true", help="stop reading once DATA begins")
parser.add_argument("--drop-at", choices=["connect", "ehlo", "mail", "data", "message"],
                    help="close the connection there without a word: before the greeting, at "
                    "that command, or once the whole message is in")
args = parser.parse_args()
warnings.simplefilter("ignore")
logging.getLogger("mail.log").setLevel(logging.CRITICAL)
folder = args.folder


def name(text):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, text)])


def certificate(subject, issuer, key, signer, is_ca):
    now = datetime.datetime.now(datetime.timezone.utc)
    builder = (x509.CertificateBuilder().subject_name(name(subject)).issuer_name(name(issuer))
               .public_key(key.public_key()).serial_number(x509.random_serial_number())
               .not_valid_before(now - datetime.timedelta(hours=1))
               .not_valid_after(now + datetime.timedelta(days=1))
               .add_extension(x509.BasicConstraints(ca=is_ca, path_length=None), critical=True))
    if not is_ca:
        builder = builder.add_extension(x509.SubjectAlternativeName(
            [x509.IPAddress(ipaddress.ip_address(args.host)), x509.DNSName("localhost")]),
            critical=False)
    return builder.sign(signer, hashes.SHA256())


def tls_context():
    key = ec.generate_private_key(ec.SECP256R1())
    if args.certs == "self-signed":
        chain = [certificate(args.host, args.host, key, key, False)]
    else:
        ca_key = ec.generate_private_key(ec.SECP256R1())
        ca_name = "dezu test CA %x" % x509.random_serial_number()
        ca = certificate(ca_name, ca_name, ca_key, ca_key, True)
        chain = [certificate(args.host, ca_name, key, ca_key, False)]
        with open(os.path.join(folder, "ca.pem"), "wb") as f:
            f.write(ca.public_bytes(serialization.Encoding.PEM))
    cert_file, key_file = os.path.join(folder, "peer.pem"), os.path.join(folder, "peer.key")
    with open(cert_file, "wb") as f:
        for cert in chain:
            f.write(cert.public_bytes(serialization.Encoding.PEM))
    with open(key_file, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM,
                                  serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert_file, key_file)
    return context


class Saver:
    def __init__(self):
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refused@"):
            return "550 5.1.1 mailbox unavailable"
        for prefix, encoding in (("gbk-refused@", "gbk"), ("utf8-refused@", "utf-8")):
            if address.startswith(prefix):
                return "550 5.1.1 收信人不存在".encode(encoding)
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if drop_at == "message":
            server.transport.close()
            return "250 OK"
        if b"\nSubject: stall\r\n" in envelope.original_content:
            open(os.path.join(folder, "stalled"), "w").close()
            await asyncio.sleep(60)
            return "451 too late"
        self.count += 1
        base = os.path.join(folder, "%03d" % self.count)
        content = b"" if args.discard else envelope.original_content
        with open(base + ".rcpt", "w") as f:
            f.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
        with open(base + ".tmp", "wb") as f:
            f.write(content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK"


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == args.user
          and auth_data.password.decode() == args.password)
    with open(os.path.join(folder, "auth.log"), "a") as f:
        f.write("%s %s %s\n" % (mechanism, "tls" if session.ssl or args.tls == "implicit" else "clear",
                                "ok" if ok else "refused"))
    # Not handled here, so that a refusal is answered with 535 at once.
    return AuthResult(success=ok, handled=False)


# Both set once the controller's own start-up probe is over.
greeting_delay = 0.0
drop_at = None


class SlowGreetingSMTP(SMTP):
    async def _handle_client(self):
        if greeting_delay:
            await asyncio.sleep(greeting_delay)
        if drop_at == "connect":
            self.transport.close()
            return
        await super()._handle_client()

    async def smtp_EHLO(self, hostname):
        if drop_at == "ehlo":
            return self.transport.close()
        return await super().smtp_EHLO(hostname)

    async def smtp_MAIL(self, arg):
        if drop_at == "mail":
            return self.transport.close()
        return await super().smtp_MAIL(arg)

    async def smtp_RCPT(self, arg):
        with open(os.path.join(folder, "rcpt.log"), "a") as f:
            f.write("%s\n" % arg)
        return await super().smtp_RCPT(arg)

    async def smtp_DATA(self, arg):
        if drop_at == "data":
            return self.transport.close()
        if not args.stall_data:
            return await super().smtp_DATA(arg)
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        open(os.path.join(folder, "stalled"), "w").close()
        await asyncio.sleep(120)


class Peer(Controller):
    def factory(self):
        return SlowGreetingSMTP(self.handler, **self.SMTP_kwargs)


os.makedirs(folder, exist_ok=True)
context = tls_context() if args.tls != "none" else None
mechanisms = {m.strip().upper() for m in args.mechanisms.split(",") if m.strip()}
options = dict(hostname=args.host, port=args.port, data_size_limit=None)
if args.user:
    options.update(authenticator=authenticate, auth_required=True,
                   # Implicit TLS is not seen as TLS by aiosmtpd's check.
                   auth_require_tls=args.tls == "starttls",
                   auth_exclude_mechanism=[m for m in ("LOGIN", "PLAIN") if m not in mechanisms])
if args.tls == "starttls":
    options.update(tls_context=context)
elif args.tls == "implicit":
    options.update(ssl_context=context)
controller = Peer(Saver(), **options)
controller.start()
greeting_delay = args.greeting_delay
drop_at = args.drop_at
print("ready", flush=True)
sys.stdin.read()
controller.stop()
