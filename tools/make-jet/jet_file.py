# SPDX-License-Identifier: GPL-3.0-or-later
"""Writing small Jet database files (Access 97 = Jet 3, Access 2000 = Jet 4).

The files are made for the program's tests and hold only what libmdb (mdbtools 1.0)
reads to list the tables and hand over their rows; Access itself may well refuse them.

A file is a row of pages of one size (2048 bytes in Jet 3, 4096 in Jet 4):

  page 0   the database header: a signature, the Jet version, and a stretch masked with
           RC4 that holds the language, the code page and the encryption key (0: none);
  page 1   a data page holding every table's two usage maps as rows;
  page 2   the table definition of MSysObjects, the catalog: one row per table with its
           definition page (Id), its name, its type (1: table) and its flags;
  then     the catalog's data pages, and for each table its definition page followed by
           its data pages.

A data page holds rows from its end backwards; a table of offsets after the page header
says where each row starts. A row holds its number of columns, the fixed-length values,
the variable-length values with a table of their offsets, and a bit per column that is
0 where the value is empty (NULL).

Simplified against what Access writes:
  - no indexes, no relationships, no properties (LvProp is always empty), no queries;
  - a table definition must fit one page, and a row its data page;
  - Jet 3 rows stay under 256 bytes, so they need no jump table;
  - no long values (memo, OLE) at all: only Integer, Long, Single, Double, Date/Time
    and Text columns, Text at most 255 characters;
  - Jet 4 texts are written as plain UCS-2, never with Access's text compression;
  - usage maps are of the inline kind (type 0) and the free-space maps are empty;
  - the global usage map Access keeps on page 1 is left out.
"""

import struct
from dataclasses import dataclass, field
from datetime import datetime, timedelta

# Column types, as a table definition numbers them.
INT, LONG, SINGLE, DOUBLE, DATETIME, TEXT, OLE = 0x03, 0x04, 0x06, 0x07, 0x08, 0x0A, 0x0B
FIXED_SIZES = {INT: 2, LONG: 4, SINGLE: 4, DOUBLE: 8, DATETIME: 8}
PACKING = {INT: "<h", LONG: "<i", SINGLE: "<f", DOUBLE: "<d", DATETIME: "<d"}

# Date/Time values count days, the fraction being the time of day, from this moment.
DATE_ORIGIN = datetime(1899, 12, 30)

SIGNATURE = b"\x00\x01\x00\x00Standard Jet DB\x00"
HEADER_KEY = struct.pack("<I", 0x6B39DAC7)  # the fixed RC4 key of page 0's masked stretch
MASK_START = 0x18
LANGUAGE = 0x0409  # "General" sort order, US English
CODE_PAGE = 1252
SYSTEM_FLAGS = -0x7FFFFFFE  # 0x80000002 as a Long: the catalog's mark of a system table
TABLES_FOLDER = 0x0F000001  # ParentId of a table: Access's folder of tables (unread)


@dataclass(frozen=True)
class Format:
    """Where the two versions differ."""

    name: str
    version: int  # the byte at 0x14 of the header
    page_size: int
    masked_length: int  # bytes of the header under the RC4 mask
    language_at: int  # in the header
    row_count_at: int  # in a data page; the row offsets follow
    count_size: int  # bytes of a row's column count, offsets and variable count
    rows_at: int  # in a table definition: the number of rows
    table_type_at: int  # the table's kind; the column counts and the map rows follow
    column_entry: int  # bytes of one column descriptor
    # Within a column descriptor: its number, its place among the variable-length
    # columns, the sort order of a text, the flags, the place among the fixed-length
    # values, and the length.
    number_at: int
    var_at: int
    sort_at: int
    flags_at: int
    fixed_at: int
    length_at: int
    text_encoding: str


JET3 = Format("Jet 3", 0, 2048, 126, 0x3A, 8, 1, 12, 20, 18, 1, 3, 7, 13, 14, 16, "cp1252")
JET4 = Format("Jet 4", 1, 4096, 128, 0x6E, 12, 2, 16, 40, 25, 5, 7, 11, 15, 21, 23, "utf-16-le")


@dataclass
class Column:
    name: str
    type: int
    length: int = 0  # the largest number of characters of a text

    @property
    def fixed(self):
        return self.type in FIXED_SIZES


@dataclass
class Table:
    name: str
    columns: list
    rows: list = field(default_factory=list)  # values by column; None is empty
    flags: int = 0


def rc4(key, data):
    """RC4, with which Jet masks a stretch of the header."""
    state = list(range(256))
    j = 0
    for i in range(256):
        j = (j + state[i] + key[i % len(key)]) % 256
        state[i], state[j] = state[j], state[i]
    out = bytearray()
    i = j = 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + state[i]) % 256
        state[i], state[j] = state[j], state[i]
        out.append(byte ^ state[(state[i] + state[j]) % 256])
    return bytes(out)


def encode_text(fmt, column, value):
    if len(value) > column.length:
        raise ValueError(f"{value!r} is longer than column {column.name} ({column.length})")
    return value.encode(fmt.text_encoding)


def encode_value(fmt, column, value):
    """The bytes of one value that is not empty."""
    if column.type == TEXT:
        return encode_text(fmt, column, value)
    if column.type == DATETIME:
        value = (value - DATE_ORIGIN) / timedelta(days=1)
    if column.type in PACKING:
        return struct.pack(PACKING[column.type], value)
    raise ValueError(f"column {column.name}: only empty values of type {column.type:#x}")


def null_mask(values):
    """A bit per column, from the lowest bit of the first byte: 1 where a value is."""
    mask = bytearray((len(values) + 7) // 8)
    for number, value in enumerate(values):
        if value is not None:
            mask[number // 8] |= 1 << (number % 8)
    return bytes(mask)


def encode_row(fmt, columns, values):
    """One row as a data page holds it."""
    if len(values) != len(columns):
        raise ValueError(f"{len(values)} values for {len(columns)} columns")
    size = fmt.count_size
    pairs = list(zip(columns, values))
    row = bytearray(len(columns).to_bytes(size, "little"))
    for column, value in pairs:
        if column.fixed:  # an empty fixed value keeps its place, as zeros
            row += bytes(FIXED_SIZES[column.type]) if value is None else encode_value(
                fmt, column, value)
    variable = [(column, value) for column, value in pairs if not column.fixed]
    if not variable:
        return bytes(row) + null_mask(values)
    starts = []
    for column, value in variable:
        starts.append(len(row))
        if value is not None:
            row += encode_value(fmt, column, value)
    starts.append(len(row))  # the end of the variable-length data
    # The offsets run backwards: the end first, the first column's start last.
    for start in reversed(starts):
        row += start.to_bytes(size, "little")
    row += len(variable).to_bytes(size, "little") + null_mask(values)
    if fmt is JET3 and len(row) > 256:
        raise ValueError(f"a Jet 3 row of {len(row)} bytes would need a jump table")
    return bytes(row)


def paginate(fmt, rows):
    """The rows grouped by the data page that holds them, in order."""
    pages, current, used = [], [], fmt.row_count_at + 2
    for row in rows:
        if used + len(row) + 2 > fmt.page_size:
            if not current:
                raise ValueError(f"a row of {len(row)} bytes fits no page")
            pages.append(current)
            current, used = [], fmt.row_count_at + 2
        current.append(row)
        used += len(row) + 2
    if current:
        pages.append(current)
    return pages


def data_page(fmt, owner, rows):
    """A data page of the table defined on page `owner`; the first row ends the page."""
    page = bytearray(fmt.page_size)
    page[0:2] = b"\x01\x01"
    struct.pack_into("<I", page, 4, owner)
    struct.pack_into("<H", page, fmt.row_count_at, len(rows))
    end = fmt.page_size
    for number, row in enumerate(rows):
        end -= len(row)
        page[end : end + len(row)] = row
        struct.pack_into("<H", page, fmt.row_count_at + 2 + 2 * number, end)
    free = end - (fmt.row_count_at + 2 + 2 * len(rows))
    struct.pack_into("<H", page, 2, free)
    return bytes(page)


def usage_map(pages, page_count):
    """An inline usage map: its kind (0), the page its first bit stands for, the bits."""
    bits = bytearray((page_count + 7) // 8)
    for number in pages:
        bits[number // 8] |= 1 << (number % 8)
    return b"\x00" + struct.pack("<I", 0) + bytes(bits)


def column_entry(fmt, column, number, var_number, fixed_offset):
    """The descriptor of one column in its table's definition."""
    entry = bytearray(fmt.column_entry)
    entry[0] = column.type
    struct.pack_into("<H", entry, fmt.number_at, number)
    struct.pack_into("<H", entry, fmt.var_at, var_number)
    struct.pack_into("<H", entry, fmt.var_at + 2, number)  # the number again
    if column.type == TEXT:
        struct.pack_into("<H", entry, fmt.sort_at, LANGUAGE)
        if fmt is JET3:  # Jet 3 names the code page of its texts
            struct.pack_into("<H", entry, fmt.sort_at + 2, CODE_PAGE)
    # 0x01: fixed length; 0x02: may be empty.
    entry[fmt.flags_at] = 0x03 if column.fixed else 0x02
    struct.pack_into("<H", entry, fmt.fixed_at, fixed_offset)
    if column.fixed:
        length = FIXED_SIZES[column.type]
    else:  # a Jet 4 text counts its bytes, two a character
        length = column.length * (2 if fmt is JET4 and column.type == TEXT else 1)
    struct.pack_into("<H", entry, fmt.length_at, length)
    return bytes(entry)


def column_entries(fmt, columns):
    """Every column's descriptor, then every column's name."""
    entries, names = bytearray(), bytearray()
    var_number = fixed_offset = 0
    for number, column in enumerate(columns):
        entries += column_entry(fmt, column, number, var_number if not column.fixed else 0,
                                fixed_offset if column.fixed else 0)
        if column.fixed:
            fixed_offset += FIXED_SIZES[column.type]
        else:
            var_number += 1
        name = column.name.encode(fmt.text_encoding)
        names += len(name).to_bytes(fmt.count_size, "little") + name
    return bytes(entries + names)


def definition_page(fmt, table, map_row, system):
    """A table definition without indexes; `map_row` is where its usage maps are."""
    page = bytearray(fmt.page_size)
    page[0:2] = b"\x02\x01"
    if fmt is JET3:
        page[2:4] = b"VC"
    struct.pack_into("<I", page, fmt.rows_at, len(table.rows))
    at = fmt.table_type_at
    page[at] = 0x53 if system else 0x4E  # 'S'ystem or user ('N')
    columns = table.columns
    var_count = sum(1 for column in columns if not column.fixed)
    # The most columns a row has, the variable-length ones, all; 0 indexes of either
    # kind; the rows on page 1 of the usage map and of the free-space map.
    struct.pack_into("<HHHIIII", page, at + 1, len(columns), var_count, len(columns), 0, 0,
                     (1 << 8) | map_row, (1 << 8) | (map_row + 1))
    body = column_entries(fmt, columns)
    end = at + 23 + len(body)
    if end > fmt.page_size:
        raise ValueError(f"the definition of {table.name} does not fit one page")
    page[at + 23 : end] = body
    struct.pack_into("<I", page, 8, end - 8)  # the length of the definition
    if fmt is JET4:
        struct.pack_into("<H", page, 2, fmt.page_size - end)
    return bytes(page)


def header_page(fmt):
    """Page 0: no password, no encryption, the language and code page of the texts."""
    page = bytearray(fmt.page_size)
    page[0 : len(SIGNATURE)] = SIGNATURE
    struct.pack_into("<I", page, 0x14, fmt.version)
    clear = bytearray(fmt.masked_length)
    struct.pack_into("<H", clear, fmt.language_at - MASK_START, LANGUAGE)
    struct.pack_into("<H", clear, 0x3C - MASK_START, CODE_PAGE)
    struct.pack_into("<I", clear, 0x3E - MASK_START, 0)  # the encryption key: none
    page[MASK_START : MASK_START + fmt.masked_length] = rc4(HEADER_KEY, clear)
    return bytes(page)


CATALOG_COLUMNS = [
    Column("Id", LONG),  # the page of the table's definition
    Column("ParentId", LONG),
    Column("Name", TEXT, 255),
    Column("Type", INT),  # 1: a table
    Column("Flags", LONG),
    Column("LvProp", OLE),  # the properties, which these files do not have
]


def catalog_rows(tables, first_pages):
    return [[page, TABLES_FOLDER, table.name, 1, table.flags, None]
            for table, page in zip(tables, first_pages)]


def table_pages(fmt, table):
    """The table's rows grouped by data page."""
    return paginate(fmt, [encode_row(fmt, table.columns, row) for row in table.rows])


def database(fmt, tables):
    """The whole file: the header, the usage maps, the catalog, then each table."""
    catalog = Table("MSysObjects", CATALOG_COLUMNS, flags=SYSTEM_FLAGS)
    everything = [catalog] + list(tables)
    # A catalog row is as long whichever page it names: the layout can be made with
    # the catalog naming page 0 everywhere.
    catalog.rows = catalog_rows(everything, [0] * len(everything))
    grouped = [table_pages(fmt, table) for table in everything]
    first, page_count = [], 2
    for groups in grouped:
        first.append(page_count)
        page_count += 1 + len(groups)
    catalog.rows = catalog_rows(everything, first)
    grouped[0] = table_pages(fmt, catalog)

    pages, maps = [header_page(fmt), b""], []
    for number, (table, groups) in enumerate(zip(everything, grouped)):
        owner = first[number]
        pages.append(definition_page(fmt, table, len(maps), system=table is catalog))
        pages += [data_page(fmt, owner, rows) for rows in groups]
        maps.append(usage_map(range(owner + 1, owner + 1 + len(groups)), page_count))
        maps.append(usage_map([], page_count))
    if len(paginate(fmt, maps)) != 1 or len(maps) > 255:
        raise ValueError("the usage maps do not fit page 1")
    pages[1] = data_page(fmt, 0, maps)
    return b"".join(pages)
