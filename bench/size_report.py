"""Where the bytes of a PE executable go: its sections, its resources by type
and language, and, from a GNU ld map of the same link, how much each library
contributes to each output section. Used by bench/run; stdlib only."""

import re
import struct
from collections import defaultdict

RESOURCE_TYPES = {
    1: "cursor", 2: "bitmap", 3: "icon image", 4: "menu", 5: "dialog", 6: "string table",
    9: "accelerators", 10: "raw data", 12: "cursor group", 14: "icon group", 16: "version record",
    24: "manifest",
}
LANGUAGES = {
    0x0407: "German", 0x0409: "English (US)", 0x040C: "French", 0x0410: "Italian",
    0x0411: "Japanese", 0x0C0A: "Spanish", 0x040A: "Spanish",
}


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(path + ": not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        self.file_alignment = struct.unpack_from("<I", data, optional + 36)[0]
        self.headers_size = struct.unpack_from("<I", data, optional + 60)[0]
        # PE32+ (the 64-bit build) has an 8-byte image base: its directories start 16 bytes later.
        data_dirs = optional + (112 if data[optional:optional + 2] == b"\x0b\x02" else 96)
        self.rsrc_rva, self.rsrc_size = struct.unpack_from("<II", data, data_dirs + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            name = raw[0].rstrip(b"\0").decode("ascii", "replace")
            virtual_size, rva, raw_size, raw_offset = raw[1:]
            self.sections.append({"name": name, "virtual_size": virtual_size, "rva": rva,
                                  "raw_size": raw_size, "raw_offset": raw_offset})

    def file_offset(self, rva):
        for s in self.sections:
            if s["rva"] <= rva < s["rva"] + max(s["virtual_size"], s["raw_size"]):
                return s["raw_offset"] + rva - s["rva"]
        raise ValueError("RVA %#x outside every section" % rva)

    def resources(self):
        """(type, name, language, size) of every resource."""
        if self.rsrc_rva == 0:
            return []
        base = self.file_offset(self.rsrc_rva)
        data = self.data
        found = []

        def entries(offset):
            named, ids = struct.unpack_from("<12xHH", data, base + offset)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", data, at)[0]
                    ident = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        for rtype, to_names in entries(0):
            for name, to_langs in entries(to_names & 0x7FFFFFFF):
                for lang, to_data in entries(to_langs & 0x7FFFFFFF):
                    size = struct.unpack_from("<I", data, base + to_data + 4)[0]
                    found.append((rtype, name, lang, size))
        return found


def type_name(rtype):
    return RESOURCE_TYPES.get(rtype, str(rtype))


def language_name(lang):
    return LANGUAGES.get(lang, "%#06x" % lang)


def classify(path):
    """The group an input file of the link belongs to."""
    if path.endswith(".res)") or ".rc.res" in path:
        return "resources"
    if "libgcc_eh.a" in path:
        return "libgcc_eh (DWARF unwinder)"
    if "libstdc++.a" in path or "libsupc++.a" in path:
        return "libstdc++ (exception runtime)"
    if "libgcc.a" in path:
        return "libgcc"
    if re.search(r"(crt2|crtbegin|crtend|dllcrt2)\.o$|libmingw32\.a|libmingwex\.a|libmoldname\.a",
                 path):
        return "MinGW start-up and C helpers"
    if re.search(r"lib[a-z0-9_]+\.a\(lib[a-z0-9_]+(s\d+|h|t)\.o\)", path):
        return "DLL import stubs and tables"
    if path in ("dll stuff", "linker stubs", "") or path.startswith("*"):
        return "linker-made (relocations, import directory)"
    return "own code"


# An input section line of the map: " .name  0xADDR  0xSIZE  file". Long
# section names stand alone and the rest follows on the next line.
_INPUT = re.compile(r"^ (\.\S+|COMMON)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*)$")
_INPUT_NAME_ONLY = re.compile(r"^ (\.\S+|COMMON)$")
_INPUT_REST = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.*)$")
_OUTPUT = re.compile(r"^(\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)")


def map_contributions(map_path):
    """{output section: {group: bytes}} over the sections kept in the image."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        lines = f.read().split("Linker script and memory map", 1)[1].splitlines()
    result = defaultdict(lambda: defaultdict(int))
    output = None
    pending = None
    for line in lines:
        m = _OUTPUT.match(line)
        if m:
            output = m.group(1)
            pending = None
            continue
        if line.startswith(".") and not m:
            output = line.split()[0]   # an output section without contents
            pending = None
            continue
        if output is None:
            continue
        m = _INPUT.match(line)
        if m:
            size, path = int(m.group(3), 16), m.group(4).strip()
        elif pending is not None and _INPUT_REST.match(line):
            r = _INPUT_REST.match(line)
            size, path = int(r.group(2), 16), r.group(3).strip()
            pending = None
        else:
            pending = line if _INPUT_NAME_ONLY.match(line) else None
            continue
        if size:
            result[output][classify(path)] += size
    return result


def short_section(name):
    """objdump and the PE header cut names to 8 characters: .eh_fram."""
    return name[:8]
