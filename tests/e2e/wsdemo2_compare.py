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


def address(r):
    family = value(r, "family")
    if family == 2:
        return "%s:%d" % (value(r, "address"), value(r, "port"))
    if family == 23:
        return "[%s]:%d" % (value(r, "address"), value(r, "port"))
    return "family %d: %s" % (family, value(r, "address"))


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


# Pointers are compared as they are, the log and the trace coming from the same run, but for
# the OVERLAPPED, which is masked as the handles are.
def accept(r):
    args = fields(r, addrlen="addrlen_in")
    args["s"] = record_handle(value(r, "s"))
    if r["api"] == "WSAAccept":
        args.update(fields(r, "condition", "callback_data"))
    out = {"address": address(r), "addrlen": value(r, "addrlen")} if succeeded(r) else {}
    return args, out


def wsa_socket(r):
    return fields(r, "af", "type", "protocol", "protocol_info", "group", "flags"), {}


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
    "sendto": sendto,
    "recvfrom": recvfrom,
    "WSASend": wsa_buffers,
    "WSASendTo": wsa_buffers,
    "WSARecv": wsa_buffers,
    "WSARecvFrom": wsa_buffers,
    "WSAGetOverlappedResult": collect,
}
# The calls whose result is a new handle.
HANDLE_RESULTS = {"socket", "accept", "WSAAccept", "WSASocketA", "WSASocketW"}


def seen(r):
    args, out = SEEN[r["api"]](r)
    result = r["result"]["value"]
    return r["api"], args, record_handle(result) if r["api"] in HANDLE_RESULTS else result, out


def expected(c):
    args, out = dict(c["args"]), dict(c["out"])
    # The bytes sent or received, compared apart: the save limit may cut the captured ones.
    args.pop("data", None)
    out.pop("data", None)
    # In the order the record's side masks them: the socket, then the OVERLAPPED.
    for handle in ("s", "overlapped"):
        if handle in args:
            args[handle] = log_handle(args[handle])
    result = log_handle(c["result"]) if c["call"] in HANDLE_RESULTS else c["result"]
    return c["call"], args, result, out


def data_agrees(r, c):
    logged = c["args"].get("data", c["out"].get("data"))
    captured = r["data"]["hex"] if r["data"] else None
    if logged is None or not logged:
        return captured is None or captured == ""
    return (captured is not None and logged.startswith(captured)
            and r["data"]["total"] == len(logged) // 2)


def error_of(c):
    # WSAStartup returns its error rather than setting it; a BOOL call fails with 0 (FALSE), the
    # others with -1.
    if c["call"] == "WSAStartup":
        return c["result"]
    if c["call"] == "WSAGetOverlappedResult":
        return c["error"] if c["result"] == 0 else 0
    return c["error"] if c["result"] == -1 else 0


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
