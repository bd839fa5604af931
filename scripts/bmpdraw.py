"""Drawing helpers of the picture scripts: 24-bit BMP files and a 3 x 5 pixel
font. The scripts put this folder on their path."""
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
