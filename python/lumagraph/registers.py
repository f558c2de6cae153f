"""Registers by name: find, read with every field decoded, write a field with the read-back check.

Names follow the library's grammar: a short name ("pipe_a_conf"), an MMIO
offset ("0x70008") or a title in any case; "REG.FIELD" for one field, a
FIELD alone where its name is unique in the family; "*" and "?" as
wildcards (for find).
"""
import ctypes
from ctypes import POINTER, byref, c_uint32
from dataclasses import dataclass
from typing import Dict, Tuple

from . import _records as R
from ._core import encode, text


@dataclass(frozen=True)
class Match:
    """A register (field == "") or one of its fields that a name matched."""
    name: str
    field: str
    title: str
    offset: int
    device: int
    high: int
    low: int


@dataclass(frozen=True)
class Field:
    name: str
    high: int
    low: int
    value: int


@dataclass(frozen=True)
class Register:
    """A register read with its fields decoded: ``r.value``, ``r["pipe_enable"]``, ``r.fields``."""
    name: str
    title: str
    offset: int
    device: int
    value: int
    fields: Dict[str, Field]

    def __getitem__(self, field):
        return self.fields[field].value


@dataclass(frozen=True)
class FieldValue:
    """One field read by name (``register.field`` or a field name unique in the family)."""
    register: str
    name: str
    high: int
    low: int
    value: int


@dataclass(frozen=True)
class Write:
    """What a write did, or would do (``dry_run``): the register before and after, and each field that changes."""
    name: str
    before: int
    after: int
    changed: Dict[str, Tuple[int, int]]
    dry_run: bool


def _bits(value, high, low):
    return (value >> low) & ((1 << (high - low + 1)) - 1)


class Registers:
    """The named registers of a source: a live Session, or a ReportLog's capture.

    The layout of a name is looked up once and kept, so a repeated read
    costs one call of the library.
    """

    def __init__(self, lumainfo, live):
        self._li = lumainfo
        self._live = live
        self._layouts = {}

    def find(self, pattern):
        """Every register and field `pattern` matches, in the order the dumps print them."""
        table, count = POINTER(R.opal_reg_match_t)(), c_uint32()
        li = self._li
        try:
            li.call("opal_find_regs", encode(pattern, "pattern"), byref(table), byref(count))
            return [Match(text(m.name), text(m.field), text(m.title), m.offset, m.device, m.high, m.low)
                    for m in table[:count.value]]
        finally:
            li.lib.opal_free_regs(table)

    def _layout(self, name):
        layout = self._layouts.get(name)
        if layout is None:
            matches = self.find(name)
            if len(matches) != 1:
                # The library refuses a pattern that names several where one is needed.
                return None
            target = matches[0]
            fields = [] if target.field else [m for m in self.find(target.name + ".*") if m.field]
            layout = self._layouts[name] = (target, encode(target.name if not target.field
                                                           else target.name + "." + target.field, "name"), fields)
        return layout

    def read(self, name):
        """One register (a Register, every field decoded) or one field (a FieldValue)."""
        layout = self._layout(name)
        value = c_uint32()
        if layout is None:
            # Let the library say why the name is not one register.
            self._li.call("opal_read_reg", encode(name, "name"), byref(value))
            raise AssertionError("unreachable: the library read a name that names several registers")
        target, key, fields = layout
        self._li.call("opal_read_reg", key, byref(value))
        v = value.value
        if target.field:
            return FieldValue(target.name, target.field, target.high, target.low, v)
        return Register(target.name, target.title, target.offset, target.device, v,
                        {f.field: Field(f.field, f.high, f.low, _bits(v, f.high, f.low)) for f in fields})

    def write(self, name, value, dry_run=False):
        """Writes a field (or a whole register) and checks the read-back.

        With ``dry_run=True`` nothing is written: the result says what the
        write would change. A value that does not fit is refused (LumaError
        5) before anything is touched, as is a write to a captured log.
        """
        layout = self._layout(name)
        if layout is None:
            self._li.call("opal_find_regs", encode(name, "name"), byref(POINTER(R.opal_reg_match_t)()),
                          byref(c_uint32()))
        target, key, fields = layout
        before, after = c_uint32(), c_uint32()
        self._li.call("opal_write_reg", key, value, byref(before), byref(after))
        register = target.name
        if not fields:
            fields = [m for m in self.find(register + ".*") if m.field]
        changed = {f.field: (_bits(before.value, f.high, f.low), _bits(after.value, f.high, f.low)) for f in fields
                   if _bits(before.value, f.high, f.low) != _bits(after.value, f.high, f.low)}
        return Write(register, before.value, after.value, changed, dry_run)
