"""wsdemo2's Winsock 2 records against its own log: one record per logged call, in order, and each
decoded record holding what the log says the call was given and got.

    wsdemo2_compare.py RECORDS.jsonl LOG.jsonl

RECORDS is `qntdump --json` of the trace, LOG what `wsdemo2 --log` wrote. Handles and pointers
(sockets, events, OVERLAPPED structures) differ from run to run: both sides are compared by their
order of first appearance, so each collected receive is checked against the call that started it.
"""
import ipaddress
import json
import sys


def masker():
    order = {}
    return lambda h: h if h in (0, -1) else order.setdefault(h, len(order))


record_handle, log_handle = masker(), masker()


def value(r, name):
    return r["params"][name]["value"]


def text(r, name):
    """A text parameter; None for a null pointer (and for a text the record leaves out)."""
    field = r["params"].get(name)
    return field["value"] if field and isinstance(field["value"], str) else None


def address(r, prefix=""):
    family = value(r, prefix + "family")
    if family == 2:
        return "%s:%d" % (value(r, prefix + "address"), value(r, prefix + "port"))
    if family == 23:
        return "[%s]:%d" % (value(r, prefix + "address"), value(r, prefix + "port"))
    return "family %d: %s" % (family, value(r, prefix + "address"))


# What a decoded record shows, as (args, out) keyed as the log keys them; handles through
# record_handle. A call without an entry is compared by its name alone.
def startup(r):
    out = {}
    if r["result"]["value"] == 0:
        out = {"version": value(r, "wVersion"), "high_version": value(r, "wHighVersion"),
               "description": value(r, "szDescription"),
               "system_status": value(r, "szSystemStatus")}
    return {"version": value(r, "version")}, out


def socket(r):
    return {k: value(r, k) for k in ("af", "type", "protocol")}, {}


def on_socket(r):
    p = r["params"]
    args = {"s": record_handle(value(r, "s"))}
    if "family" in p:
        args.update(address=address(r), namelen=value(r, "namelen"))
    if "len" in p:
        args.update(len=value(r, "len"), flags=value(r, "flags"))
    return args, {}


def succeeded(r):
    return r["result"]["value"] not in (-1, None)


def fields(r, *names, **renamed):
    """The record's values of `names`, and of renamed={log key: record field}."""
    out = {name: value(r, name) for name in names}
    out.update({key: value(r, name) for key, name in renamed.items()})
    return out


def accept(r):
    args = fields(r, addrlen="addrlen_in")
    args["s"] = record_handle(value(r, "s"))
    if r["api"] == "WSAAccept":
        args.update(fields(r, "condition", "callback_data"))
    out = {"address": address(r), "addrlen": value(r, "addrlen")} if succeeded(r) else {}
    return args, out


def wsa_socket(r):
    args = fields(r, "af", "type", "protocol", "group", "flags")
    return dict(args, protocol_info=record_handle(value(r, "protocol_info"))), {}


def wsa_connect(r):
    args, _ = on_socket(r)
    return dict(args, **fields(r, "caller_data", "callee_data", "sqos", "gqos")), {}


def get_name(r):
    args = dict(fields(r, namelen="namelen_in"), s=record_handle(value(r, "s")))
    out = {"address": address(r), "namelen": value(r, "namelen")} if succeeded(r) else {}
    return args, out


def option(r):
    args = dict(fields(r, "level", "optname"), s=record_handle(value(r, "s")))
    if r["api"] == "setsockopt":
        return dict(args, **fields(r, "optval", "optlen")), {}
    out = fields(r, "optval", "optlen") if succeeded(r) else {}
    return dict(args, **fields(r, optlen="optlen_in")), out


def ioctl(r):
    args = dict(fields(r, "cmd", "argp"), s=record_handle(value(r, "s")))
    return args, fields(r, argp="argp_out") if succeeded(r) else {}


def wsa_ioctl(r):
    # Buffers without bytes are logged as null.
    args = dict(fields(r, "code", "input_len", "output_len", "completion_routine"),
                s=record_handle(value(r, "s")), input=value(r, "input") or None)
    args["overlapped"] = record_handle(value(r, "overlapped"))
    out = {"output": value(r, "output") or None, "returned": value(r, "returned")}
    return args, out if succeeded(r) else {}


def duplicate(r):
    args = dict(fields(r, "process_id"), s=record_handle(value(r, "s")))
    return args, fields(r, "af", "type", "protocol") if succeeded(r) else {}


def addrinfo(r):
    hints = None
    if "hints.flags" in r["params"]:
        hints = {k: value(r, "hints." + k) for k in ("flags", "family", "socktype", "protocol")}
    args = {"node": text(r, "node"), "service": text(r, "service"), "hints": hints}
    if r["result"]["value"] != 0:
        return args, {}
    entries = []
    while "ai[%d]" % len(entries) in r["params"]:
        e = "ai[%d]." % len(entries)
        entry = {k: value(r, e + k) for k in ("flags", "family", "socktype", "protocol")}
        entry.update(canonname=text(r, e + "canonname"), address=address(r, e))
        entries.append(entry)
    return args, {"res": record_handle(value(r, "res")), "list": entries}


def nameinfo(r):
    args = {k: value(r, k) for k in ("salen", "hostlen", "servlen", "flags")}
    args["address"] = address(r)
    ok = r["result"]["value"] == 0
    return args, {"host": text(r, "host"), "serv": text(r, "serv")} if ok else {}


def pton(r):
    out = {"dst": value(r, "dst")} if r["result"]["value"] == 1 else {}
    return {"af": value(r, "af"), "src": text(r, "src")}, out


def ntop(r):
    return {k: value(r, k) for k in ("af", "src", "size")}, {}


def address_to_string(r):
    args = {"address": address(r), "length": value(r, "length"),
            "protocol_info": record_handle(value(r, "protocol_info")),
            "string_length": value(r, "size")}
    out = {}
    if r["result"]["value"] == 0:
        out = {"string": text(r, "string"), "string_length": value(r, "size_out")}
    return args, out


def string_to_address(r):
    args = {"string": text(r, "string"), "af": value(r, "af"),
            "protocol_info": record_handle(value(r, "protocol_info")),
            "length": value(r, "length")}
    out = {}
    if r["result"]["value"] == 0:
        out = {"address": address(r), "length": value(r, "addrlen")}
    return args, out


def sockets(r, name):
    """An fd_set's sockets as the record holds them, None for a set not passed."""
    p = r["params"]
    return [record_handle(int(h)) for h in p[name]["value"].split()] if name in p else None


def select(r):
    sets = ("readfds", "writefds", "exceptfds")
    args = {"nfds": value(r, "nfds")}
    args.update((name, sockets(r, name + ".in")) for name in sets)
    args["timeout"] = (None if "timeout" in r["params"]
                       else {"sec": value(r, "tv_sec"), "usec": value(r, "tv_usec")})
    out = {}
    if r["result"]["value"] != -1:
        out = {name: sockets(r, name + ".out") for name in sets}
    return args, out


def poll(r):
    p, fds, revents = r["params"], [], []
    while "fdArray[%d].fd" % len(fds) in p:
        entry = "fdArray[%d]." % len(fds)
        fds.append({"fd": record_handle(value(r, entry + "fd")),
                    "events": value(r, entry + "events")})
        if entry + "revents" in p:
            revents.append(value(r, entry + "revents"))
    out = {"revents": revents} if r["result"]["value"] != -1 else {}
    return {"fds": fds, "nfds": value(r, "nfds"), "timeout": value(r, "timeout")}, out


def async_select(r):
    return {"s": record_handle(value(r, "s")), "hwnd": record_handle(value(r, "hWnd")),
            "msg": value(r, "wMsg"), "events": value(r, "lEvent")}, {}


def event_select(r):
    return {"s": record_handle(value(r, "s")), "event": record_handle(value(r, "hEventObject")),
            "events": value(r, "lNetworkEvents")}, {}


def enum_network_events(r):
    args = {"s": record_handle(value(r, "s")), "event": record_handle(value(r, "hEventObject"))}
    if r["result"]["value"] != 0:
        return args, {}
    return args, {"events": value(r, "lNetworkEvents"),
                  "errors": [int(e) for e in value(r, "iErrorCode").split()]}


def host_address(text, addrtype, length):
    """A hostent's address as the log writes it: IPv4 as text, any other as hex bytes."""
    if addrtype == 2 and length == 4:
        return text
    return ipaddress.IPv6Address(text).packed.hex() if addrtype == 23 and length == 16 else text


def hostent(r, args):
    if r["result"]["value"] == 0:
        return args, {}
    kind, length = value(r, "h_addrtype"), value(r, "h_length")
    return args, {"name": value(r, "h_name"), "aliases": value(r, "h_aliases").split(),
                  "addrtype": kind, "length": length,
                  "addresses": [host_address(a, kind, length)
                                for a in value(r, "h_addr_list").split()]}


def in_addr(number):
    return ".".join(str(b) for b in number.to_bytes(4, "little"))
def sendto(r):
    return {"s": record_handle(value(r, "s")), "len": value(r, "len"), "flags": value(r, "flags"),
            "address": address(r), "tolen": value(r, "tolen")}, {}


def received_from(r, out):
    # The source, which a receive shows once it completed.
    if "family" in r["params"]:
        out.update(address=address(r), fromlen=value(r, "fromlen"))
    return out


def recvfrom(r):
    args = {"s": record_handle(value(r, "s")), "len": value(r, "len"), "flags": value(r, "flags"),
            "fromlen": value(r, "fromlen_in")}
    return args, received_from(r, {})


def buffers(r):
    lengths = value(r, "lengths")
    return [int(n) for n in lengths.split(",")] if lengths else []


# WSASend, WSASendTo, WSARecv, WSARecvFrom.
def wsa_buffers(r):
    p = r["params"]
    args = {"s": record_handle(value(r, "s")), "buffers": buffers(r), "flags": value(r, "flags")}
    if "tolen" in p:
        args.update(address=address(r), tolen=value(r, "tolen"))
    if "fromlen_in" in p:
        args["fromlen"] = value(r, "fromlen_in")
    args.update(overlapped=record_handle(value(r, "overlapped")),
                completion_routine=value(r, "completion_routine"))
    out = {}
    if r["result"]["value"] == 0:
        if "sent" in p:
            out = {"sent": value(r, "sent")}
        else:
            out = received_from(r, {"received": value(r, "received"),
                                    "flags": value(r, "flags_out")})
    return args, out


def collect(r):
    args = {"s": record_handle(value(r, "s")), "overlapped": record_handle(value(r, "overlapped")),
            "wait": value(r, "wait")}
    out = {}
    if r["result"]["value"]:
        out = received_from(r, {"transferred": value(r, "transferred"),
                                "flags": value(r, "flags_out")})
    return args, out


SEEN = {
    "WSAStartup": startup,
    "WSACleanup": lambda r: ({}, {}),
    "socket": socket,
    "closesocket": on_socket,
    "bind": on_socket,
    "connect": on_socket,
    "recv": on_socket,
    "send": on_socket,
    "accept": accept,
    "WSAAccept": accept,
    "WSASocketA": wsa_socket,
    "WSASocketW": wsa_socket,
    "WSAConnect": wsa_connect,
    "listen": lambda r: (dict(fields(r, "backlog"), s=record_handle(value(r, "s"))), {}),
    "shutdown": lambda r: (dict(fields(r, "how"), s=record_handle(value(r, "s"))), {}),
    "getsockname": get_name,
    "getpeername": get_name,
    "getsockopt": option,
    "setsockopt": option,
    "ioctlsocket": ioctl,
    "WSAIoctl": wsa_ioctl,
    "WSADuplicateSocketA": duplicate,
    "WSADuplicateSocketW": duplicate,
    "getaddrinfo": addrinfo,
    "GetAddrInfoW": addrinfo,
    "freeaddrinfo": lambda r: ({"ai": record_handle(value(r, "ai"))}, {}),
    "getnameinfo": nameinfo,
    "GetNameInfoW": nameinfo,
    "inet_pton": pton,
    "InetPtonW": pton,
    "inet_ntop": ntop,
    "InetNtopW": ntop,
    "WSAAddressToStringA": address_to_string,
    "WSAAddressToStringW": address_to_string,
    "WSAStringToAddressA": string_to_address,
    "WSAStringToAddressW": string_to_address,
    "select": select,
    "WSAPoll": poll,
    "WSAAsyncSelect": async_select,
    "WSAEventSelect": event_select,
    "WSAEnumNetworkEvents": enum_network_events,
    "gethostbyname": lambda r: hostent(r, {"name": value(r, "name")}),
    "gethostbyaddr": lambda r: hostent(r, {k: value(r, k) for k in ("addr", "len", "type")}),
    "gethostname": lambda r: ({"namelen": value(r, "namelen")},
                              {"name": value(r, "name")} if r["result"]["value"] == 0 else {}),
    "inet_addr": lambda r: ({"cp": value(r, "cp")}, {}),
    "inet_ntoa": lambda r: ({"in": in_addr(value(r, "in"))}, {}),
    "sendto": sendto,
    "recvfrom": recvfrom,
    "WSASend": wsa_buffers,
    "WSASendTo": wsa_buffers,
    "WSARecv": wsa_buffers,
    "WSARecvFrom": wsa_buffers,
    "WSAGetOverlappedResult": collect,
}
# The calls whose result is a new handle or a pointer the program keeps, and those whose result
# is a text ("" for NULL).
HANDLE_RESULTS = {"socket", "accept", "WSAAccept", "WSASocketA", "WSASocketW", "gethostbyname",
                  "gethostbyaddr"}
TEXT_RESULTS = {"inet_ntop", "InetNtopW", "inet_ntoa"}
# The log's keys that hold handles and pointers the program got and handed back, masked alike:
# one, a list of them (an fd_set, null for NULL), or objects that hold them (WSAPoll's array).
HANDLE_KEYS = {"s", "ai", "protocol_info", "res", "event", "hwnd", "fd", "readfds", "writefds",
               "exceptfds", "overlapped"}


def mask_handles(values):
    for key, v in values.items():
        if key in HANDLE_KEYS and v is not None:
            values[key] = [log_handle(h) for h in v] if isinstance(v, list) else log_handle(v)
        elif isinstance(v, list):
            for item in v:
                if isinstance(item, dict):
                    mask_handles(item)


def seen(r):
    args, out = SEEN[r["api"]](r)
    result = r["result"]["value"] if r["result"] else None
    if r["api"] in HANDLE_RESULTS:
        result = record_handle(result)
    elif r["api"] in TEXT_RESULTS:
        result = result or None
    return r["api"], args, result, out


def expected(c):
    args, out = dict(c["args"]), dict(c["out"])
    # The bytes sent or received, compared apart: the save limit may cut the captured ones.
    args.pop("data", None)
    out.pop("data", None)
    mask_handles(args)
    mask_handles(out)
    result = log_handle(c["result"]) if c["call"] in HANDLE_RESULTS else c["result"]
    return c["call"], args, result, out


def data_agrees(r, c):
    logged = c["args"].get("data", c["out"].get("data"))
    captured = r["data"]["hex"] if r["data"] else None
    if logged is None or not logged:
        return captured is None or captured == ""
    return (captured is not None and logged.startswith(captured)
            and r["data"]["total"] == len(logged) // 2)


# WSAStartup and the lookups return their error rather than setting it; the other calls fail
# with -1, but for inet_pton (anything but 1), inet_ntop (NULL) and freeaddrinfo (never).
RETURNS_ERROR = {"WSAStartup", "getaddrinfo", "GetAddrInfoW", "getnameinfo", "GetNameInfoW"}
FAILS = {"inet_pton": lambda r: r != 1, "InetPtonW": lambda r: r != 1,
         "inet_ntop": lambda r: r is None, "InetNtopW": lambda r: r is None,
         "freeaddrinfo": lambda r: False, "gethostbyname": lambda r: r == 0,
         "gethostbyaddr": lambda r: r == 0, "inet_ntoa": lambda r: r is None,
         "WSAGetOverlappedResult": lambda r: r == 0}


def error_of(c):
    if c["call"] in RETURNS_ERROR:
        return c["result"]
    return c["error"] if FAILS.get(c["call"], lambda r: r == -1)(c["result"]) else 0


def main(records_file, log_file):
    records = [r for r in map(json.loads, open(records_file)) if r["api_id"] >= 46]
    calls = [c for c in map(json.loads, open(log_file)) if "call" in c]
    bad = 0
    if len(records) != len(calls):
        print("%d records, %d calls logged" % (len(records), len(calls)))
        bad = 1
    for r, c in zip(records, calls):
        if r["api"] != c["call"]:
            agrees = False
        elif r["api"] not in SEEN:
            agrees = True
        else:
            agrees = (seen(r) == expected(c) and r["error"]["value"] == error_of(c)
                      and data_agrees(r, c))
        if not agrees:
            print("record %d: %s\n  logged: %s" % (r["number"], json.dumps(r), json.dumps(c)))
            bad = 1
    print("%d Winsock 2 records, %d decoded" % (len(records),
                                                 sum(r["api"] in SEEN for r in records)))
    return bad


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
