"""Which local process owns the other end of a TCP connection.

Linux only: the client's socket is found by its address in /proc/net/tcp(6),
then its inode is looked up among every process's open file descriptors.
Any failure gives None; callers only use the answer for logging.
"""

import ipaddress
import os
import sys


def _proc_address(text):
    """Turn '0100007F:1F90' from /proc/net/tcp* into (ip, port)."""
    address_hex, port_hex = text.split(":")
    raw = bytes.fromhex(address_hex)
    # The kernel prints each 32-bit word of the address in host byte order.
    words = [raw[i:i + 4] for i in range(0, len(raw), 4)]
    if sys.byteorder == "little":
        words = [word[::-1] for word in words]
    ip = ipaddress.ip_address(b"".join(words))
    if isinstance(ip, ipaddress.IPv6Address) and ip.ipv4_mapped:
        ip = ip.ipv4_mapped
    return str(ip), int(port_hex, 16)


def _socket_inode(ip, port):
    """Inode of the socket whose local end is (ip, port), or None."""
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table, encoding="ascii") as rows:
                next(rows)  # column headings
                for row in rows:
                    fields = row.split()
                    if _proc_address(fields[1]) == (ip, port) and fields[9] != "0":
                        return fields[9]
        except (OSError, ValueError, IndexError, StopIteration):
            continue
    return None


def _owner_of_inode(inode):
    """PID of the first process holding socket:[inode] open, or None."""
    target = f"socket:[{inode}]"
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        fd_folder = os.path.join(entry.path, "fd")
        try:
            descriptors = os.listdir(fd_folder)
        except OSError:
            continue
        for fd in descriptors:
            try:
                if os.readlink(os.path.join(fd_folder, fd)) == target:
                    return int(entry.name)
            except OSError:
                continue
    return None


def client_pid(ip, port):
    """PID of the local process connected from (ip, port), or None."""
    try:
        inode = _socket_inode(ip, port)
        return _owner_of_inode(inode) if inode else None
    except Exception:  # logging aid only; never let it break a request
        return None
