"""lumagraph: the Lumagraph toolkit's library, lumainfo, from Python.

    import lumagraph
    with lumagraph.Session(install_driver=True) as s:
        print(s.chipset.name)

The library is looked for in $LUMAGRAPH_LIBRARY (the file or its folder),
beside this package, in the install prefix, then on the system's library
search path. Its messages go to the "lumagraph" logger; a failed call
raises LumaError with the exit code, its name and the library's lines.
"""
from ._library import LibraryNotFound
from .errors import (EXIT_CFGFILE_ERROR, EXIT_DEVICE_NOT_FOUND, EXIT_DRIVER_STATUS_ERROR, EXIT_GENERIC_ERROR,
                     EXIT_INVALID_PARAM_ERROR, EXIT_LIB_INIT_ERROR, EXIT_LOGFILE_ERROR, EXIT_OK, EXIT_OS_CALL_ERROR,
                     EXIT_PARSER_ERROR, EXIT_REGISTRY_ERROR, LumaError)
from .session import (ALL_SCREENS, APPLY_PRIMARY, APPLY_SECONDARY, MULTI_TYPE_CLONE, MULTI_TYPE_EXTENDED,
                      MULTI_TYPE_SINGLE, MULTI_TYPE_TWIN, PORT_ANALOG, PORT_DPB, PORT_DPC, PORT_DVOB, PORT_DVOC,
                      PORT_EDP, PORT_LVDS, PORT_TV, PORT_UNUSED, Attribute, Chipset, DisplayConfig, DriverInfo, Mode,
                      OverlayParams, PortInfo, Rotation, Screen, Session, Version, dc_name, port_name,
                      set_debug_volume)

from .registers import Field, FieldValue, Match, Register, Registers, ReportLog, Write

__version__ = "1.15.3664"
