"""A session of lumainfo on this machine: what the driver and the hardware report, and changing it."""
import ctypes
from ctypes import POINTER, byref, c_char_p, c_uint32, c_uint8
from dataclasses import dataclass, field, make_dataclass
from typing import List, Optional, Tuple

from . import _records as R
from .registers import Registers
from ._core import encode, lumainfo, text
from .errors import EXIT_OS_CALL_ERROR, LumaError

# Display configuration types (the low nibble of a dc).
MULTI_TYPE_SINGLE, MULTI_TYPE_CLONE, MULTI_TYPE_TWIN, MULTI_TYPE_EXTENDED = 1, 2, 4, 8
# Port numbers.
PORT_UNUSED, PORT_TV, PORT_DVOB, PORT_DVOC, PORT_LVDS, PORT_ANALOG, PORT_DPB, PORT_DPC, PORT_EDP = range(9)
# Flags of set_dc: apply the primary / secondary mode to its screen.
APPLY_PRIMARY, APPLY_SECONDARY = 1, 2
ALL_SCREENS = 255
MODE_INTERLACED = 0x80000000
REG_SZ, REG_DWORD = 1, 4
OVERLAY_WRITE = 0x10


def _record_class(record, name, doc, omit=(), defaults=None, namespace=None):
    """A frozen dataclass of `record`'s fields (texts as str), so each record's fields are written once."""
    kinds, spec = [], []
    for field_name, ctype in record._fields_:
        if field_name in omit:
            continue
        is_text = issubclass(ctype, ctypes.Array) and ctype._type_ is ctypes.c_char
        kinds.append((field_name, is_text))
        kind = str if is_text else int
        spec.append((field_name, kind, field(default=defaults[field_name]))
                    if defaults and field_name in defaults else (field_name, kind))
    cls = make_dataclass(name, spec, frozen=True, namespace=dict(namespace or {}, __doc__=doc))
    cls.__module__ = __name__
    cls._kinds = kinds
    return cls


def _from_record(cls, record):
    return cls(*[text(getattr(record, name)) if is_text else getattr(record, name) for name, is_text in cls._kinds])


Version = _record_class(R.opal_lib_version_t, "Version", "The library's version.")
Chipset = _record_class(R.opal_chipset_info_t, "Chipset", "The graphics device's PCI id, revision and name.")
Mode = _record_class(R.opal_mode_t, "Mode", "A mode as the driver lists it; a request needs only width, height and "
                     "refresh.", omit=("driver_data", "driver_data2"), defaults={"flags": 0},
                     namespace={"interlaced": property(lambda self: bool(self.flags & MODE_INTERLACED))})
PortInfo = _record_class(R.opal_port_info_t, "PortInfo", "What the driver reports about one port.")
DriverInfo = _record_class(R.opal_driver_info_t, "DriverInfo", "The driver's identity.")
Attribute = _record_class(R.opal_port_attribute_t, "Attribute", "A port attribute, or one entry of a list "
                          "attribute (for a list, `min` counts the entries that follow).")
OverlayParams = _record_class(R.opal_overlay_params_t, "OverlayParams", "The overlay's colour parameters.",
                              omit=("reserved",))


@dataclass(frozen=True)
class DisplayConfig:
    dc: int
    name: str


@dataclass(frozen=True)
class Screen:
    """One Lumagraph screen of the display-port mapping and the ports it shows."""
    absolute_display: int
    relative_display: int
    is_primary: bool
    ports: List[Tuple[int, PortInfo]]


@dataclass(frozen=True)
class Rotation:
    rotation: int
    flip: int


def _to_fields(value):
    """A record dataclass's fields as the C record takes them (texts encoded)."""
    return {name: encode(getattr(value, name), name) if is_text else getattr(value, name)
            for name, is_text in type(value)._kinds}


def _mode_request(mode):
    if mode is None:
        return None
    width, height, refresh = (mode.width, mode.height, mode.refresh) if isinstance(mode, Mode) else mode
    return R.opal_mode_t(width=width, height=height, refresh=refresh)


def port_name(port):
    """The name of a port number ("LVDS"); "Unused" for 0."""
    return text(lumainfo().lib.opal_port_name(port))


def dc_name(dc):
    """The name the library gives a display configuration value ("LVDS -> ANALOG")."""
    buffer = ctypes.create_string_buffer(R.OPAL_DC_NAME_SIZE)
    lumainfo().call("opal_get_dc_name", dc, buffer)
    return text(buffer.value)


def set_debug_volume(level):
    """Sets the library's verbosity (0 silences it, 2 is the default) and returns it."""
    return lumainfo().lib.opal_set_debug_volume(level)


_open_session = None


def _close_forgotten_session():
    # A session left open at exit still removes the driver it installed.
    if _open_session is not None:
        _open_session.close()


class Session:
    """A library session: ``opal_open`` on entry, ``opal_close`` on leaving, whatever raised.

    ``install_driver=True`` installs the register access driver for the
    session (needed for the chipset, MMIO and registers); closing removes
    it again, also when the block raised or opening failed half way. The
    library keeps one session per process, so only one Session is open at
    a time. Calls come from one thread at a time.
    """

    def __init__(self, install_driver=False):
        self.install_driver = bool(install_driver)
        self._lumainfo = None
        self._registers = None

    # -- lifecycle --------------------------------------------------------
    def open(self):
        global _open_session
        if _open_session is not None:
            raise RuntimeError("a lumagraph.Session is already open in this process")
        li = lumainfo()
        if _close_forgotten_session not in li.before_exit:
            li.before_exit.append(_close_forgotten_session)
        del li.heard[:]
        code = li.lib.opal_open(1 if self.install_driver else 0)
        if code:
            error = li.error("opal_open", code)
            # A failed open may still have installed the driver.
            li.lib.opal_close()
            raise error
        self._lumainfo = li
        _open_session = self
        return self

    def close(self):
        """Ends the session and removes the driver it installed; closing twice does nothing."""
        global _open_session
        if self._lumainfo is None:
            return
        li, self._lumainfo, self._registers = self._lumainfo, None, None
        _open_session = None
        li.lib.opal_close()

    def __enter__(self):
        return self.open()

    def __exit__(self, *exc):
        self.close()
        return False

    @property
    def _li(self):
        if self._lumainfo is None:
            raise RuntimeError("the lumagraph.Session is not open")
        return self._lumainfo

    def _call(self, function, *arguments):
        self._li.call(function, *arguments)

    # -- system -------------------------------------------------------------
    @property
    def lib_version(self):
        record = R.opal_lib_version_t()
        self._call("opal_get_lib_version", byref(record))
        return _from_record(Version, record)

    @property
    def os_name(self):
        """The operating system's line ("OS NAME: Windows XP: Service Pack 2")."""
        buffer = ctypes.create_string_buffer(R.OPAL_OS_NAME_SIZE)
        self._call("opal_get_os_name", buffer)
        return text(buffer.value)

    @property
    def chipset(self):
        """The graphics device's id, revision and name (needs the register access driver)."""
        record = R.opal_chipset_info_t()
        self._call("opal_get_chipset_name", byref(record))
        return _from_record(Chipset, record)

    @property
    def driver_info(self):
        record = R.opal_driver_info_t()
        self._call("opal_get_driver_info", byref(record))
        return _from_record(DriverInfo, record)

    def wait(self, seconds):
        self._call("opal_wait", seconds)

    # -- modes and display configurations -----------------------------------
    @property
    def current_dc(self):
        """The current display configuration value; LumaError when the driver cannot tell it."""
        li = self._li
        del li.heard[:]
        dc = li.lib.opal_get_current_dc()
        if not dc:
            raise li.error("opal_get_current_dc", EXIT_OS_CALL_ERROR)
        return dc

    def dc_list(self):
        """The display configurations the driver offers, with their names."""
        dcs, names, count = POINTER(c_uint32)(), POINTER(c_char_p)(), c_uint32()
        try:
            self._call("opal_get_dc_list", byref(dcs), byref(names), byref(count))
            return [DisplayConfig(dcs[i], text(names[i])) for i in range(count.value)]
        finally:
            self._li.lib.opal_free_dc_list(dcs, names, count.value)

    def modes(self, dc=None, display=0):
        """The modes of the primary (display 0) or secondary (1) port of `dc` (default: the current dc)."""
        if dc is None:
            dc = self.current_dc
        table, count = POINTER(R.opal_mode_t)(), c_uint32()
        try:
            self._call("opal_get_mode_list", dc, display, byref(table), byref(count))
            return [_from_record(Mode, m) for m in table[:count.value]]
        finally:
            self._li.lib.opal_free_mode_list(table)

    def set_dc(self, dc, primary, secondary=None, primary_depth=32, secondary_depth=0, flags=APPLY_PRIMARY):
        """Switches to display configuration `dc` with its modes (Mode or (width, height, refresh))."""
        first, second = _mode_request(primary), _mode_request(secondary)
        self._call("opal_set_dc", dc, byref(first), byref(second) if second else None, primary_depth,
                   secondary_depth, flags)

    def set_mode(self, display, mode, depth=32):
        """Sets a screen's mode: display 1 is the secondary display of the current dc, else a screen number."""
        self._call("opal_set_mode", display, byref(_mode_request(mode)), depth)

    # -- ports, rotation and flip -----------------------------------------
    def port(self, dc, display, location):
        """The port number in a dc: display 0 location 0-3 or display 1 location 0-2 (0 when unused)."""
        if (display, location) not in {(0, 0), (0, 1), (0, 2), (0, 3), (1, 0), (1, 1), (1, 2)}:
            raise ValueError("no port location %d on display %d" % (location, display))
        return self._li.lib.opal_get_port(dc, display, location)

    def port_info(self, port):
        record = R.opal_port_info_t()
        self._call("opal_get_port_info", port, byref(record))
        return _from_record(PortInfo, record)

    def rotation(self, port):
        flip, rotation = c_uint32(), c_uint32()
        self._call("opal_get_flip_rot", port, byref(flip), byref(rotation))
        return Rotation(rotation.value, flip.value)

    def set_rotation(self, port, rotation, flip=0):
        """Rotates (0, 90, 180, 270) and flips (0, 1) a port; the desktop follows."""
        self._call("opal_set_flip_rot", port, flip, rotation)

    def port_mapping(self):
        """The Lumagraph screens and the ports each shows."""
        table, count = POINTER(R.opal_disp_port_map_t)(), c_uint32()
        try:
            self._call("opal_get_disp_port_mapping", byref(table), byref(count))
            return [Screen(e.absolute_display, e.relative_display, bool(e.is_primary),
                           [(s.port, _from_record(PortInfo, s.info)) for s in e.ports[:e.num_ports]])
                    for e in table[:count.value]]
        finally:
            self._li.lib.opal_free_disp_port_mapping(table)

    # -- attributes, colour and monitor firmware -----------------------------
    def attributes(self, port):
        table, count = POINTER(R.opal_port_attribute_t)(), c_uint32()
        try:
            self._call("opal_get_port_attributes", port, byref(table), byref(count))
            return [_from_record(Attribute, a) for a in table[:count.value]]
        finally:
            self._li.lib.opal_free_port_attributes(table)

    def set_attribute(self, port, attribute, value):
        """Sets `attribute` (an Attribute of this port) to `value`."""
        record = R.opal_port_attribute_t(**dict(_to_fields(attribute), current_value=value))
        self._call("opal_set_port_attributes", port, byref(record))

    def overlay_params(self):
        record = R.opal_overlay_params_t()
        self._call("opal_get_overlay_params", byref(record))
        return _from_record(OverlayParams, record)

    def set_overlay_params(self, params):
        record = R.opal_overlay_params_t(**_to_fields(params))
        # The driver takes a record as a write only with this bit.
        record.mask |= OVERLAY_WRITE
        self._call("opal_set_overlay_params", byref(record))

    def edid(self, port):
        """The 128-byte EDID base block of the monitor behind `port`."""
        block = (c_uint8 * R.OPAL_EDID_SIZE)()
        self._call("opal_get_display_firmware", port, 0, block)
        return bytes(block)

    # -- registry configuration -------------------------------------------
    def registry_value(self, config_id, port, subkey, param):
        """A parameter of a driver configuration: str for texts, int for numbers."""
        value, kind = ctypes.create_string_buffer(R.OPAL_REG_VALUE_SIZE), c_uint32()
        self._call("opal_get_reg_value", config_id, port, encode(subkey, "subkey"), encode(param, "param"),
                   value, byref(kind))
        return int(value.value) if kind.value == REG_DWORD else text(value.value)

    def set_registry_value(self, config_id, port, subkey, param, value):
        self._call("opal_set_reg_value", config_id, port, encode(subkey, "subkey"), encode(param, "param"),
                   encode(str(value), "value"))

    def delete_registry(self, key_path, value_name=None):
        """Deletes a value below the driver's video key, or with no value name the key and all below it."""
        self._call("opal_del_reg", encode(key_path, "key_path"),
                   None if value_name is None else encode(value_name, "value_name"))

    @property
    def config_id(self):
        value = c_uint32()
        self._call("opal_get_config_id", byref(value))
        return value.value

    @config_id.setter
    def config_id(self, value):
        self._call("opal_set_config_id", value)

    # -- registers by name -------------------------------------------------
    @property
    def registers(self):
        """The chipset family's registers by name, read from and written to the machine (see Registers)."""
        if self._registers is None:
            self._registers = Registers(self._li)
        return self._registers

    # -- MMIO ----------------------------------------------------------------
    def read_mmio(self, offset, width=32):
        """One MMIO register of the graphics device (width 8, 16 or 32)."""
        if width not in (8, 16, 32):
            raise ValueError("width must be 8, 16 or 32, not %r" % (width,))
        li = self._li
        del li.heard[:]
        value = li.lib.opal_read_mmio_reg(offset, width)
        # The export answers 0 when it fails, and writes why.
        if value == 0 and li.heard:
            raise li.error("opal_read_mmio_reg", EXIT_OS_CALL_ERROR)
        return value

    def write_mmio(self, offset, value, width=32):
        self._call("opal_write_mmio_reg", offset, value, width)
