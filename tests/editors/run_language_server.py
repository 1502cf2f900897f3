#!/usr/bin/env python3
"""qjintp --lsp driven over stdio as an editor drives it: a script with an error gets one
diagnostic at its line with the interpreter's own text, the fixed script none, an object of a
class that does not exist is checked for its form alone; hover, completion, definition and
document symbols on a few positions. Argument: qjintp (or the command that runs it)."""
import json
import subprocess
import sys

URI = "file:///scripts/sample.scr"
SCRIPT = """Declare
Number nCount = 0
String strName = "abc"
Object objMissing("No.Such.Class")
EndDeclare
Main
nCount = GetLenght(strName)
Report
objMissing.Run(1, strName)
EndMain
Proc Report
DebugPrintNum(nCount)
EndProc
"""
server = subprocess.Popen(sys.argv[1:] + ["--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
failures = []


def send(method, params, ident=None):
    message = {"jsonrpc": "2.0", "method": method, "params": params}
    body = json.dumps(message | ({} if ident is None else {"id": ident})).encode()
    server.stdin.write(b"Content-Length: %d\r\n\r\n%s" % (len(body), body))
    server.stdin.flush()


def receive():
    length = None
    while (line := server.stdout.readline().strip()):
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":")[1])
    return json.loads(server.stdout.read(length))


def request(method, line=0, char=0):
    send(method, {"textDocument": {"uri": URI}, "position": {"line": line, "character": char}}, 1)
    return receive()["result"]


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}: got {got!r}, expected {expected!r}")


def diagnostics_of(text, method="textDocument/didChange"):
    if method == "textDocument/didOpen":
        document = {"uri": URI, "languageId": "qjscript", "version": 1, "text": text}
        send(method, {"textDocument": document})
    else:
        send(method, {"textDocument": {"uri": URI}, "contentChanges": [{"text": text}]})
    return [(d["range"]["start"]["line"], d["message"]) for d in receive()["params"]["diagnostics"]]


send("initialize", {"capabilities": {}}, 0)
check("hover is offered", receive()["result"]["capabilities"].get("hoverProvider"), True)
send("initialized", {})
check("an unknown name",
      diagnostics_of(SCRIPT.replace("Report\nobj", "Reprot\nobj"), "textDocument/didOpen"),
      [(7, "'Reprot' - Unknown identifier")])
check("a built-in with a wrong argument", diagnostics_of(SCRIPT.replace("(nCount)", "(strName)")),
      [(11, "'DebugPrintNum Parameter 1' - Type mismatch")])
check("the fixed script", diagnostics_of(SCRIPT), [])

for (line, character), expected in [((6, 12), "GetLenght(S) -> N"), ((6, 2), "Number nCount = 0"),
                                    ((8, 3), "Object objMissing"), ((7, 1), "Proc Report")]:
    hover = request("textDocument/hover", line, character)
    text = (hover or {}).get("contents", {}).get("value", "")
    check(f"hover at {line}:{character}", expected in text, True)
check("hover on nothing", request("textDocument/hover", 6, 7), None)

items = {item["label"]: item for item in request("textDocument/completion", 6, 0)}
for label, kind in [("While", 14), ("EndProc", 14), ("TRUE", 21), ("Report", 3), ("nCount", 6)]:
    check(f"completion of {label}", items.get(label, {}).get("kind"), kind)
check("completion of a built-in", items.get("Concat", {}).get("detail"), "Concat(S out, S) -> none")

for (line, character), target in [((7, 2), 10), ((11, 16), 1), ((6, 1), 1)]:
    check(f"definition at {line}:{character}",
          request("textDocument/definition", line, character)["range"]["start"]["line"], target)
symbols = request("textDocument/documentSymbol")
check("symbols", [(s["name"], [c["name"] for c in s["children"]]) for s in symbols],
      [("Declare", ["nCount", "strName", "objMissing"]), ("Main", []), ("Report", [])])

send("shutdown", None, 2)
receive()
send("exit", None)
check("exit status", server.wait(timeout=30), 0)
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
