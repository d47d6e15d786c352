"""Reads a PE file's version resource from its .rsrc section as objdump
dumps it, without running anything: the fixed file and product versions and
the strings of the US English, Windows Latin 1 block, in the form the
versioninfo program prints them under Wine."""
import re
import struct
import subprocess

NAMES = ("FileDescription", "FileVersion", "OriginalFilename", "ProductName", "ProductVersion")
_ROOT_KEY = "VS_VERSION_INFO".encode("utf-16-le")
_FIXED_SIGNATURE = 0xFEEF04BD


def section_bytes(objdump, path, section):
    """The contents of a section, from objdump's hex dump ('' when absent)."""
    text = subprocess.run([objdump, "-s", "-j", section, path], capture_output=True,
                          check=False).stdout.decode("latin-1")
    words = re.findall(r"^ [0-9a-f]+ ((?:[0-9a-f]{2,8} ?){1,4})", text, re.MULTILINE)
    return bytes.fromhex("".join(word.replace(" ", "") for word in words))


def _align(offset):
    return (offset + 3) & ~3


def _block(data, offset):
    """(key, value bytes, children [(offset)...], end) of the block at offset."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    value_start = _align(key_end + 2)
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[value_start:value_start + value_size]
    children = []
    child = _align(value_start + value_size)
    while child < end:
        children.append(child)
        child = _align(child + struct.unpack_from("<H", data, child)[0])
    return key, value, children, end


def _fixed(label, high, low):
    return f"{label} {high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}\r\n"


def version_text(objdump, path):
    """The version resource as text, or None when the file has none."""
    data = section_bytes(objdump, path, ".rsrc")
    at = data.find(_ROOT_KEY)
    if at < 6:
        return None
    _, fixed, children, _ = _block(data, at - 6)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != _FIXED_SIGNATURE:
        return None
    strings = {}
    for child in children:
        key, _, tables, _ = _block(data, child)
        for table in tables if key == "StringFileInfo" else []:
            table_key, _, entries, _ = _block(data, table)
            for entry in entries if table_key.upper() == "040904E4" else []:
                name, value, _, _ = _block(data, entry)
                strings[name] = value.decode("utf-16-le").rstrip("\0")
    text = _fixed("file", file_ms, file_ls) + _fixed("product", product_ms, product_ls)
    for name in NAMES:
        text += f"{name}={strings[name]}\r\n" if name in strings else f"{name} missing\r\n"
    return text.encode("latin-1")
