"""Registers by name: find, read with every field decoded, write a field with the read-back check,
on the live machine (``Session.registers``) or on a report log's capture (``ReportLog.registers``).

Names follow the library's grammar: a short name ("pipe_a_conf"), an MMIO
offset ("0x70008") or a title in any case; "REG.FIELD" for one field, a
FIELD alone where its name is unique in the family; "*" and "?" as
wildcards.
"""
import os
from ctypes import POINTER, byref, c_uint32
from dataclasses import dataclass
from typing import Dict, NamedTuple, Tuple

from . import _records as R
from ._core import encode, lumainfo, text
from .errors import EXIT_INVALID_PARAM_ERROR, LumaError


@dataclass(frozen=True)
class Match:
    """A register (``field == ""``, bits 31..0) or one of its fields that a name matched."""
    name: str
    field: str
    title: str
    offset: int
    device: int
    high: int
    low: int


class Field(NamedTuple):
    """One field of a register as read."""
    name: str
    high: int
    low: int
    value: int


# Not frozen: a read makes one per call, and a frozen dataclass costs a
# good part of the read's time to build.
@dataclass
class Register:
    """A register as read, its fields decoded: ``r.value``, ``r["pipe_enable"]``, ``r.fields``, ``r.values()``."""
    name: str
    title: str
    offset: int
    device: int
    value: int
    fields: Dict[str, Field]

    def __getitem__(self, field):
        return self.fields[field].value

    def values(self):
        """{field name: value} in the register's order."""
        return {name: f.value for name, f in self.fields.items()}


@dataclass(frozen=True)
class FieldValue:
    """One field read by name ("register.field", or a field name unique in the family)."""
    register: str
    name: str
    high: int
    low: int
    value: int


@dataclass(frozen=True)
class Write:
    """What a write did (or, with ``dry_run``, would do): the register before and after, and each changed field."""
    register: str
    before: int
    after: int
    changed: Dict[str, Tuple[int, int]]
    dry_run: bool


class Registers:
    """The named registers of one source: the live machine or a ReportLog.

    A name's layout (its register and fields) is looked up once and kept, so
    a repeated read costs one call of the library.
    """

    def __init__(self, li, source=None):
        self._li = li
        self._source = source  # None: the live machine
        self._layouts = {}
        self._fields = {}

    def _use(self):
        # The library reads one source at a time; switch only when another was in use.
        li = self._li
        if li.source is not self._source:
            if self._source is None:
                li.call("opal_use_live")
            else:
                li.call("opal_use_log", self._source._encoded_path)
            li.source = self._source

    def find(self, pattern):
        """Every register and field `pattern` matches, in the order the dumps print them."""
        self._use()
        li = self._li
        table, count = POINTER(R.opal_reg_match_t)(), c_uint32()
        try:
            li.call("opal_find_regs", encode(pattern, "pattern"), byref(table), byref(count))
            return [Match(text(m.name), text(m.field), text(m.title), m.offset, m.device, m.high, m.low)
                    for m in table[:count.value]]
        finally:
            li.lib.opal_free_regs(table)

    def _register_fields(self, register):
        fields = self._fields.get(register)
        if fields is None:
            try:
                fields = tuple(m for m in self.find(register + ".*") if m.field)
            except LumaError as error:
                # A register printed without fields (VGACNTRL) has none to match.
                if error.code != EXIT_INVALID_PARAM_ERROR:
                    raise
                fields = ()
            self._fields[register] = fields
        return fields

    def _layout(self, name):
        """(the match, its exact name for the library, its register's fields) of a name of one register or field."""
        layout = self._layouts.get(name)
        if layout is None:
            key = encode(name, "name")
            # The library's own refusal of a name that matches nothing or several.
            self._li.call("opal_read_reg", key, byref(c_uint32()))
            matches = self.find(name)
            target = matches[0]
            exact = target.name + ("." + target.field if target.field else "")
            decode = tuple((f.field, f.high, f.low, (1 << (f.high - f.low + 1)) - 1)
                           for f in self._register_fields(target.name))
            layout = self._layouts[name] = (target, encode(exact, "name"), decode)
        return layout

    def read(self, name):
        """One register (a Register, every field decoded) or one field (a FieldValue)."""
        self._use()
        target, key, fields = self._layout(name)
        value = c_uint32()
        self._li.call("opal_read_reg", key, byref(value))
        v = value.value
        if target.field:
            return FieldValue(target.name, target.field, target.high, target.low, v)
        return Register(target.name, target.title, target.offset, target.device, v,
                        {n: Field(n, h, lo, (v >> lo) & m) for n, h, lo, m in fields})

    def write(self, name, value, dry_run=False):
        """Writes one field (its value from bit 0) or a whole register, and checks the read-back.

        Only the field's bits change; fields named reservedN keep theirs.
        With ``dry_run=True`` nothing is written and the result says what
        would change. A value that does not fit, a reserved field and a
        report log are refused (LumaError 5) before anything is touched; bits
        that did not take raise LumaError 6.
        """
        self._use()
        target, key, fields = self._layout(name)
        before, after = c_uint32(), c_uint32()
        self._li.call("opal_preview_write_reg" if dry_run else "opal_write_reg", key, value, byref(before),
                      byref(after))
        b, a = before.value, after.value
        changed = {n: ((b >> lo) & m, (a >> lo) & m) for n, h, lo, m in fields if (b >> lo) & m != (a >> lo) & m}
        return Write(target.name, b, a, changed, bool(dry_run))


class ReportLog:
    """A report log (luma_qrt.log) read offline: ``log.registers`` as on the machine that wrote it.

    The registers of its captured MMIO ranges are decoded with the captured
    machine's chipset family; no session is needed. Reading a register the
    log did not capture raises LumaError 6 ("not captured"), writing raises
    LumaError 5. A log that cannot be read raises LumaError 4 here.
    """

    def __init__(self, path):
        self.path = os.fspath(path)
        self._encoded_path = encode(self.path, "path")
        self._li = lumainfo()
        self._registers = Registers(self._li, self)
        self._registers._use()

    @property
    def registers(self):
        return self._registers

    def close(self):
        """Named registers come from the live machine again."""
        if self._li.source is self:
            self._li.call("opal_use_live")
            self._li.source = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False
