"""Finding and loading lumainfo, and the prototypes of its exports.

lumainfo.dll exports plain C functions (the default cdecl convention on
32-bit Windows too, undecorated names), so it is loaded with ``CDLL``
everywhere and its message listener is a ``CFUNCTYPE``.
"""
import ctypes
import os
import sys
from ctypes import POINTER, c_char_p, c_double, c_float, c_int, c_int32, c_uint8, c_uint16, c_uint32, c_void_p

from . import _records as R

ENV_VARIABLE = "LUMAGRAPH_LIBRARY"
LIBRARY_FILE = "lumainfo.dll" if os.name == "nt" else "liblumainfo.so"
# Text the library reads and writes is Windows ANSI text: the system's code
# page on Windows, the Western one of the simulated machine elsewhere.
ENCODING = "mbcs" if os.name == "nt" else "cp1252"

MESSAGE_LISTENER = ctypes.CFUNCTYPE(None, c_int, c_char_p, c_void_p)
OPAL_LISTENER_ONLY = 1

_u32p = POINTER(c_uint32)

# Every export the package calls: name -> (result, argument types).
PROTOTYPES = {
    "opal_set_debug_volume": (c_uint32, [c_uint32]),
    "opal_set_message_listener": (c_uint32, [MESSAGE_LISTENER, c_void_p, c_uint32]),
    "opal_open": (c_uint32, [c_uint8]),
    "opal_close": (c_int, []),
    "opal_decode_exit_code": (None, [c_uint32, c_char_p]),
    "opal_get_lib_version": (c_uint32, [POINTER(R.opal_lib_version_t)]),
    "opal_get_os_name": (c_uint32, [c_char_p]),
    "opal_get_chipset_name": (c_uint32, [POINTER(R.opal_chipset_info_t)]),
    "opal_wait": (c_uint32, [c_uint32]),
    "opal_get_current_dc": (c_uint32, []),
    "opal_get_mode_list": (c_uint32, [c_uint32, c_uint32, POINTER(POINTER(R.opal_mode_t)), _u32p]),
    "opal_free_mode_list": (None, [c_void_p]),
    "opal_get_dc_list": (c_uint32, [POINTER(_u32p), POINTER(POINTER(c_char_p)), _u32p]),
    "opal_free_dc_list": (None, [_u32p, POINTER(c_char_p), c_uint32]),
    "opal_get_dc_name": (c_uint32, [c_uint32, c_char_p]),
    "opal_set_dc": (c_uint32, [c_uint32, POINTER(R.opal_mode_t), POINTER(R.opal_mode_t), c_uint16, c_uint16,
                               c_uint32]),
    "opal_set_mode": (c_uint32, [c_uint32, POINTER(R.opal_mode_t), c_uint16]),
    "opal_get_port": (c_uint32, [c_uint32, c_uint32, c_uint32]),
    "opal_port_name": (c_char_p, [c_uint32]),
    "opal_get_port_info": (c_uint32, [c_uint32, POINTER(R.opal_port_info_t)]),
    "opal_get_flip_rot": (c_uint32, [c_uint32, _u32p, _u32p]),
    "opal_set_flip_rot": (c_uint32, [c_uint32, c_uint32, c_uint32]),
    "opal_get_disp_port_mapping": (c_uint32, [POINTER(POINTER(R.opal_disp_port_map_t)), _u32p]),
    "opal_free_disp_port_mapping": (None, [c_void_p]),
    "opal_get_driver_info": (c_uint32, [POINTER(R.opal_driver_info_t)]),
    "opal_get_port_attributes": (c_uint32, [c_uint32, POINTER(POINTER(R.opal_port_attribute_t)), _u32p]),
    "opal_free_port_attributes": (None, [c_void_p]),
    "opal_set_port_attributes": (c_uint32, [c_uint32, POINTER(R.opal_port_attribute_t)]),
    "opal_get_overlay_params": (c_uint32, [POINTER(R.opal_overlay_params_t)]),
    "opal_set_overlay_params": (c_uint32, [POINTER(R.opal_overlay_params_t)]),
    "opal_get_display_firmware": (c_uint32, [c_uint32, c_uint32, POINTER(c_uint8)]),
    "opal_read_mmio_reg": (c_uint32, [c_uint32, c_uint32]),
    "opal_write_mmio_reg": (c_uint32, [c_uint32, c_uint32, c_uint32]),
    "opal_find_regs": (c_uint32, [c_char_p, POINTER(POINTER(R.opal_reg_match_t)), _u32p]),
    "opal_free_regs": (None, [POINTER(R.opal_reg_match_t)]),
    "opal_read_reg": (c_uint32, [c_char_p, _u32p]),
    "opal_write_reg": (c_uint32, [c_char_p, c_uint32, _u32p, _u32p]),
    "opal_preview_write_reg": (c_uint32, [c_char_p, c_uint32, _u32p, _u32p]),
    "opal_use_log": (c_uint32, [c_char_p]),
    "opal_use_live": (c_uint32, []),
    "opal_gamma_decode": (c_float, [c_uint8]),
    "opal_gamma_encode": (c_uint8, [c_float]),
    "opal_color_byte_decode": (c_int32, [c_uint8]),
    "opal_overlay_to_scale": (c_uint32, [c_uint32]),
    "opal_video_fps_rate": (c_double, [POINTER(R.opal_video_fps_t)]),
    "opal_get_reg_value": (c_uint32, [c_uint32, c_uint32, c_char_p, c_char_p, c_char_p, _u32p]),
    "opal_set_reg_value": (c_uint32, [c_uint32, c_uint32, c_char_p, c_char_p, c_char_p]),
    "opal_del_reg": (c_uint32, [c_char_p, c_char_p]),
    "opal_get_config_id": (c_uint32, [_u32p]),
    "opal_set_config_id": (c_uint32, [c_uint32]),
}


class LibraryNotFound(OSError):
    """lumainfo could not be loaded from any place it is looked for."""


def _install_dir(package_dir):
    """The library folder that `cmake --install` recorded beside the package."""
    try:
        from . import _install_paths
    except ImportError:
        return None
    return os.path.normpath(os.path.join(package_dir, _install_paths.LIBRARY_DIR))


def candidates():
    """The places lumainfo is looked for, in order: (path, what it is)."""
    explicit = os.environ.get(ENV_VARIABLE)
    if explicit:
        path = os.path.join(explicit, LIBRARY_FILE) if os.path.isdir(explicit) else explicit
        # An explicit choice is the only one: a wrong one must not load
        # another library silently.
        return [(path, "$" + ENV_VARIABLE)]
    here = os.path.dirname(os.path.abspath(__file__))
    places = [(os.path.join(here, LIBRARY_FILE), "beside the package")]
    installed = _install_dir(here)
    if installed:
        places.append((os.path.join(installed, LIBRARY_FILE), "the install prefix"))
    places.append((os.path.join(sys.prefix, "lib", LIBRARY_FILE), "the install prefix"))
    places.append((LIBRARY_FILE, "the system's library search path"))
    return places


def load():
    """Loads lumainfo from the first place that has it, or raises LibraryNotFound naming every place tried."""
    tried = []
    for path, what in candidates():
        is_bare_name = os.path.basename(path) == path
        if not is_bare_name and not os.path.exists(path):
            tried.append("%s (%s): no such file" % (path, what))
            continue
        try:
            lib = ctypes.CDLL(path)
        except OSError as error:
            tried.append("%s (%s): %s" % (path, what, error))
            continue
        _declare(lib)
        return lib
    raise LibraryNotFound("lumagraph cannot load %s; set %s to the library file or its folder. Tried:\n  %s"
                          % (LIBRARY_FILE, ENV_VARIABLE, "\n  ".join(tried)))


def _declare(lib):
    for name, (result, arguments) in PROTOTYPES.items():
        try:
            function = getattr(lib, name)
        except AttributeError:
            raise LibraryNotFound("%s does not export %s: it is older than this package" % (lib._name, name))
        function.restype = result
        function.argtypes = arguments
