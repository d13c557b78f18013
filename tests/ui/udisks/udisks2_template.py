"""A stand-in UDisks2 service for python3-dbusmock: the Manager resolves device nodes, and each
block device's OpenDevice hands out a descriptor of an ordinary file, or refuses the way polkit
does. Parameters (JSON): {"devices": {"/dev/NODE": {"file": PATH, "refuse": BOOL}, ...}}.

Start: python3 -m dbusmock --template udisks2_template.py -p '{"devices": {...}}'
"""
import dbus

BUS_NAME = "org.freedesktop.UDisks2"
MAIN_OBJ = "/org/freedesktop/UDisks2/Manager"
MAIN_IFACE = "org.freedesktop.UDisks2.Manager"
SYSTEM_BUS = True

BLOCK_IFACE = "org.freedesktop.UDisks2.Block"

RESOLVE = """
found = {objects!r}.get(args[0].get("path", ""))
ret = dbus.Array([dbus.ObjectPath(found)] if found else [], signature="o")
"""

OPEN = """
import os
if {refuse!r}:
    raise dbus.exceptions.DBusException(
        "Not authorized to perform operation",
        name="org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain")
fd = os.open({file!r}, os.O_RDWR | os.O_CLOEXEC)
ret = dbus.types.UnixFd(fd)
os.close(fd)
"""


def load(mock, parameters):
    devices = parameters.get("devices", {})
    objects = {}
    for node, device in devices.items():
        name = node.rsplit("/", 1)[-1].replace("-", "_")
        path = "/org/freedesktop/UDisks2/block_devices/" + name
        objects[node] = path
        props = {
            "Device": dbus.ByteArray(node.encode() + b"\0"),
            "PreferredDevice": dbus.ByteArray(node.encode() + b"\0"),
            "Size": dbus.UInt64(0),
            "ReadOnly": False,
        }
        code = OPEN.format(refuse=bool(device.get("refuse")), file=device["file"])
        mock.AddObject(path, BLOCK_IFACE, props, [("OpenDevice", "sa{sv}", "h", code)])
    mock.AddMethod(MAIN_IFACE, "ResolveDevice", "a{sv}a{sv}", "ao", RESOLVE.format(objects=objects))
    mock.AddProperties(MAIN_IFACE, {"Version": "2.9.4"})
