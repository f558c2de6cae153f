"""The loaded library, the messages it writes, and turning exit codes into LumaError."""
import atexit
import ctypes
import logging

from . import _library
from .errors import EXIT_DRIVER_STATUS_ERROR, LumaError

logger = logging.getLogger("lumagraph")
# Failed calls raise with their lines; without a handler of the caller's
# own the lines are not printed a second time.
logger.addHandler(logging.NullHandler())
_LEVELS = {1: logging.ERROR, 2: logging.WARNING}

MSG_ERROR = 1
MSG_WARNING = 2


class Lumainfo:
    """lumainfo loaded once per process, with a listener in place of its standard output.

    Every message the library writes goes to the ``lumagraph`` logger
    (errors as ERROR, warnings as WARNING, the rest as INFO) and into
    ``heard``, which a call empties first, so a failed call's LumaError
    carries the lines written during it.
    """

    def __init__(self):
        self.lib = _library.load()
        self.heard = []
        # Where named registers are read now: None for the live machine, or a ReportLog.
        self.source = None
        self._listener = _library.MESSAGE_LISTENER(self._hear)
        self.lib.opal_set_message_listener(self._listener, None, _library.OPAL_LISTENER_ONLY)
        # Run before the interpreter goes: what must still reach the library
        # (closing a forgotten session) first, then the listener goes.
        self.before_exit = []
        atexit.register(self._at_exit)

    def _hear(self, kind, text, _context):
        line = text.decode(_library.ENCODING, "replace").rstrip("\r\n") if text else ""
        self.heard.append(line)
        logger.log(_LEVELS.get(kind, logging.INFO), "%s", line)

    def _at_exit(self):
        for hook in self.before_exit:
            hook()
        self.lib.opal_set_message_listener(_library.MESSAGE_LISTENER(), None, 0)

    def code_name(self, code):
        buffer = ctypes.create_string_buffer(64)
        self.lib.opal_decode_exit_code(code, buffer)
        name = buffer.value.decode("ascii", "replace")
        if name == "Unknown" and code == EXIT_DRIVER_STATUS_ERROR:
            name = "EXIT_DRIVER_STATUS_ERROR"
        return name

    def error(self, function, code):
        """The LumaError of `function` returning `code`, with the lines heard since the call began."""
        return LumaError(code, self.code_name(code), function, [line for line in self.heard if line.strip()])

    def call(self, function, *arguments):
        """Calls an export that returns an exit code; raises LumaError unless it is 0."""
        del self.heard[:]
        code = getattr(self.lib, function)(*arguments)
        if code:
            raise self.error(function, code)


_instance = None


def lumainfo():
    """The process's Lumainfo, loading the library on first use."""
    global _instance
    if _instance is None:
        _instance = Lumainfo()
    return _instance


def text(raw):
    """A C string field or result as str."""
    return raw.decode(_library.ENCODING, "replace") if raw else ""


def encode(value, what):
    if not isinstance(value, str):
        raise TypeError("%s must be a str, not %s" % (what, type(value).__name__))
    return value.encode(_library.ENCODING)
