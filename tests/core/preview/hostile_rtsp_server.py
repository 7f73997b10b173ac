#!/usr/bin/env python3
"""A hostile RTSP server for the player's tests, on 127.0.0.1.

  hostile_rtsp_server.py headers|sdp|nal

headers: the first answer never ends its header lines.
sdp:     the description claims a gigabyte and streams it.
nal:     a sound description and setup, then interleaved RTP packets of
         random H.264 NAL units (single, FU-A fragments that never end,
         STAP-A with lying lengths) as fast as the player takes them.
Prints "ready <port>" once it listens; serves until killed.
"""
import os
import random
import socket
import socketserver
import struct
import sys

MODE = sys.argv[1] if len(sys.argv) > 1 else "nal"
SDP = (b"v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=hostile\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
       b"m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=fmtp:96 packetization-mode=1\r\n"
       b"a=control:track1\r\n")


def requests(sock):
    """Yields (method, cseq) of each request; bodies are not expected."""
    data = b""
    while True:
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(65536)
            if not chunk:
                return
            data += chunk
        head, data = data.split(b"\r\n\r\n", 1)
        lines = head.split(b"\r\n")
        cseq = b"0"
        for line in lines[1:]:
            if line.lower().startswith(b"cseq:"):
                cseq = line.split(b":", 1)[1].strip()
        yield lines[0].split(b" ")[0], cseq


def reply(sock, cseq, extra=b"", body=b""):
    head = b"RTSP/1.0 200 OK\r\nCSeq: " + cseq + b"\r\n" + extra
    if body:
        head += b"Content-Type: application/sdp\r\nContent-Length: " + str(len(body)).encode() + b"\r\n"
    sock.sendall(head + b"\r\n" + body)


def garbage_nal(rng):
    kind = rng.random()
    payload = os.urandom(rng.randint(1, 1400))
    if kind < 0.4:  # a single NAL unit of any type
        return bytes([rng.choice([1, 5, 6, 7, 8, 9]) | 0x60]) + payload
    if kind < 0.8:  # an FU-A fragment: a start, or a middle that never ends
        start = 0x80 if rng.random() < 0.1 else 0x00
        return bytes([0x7C, start | rng.choice([1, 5, 7])]) + payload
    # STAP-A whose lengths point past its end
    return bytes([0x78]) + struct.pack(">H", rng.randint(0, 65535)) + payload


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try:
            for method, cseq in requests(sock):
                if MODE == "headers":
                    sock.sendall(b"RTSP/1.0 200 OK\r\nCSeq: " + cseq + b"\r\n")
                    filler = b"X-Filler: " + b"a" * 1000 + b"\r\n"
                    while True:
                        sock.sendall(filler * 64)
                if method == b"OPTIONS":
                    reply(sock, cseq, b"Public: OPTIONS, DESCRIBE, SETUP, PLAY, TEARDOWN\r\n")
                elif method == b"DESCRIBE" and MODE == "sdp":
                    sock.sendall(b"RTSP/1.0 200 OK\r\nCSeq: " + cseq + b"\r\nContent-Type: application/sdp\r\n"
                                 b"Content-Length: 1000000000\r\n\r\n" + SDP)
                    line = b"m=video 0 RTP/AVP 96\r\na=fmtp:96 " + b"x" * 200 + b"\r\n"
                    while True:
                        sock.sendall(line * 4096)
                elif method == b"DESCRIBE":
                    reply(sock, cseq, b"Content-Base: rtsp://127.0.0.1/\r\n", SDP)
                elif method == b"SETUP":
                    reply(sock, cseq, b"Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\nSession: 4711\r\n")
                elif method == b"PLAY":
                    reply(sock, cseq, b"Session: 4711\r\n")
                    self.flood(sock)
                else:
                    reply(sock, cseq)
        except OSError:
            pass

    def flood(self, sock):
        rng = random.Random(24)
        seq = 0
        while True:
            seq = (seq + 1) & 0xFFFF
            rtp = struct.pack(">BBHII", 0x80, 96 | (0x80 if seq % 8 == 0 else 0), seq, seq * 3600, 0x4711)
            packet = rtp + garbage_nal(rng)
            sock.sendall(b"$\x00" + struct.pack(">H", len(packet)) + packet)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


with Server(("127.0.0.1", 0), Handler) as server:
    print("ready", server.server_address[1], flush=True)
    server.serve_forever()
