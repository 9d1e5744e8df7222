"""One command to rigctld on 127.0.0.1:PORT in its VFO mode, where commands name their VFO and
nothing switches the rig's current VFO ("f VFOB", "F VFOB 7040000", "M VFOB CW 500"); prints the
reply's frequency, if it has one.
Usage: rigctld_named.py PORT COMMAND..."""
import socket
import sys

link = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5)
link.sendall(b"+\\set_vfo_opt 1\n+" + " ".join(sys.argv[2:]).encode() + b"\n")
data = b""
while data.count(b"RPRT") < 2:
    more = link.recv(4096)
    if not more:
        break
    data += more
for line in data.decode().splitlines():
    if line.startswith("Frequency:"):
        print(line.split()[1])
