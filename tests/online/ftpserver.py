# A real FTP server on 127.0.0.1 for the upload tests: the publishing account
# over ROOT, which holds KOA/upload. Prints "ready PORT" once it listens.
# Usage: ftpserver.py ROOT [BYTES_PER_SECOND] (none or 0: full speed)
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

root = sys.argv[1]
os.makedirs(os.path.join(root, "KOA", "upload"), exist_ok=True)
FTPHandler.authorizer = DummyAuthorizer()
FTPHandler.authorizer.add_user("koa_upload", "pum8welsa4", root, perm="elradfmw")
if len(sys.argv) > 2 and int(sys.argv[2]):
    ThrottledDTPHandler.read_limit = int(sys.argv[2])
    FTPHandler.dtp_handler = ThrottledDTPHandler
server = FTPServer(("127.0.0.1", 0), FTPHandler)
print("ready %d" % server.socket.getsockname()[1], flush=True)
server.serve_forever(timeout=0.2)
