"""A stand-in UDisks2 service for python3-dbusmock.

The root object /org/freedesktop/UDisks2 is the ObjectManager, as in UDisks2. The Manager
resolves device nodes, and each block device's OpenDevice hands out a descriptor of an
ordinary file, or refuses the way polkit does. Drives (a Drive object, its whole block device
and its partitions) are made at the start and, while it runs, through the mock methods
AddDrive, RemoveDrive, SetMountPoint and SetMedium on the root object, each of which emits the
signals UDisks2 emits (InterfacesAdded, InterfacesRemoved, PropertiesChanged).

Parameters (JSON):
  {"devices": {"/dev/NODE": {"file": PATH, "refuse": BOOL}, ...},
   "drives": [DRIVE, ...]}
DRIVE (also AddDrive's argument, as JSON text):
  {"node": "/dev/sdx", "size": BYTES, "vendor": TEXT, "model": TEXT, "removable": BOOL,
   "mount": MOUNT POINT OF THE WHOLE DEVICE,
   "partitions": [{"node": "/dev/sdx1", "mount": MOUNT POINT}, ...]}

Start: python3 -m dbusmock --template udisks2_template.py -p '{"devices": {...}}'
"""
import json

import dbus
from dbusmock import MOCK_IFACE
from dbusmock.mockobject import objects

BUS_NAME = "org.freedesktop.UDisks2"
MAIN_OBJ = "/org/freedesktop/UDisks2"
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MANAGER_OBJ = "/org/freedesktop/UDisks2/Manager"
MANAGER_IFACE = "org.freedesktop.UDisks2.Manager"
BLOCK_IFACE = "org.freedesktop.UDisks2.Block"
DRIVE_IFACE = "org.freedesktop.UDisks2.Drive"
PARTITION_IFACE = "org.freedesktop.UDisks2.Partition"
FILESYSTEM_IFACE = "org.freedesktop.UDisks2.Filesystem"

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


def block_path(node):
    return "/org/freedesktop/UDisks2/block_devices/" + node.rsplit("/", 1)[-1].replace("-", "_")


def drive_path(node):
    return "/org/freedesktop/UDisks2/drives/" + node.rsplit("/", 1)[-1].replace("-", "_")


def node_bytes(node):
    return dbus.ByteArray(node.encode() + b"\0")


def mount_points(mount):
    points = [dbus.ByteArray(mount.encode() + b"\0")] if mount else []
    return dbus.Array(points, signature="ay")


def block_properties(node, size, drive):
    return {
        "Device": node_bytes(node),
        "PreferredDevice": node_bytes(node),
        "Size": dbus.UInt64(size),
        "ReadOnly": False,
        "Drive": dbus.ObjectPath(drive),
    }


def add_block(mock, node, size, drive, mount, table=None):
    path = block_path(node)
    mock.AddObject(path, BLOCK_IFACE, block_properties(node, size, drive), [])
    if table:
        objects[path].AddProperties(PARTITION_IFACE, {"Table": dbus.ObjectPath(table)})
    if mount is not None:
        objects[path].AddProperties(FILESYSTEM_IFACE, {"MountPoints": mount_points(mount)})
    return path


def add_drive(mock, drive):
    """Adds the Drive object, its block device and partitions; returns their paths."""
    node = drive["node"]
    removable = bool(drive.get("removable", True))
    path = drive_path(node)
    mock.AddObject(path, DRIVE_IFACE, {
        "Vendor": drive.get("vendor", ""),
        "Model": drive.get("model", ""),
        "Removable": removable,
        "MediaRemovable": removable,
        "MediaAvailable": drive.get("size", 0) > 0,
        "Size": dbus.UInt64(drive.get("size", 0)),
    }, [])
    whole = add_block(mock, node, drive.get("size", 0), path, drive.get("mount"))
    paths = [path, whole]
    for part in drive.get("partitions", []):
        paths.append(add_block(mock, part["node"], 0, path, part.get("mount", ""), whole))
    return paths


def load(mock, parameters):
    devices = parameters.get("devices", {})
    resolved = {}
    for node, device in devices.items():
        path = block_path(node)
        resolved[node] = path
        props = block_properties(node, 0, "/")
        code = OPEN.format(refuse=bool(device.get("refuse")), file=device["file"])
        mock.AddObject(path, BLOCK_IFACE, props, [("OpenDevice", "sa{sv}", "h", code)])
    mock.AddObject(MANAGER_OBJ, MANAGER_IFACE, {"Version": "2.9.4"},
                   [("ResolveDevice", "a{sv}a{sv}", "ao", RESOLVE.format(objects=resolved))])
    for drive in parameters.get("drives", []):
        add_drive(mock, drive)


@dbus.service.method(MOCK_IFACE, in_signature="s", out_signature="")
def AddDrive(self, drive_json):
    for path in add_drive(self, json.loads(drive_json)):
        self.object_manager_emit_added(path)


@dbus.service.method(MOCK_IFACE, in_signature="s", out_signature="")
def RemoveDrive(self, node):
    drive = drive_path(node)
    gone = [p for p, o in objects.items()
            if p == drive or o.props.get(BLOCK_IFACE, {}).get("Drive") == drive]
    for path in gone:
        self.object_manager_emit_removed(path)
        self.RemoveObject(path)


@dbus.service.method(MOCK_IFACE, in_signature="ss", out_signature="")
def SetMountPoint(self, node, mount):
    objects[block_path(node)].UpdateProperties(FILESYSTEM_IFACE,
                                               {"MountPoints": mount_points(mount)})


@dbus.service.method(MOCK_IFACE, in_signature="st", out_signature="")
def SetMedium(self, node, size):
    objects[block_path(node)].UpdateProperties(BLOCK_IFACE, {"Size": dbus.UInt64(size)})
    objects[drive_path(node)].UpdateProperties(
        DRIVE_IFACE, {"Size": dbus.UInt64(size), "MediaAvailable": dbus.Boolean(size > 0)})
