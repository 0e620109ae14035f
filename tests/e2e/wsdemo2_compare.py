"""wsdemo2's Winsock 2 records against its own log: one record per logged call, in order, and each
decoded record holding what the log says the call was given and got.

    wsdemo2_compare.py RECORDS.jsonl LOG.jsonl

RECORDS is `qntdump --json` of the trace, LOG what `wsdemo2 --log` wrote. Handles and pointers
(sockets, events, OVERLAPPED structures) differ from run to run: both sides are compared by their
order of first appearance, so each collected receive is checked against the call that started it.
"""
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
    args = dict(fields(r, "code", "input_len", "output_len", "overlapped", "completion_routine"),
                s=record_handle(value(r, "s")), input=value(r, "input") or None)
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
}
# The calls whose result is a new handle, and those whose result is a text ("" for NULL).
HANDLE_RESULTS = {"socket", "accept", "WSAAccept", "WSASocketA", "WSASocketW"}
TEXT_RESULTS = {"inet_ntop", "InetNtopW"}
# Pointers the program got and handed back, masked as handles are.
POINTERS = {"args": ("s", "ai", "protocol_info"), "out": ("res",)}


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
    for part, keys in (("args", args), ("out", out)):
        for key in POINTERS[part]:
            if key in keys:
                keys[key] = log_handle(keys[key])
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
         "freeaddrinfo": lambda r: False}


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
