"""Web server for the Windows tests of the update check, on 127.0.0.1 only.

Serves the files of one folder (404 for the others) and answers /request-headers with the
headers of that very request, so a test can see how the check asks. Picks a free port and
writes it to a file once it is listening. Quiet: no request log. Ends by itself when the
script that started it is gone, even if that script was killed before it could stop it.

    python3 manifest_server.py FOLDER PORT_FILE
"""
import functools
import http.server
import os
import sys
import threading
import time


class ManifestHandler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/request-headers":
            body = "".join(f"{name}: {value}\r\n" for name, value in self.headers.items())
            body = body.encode("latin-1")
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        else:
            super().do_GET()

    def log_message(self, format, *args):
        pass


def end_with_parent():
    parent = os.getppid()
    while os.getppid() == parent:
        time.sleep(0.5)
    os._exit(0)


def main():
    folder, port_file = sys.argv[1], sys.argv[2]
    handler = functools.partial(ManifestHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    # Written whole under another name, then renamed: the reader never sees half a port.
    with open(port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".part", port_file)
    threading.Thread(target=end_with_parent, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
