# A loopback SMTP peer for the mail tests: requires a login, saves every
# message as NNN.eml and its envelope as NNN.rcpt in the given folder, and
# runs until its standard input closes. A message with the subject "stall"
# gets no answer for a minute.
import asyncio
import os
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

port, folder, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]


class Saver:
    def __init__(self):
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        if b"\nSubject: stall\r\n" in envelope.original_content:
            await asyncio.sleep(60)
            return "451 too late"
        self.count += 1
        base = os.path.join(folder, "%03d" % self.count)
        with open(base + ".rcpt", "w") as f:
            f.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK"


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user
          and auth_data.password.decode() == password)
    return AuthResult(success=ok)


controller = Controller(Saver(), hostname="127.0.0.1", port=port, authenticator=authenticate,
                        auth_require_tls=False, auth_required=True)
controller.start()
print("ready", flush=True)
sys.stdin.read()
controller.stop()
