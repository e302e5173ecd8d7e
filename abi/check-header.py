#!/usr/bin/env python3
"""Turns the host's binary facts into a C++ file of static_asserts over
src/HostInterface.h.

Every item the header declares is read from its text: typedefs, structures
and their fields, function-pointer fields, enum constants and #defines. Each
must have a fact in abi/host-abi.json (its size, signedness, offset, slot,
signature or value), which becomes a static_assert, or be listed in
abi/own-items.txt as the project's own, with a reason. An item with neither,
or text this script cannot read, stops the build with a message naming it, so
no host structure can be added that the check skips.

  check-header.py --facts JSON --header H --own LIST --output CPP
"""

import argparse
import json
import re
import sys


class HeaderError(Exception):
    pass


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def split_depth0(text, separator):
    """Splits at `separator` outside braces and parentheses."""
    parts, depth, current = [], 0, []
    for ch in text:
        if ch in "{(":
            depth += 1
        elif ch in "})":
            depth -= 1
        if ch == separator and depth == 0:
            parts.append("".join(current).strip())
            current = []
        else:
            current.append(ch)
    tail = "".join(current).strip()
    if tail:
        parts.append(tail)
    return parts


FUNCTION_POINTER = re.compile(r"^(?P<ret>.+?)\(\s*\*\s*(?P<name>\w+)\s*\)\s*\((?P<params>.*)\)$", re.S)
PLAIN_MEMBER = re.compile(r"^(?:alignas\(\d+\)\s+)?(?P<type>(?:const\s+)?[\w:]+(?:\s*\*)*)\s*(?P<name>\w+)"
                          r"(?:\[(?P<count>[^\]]+)\])?$")
NESTED_MEMBER = re.compile(r"^(?P<kind>struct|union)\s*\{(?P<body>.*)\}\s*(?P<name>\w+)$", re.S)


def parse_members(body, prefix=""):
    """The members of a structure body in order: (dotted name, kind, type),
    where kind is 'function', 'nested' or 'plain' and type a plain member's
    type."""
    members = []
    for member in split_depth0(body, ";"):
        member = " ".join(member.split())
        nested = NESTED_MEMBER.match(member)
        function = FUNCTION_POINTER.match(member)
        plain = PLAIN_MEMBER.match(member)
        if nested:
            name = prefix + nested.group("name")
            members.append((name, "nested", None))
            members += parse_members(nested.group("body"), name + ".")
        elif function:
            members.append((prefix + function.group("name"), "function", None))
        elif plain:
            members.append((prefix + plain.group("name"), "plain", plain.group("type")))
        else:
            raise HeaderError(f"cannot read the member '{member}'")
    return members


def parse_header(text):
    """Declared items: typedefs, records, function typedefs and constants."""
    text = strip_comments(text)
    items = {"types": [], "records": [], "functions": [], "constants": [], "aliases": {}}
    body = []
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("#"):
            define = re.match(r"#define\s+(\w+)\s+(.+)$", stripped)
            if define:
                items["constants"].append((define.group(1), define.group(2).strip()))
            elif not re.match(r"#(pragma once|include\s*<\w+>)$", stripped):
                raise HeaderError(f"cannot read '{stripped}'")
        else:
            body.append(line)
    text = "\n".join(body)
    text = re.sub(r'extern\s+"C"\s*\{', "", text, count=1)
    text = text[: text.rstrip().rfind("}")]
    for statement in split_depth0(text, ";"):
        statement = " ".join(statement.split())
        record = re.match(r"^typedef (struct|union)(?: (\w+))? \{(.*)\} ([\w\s,*]+)$", statement)
        enum = re.match(r"^enum \{(.*)\}$", statement)
        function = re.match(r"^typedef .+\(\s*\*\s*(\w+)\s*\)\s*\(.*\)$", statement)
        alias = re.match(r"^typedef (?:struct )?[\w:]+(?:\s*\*)* (\w+)$", statement)
        if record:
            names = [n.strip().lstrip("*") for n in record.group(4).split(",")]
            main, aliases = names[0], names[1:]
            items["records"].append((main, parse_members(record.group(3))))
            items["types"] += [(n, "alias of " + main) for n in aliases]
            items["aliases"].update({n: main for n in aliases})
        elif enum:
            for entry in split_depth0(enum.group(1), ","):
                name, _, value = entry.partition("=")
                items["constants"].append((name.strip(), value.strip()))
        elif function:
            items["functions"].append(function.group(1))
        elif alias:
            items["types"].append((alias.group(1), "typedef"))
        else:
            raise HeaderError(f"cannot read '{statement[:80]}'")
    return items


def read_own_items(path):
    own = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            name, _, reason = line.partition(" ")
            if not reason.strip():
                raise HeaderError(f"{path}:{number}: '{name}' is listed without a reason")
            own[name] = reason.strip()
    return own


PRELUDE = """\
// Generated by abi/check-header.py from abi/host-abi.json: do not edit.
// Each assertion compares one item of HostInterface.h with the host's own.
#include <cstddef>
#include <type_traits>

#include "FunctionShape.h"
#include "HostInterface.h"

"""


class Checks:
    def __init__(self, facts, own):
        self.facts = facts
        self.own = own
        self.used_own = set()
        self.lines = []
        self.missing = []

    def claim_own(self, name):
        if name in self.own:
            self.used_own.add(name)
            return True
        return False

    def no_fact(self, name, what):
        if not self.claim_own(name):
            self.missing.append(f"{name} ({what}) has no fact in host-abi.json "
                                f"and is not listed in own-items.txt")

    def assert_(self, condition, message):
        message = message.replace('"', "'")
        self.lines.append(f'static_assert({condition},\n              "{message}");')

    def constant(self, name, text):
        constants = self.facts["constants"]
        formats = self.facts["pixel_formats"]
        strings = self.facts["strings"]
        if text.startswith('"'):
            if name not in strings:
                return self.no_fact(name, "string")
            value = json.dumps(strings[name])
            self.assert_(f"sameShape({name}, {value})",
                         f"HostInterface.h: {name} is {value} in the host")
            return
        fact = constants.get(name, formats.get(name))
        if fact is None:
            return self.no_fact(name, "constant")
        self.assert_(f"static_cast<long long>({name}) == {fact}LL",
                     f"HostInterface.h: {name} is {fact} in the host")

    def type(self, name, what):
        fact = self.facts["types"].get(name) or self.facts["structs"].get(name)
        if fact is None:
            return self.no_fact(name, what)
        self.assert_(f"sizeof({name}) == {fact['size']}",
                     f"HostInterface.h: {name} is {fact['size']} bytes in the host")
        if fact.get("signed") is not None:
            signed = "true" if fact["signed"] else "false"
            self.assert_(f"std::is_signed_v<{name}> == {signed}",
                         f"HostInterface.h: {name} is {'signed' if fact['signed'] else 'unsigned'} in the host")

    def field(self, record, name, offset, size=None):
        self.assert_(f"offsetof({record}, {name}) == {offset}",
                     f"HostInterface.h: {record}.{name} is at offset {offset} in the host")
        if size is not None:
            self.assert_(f"sizeof(static_cast<{record}*>(nullptr)->{name}) == {size}",
                         f"HostInterface.h: {record}.{name} is {size} bytes in the host")

    def signature(self, record, name, sig):
        self.assert_(f"hasShape<decltype({record}::{name})>(\"{sig}\")",
                     f"HostInterface.h: {record}.{name} has the signature {sig} in the host")

    def suite_for(self, record):
        for key, suite in self.facts["suites"].items():
            if suite.get("sdk_struct_for_version") == record and suite.get("size"):
                return key, suite
        return None, None

    def record(self, name, members):
        layout = self.facts["structs"].get(name)
        suite_key, suite = self.suite_for(name)
        if layout:
            self.struct(name, members, layout)
        elif suite:
            self.suite(name, members, suite_key, suite)
        else:
            self.no_fact(name, "structure")

    def struct(self, name, members, layout):
        self.assert_(f"sizeof({name}) == {layout['size']}",
                     f"HostInterface.h: {name} is {layout['size']} bytes in the host")
        self.assert_(f"alignof({name}) == {layout['align']}",
                     f"HostInterface.h: {name} is aligned to {layout['align']} bytes in the host")
        fields = layout["fields"]
        declared = {member for member, _, _ in members}
        for member, _, _ in members:
            if member in fields:
                self.field(name, member, fields[member]["offset"], fields[member]["size"])
            else:
                self.no_fact(f"{name}.{member}", "field")
        # Facts about members inside declared ones (inter.register_ui,
        # u.fs_d.dephault) are checked too.
        for member, fact in fields.items():
            head = member.split(".")[0]
            if member not in declared and head in declared and self.has_path(name, member):
                self.field(name, member, fact["offset"], fact["size"])
        for function, fact in self.facts["callbacks"].get(name, {}).items():
            if function not in declared:
                self.missing.append(f"{name}.{function} is used by the engine in the host's "
                                    f"slot {fact['slot']} but not declared")
                continue
            self.field(name, function, fact["slot"] * 8)
            self.signature(name, function, fact["sig"])

    def has_path(self, record, path):
        """Whether `path` (a.b.c) names a member reached from `record`
        through the members' declared types."""
        record = self.aliases.get(record, record)
        members = {m: t for m, _, t in self.records.get(record, [])}
        if path in members:
            return True
        head, _, rest = path.partition(".")
        return bool(rest) and members.get(head) is not None and self.has_path(members[head], rest)

    def suite(self, name, members, key, suite):
        self.assert_(f"sizeof({name}) == {suite['size']}",
                     f"HostInterface.h: {name}, the table of {key}, is {suite['size']} bytes "
                     f"({suite['slots_total']} slots) in the host")
        functions = suite["functions"]
        for member, _, _ in members:
            if member in functions:
                fact = functions[member]
                self.field(name, member, fact["offset"])
                self.signature(name, member, fact["sig"])
            elif not re.match(r"reserved\d*$", member):
                self.no_fact(f"{name}.{member}", f"function of {key}")
        for function in functions:
            if function not in {m for m, _, _ in members}:
                self.missing.append(f"{name} lacks {function}, used in {key}")

    def entry_point(self, name):
        entry = self.facts["entry"]
        if name != entry["typedef"]:
            return self.no_fact(name, "function type")
        self.assert_(f"hasShape<{name}>(\"{entry['sig']}\")",
                     f"HostInterface.h: {name} has the signature {entry['sig']} in the host")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--facts", required=True)
    parser.add_argument("--header", required=True)
    parser.add_argument("--own", required=True)
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    with open(args.facts, encoding="utf-8") as f:
        facts = json.load(f)
    with open(args.header, encoding="utf-8") as f:
        header_text = f.read()
    try:
        items = parse_header(header_text)
        checks = Checks(facts, read_own_items(args.own))
    except HeaderError as error:
        sys.exit(f"{args.header}: {error}")
    checks.records = dict(items["records"])
    checks.aliases = items["aliases"]

    for name, what in items["types"]:
        checks.type(name, what)
    for name, members in items["records"]:
        checks.record(name, members)
    for name in items["functions"]:
        checks.entry_point(name)
    for name, value in items["constants"]:
        checks.constant(name, value)

    stale = sorted(set(checks.own) - checks.used_own)
    problems = checks.missing + [f"{name} is listed in own-items.txt but not declared, "
                                 f"or has a fact" for name in stale]
    if problems:
        sys.exit("\n".join(f"{args.header}: {p}" for p in problems))
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(PRELUDE + "\n".join(checks.lines) + "\n")


if __name__ == "__main__":
    main()
