#!/usr/bin/python3
"""What sway made of a window, from `swaymsg -t get_tree`:
  sway-tree.py shown TITLE             the window exists
  sway-tree.py floating TITLE CLASS    it floats (is not tiled) and its X11
                                       class (or Wayland app id) is CLASS"""
import json
import subprocess
import sys


def nodes(node, floating=False):
    yield node, floating
    for child in node.get('nodes', []):
        yield from nodes(child, floating)
    for child in node.get('floating_nodes', []):
        yield from nodes(child, True)


tree = json.loads(subprocess.run(['swaymsg', '-t', 'get_tree'], capture_output=True, check=True).stdout)
command, title, *rest = sys.argv[1:]
found = [(n, f) for n, f in nodes(tree) if n.get('pid') and title in (n.get('name') or '')]
if not found:
    sys.exit(f'sway-tree: no window "{title}"')
if command == 'floating':
    node, floating = found[-1]
    identity = node.get('app_id') or node.get('window_properties', {}).get('class')
    if not floating:
        sys.exit(f'sway-tree: "{title}" is tiled at {node["rect"]}')
    if identity != rest[0]:
        sys.exit(f'sway-tree: "{title}" is {identity}, not {rest[0]}')
    print(f'sway-tree: "{title}" floats at {node["rect"]}, class {identity}')
