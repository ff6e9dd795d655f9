#!/usr/bin/python3
"""A PIV card in vpcd's virtual reader, for the signer's smart-card tests.

It behaves like a real card where the signer can tell: a PIN whose tries counter VERIFY reports
(63 Cx) and which locks at zero; an RSA key in 9A and an EC P-256 key in 9C, which is PIN-always
(a signature with it needs a VERIFY of its own); their certificates in the usual containers;
command chaining and GET RESPONSE. The card is in the reader while the file given with --present
exists: when it goes, the connection to vpcd is closed (the card is pulled out), before the next
command is answered; when it comes back, the card is inserted again.

  piv_card.py --port PORT --present FILE --serial N --tries N --rsa KEY CERT --ec KEY CERT
"""
import argparse
import os
import select
import socket
import struct
import sys
import time

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec, utils

PIV_AID = bytes.fromhex("A000000308000010000100")
# Historical bytes that name the PIV application, as cards made for PIV carry them.
ATR = bytes.fromhex("3B8D800180FBA000000308000010000100CD")
MAX_TRIES = 3
OK = b"\x90\x00"
NOT_FOUND = b"\x6A\x82"
UNSATISFIED = b"\x69\x82"
BLOCKED = b"\x69\x83"


def tlv(tag, value):
    tag = tag.to_bytes((tag.bit_length() + 7) // 8 or 1, "big")
    n = len(value)
    if n < 0x80:
        length = bytes([n])
    elif n < 0x100:
        length = bytes([0x81, n])
    else:
        length = bytes([0x82]) + n.to_bytes(2, "big")
    return tag + length + value


def parse_tlv(data):
    """The top-level tags of BER-TLV data and their values."""
    out, i = {}, 0
    while i < len(data):
        tag = data[i]
        i += 1
        if tag & 0x1F == 0x1F:
            while data[i] & 0x80:
                tag, i = (tag << 8) | data[i], i + 1
            tag, i = (tag << 8) | data[i], i + 1
        n = data[i]
        i += 1
        if n & 0x80:
            count = n & 0x7F
            n, i = int.from_bytes(data[i:i + count], "big"), i + count
        out[tag] = data[i:i + n]
        i += n
    return out


class Card:
    def __init__(self, args):
        self.tries = args.tries
        self.pin = args.pin.encode().ljust(8, b"\xFF")
        self.keys = {}
        self.objects = {}
        guid = args.serial.to_bytes(16, "big")
        fascn = bytes.fromhex("D4E739DA739CED39CE739D836858210842108421C84210C3EB")
        self.objects[0x5FC102] = tlv(0x30, fascn) + tlv(0x34, guid) + tlv(0x35, b"20450101") + \
            tlv(0x3E, b"") + tlv(0xFE, b"")
        self.objects[0x5FC107] = tlv(0xF0, bytes(21)) + tlv(0xF1, b"\x21") + tlv(0xF2, b"\x21") + \
            tlv(0xF3, b"") + tlv(0xF4, b"\x00") + tlv(0xF5, b"\x10") + tlv(0xF6, b"") + \
            tlv(0xF7, b"") + tlv(0xFA, b"") + tlv(0xFB, b"") + tlv(0xFC, b"") + tlv(0xFD, b"") + \
            tlv(0xFE, b"")
        self.objects[0x7E] = tlv(0x4F, PIV_AID) + tlv(0x5F2F, b"\x40\x00")
        for slot, container, (key_file, cert_file) in ((0x9A, 0x5FC105, args.rsa),
                                                       (0x9C, 0x5FC10A, args.ec)):
            with open(key_file, "rb") as f:
                self.keys[slot] = serialization.load_pem_private_key(f.read(), None)
            with open(cert_file, "rb") as f:
                der = f.read()
            if der.startswith(b"-----"):
                from cryptography import x509
                der = x509.load_pem_x509_certificate(der).public_bytes(serialization.Encoding.DER)
            self.objects[container] = tlv(0x70, der) + tlv(0x71, b"\x00") + tlv(0xFE, b"")
        self.power_on()

    def power_on(self):
        self.verified = False  # the PIN was verified since the card was powered
        self.fresh = False     # ... and no PIN-always key has signed since
        self.chained = b""
        self.pending = b""

    def answer(self, data, le):
        """The data with its status, the rest kept for GET RESPONSE where it does not fit."""
        room = le or 256
        self.pending = data[room:]
        if not self.pending:
            return data + OK
        return data[:room] + bytes([0x61, len(self.pending) if len(self.pending) < 256 else 0])

    def apdu(self, apdu):
        cla, ins, p1, p2 = apdu[:4]
        body, data, le = apdu[4:], b"", 0
        if len(body) == 1:
            le = body[0] or 256
        elif len(body) > 1 and body[0] == 0 and len(body) >= 3:  # extended lengths
            if len(body) == 3:
                le = int.from_bytes(body[1:3], "big") or 65536
            else:
                n = int.from_bytes(body[1:3], "big")
                data = body[3:3 + n]
                if len(body) > 3 + n:
                    le = int.from_bytes(body[3 + n:], "big") or 65536
        elif len(body) > 1:
            data = body[1:1 + body[0]]
            if len(body) > 1 + body[0]:
                le = body[1 + body[0]] or 256
        if ins == 0xC0:
            rest, self.pending = self.pending, b""
            return self.answer(rest, le) if rest else b"\x6A\x86"
        if cla & 0x10:
            self.chained += data
            return OK
        data, self.chained = self.chained + data, b""
        if ins == 0xA4:
            return self.select(p1, data, le)
        if ins == 0xCB and p1 == 0x3F and p2 == 0xFF:
            wanted = parse_tlv(data).get(0x5C, b"")
            found = self.objects.get(int.from_bytes(wanted, "big"))
            return self.answer(tlv(0x53, found), le) if found is not None else NOT_FOUND
        if ins == 0x20:
            return self.verify(p1, p2, data)
        if ins == 0x87:
            return self.authenticate(p2, data, le)
        return b"\x6D\x00"

    def select(self, p1, aid, le):
        if p1 != 0x04 or not aid or not PIV_AID.startswith(aid):
            return NOT_FOUND
        template = tlv(0x4F, PIV_AID[5:]) + tlv(0x79, tlv(0x4F, PIV_AID[:5])) + \
            tlv(0x50, b"Ferolant PIV")
        return self.answer(tlv(0x61, template), le)

    def verify(self, p1, p2, data):
        if p2 != 0x80:
            return b"\x6A\x88"
        if p1 == 0xFF:
            self.verified = self.fresh = False
            return OK
        if self.tries == 0:
            return BLOCKED
        if not data:
            return OK if self.verified else bytes([0x63, 0xC0 | self.tries])
        if data == self.pin:
            self.tries = MAX_TRIES
            self.verified = self.fresh = True
            return OK
        self.tries -= 1
        self.verified = self.fresh = False
        return bytes([0x63, 0xC0 | self.tries]) if self.tries else BLOCKED

    def authenticate(self, slot, data, le):
        key = self.keys.get(slot)
        if key is None:
            return b"\x6A\x86"
        if not self.verified or (slot == 0x9C and not self.fresh):
            return UNSATISFIED
        challenge = parse_tlv(parse_tlv(data).get(0x7C, b"")).get(0x81)
        if challenge is None:
            return b"\x6A\x80"
        if isinstance(key, ec.EllipticCurvePrivateKey):
            digest = {32: hashes.SHA256(), 48: hashes.SHA384(), 64: hashes.SHA512()}
            if len(challenge) not in digest:
                return b"\x6A\x80"
            signature = key.sign(challenge, ec.ECDSA(utils.Prehashed(digest[len(challenge)])))
        else:
            numbers = key.private_numbers()
            n = numbers.public_numbers.n
            value = pow(int.from_bytes(challenge, "big"), numbers.d, n)
            signature = value.to_bytes((n.bit_length() + 7) // 8, "big")
        if slot == 0x9C:
            self.fresh = False
        return self.answer(tlv(0x7C, tlv(0x82, signature)), le)


class Reader:
    """The card's side of vpcd's socket: a length-prefixed message each way."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=1)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.quick_ack()

    def quick_ack(self):
        # Without it each command's acknowledgement waits for the kernel's delayed-ACK timer.
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)

    def receive(self):
        head = self.read(2)
        message = self.read(struct.unpack(">H", head)[0])
        self.quick_ack()
        return message

    def read(self, count):
        data = b""
        while len(data) < count:
            piece = self.sock.recv(count - len(data))
            if not piece:
                raise ConnectionError("vpcd closed the connection")
            data += piece
        return data

    def send(self, message):
        self.sock.sendall(struct.pack(">H", len(message)) + message)


def serve(args, card, status):
    reader = Reader(args.port)
    status("inserted")
    try:
        while os.path.exists(args.present):
            ready, _, _ = select.select([reader.sock], [], [], 0.05)
            if not ready:
                continue
            message = reader.receive()
            # Pulled out before this command: it is never answered.
            if not os.path.exists(args.present):
                break
            if len(message) == 1:
                if message[0] in (0, 1, 2):
                    card.power_on()
                    status("powered" if message[0] else "off")
                elif message[0] == 4:
                    reader.send(ATR)
            else:
                reader.send(card.apdu(message))
    except (ConnectionError, OSError):
        pass
    finally:
        reader.sock.close()
    status("removed")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--present", required=True)
    parser.add_argument("--serial", type=int, default=1)
    parser.add_argument("--tries", type=int, default=MAX_TRIES)
    parser.add_argument("--pin", default="123456")
    parser.add_argument("--rsa", nargs=2, required=True)
    parser.add_argument("--ec", nargs=2, required=True)
    args = parser.parse_args()
    card = Card(args)

    def status(text):
        print(text, flush=True)
        with open(args.present + ".state", "a") as f:
            f.write(text + "\n")

    while True:
        if os.path.exists(args.present):
            try:
                serve(args, card, status)
            except OSError:  # vpcd is not listening yet
                pass
        time.sleep(0.05)


if __name__ == "__main__":
    sys.exit(main())
