"""What a test machine's screen shows: qemu's screendump (PPM) read and measured."""

from dataclasses import dataclass
from pathlib import Path

PANEL = (54, 106, 179)  # the layout's panel colour
BLACK = (0, 0, 0)
# How far a channel may stray from a colour and still count as it (scaling blends edges).
TOLERANCE = 14
# Every STEP-th pixel in each direction is measured: enough for shares of the screen.
STEP = 4


@dataclass
class Screen:
    width: int
    height: int
    pixels: bytes  # RGB, row by row

    @staticmethod
    def read(path: Path) -> "Screen":
        data = path.read_bytes()
        fields = []
        at = 0
        # "P6", width, height, maximum, each followed by one blank; comments start with '#'.
        while len(fields) < 4:
            while data[at : at + 1].isspace():
                at += 1
            if data[at : at + 1] == b"#":
                at = data.index(b"\n", at) + 1
                continue
            end = at
            while not data[end : end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError(f"{path}: not an 8-bit PPM picture")
        width, height = int(fields[1]), int(fields[2])
        pixels = data[at + 1 : at + 1 + width * height * 3]
        if len(pixels) != width * height * 3:
            raise ValueError(f"{path}: cut short")
        return Screen(width, height, pixels)

    def pixel(self, x: int, y: int) -> tuple:
        at = (y * self.width + x) * 3
        return tuple(self.pixels[at : at + 3])

    def share(self, colour: tuple) -> float:
        """The share of the screen in the colour."""
        seen = hits = 0
        for y in range(0, self.height, STEP):
            row = y * self.width * 3
            for x in range(0, self.width, STEP):
                at = row + x * 3
                seen += 1
                hits += near(self.pixels[at : at + 3], colour)
        return hits / seen if seen else 0.0

    def corners(self) -> list:
        inset = 1
        return [
            self.pixel(x, y)
            for x in (inset, self.width - 1 - inset)
            for y in (inset, self.height - 1 - inset)
        ]


def near(pixel, colour) -> bool:
    return all(abs(a - b) <= TOLERANCE for a, b in zip(pixel, colour))


def shows_layout(screen: Screen, picture: tuple) -> str:
    """Why the screen does not show a layout of the picture in the colour over the whole
    screen; empty when it does. A layout with a picture in its main area shows the picture over
    a good part of the screen and the panel colour in every corner, and nothing black."""
    if screen.width < 640 or screen.height < 480:
        return f"the screen is {screen.width} x {screen.height}, no graphics mode"
    picture_share = screen.share(picture)
    if picture_share < 0.25:
        return f"the picture covers {picture_share:.0%} of the screen"
    corners = screen.corners()
    if not all(near(corner, PANEL) for corner in corners):
        return f"corners {corners}, not the panel colour: the layout does not reach them"
    black = screen.share(BLACK)
    if black > 0.01:
        return f"{black:.0%} of the screen is black"
    return ""
