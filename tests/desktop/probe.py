#!/usr/bin/python3
"""Asks a desktop session, over its own D-Bus interfaces, what it made of the
tray program: whether its status item is registered, what its exported menu
holds while a host has it open, and which window the shell maps to which entry.
Exits 1 with the reason on stderr when the session disagrees."""
import sys
import time

import gi
from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def call(dest, path, iface, method, args=None, reply=None):
    return bus.call_sync(dest, path, iface, method, args, GLib.VariantType(reply) if reply else None,
                         Gio.DBusCallFlags.NONE, 5000, None).unpack()


def prop(dest, path, iface, name):
    return call(dest, path, 'org.freedesktop.DBus.Properties', 'Get',
                GLib.Variant('(ss)', (iface, name)), '(v)')[0]


def fail(why):
    print('probe: ' + why, file=sys.stderr)
    sys.exit(1)


def item_of(pid):
    """The service and path of the status item the process registered."""
    deadline = time.time() + 20
    while time.time() < deadline:
        try:
            items = prop('org.kde.StatusNotifierWatcher', '/StatusNotifierWatcher',
                         'org.kde.StatusNotifierWatcher', 'RegisteredStatusNotifierItems')
        except GLib.Error:
            items = []
        for item in items:
            service, _, path = item.partition('/')
            service = service.rstrip('@')  # GNOME's watcher writes ":1.16@/StatusNotifierItem"
            owner = call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
                         'GetConnectionUnixProcessID', GLib.Variant('(s)', (service,)), '(u)')[0]
            if owner == pid:
                return service, '/' + (path or 'StatusNotifierItem')
        time.sleep(0.5)
    fail(f'no status item of process {pid} is registered with the watcher')


def rows(service, menu):
    """The top level of the exported menu as (id, type, label, visible, icon bytes)."""
    _, layout = call(service, menu, 'com.canonical.dbusmenu', 'GetLayout',
                     GLib.Variant('(iias)', (0, 1, [])), '(u(ia{sv}av))')
    found = []
    for child in layout[2]:
        ident, props, _ = child
        found.append((ident, props.get('type', 'standard'), props.get('label', ''),
                      props.get('visible', True), bytes(props.get('icon-data', b''))))
    return found


def all_rows(service, menu):
    """Every row at every depth as (label, icon bytes)."""
    _, layout = call(service, menu, 'com.canonical.dbusmenu', 'GetLayout',
                     GLib.Variant('(iias)', (0, -1, [])), '(u(ia{sv}av))')
    def walk(node):
        for child in node[2]:
            yield child[1].get('label', ''), bytes(child[1].get('icon-data', b''))
            yield from walk(child)
    return list(walk(layout))


def shown(rows_):
    return [(r[0], r[1]) for r in rows_ if r[3]]


def transparent(png):
    gi.require_version('GdkPixbuf', '2.0')
    from gi.repository import GdkPixbuf
    loader = GdkPixbuf.PixbufLoader()
    loader.write(png)
    loader.close()
    pixbuf = loader.get_pixbuf()
    if not pixbuf.get_has_alpha():
        return False
    data = pixbuf.get_pixels()
    return all(data[i + 3] == 0 for i in range(0, len(data), 4))


def menu_holds_still(pid, until):
    """Opens the item's menu as a host does, watches it while the demo plays on
    until that time (seconds since the epoch), then closes it: the shown rows
    must not move while open, texts must follow, and a row whose dot was
    cleared must lose it for real."""
    service, path = item_of(pid)
    menu = prop(service, path, 'org.kde.StatusNotifierItem', 'Menu')
    call(service, menu, 'com.canonical.dbusmenu', 'AboutToShow', GLib.Variant('(i)', (0,)), '(b)')
    first = rows(service, menu)
    texts = {tuple(r[2] for r in first)}
    seconds = until - time.time()
    while time.time() < until:
        now = rows(service, menu)
        if shown(now) != shown(first):
            fail('rows moved while the menu was open:\n  ' + str(shown(first)) + '\n  ' + str(shown(now)))
        texts.add(tuple(r[2] for r in now))
        time.sleep(0.25)
    if len(texts) < 2:
        fail('nothing in the menu changed while it was open: the check saw no live update')
    call(service, menu, 'com.canonical.dbusmenu', 'Event',
         GLib.Variant('(isvu)', (0, 'closed', GLib.Variant('s', ''), 0)), None)
    time.sleep(0.5)
    after = rows(service, menu)
    if shown(after) == shown(first):
        fail('the menu kept its open structure after it was closed')
    bands = [(label, icon) for label, icon in all_rows(service, menu) if label.startswith('Band: 5')]
    if not bands:
        fail('no camera had left 2.4 GHz by the end of the check')
    for label, icon in bands:
        if icon and not transparent(icon):
            fail(f'"{label}" still carries a coloured dot')
    print(f'probe: {len(shown(first))} rows held for {seconds:.1f} s; {len(texts)} versions of the texts; '
          f'{len(shown(after))} rows after closing')


def item_registered(pid):
    service, path = item_of(pid)
    print(f'probe: status item {service}{path} of process {pid}')


def gnome_check(title, entry):
    """GNOME Shell, in unsafe mode: the extension shows our item in the panel,
    and the shell maps the window of that title to the desktop entry."""
    script = (
        'const Main = imports.ui.main; const Shell = imports.gi.Shell;'
        'JSON.stringify({'
        ' indicators: Object.keys(Main.panel.statusArea).filter(k => k.startsWith("appindicator") &&'
        '   Main.panel.statusArea[k].visible),'
        ' windows: global.display.list_all_windows().map(w => [w.get_title(),'
        '   Shell.WindowTracker.get_default().get_window_app(w)?.get_id()])})')
    ok, out = call('org.gnome.Shell', '/org/gnome/Shell', 'org.gnome.Shell', 'Eval',
                   GLib.Variant('(s)', (script,)), '(bs)')
    if not ok:
        fail('the shell did not evaluate: ' + out)
    import json
    seen = json.loads(out)
    if isinstance(seen, str):
        seen = json.loads(seen)
    if not seen['indicators']:
        fail('the extension shows no status item: ' + out)
    apps = [app for name, app in seen['windows'] if name and title in name]
    if not apps:
        fail(f'no window "{title}": ' + out)
    if any(app != entry for app in apps):
        fail(f'the window maps to {apps}, not {entry}')
    print(f'probe: {len(seen["indicators"])} status item shown; "{title}" maps to {entry}')


if __name__ == '__main__':
    command, *args = sys.argv[1:]
    if command == 'item-registered':
        item_registered(int(args[0]))
    elif command == 'menu-holds-still':
        menu_holds_still(int(args[0]), float(args[1]))
    elif command == 'gnome-check':
        gnome_check(*args)
    else:
        fail('unknown command ' + command)
