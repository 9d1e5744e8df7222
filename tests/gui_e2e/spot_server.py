"""A DX cluster for the end-to-end tests: listens on 127.0.0.1:PORT, asks each connection for its
call with a prompt that has no line end, and once the call came sends the spot lines given (on
the command line, or one a line from --file), then, with --flood N, N made-up CW spots a minute
until the connection or the server ends. Each call that logs in is printed on standard output as
"login CALL", after "listening PORT" once the port is open (--port 0 picks a free one).
Kill it and start it again on the same port to test a feed that goes away and comes back.

Usage: spot_server.py [--port PORT] [--prompt TEXT] [--file FILE] [--flood N] [LINE...]"""
import argparse
import socket
import sys
import threading
import time


def made_up_spot(n):
    """A Reverse Beacon Network line for the n-th made-up call, on 14.000 to 14.060 MHz."""
    khz = 14000.0 + (n % 600) / 10
    call = "K%dAB" % n
    return "DX de SK%d-#:%10.1f  %-12s CW    %2d dB  %2d WPM  CQ      %02d%02dZ" % (
        n % 50, khz, call, 5 + n % 30, 15 + n % 20, n // 60 % 24, n % 60)


def serve(client, args, lines):
    with client:
        client.sendall(args.prompt.encode())
        answer = b""
        while b"\n" not in answer:
            more = client.recv(1024)
            if not more:
                return
            answer += more
        print("login " + answer.split(b"\n")[0].strip().decode(errors="replace"), flush=True)
        for line in lines:
            client.sendall(line.encode() + b"\r\n")
        if args.flood <= 0:
            while client.recv(1024):  # until the other side closes
                pass
            return
        interval = 60.0 / args.flood
        due = time.monotonic()
        n = 0
        while True:
            due += interval
            client.sendall(made_up_spot(n).encode() + b"\r\n")
            n += 1
            pause = due - time.monotonic()
            if pause > 0:
                time.sleep(pause)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--prompt", default="Please enter your call: ")
    parser.add_argument("--file", help="spot lines to send, one a line")
    parser.add_argument("--flood", type=int, default=0, help="made-up spots a minute after the lines")
    parser.add_argument("lines", nargs="*")
    args = parser.parse_args()
    lines = list(args.lines)
    if args.file:
        with open(args.file, encoding="utf-8") as given:
            lines += [line.rstrip("\r\n") for line in given if line.strip()]

    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", args.port))
    server.listen(8)
    print("listening %d" % server.getsockname()[1], flush=True)

    def guarded(client):
        try:
            serve(client, args, lines)
        except OSError:
            pass  # the feed went away

    while True:
        client, _ = server.accept()
        threading.Thread(target=guarded, args=(client,), daemon=True).start()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
