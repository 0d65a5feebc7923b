#!/usr/bin/env python3
"""Record generator: reads the service modules' record definitions
(services/defs/*.rec) and writes, per module, <Module>.h and <Module>.cpp:
the record classes with their presence words, their marshalling, the list
names, the field descriptor tables where asked for, and for interfaces the
client stub class, the server-side servant class and its registration.

usage: recgen.py OUTPUT_DIR DEFINITION...

All definitions are read together, so records may refer to records of other
modules. Everything is checked before anything is written: a definition the
generator cannot accept ends it with status 1 and "file:line: what is wrong".
Output is deterministic, and a file is only rewritten when its content
changes, so a build only recompiles what a definition change touched.
"""

import os
import re
import sys

SCALARS = {
    # type: (C++ type, descriptor type code, returned by value)
    "int16": ("std::int16_t", 3, True),
    "int32": ("std::int32_t", 4, True),
    "int64": ("std::int64_t", 5, True),
    "text": ("std::string", 2, False),
    "datetime": ("CBSDateTime", 10, False),
}


class DefError(Exception):
    pass


class Field:
    def __init__(self, name, type_text, where):
        self.name = name
        self.type_text = type_text
        self.where = where
        self.kind = None  # scalar, record, list
        self.target = None  # (module, record) for record and list


class Record:
    def __init__(self, module, name, descriptors, where):
        self.module = module
        self.name = name
        self.descriptors = descriptors
        self.where = where
        self.fields = []


class Operation:
    def __init__(self, name, code, in_type, in_name, out_type, out_name, where):
        self.name = name
        self.code = code
        self.in_type = in_type
        self.in_name = in_name
        self.out_type = out_type
        self.out_name = out_name
        self.where = where


class Interface:
    def __init__(self, module, name, package, wire_name, where):
        self.module = module
        self.name = name
        self.package = package
        self.wire_name = wire_name
        self.where = where
        self.ops = []


class Module:
    def __init__(self, name, path):
        self.name = name
        self.path = path
        self.records = []
        self.interfaces = []


IDENT = re.compile(r"[A-Za-z_][A-Za-z0-9_]*$")


def parse(path):
    module = None
    current = None
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, raw in enumerate(lines, 1):
        where = "%s:%d" % (path, number)
        line = raw.split("#", 1)[0].rstrip()
        if not line.strip():
            continue
        words = line.split()
        indented = line[0] in " \t"
        if not indented:
            current = None
            if words[0] == "module":
                if len(words) != 2 or not IDENT.match(words[1]):
                    raise DefError("%s: expected 'module NAME'" % where)
                if module is not None:
                    raise DefError("%s: a file defines one module" % where)
                stem = os.path.splitext(os.path.basename(path))[0]
                if words[1] != stem:
                    raise DefError("%s: module %s must live in %s.rec" % (where, words[1], words[1]))
                module = Module(words[1], path)
            elif module is None:
                raise DefError("%s: the file must begin with 'module NAME'" % where)
            elif words[0] == "record":
                if len(words) not in (2, 3) or not IDENT.match(words[1]) or (
                        len(words) == 3 and words[2] != "descriptors"):
                    raise DefError("%s: expected 'record NAME [descriptors]'" % where)
                current = Record(module.name, words[1], len(words) == 3, where)
                if any(r.name == current.name for r in module.records):
                    raise DefError("%s: record %s is defined twice" % (where, current.name))
                module.records.append(current)
            elif words[0] == "interface":
                m = re.match(r"interface (\w+) package (\w+) name (\w+)$", " ".join(words), re.ASCII)
                if not m:
                    raise DefError("%s: expected 'interface NAME package P name N'" % where)
                current = Interface(module.name, m.group(1), m.group(2), m.group(3), where)
                module.interfaces.append(current)
            else:
                raise DefError("%s: unknown line '%s'" % (where, line.strip()))
        elif isinstance(current, Record):
            if len(words) != 2 or not IDENT.match(words[0]):
                raise DefError("%s: expected 'FIELD TYPE'" % where)
            if any(fl.name == words[0] for fl in current.fields):
                raise DefError("%s: field %s appears twice in %s" % (where, words[0], current.name))
            current.fields.append(Field(words[0], words[1], where))
            if len(current.fields) > 64:
                raise DefError("%s: %s has more than 64 fields; presence words hold 64" % (where, current.name))
        elif isinstance(current, Interface):
            m = re.match(r"op (\w+) (\w{8}) (\S+) (\w+) -> (\S+) (\w+)$", " ".join(words), re.ASCII)
            if not m:
                raise DefError("%s: expected 'op NAME CODE IN_TYPE IN_NAME -> OUT_TYPE OUT_NAME'" % where)
            current.ops.append(Operation(*m.groups(), where=where))
        else:
            raise DefError("%s: an indented line belongs to a record or an interface" % where)
    if module is None:
        raise DefError("%s: no module" % path)
    return module


TYPES_HELP = "int16, int32, int64, text, datetime, a record (Module::Name for another module's) or list<Record>"
# Plain values that zpb_record.h can marshal as a whole request or reply.
PLAIN_PARAMS = {"int32"}


def split_list(text):
    """The record name inside list<...>, or None for a text that is no list."""
    if text.startswith("list<") and text.endswith(">"):
        return text[5:-1]
    return None


def resolve(modules):
    known = {(m.name, r.name): r for m in modules.values() for r in m.records}

    def record_target(module, text, where, whole):
        mod, name = text.split("::", 1) if "::" in text else (module, text)
        if not IDENT.match(mod) or not IDENT.match(name):
            raise DefError("%s: unknown type '%s'; expected %s" % (where, whole, TYPES_HELP))
        if (mod, name) in known:
            return (mod, name)
        if "::" not in text and not name[0].isupper():
            # A lower-case word is a misspelt plain type rather than a record.
            raise DefError("%s: unknown type '%s'; expected %s" % (where, whole, TYPES_HELP))
        if mod not in modules:
            raise DefError("%s: unknown record '%s': no definition file declares module %s" % (where, text, mod))
        raise DefError("%s: unknown record '%s': module %s declares no record %s" % (where, text, mod, name))

    def type_of(module, text, where):
        """(kind, target) of a field or parameter type."""
        if text in SCALARS:
            return "scalar", None
        inner = split_list(text)
        if inner is not None:
            if inner in SCALARS:
                raise DefError("%s: %s: a list holds records, not plain values" % (where, text))
            if split_list(inner) is not None:
                raise DefError("%s: %s: a list of lists does not travel; put the inner list in a record" %
                               (where, text))
            return "list", record_target(module, inner, where, text)
        return "record", record_target(module, text, where, text)

    for m in modules.values():
        for r in m.records:
            for f in r.fields:
                f.kind, f.target = type_of(m.name, f.type_text, f.where)
            if r.descriptors and any(f.kind != "scalar" for f in r.fields):
                bad = next(f for f in r.fields if f.kind != "scalar")
                raise DefError("%s: %s has a descriptor table, which holds plain fields only; %s is %s" %
                               (bad.where, r.name, bad.name, bad.type_text))
        for i in m.interfaces:
            for op in i.ops:
                for t in (op.in_type, op.out_type):
                    kind, _ = type_of(m.name, t, op.where)
                    if kind == "scalar" and t not in PLAIN_PARAMS:
                        raise DefError("%s: %s as a whole request or reply is not supported; use %s or a record" %
                                       (op.where, t, ", ".join(sorted(PLAIN_PARAMS))))
    check_names(modules)
    check_module_cycles(modules)
    for m in modules.values():
        ordered(m)  # raises for a record that holds itself, before anything is written
    return known


def check_names(modules):
    """Everything a module puts into its namespace must be unique there."""
    for m in modules.values():
        taken = {}

        def claim(name, where, what):
            if name in taken:
                raise DefError("%s: %s clashes with %s" % (where, what, taken[name]))
            taken[name] = "%s (%s)" % (what, where)

        for r in m.records:
            if r.name in SCALARS:
                raise DefError("%s: a record may not be named like the plain type %s" % (r.where, r.name))
            claim(r.name, r.where, "record %s" % r.name)
            claim(r.name + "List", r.where, "the list type of record %s" % r.name)
        for i in m.interfaces:
            claim(i.name, i.where, "interface %s" % i.name)
            claim(i.name + "Servant", i.where, "the servant class of interface %s" % i.name)
            codes = {}
            for op in i.ops:
                claim("%s_%s" % (i.name, op.name), op.where, "operation %s.%s" % (i.name, op.name))
                if op.code in codes:
                    raise DefError("%s: service code %s is already used by %s" % (op.where, op.code, codes[op.code]))
                codes[op.code] = op.name
                params = (op.in_name, op.out_name, "cErrorMsg", "session")
                if len(set(params)) != len(params):
                    raise DefError("%s: parameter names of %s must differ from each other and from "
                                   "cErrorMsg and session" % (op.where, op.name))


def check_module_cycles(modules):
    """Generated headers include the headers of the modules they use, so
    modules may not use each other in a circle."""
    state = {}

    def visit(name, path):
        if state.get(name) == "done":
            return
        if state.get(name) == "open":
            circle = path[path.index(name):] + [name]
            where = dependency_sites(modules[circle[0]])[circle[1]]
            raise DefError("%s: modules use each other in a circle: %s" % (where, " -> ".join(circle)))
        state[name] = "open"
        for d in dependencies(modules[name]):
            visit(d, path + [name])
        state[name] = "done"

    for name in sorted(modules):
        visit(name, [])


def cpp_record(module, target):
    mod, name = target
    return name if mod == module else "%s::%s" % (mod, name)


def cpp_type(module, f):
    if f.kind == "scalar":
        return SCALARS[f.type_text][0]
    if f.kind == "record":
        return cpp_record(module, f.target)
    return cpp_record(module, f.target) + "List"


def cpp_param_type(module, t):
    if t in SCALARS:
        return SCALARS[t][0]
    inner = split_list(t)
    return t if inner is None else inner + "List"


def ordered(module):
    """Records of a module with each one after the records it holds by value."""
    by_name = {r.name: r for r in module.records}
    done, out = set(), []

    def visit(r, stack):
        if r.name in done:
            return
        for f in r.fields:
            if f.kind in ("record", "list") and f.target[0] == module.name:
                if f.target[1] == r.name or f.target[1] in stack:
                    raise DefError("%s: record %s holds itself (through %s.%s)" %
                                   (f.where, f.target[1], r.name, f.name))
                visit(by_name[f.target[1]], stack | {r.name})
        done.add(r.name)
        out.append(r)

    for r in module.records:
        visit(r, set())
    return out


def dependency_sites(module):
    """The other modules a module uses, each with the first line that uses it."""
    sites = {}
    for r in module.records:
        for f in r.fields:
            if f.target and f.target[0] != module.name:
                sites.setdefault(f.target[0], f.where)
    for i in module.interfaces:
        for op in i.ops:
            for t in (op.in_type, op.out_type):
                inner = split_list(t) or t
                if "::" in inner and inner.split("::")[0] != module.name:
                    sites.setdefault(inner.split("::")[0], op.where)
    return sites


def dependencies(module):
    return sorted(dependency_sites(module))


def header(module, source):
    out = []
    w = out.append
    w("// Generated by tools/recgen.py from %s; edit the definition, not this file." % source)
    w("#pragma once")
    w("")
    w("#include <cstdint>")
    if module.interfaces:
        w("#include <memory>")
    w("#include <string>")
    w("#include <utility>")
    w("#include <vector>")
    w("")
    w('#include "cbsdatetime.h"')
    w('#include "zpb_record.h"')
    w('#include "zpb_stream.h"')
    if module.interfaces:
        w('#include "zpd_stub.h"')
    for d in dependencies(module):
        w('#include "%s.h"' % d)
    w("")
    w("namespace %s {" % module.name)
    for r in ordered(module):
        w("")
        w("class %s {" % r.name)
        w(" public:")
        w('  static constexpr zpb_name kStructName{"%s.%s"};' % (module.name, r.name))
        w('  static constexpr zpb_name kListName{"%s..%sList"};' % (module.name, r.name))
        w("  static constexpr int kFieldCount = %d;" % len(r.fields))
        for i, f in enumerate(r.fields):
            w("  static constexpr int kIdx_%s = %d;" % (f.name, i))
        if r.descriptors:
            w("  static const zpb_field_desc kFieldTable[kFieldCount];")
        w("")
        for i, f in enumerate(r.fields):
            t = cpp_type(module.name, f)
            by_value = f.kind == "scalar" and SCALARS[f.type_text][2]
            if by_value:
                w("  %s get_%s() const { return m_%s; }" % (t, f.name, f.name))
                w("  void set_%s(%s v) {" % (f.name, t))
                w("    m_%s = v;" % f.name)
            else:
                w("  const %s& get_%s() const { return m_%s; }" % (t, f.name, f.name))
                w("  void set_%s(%s v) {" % (f.name, t))
                w("    m_%s = std::move(v);" % f.name)
            w("    mark(%d);" % i)
            w("  }")
        if r.descriptors:
            w("")
            w("  // The field whose presence bit is i, whether or not that bit is set;")
            w("  // an empty text for an index outside the record.")
            w("  zpb_value get_by_index(int i) const;")
            w("  // Sets like the field's setter; false (and nothing changed) for an")
            w("  // index outside the record or a value of another type.")
            w("  bool set_by_index(int i, const zpb_value& v);")
        w("")
        w("  bool operator==(const %s&) const = default;" % r.name)
        w("")
        w("  friend bool zpb_write(zpb_stream& s, const %s& r);" % r.name)
        w("  friend bool zpb_read(zpb_stream& s, %s& r);" % r.name)
        w("")
        w(" private:")
        w("  void mark(int i) {")
        w("    UsedMarker |= std::uint64_t{1} << i;")
        w("    Marker |= std::uint64_t{1} << i;")
        w("  }")
        for f in r.fields:
            t = cpp_type(module.name, f)
            init = "{}" if not (f.kind == "scalar" and SCALARS[f.type_text][2]) else " = 0"
            w("  %s m_%s%s;" % (t, f.name, init))
        w("")
        w(" public:")
        w("  std::uint64_t UsedMarker = 0;")
        w("  std::uint64_t Marker = 0;")
        w("};")
        w("using %sList = std::vector<%s>;" % (r.name, r.name))
        w("bool zpb_write(zpb_stream& s, const %s& r);" % r.name)
        w("bool zpb_read(zpb_stream& s, %s& r);" % r.name)
    for itf in module.interfaces:
        w("")
        for op in itf.ops:
            qualified = "%s.%s.%s.%s" % (itf.package, module.name, itf.name, op.name)
            w("inline constexpr zpd_operation %s_%s{" % (itf.name, op.name))
            w('    "%s", "%s", "%s", "%s::%s::%s",' % (itf.wire_name, op.code, qualified, module.name, itf.name,
                                                      op.name))
            w('    zpb_name("%s.ParamIn"), zpb_name("%s.ParamOut"), "%s", "%s"};' % (qualified, qualified, op.in_name,
                                                                                   op.out_name))
        w("")
        w("// Client of the %s interface; bind it to a broker before calling." % itf.name)
        w("class %s : public CZpdClientObject {" % itf.name)
        w(" public:")
        for op in itf.ops:
            w("  std::int32_t %s(const %s& %s, %s& %s, CBSErrorMsg& cErrorMsg, SZPSession* session);" % (
                op.name, cpp_param_type(module.name, op.in_type), op.in_name,
                cpp_param_type(module.name, op.out_type), op.out_name))
        w("  // The runtime's fifth slot; generated interfaces only answer this constant.")
        w("  std::int32_t reserved_slot() override { return ZPE_CLN_RESERVED_SLOT; }")
        w("};")
        w("")
        w("// The server's side of %s: one handler per operation." % itf.name)
        w("class %sServant {" % itf.name)
        w(" public:")
        w("  virtual ~%sServant() = default;" % itf.name)
        for op in itf.ops:
            w("  virtual std::int32_t %s(const %s& %s, %s& %s, CBSErrorMsg& cErrorMsg) = 0;" % (
                op.name, cpp_param_type(module.name, op.in_type), op.in_name,
                cpp_param_type(module.name, op.out_type), op.out_name))
        w("};")
        w("")
        w("// Adds every operation of %s to a dispatcher, served by `servant`." % itf.name)
        w("void register_%s(zpd_dispatcher& d, std::shared_ptr<%sServant> servant);" % (itf.name, itf.name))
    w("")
    w("}  // namespace %s" % module.name)
    w("")
    return "\n".join(out)


def source(module, source_path):
    out = []
    w = out.append
    w("// Generated by tools/recgen.py from %s; edit the definition, not this file." % source_path)
    w('#include "%s.h"' % module.name)
    w("")
    w("namespace %s {" % module.name)
    for r in ordered(module):
        n = len(r.fields)
        mask = "~std::uint64_t{0}" if n == 64 else "((std::uint64_t{1} << %d) - 1)" % n
        w("")
        if r.descriptors:
            w("const zpb_field_desc %s::kFieldTable[%s::kFieldCount] = {" % (r.name, r.name))
            for f in r.fields:
                w('    {"%s", %d},' % (f.name, SCALARS[f.type_text][1]))
            w("};")
            w("")
            w("zpb_value %s::get_by_index(int i) const {" % r.name)
            w("  switch (i) {")
            for i, f in enumerate(r.fields):
                w("    case %d: return zpb_value(m_%s);" % (i, f.name))
            w("    default: return zpb_value(std::string());")
            w("  }")
            w("}")
            w("")
            w("bool %s::set_by_index(int i, const zpb_value& v) {" % r.name)
            w("  switch (i) {")
            for i, f in enumerate(r.fields):
                t = SCALARS[f.type_text][0]
                w("    case %d:" % i)
                w("      if (const auto* p = std::get_if<%s>(&v)) {" % t)
                w("        set_%s(*p);" % f.name)
                w("        return true;")
                w("      }")
                w("      return false;")
            w("    default: return false;")
            w("  }")
            w("}")
            w("")
        # Bits beyond the fields (a caller that assigned UsedMarker wholesale)
        # are not sent: the receiving side would reject the record for them.
        w("bool zpb_write(zpb_stream& s, const %s& r) {" % r.name)
        w("  const std::uint64_t used = r.UsedMarker & %s;" % mask)
        w("  const std::uint64_t marker = r.Marker;")
        w("  s.begin_write_struct(%s::kStructName);" % r.name)
        w("  s << marker << used;")
        for i, f in enumerate(r.fields):
            if f.kind == "scalar":
                stmt = "s << r.m_%s;" % f.name
            elif f.kind == "record":
                stmt = "zpb_write(s, r.m_%s);" % f.name
            else:
                stmt = "::zpb_write(s, r.m_%s);" % f.name
            w("  if (used & (std::uint64_t{1} << %d)) %s" % (i, stmt))
        w("  s.end_write_struct();")
        w("  return s.good();")
        w("}")
        w("")
        w("bool zpb_read(zpb_stream& s, %s& r) {" % r.name)
        w("  if (!s.begin_read_struct(%s::kStructName)) return false;" % r.name)
        w("  std::uint64_t marker = 0, used = 0;")
        w("  s >> marker >> used;")
        w("  if (s.failed()) return false;")
        w("  if (used & ~%s) {" % mask)
        w('    s.fail("record %s.%s carries fields it does not have");' % (module.name, r.name))
        w("    return false;")
        w("  }")
        w("  r.Marker = marker;")
        w("  r.UsedMarker = used;")
        for i, f in enumerate(r.fields):
            if f.kind == "scalar":
                w("  if (used & (std::uint64_t{1} << %d)) {" % i)
                w("    s >> r.m_%s;" % f.name)
                w("    if (s.failed()) return false;")
                w("  }")
            else:
                call = "zpb_read" if f.kind == "record" else "::zpb_read"
                w("  if ((used & (std::uint64_t{1} << %d)) && !%s(s, r.m_%s)) return false;" % (i, call, f.name))
        w("  return s.end_read_struct();")
        w("}")
    for itf in module.interfaces:
        for op in itf.ops:
            it = cpp_param_type(module.name, op.in_type)
            ot = cpp_param_type(module.name, op.out_type)
            w("")
            w("std::int32_t %s::%s(const %s& %s, %s& %s, CBSErrorMsg& cErrorMsg, SZPSession* session) {" % (
                itf.name, op.name, it, op.in_name, ot, op.out_name))
            w("  return zpd_invoke(*this, %s_%s, %s, %s, cErrorMsg, session);" % (itf.name, op.name, op.in_name,
                                                                                 op.out_name))
            w("}")
        w("")
        w("void register_%s(zpd_dispatcher& d, std::shared_ptr<%sServant> servant) {" % (itf.name, itf.name))
        for op in itf.ops:
            it = cpp_param_type(module.name, op.in_type)
            ot = cpp_param_type(module.name, op.out_type)
            w('  d.add("%s", "%s",' % (itf.wire_name, op.code))
            w("        zpd_serve<%s, %s>(%s_%s, [servant](const %s& in, %s& out, CBSErrorMsg& err) {" % (
                it, ot, itf.name, op.name, it, ot))
            w("          return servant->%s(in, out, err);" % op.name)
            w("        }));")
        w("}")
    w("")
    w("}  // namespace %s" % module.name)
    w("")
    return "\n".join(out)


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    outdir, paths = argv[1], argv[2:]
    try:
        modules = {}
        for p in paths:
            try:
                m = parse(p)
            except (OSError, UnicodeDecodeError) as e:
                raise DefError("%s: cannot read: %s" % (p, e))
            if m.name in modules:
                raise DefError("%s: module %s is also defined in %s" % (p, m.name, modules[m.name].path))
            modules[m.name] = m
        resolve(modules)
        os.makedirs(outdir, exist_ok=True)
        for m in modules.values():
            rel = os.path.join("services", "defs", os.path.basename(m.path))
            write_if_changed(os.path.join(outdir, m.name + ".h"), header(m, rel))
            write_if_changed(os.path.join(outdir, m.name + ".cpp"), source(m, rel))
    except DefError as e:
        sys.stderr.write("recgen: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
