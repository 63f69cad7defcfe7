#!/usr/bin/env python3
"""A TCP proxy on 127.0.0.1 that holds each chunk it reads for a fixed delay
before passing it on, each way: a local SSH server reached through it behaves
like one across a LAN (2 ms each way is a 4 ms round trip), without limiting
the bytes per second.  Prints the port it listens on, then serves until
killed.  Only ever connects to 127.0.0.1.

    delay_proxy.py TARGET_PORT DELAY_MS"""
import socket
import sys
import threading
import time
from collections import deque


def relay(source, sink, delay):
    # One thread reads and stamps each chunk with the time it is due; the
    # other sleeps until then and sends it, so that chunks keep their order
    # and a slow send never holds back the reading.
    due = deque()
    ready = threading.Condition()

    def send():
        while True:
            with ready:
                while not due:
                    ready.wait()
                when, chunk = due.popleft()
            wait = when - time.monotonic()
            if wait > 0:
                time.sleep(wait)
            if not chunk:
                try:
                    sink.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                return
            try:
                sink.sendall(chunk)
            except OSError:
                return

    sender = threading.Thread(target=send, daemon=True)
    sender.start()
    while True:
        try:
            chunk = source.recv(1 << 16)
        except OSError:
            chunk = b""
        with ready:
            due.append((time.monotonic() + delay, chunk))
            ready.notify()
        if not chunk:
            break
    sender.join()


def serve(client, target_port, delay):
    server = socket.create_connection(("127.0.0.1", target_port))
    for end in (client, server):
        end.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    ways = [threading.Thread(target=relay, args=(client, server, delay), daemon=True),
            threading.Thread(target=relay, args=(server, client, delay), daemon=True)]
    for way in ways:
        way.start()
    for way in ways:
        way.join()
    client.close()
    server.close()


def main():
    target_port = int(sys.argv[1])
    delay = float(sys.argv[2]) / 1000.0
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, target_port, delay), daemon=True).start()


if __name__ == "__main__":
    main()
