#!/usr/bin/env python3
"""Loads the plugin with ctypes, as a Python program loads an extension.

    plugin-host.py PLUGIN DOCUMENT.dvi OUT.png DPI WIDTH HEIGHT
"""
import ctypes
import sys


def main():
    if len(sys.argv) != 7:
        sys.stderr.write(__doc__)
        return 2
    plugin_path, document, out, dpi, width, height = sys.argv[1:]
    plugin = ctypes.CDLL(plugin_path)
    render = plugin.ksdvi_plugin_render_first_page
    render.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                       ctypes.c_char_p, ctypes.c_int]
    render.restype = ctypes.c_int
    problems = ctypes.create_string_buffer(4096)
    status = render(document.encode(), out.encode(), int(dpi), int(width), int(height), problems,
                    len(problems))
    sys.stdout.write(problems.value.decode(errors="replace"))
    return status


if __name__ == "__main__":
    sys.exit(main())
