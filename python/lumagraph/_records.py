"""The C records of lumainfo.h, declared once for ctypes.

Every field is a fixed-width integer, a byte array or another record of
this module (no pointers, no ``long``, no floating point), so the layout is
the same on 64-bit Linux and on 32-bit Windows; the test suite checks both
against the header with a C compiler.
"""
import ctypes
from ctypes import c_char, c_uint8, c_uint16, c_uint32

OPAL_OS_NAME_SIZE = 1024
OPAL_EXIT_NAME_SIZE = 25
OPAL_DC_NAME_SIZE = 256
OPAL_REG_VALUE_SIZE = 256
OPAL_EDID_SIZE = 128
OPAL_MAX_SCREENS = 5
OPAL_MAX_SCREEN_PORTS = 4
OPAL_REG_NAME_SIZE = 64
OPAL_REG_TITLE_SIZE = 96


class opal_lib_version_t(ctypes.Structure):
    _fields_ = [("major", c_uint32), ("minor", c_uint32), ("build", c_uint32)]


class opal_chipset_info_t(ctypes.Structure):
    _fields_ = [("device_id", c_uint16), ("revision", c_uint16), ("name", c_char * 256)]


class opal_mode_t(ctypes.Structure):
    _fields_ = [
        ("width", c_uint16),
        ("height", c_uint16),
        ("refresh", c_uint16),
        ("driver_data", c_uint8 * 26),
        ("flags", c_uint32),
        ("driver_data2", c_uint8 * 4),
    ]


class opal_port_info_t(ctypes.Structure):
    _fields_ = [
        ("width", c_uint32),
        ("height", c_uint32),
        ("depth", c_uint32),
        ("refresh", c_uint32),
        ("edid", c_uint32),
        ("enable", c_uint32),
        ("timing_owner", c_uint32),
        ("pd_name", c_char * 256),
        ("user_alias", c_char * 256),
        ("pd_version", c_uint32),
        ("pd_type", c_uint32),
        ("display", c_uint32),
        ("mode_flags", c_uint32),
    ]


class opal_port_slot_t(ctypes.Structure):
    _fields_ = [("port", c_uint32), ("info", opal_port_info_t)]


class opal_disp_port_map_t(ctypes.Structure):
    _fields_ = [
        ("absolute_display", c_uint32),
        ("relative_display", c_uint32),
        ("is_primary", c_uint8),
        ("reserved", c_uint8 * 3),
        ("ports", opal_port_slot_t * OPAL_MAX_SCREEN_PORTS),
        ("num_ports", c_uint32),
    ]


class opal_driver_info_t(ctypes.Structure):
    _fields_ = [
        ("product_name", c_char * 256),
        ("second_text", c_char * 256),
        ("major", c_uint32),
        ("minor", c_uint32),
        ("build", c_uint32),
        ("build_date", c_char * 268),
        ("signature", c_uint32),
    ]


class opal_port_attribute_t(ctypes.Structure):
    _fields_ = [
        ("id", c_uint32),
        ("type", c_uint32),
        ("name", c_char * 32),
        ("flags", c_uint32),
        ("default_value", c_uint32),
        ("current_value", c_uint32),
        ("min", c_uint32),
        ("max", c_uint32),
        ("driver_data", c_uint32),
    ]


class opal_overlay_params_t(ctypes.Structure):
    _fields_ = [
        ("mask", c_uint32),
        ("gamma", c_uint32),
        ("brightness", c_uint32),
        ("contrast", c_uint32),
        ("saturation", c_uint32),
        ("reserved", c_uint32),
    ]


class opal_time_t(ctypes.Structure):
    _fields_ = [
        ("seconds", c_uint32),
        ("minutes", c_uint32),
        ("hours", c_uint32),
        ("day_of_month", c_uint32),
        ("month", c_uint32),
        ("year", c_uint32),
        ("day_of_week", c_uint32),
        ("day_of_year", c_uint32),
        ("daylight", c_uint32),
    ]


class opal_video_fps_t(ctypes.Structure):
    _fields_ = [
        ("used_overlay", c_uint32),
        ("used_hw_decode", c_uint32),
        ("field", c_uint32),
        ("frames", c_uint32),
        ("start", opal_time_t),
        ("stop", opal_time_t),
    ]


class opal_reg_match_t(ctypes.Structure):
    _fields_ = [
        ("name", c_char * OPAL_REG_NAME_SIZE),
        ("field", c_char * OPAL_REG_NAME_SIZE),
        ("title", c_char * OPAL_REG_TITLE_SIZE),
        ("offset", c_uint32),
        ("device", c_uint32),
        ("high", c_uint8),
        ("low", c_uint8),
        ("unused", c_uint8 * 2),
    ]


def records():
    """Every record of this module by its C typedef name."""
    return {name: value for name, value in globals().items()
            if isinstance(value, type) and issubclass(value, ctypes.Structure)}
