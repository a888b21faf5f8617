#!/usr/bin/python3
"""Writes a PNG of the whole X screen named by $DISPLAY: screenshot.py OUT.png"""
import sys

import gi

gi.require_version("Gdk", "3.0")
from gi.repository import Gdk  # noqa: E402

root = Gdk.get_default_root_window()
if root is None:
    sys.exit("screenshot: no display")
shot = Gdk.pixbuf_get_from_window(root, 0, 0, root.get_width(), root.get_height())
if shot is None or not shot.savev(sys.argv[1], "png", [], []):
    sys.exit("screenshot: could not capture the screen")
