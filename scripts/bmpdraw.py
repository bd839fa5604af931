"""Drawing helpers of the picture scripts: 24-bit BMP files and a 3 x 5 pixel
font. The scripts put this folder on their path."""
import math
import struct

FONT = {  # 3 x 5 pixel letters
    'A': "010101111101101", 'B': "110101110101110", 'C': "011100100100011", 'D': "110101101101110",
    'E': "111100110100111", 'F': "111100110100100", 'G': "011100101101011", 'H': "101101111101101",
    'I': "111010010010111", 'J': "001001001101010", 'K': "101101110101101", 'L': "100100100100111",
    'M': "101111111101101", 'N': "110101101101101", 'O': "010101101101010", 'P': "110101110100100",
    'Q': "010101101110011", 'R': "110101110101101", 'S': "011100010001110", 'T': "111010010010010",
    'U': "101101101101111", 'V': "101101101101010", 'W': "101101111111101", 'X': "101101010101101",
    'Y': "101101010010010", 'Z': "111001010100111", '+': "000010111010000", '-': "000000111000000",
    '?': "110001010000010", '0': "111101101101111", '1': "010110010010111", '2': "110001010100111",
    '3': "110001010001110", '4': "101101111001001", '5': "111100110001110", '6': "011100111101111",
    '7': "111001010010010", '8': "111101111101111", '9': "111101111001110", ' ': "000000000000000",
}


def write_bmp(path, width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def text_mask(text, scale=1):
    """Set pixels of a text in the 3 x 5 font, one column between letters."""
    cells = set()
    for i, ch in enumerate(text):
        bits = FONT.get(ch, FONT['?'])
        for k, bit in enumerate(bits):
            if bit == '1':
                for dx in range(scale):
                    for dy in range(scale):
                        cells.add(((i * 4 + k % 3) * scale + dx, (k // 3) * scale + dy))
    return cells, (len(text) * 4 - 1) * scale, 5 * scale


class Canvas:
    """A picture w x h logical pixels large, drawn at a scale (1 or 2). Shapes
    are given in logical pixels; each device pixel is sampled 4 x 4 times, so
    shapes blend where they meet. Pixels left less than half covered are the
    see-through background."""
    SAMPLES = 4

    def __init__(self, w, h, scale=1):
        self.scale = scale
        self.pw, self.ph = w * scale, h * scale
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(self.pw * self.ph)]

    def shape(self, box, inside, colour):
        """Paints colour where inside(x, y) holds, within box (x0, y0, x1, y1)."""
        s, n = self.scale, self.SAMPLES
        x0 = max(0, int(box[0] * s) - 1)
        y0 = max(0, int(box[1] * s) - 1)
        x1 = min(self.pw, int(box[2] * s) + 2)
        y1 = min(self.ph, int(box[3] * s) + 2)
        offs = [(i + 0.5) / (n * s) for i in range(n)]
        full = float(n * n)
        for py in range(y0, y1):
            ys = [py / s + o for o in offs]
            for px in range(x0, x1):
                xb = px / s
                hits = 0
                for y in ys:
                    for o in offs:
                        if inside(xb + o, y):
                            hits += 1
                if hits:
                    a = hits / full
                    p = self.px[py * self.pw + px]
                    for k in range(3):
                        p[k] = colour[k] * a + p[k] * (1.0 - a)
                    p[3] = a + p[3] * (1.0 - a)

    def rect(self, x0, y0, x1, y1, colour):
        self.shape((x0, y0, x1, y1), lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour)

    def frame(self, x0, y0, x1, y1, colour, width=1.0):
        """A border of the given width inside the rectangle."""
        def inside(x, y):
            return (x0 <= x < x1 and y0 <= y < y1 and
                    not (x0 + width <= x < x1 - width and y0 + width <= y < y1 - width))
        self.shape((x0, y0, x1, y1), inside, colour)

    def box(self, x0, y0, x1, y1, fill, edge, width=1.0):
        self.rect(x0, y0, x1, y1, fill)
        self.frame(x0, y0, x1, y1, edge, width)

    def dashed(self, x0, y0, x1, y1, colour, on=2, off=1):
        """A one-pixel dashed border inside the rectangle."""
        period = on + off

        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            if y < y0 + 1 or y >= y1 - 1:
                return (x - x0) % period < on
            if x < x0 + 1 or x >= x1 - 1:
                return (y - y0) % period < on
            return False
        self.shape((x0, y0, x1, y1), inside, colour)

    def polygon(self, pts, colour):
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        edges = list(zip(pts, pts[1:] + pts[:1]))

        def inside(x, y):
            odd = False
            for (ax, ay), (bx, by) in edges:
                if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                    odd = not odd
            return odd
        self.shape((min(xs), min(ys), max(xs), max(ys)), inside, colour)

    def line(self, pts, colour, width=1.0, closed=False, round_caps=False):
        """A stroke through the points, square or round ends."""
        segs = list(zip(pts, pts[1:] + pts[:1])) if closed else list(zip(pts, pts[1:]))
        r = width / 2.0
        r2 = r * r
        prepared = []
        for (ax, ay), (bx, by) in segs:
            dx, dy = bx - ax, by - ay
            ln2 = dx * dx + dy * dy
            ext = 0.0 if round_caps or ln2 == 0 else r / ln2 ** 0.5
            prepared.append((ax, ay, dx, dy, ln2, ext))

        def inside(x, y):
            for ax, ay, dx, dy, ln2, ext in prepared:
                t = ((x - ax) * dx + (y - ay) * dy) / ln2 if ln2 else 0.0
                if round_caps or ln2 == 0:
                    t = min(1.0, max(0.0, t))
                elif t < -ext or t > 1.0 + ext:
                    continue
                ex, ey = ax + t * dx - x, ay + t * dy - y
                if ex * ex + ey * ey <= r2:
                    return True
            return False
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        self.shape((min(xs) - r, min(ys) - r, max(xs) + r, max(ys) + r), inside, colour)

    def ellipse(self, cx, cy, rx, ry, colour):
        self.shape((cx - rx, cy - ry, cx + rx, cy + ry),
                   lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0, colour)

    def ring(self, cx, cy, rx, ry, colour, width=1.0):
        """An elliptic ring of the given width centred on the ellipse."""
        ox, oy, ix, iy = rx + width / 2, ry + width / 2, rx - width / 2, ry - width / 2

        def inside(x, y):
            dx, dy = x - cx, y - cy
            return ((dx / ox) ** 2 + (dy / oy) ** 2 <= 1.0 and
                    (ix <= 0 or iy <= 0 or (dx / ix) ** 2 + (dy / iy) ** 2 > 1.0))
        self.shape((cx - ox, cy - oy, cx + ox, cy + oy), inside, colour)

    def pixels(self, background):
        """Rows of (r, g, b); pixels less than half covered get the background,
        which no covered pixel takes."""
        rows = []
        for y in range(self.ph):
            row = []
            for x in range(self.pw):
                r, g, b, a = self.px[y * self.pw + x]
                if a < 0.5:
                    row.append(background)
                    continue
                p = tuple(min(255, int(c / a + 0.5)) for c in (r, g, b))
                row.append((p[0] ^ 1, p[1], p[2]) if p == background else p)
            rows.append(row)
        return rows


def bezier(p0, p1, p2, p3, steps=16):
    """Points along a cubic Bezier curve."""
    pts = []
    for i in range(steps + 1):
        t = i / steps
        u = 1.0 - t
        pts.append((u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
                    u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1]))
    return pts


def arc(cx, cy, r, start, end, steps=24):
    """Points along a circle from start to end degrees (clockwise on screen)."""
    return [(cx + r * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + r * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]
