#!/usr/bin/python3
"""Peer: Pillow's nearest-neighbour turn of a BMP, file to file."""
import sys

from PIL import Image

Image.MAX_IMAGE_PIXELS = None
source, target, angle = sys.argv[1], sys.argv[2], float(sys.argv[3])
Image.open(source).rotate(angle, expand=True).save(target)
