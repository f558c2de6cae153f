"""Exit codes and the exception that carries them."""

EXIT_OK = 0
EXIT_GENERIC_ERROR = 1
EXIT_PARSER_ERROR = 2
EXIT_CFGFILE_ERROR = 3
EXIT_LOGFILE_ERROR = 4
EXIT_INVALID_PARAM_ERROR = 5
EXIT_OS_CALL_ERROR = 6
EXIT_LIB_INIT_ERROR = 7
EXIT_REGISTRY_ERROR = 8
EXIT_DEVICE_NOT_FOUND = 9
# Returned when the driver answered an escape with a failure status; the
# library's own decoder has no name for it.
EXIT_DRIVER_STATUS_ERROR = 10


class LumaError(Exception):
    """A lumainfo call that failed.

    ``code`` is its exit code, ``name`` the code's name ("EXIT_OS_CALL_ERROR"),
    ``function`` the export that failed and ``lines`` the error lines the
    library wrote during the call.
    """

    def __init__(self, code, name, function, lines=()):
        self.code = code
        self.name = name
        self.function = function
        self.lines = list(lines)
        text = "%s failed: %s (%d)" % (function, name, code)
        if self.lines:
            text += "\n" + "\n".join(self.lines)
        super().__init__(text)
