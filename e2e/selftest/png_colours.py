"""Reads the colours of an 8-bit RGB or RGBA PNG with the standard library only."""
import struct
import zlib


def _paeth(left, up, up_left):
    estimate = left + up - up_left
    distance_left = abs(estimate - left)
    distance_up = abs(estimate - up)
    distance_up_left = abs(estimate - up_left)
    if distance_left <= distance_up and distance_left <= distance_up_left:
        return left
    return up if distance_up <= distance_up_left else up_left


def _unfilter(kind, row, previous, stride):
    out = bytearray(row)
    for i in range(len(out)):
        left = out[i - stride] if i >= stride else 0
        up = previous[i]
        up_left = previous[i - stride] if i >= stride else 0
        if kind == 1:
            out[i] = (out[i] + left) & 0xFF
        elif kind == 2:
            out[i] = (out[i] + up) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + ((left + up) >> 1)) & 0xFF
        elif kind == 4:
            out[i] = (out[i] + _paeth(left, up, up_left)) & 0xFF
        elif kind != 0:
            raise ValueError("bad PNG filter type %d" % kind)
    return out


def colour_counts(path):
    """Returns (width, height, {(r, g, b): pixel count})."""
    with open(path, "rb") as source:
        data = source.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s is not a PNG file" % path)
    position = 8
    compressed = b""
    header = None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        position += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in (2, 6) or interlace != 0:
        raise ValueError("unsupported PNG layout %r" % (header,))
    stride = 3 if colour_type == 2 else 4
    raw = zlib.decompress(compressed)
    row_bytes = width * stride
    previous = bytearray(row_bytes)
    counts = {}
    for y in range(height):
        start = y * (row_bytes + 1)
        row = _unfilter(raw[start], raw[start + 1:start + 1 + row_bytes], previous, stride)
        for x in range(0, row_bytes, stride):
            colour = (row[x], row[x + 1], row[x + 2])
            counts[colour] = counts.get(colour, 0) + 1
        previous = row
    return width, height, counts
