# Describes a GIF as PIL reads it: one line "frames W H loop", then per frame
# "duration R G B" with the colour at the frame's centre.
import sys
from PIL import Image

im = Image.open(sys.argv[1])
print(im.n_frames, im.size[0], im.size[1], im.info.get("loop", "none"))
for i in range(im.n_frames):
    im.seek(i)
    r, g, b = im.convert("RGB").getpixel((im.size[0] // 2, im.size[1] // 2))
    print(im.info.get("duration", 0), r, g, b)
